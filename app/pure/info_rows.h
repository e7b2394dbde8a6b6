// The rows of the server information view: three groups of labelled values,
// each value addressed by the key under which the status reply and the
// remote-console replies report it.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

struct InfoRowDefinition {
  std::string_view key;    // "" for a group heading
  std::string_view label;  // the heading's or row's text
  bool heading;
};

constexpr size_t kInfoRowCount = 26;

// The 26 rows in display order: "General" (14 rows), "Mission info" (5),
// "Battleye" (4), each heading before its rows.
std::span<const InfoRowDefinition> InfoRowDefinitions();

// Enters every row's key in InfoRows with its index. Headings all go under
// the empty key, so that entry ends as the last heading's index, unused.
void RegisterInfoRows();
