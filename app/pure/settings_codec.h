// The settings file (settings.ini beside favs.dat), without any file: its
// text and the one-value changes made to it. The store (app/files/settings)
// reads and writes the bytes.
//
// The file is UTF-8 text that an admin may edit by hand:
//
//   ; comment lines begin with ';' or '#'
//   [general]
//   auto_refresh=30
//
//   [203.0.113.7:2302]
//   query_port=2303
//   found_query_port=2303
//
// "[general]" holds the program's own settings; a "[host:port]" section (the
// host as typed, the remote console's port) holds one server's. Keys and
// section names match without regard to ASCII case (host names do), values
// are kept as written, blanks around "=" do not count. Lines ended by CR, LF
// or CR LF are read; CR LF is written. A change rewrites only the line it is
// about and keeps every other line as it was (comments, keys a later
// version added, lines it cannot read), so a hand-edited file stays as its
// author left it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

constexpr char kGeneralSection[] = "general";
// The query port typed by hand in the Connect dialog or Quick Connect.
constexpr char kQueryPortKey[] = "query_port";
// The query port the program found for itself; looked for again when it
// stops answering, unlike one typed by hand.
constexpr char kFoundQueryPortKey[] = "found_query_port";
constexpr char kAutoRefreshKey[] = "auto_refresh";

class SettingsText {
 public:
  static SettingsText Decode(std::string_view bytes);
  std::string Encode() const;

  // The value of the first such key in the first such section.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Sets (adding the key, and the section, where missing) or removes one
  // value. False when the text already said so: nothing to write.
  // Line breaks in any of the three would make other lines of them, and "]"
  // in a section name would end it early: they are dropped.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  bool Remove(std::string_view section, std::string_view key);

  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

// The section name of a server: "host:port".
std::string ServerSection(std::string_view host, int32_t port);

// A port value: 1..65535 by the program's number rule, else 0 (empty, a
// word, out of range).
uint16_t PortValue(std::string_view text);
