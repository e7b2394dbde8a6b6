// A recording stand-in for the application shell, for protocol tests.
// Every call of a shell operation is recorded in order in `calls`, as
// "Operation:argument" text, so tests can check sequences.
#pragma once

#include "net/shell.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

struct FakeShell {
  std::vector<std::string> calls;        // every operation, in order
  std::vector<std::string> log;          // AppendLog lines
  std::vector<LogCategory> logCategories;  // AppendLogAs categories, in order
  std::map<std::string, std::string> info;  // SetInfoValue (keys with a row only)
  // The views' rows in the order shown (the list's own: the fake never
  // sorts), each with the id it was inserted under.
  std::vector<PlayerRow> players;
  std::vector<int32_t> playerIds;
  int playersSelected = -1;
  std::vector<BanRow> bans;
  std::vector<int32_t> banIds;
  int bansSelected = -1;
  int sessionDialogsClosed = 0;
  int controlsDisabled = -1;  // -1: never called
  int connectErrors = 0;
  int closedDialog = -1;      // argument of the last CloseConnectDialog
  bool maxPingAnswered = true;
  std::string maxPingAnswer;
  int maxPingAsked = 0;
  // Called inside AppendLog, after recording: lets a test look at the world
  // at the moment a line is shown (was the acknowledgement already sent?).
  std::function<void(const std::string&)> onAppendLog;
  // Called inside AskMaxPing: window events run while the input box is open.
  std::function<void()> onAskMaxPing;
  // Benchmarks switch recording off so that they time the protocol client,
  // not this fake's copying; rows are then only counted.
  bool recording = true;
  int playerRowsAdded = 0;
  int playerRowsUpdated = 0;
  int playerUpdates = 0;  // BeginUpdate calls: each lays the view out once
  int playerRowsRemoved = 0;
  // RememberFoundQueryPort: "host:port" -> query port.
  std::map<std::string, uint16_t> foundQueryPorts;
  int banRowsAdded = 0;

  // Forgets everything recorded (the info row map is left alone).
  void Reset();
};

extern FakeShell Fake;

// Fills the information row map with the keys of the server information view,
// as the shell does at start-up (headings map the empty key).
void RegisterInfoRowsForTests();
