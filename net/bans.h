// The server's GUID bans, as the reply to "bans" lists them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct BanRecord {
  int32_t number = 0;
  std::string guid;
  std::string until;   // "permanently", or the end of the ban in local time
  std::string reason;  // the rest of the line
};

// Program-wide; emptied and refilled by every ban list.
extern std::vector<BanRecord> BanList;

// Formats seconds of local calendar time (counted from 1970-01-01 00:00 of
// the local wall clock) as "dd.mm.yyyy - hh:ii". Pure: no time zone is
// consulted, the value already is local.
std::string FormatBanTime(int64_t localSeconds);

// Parses the text of a "bans" reply. Only the GUID section is read: the
// 86-character header is skipped unread, and everything from the empty line
// before "IP Bans" on is dropped. `localNowSeconds` is the local time the
// minutes left are counted from.
std::vector<BanRecord> ParseBanLines(std::string_view replyText, int64_t localNowSeconds);

// Same, into `records`, reusing the strings already there.
void ParseBanLinesInto(std::string_view replyText, int64_t localNowSeconds, std::vector<BanRecord>& records);

// Reads the reply to "bans" (the request that waits for it is LoadBans):
// replaces BanList with the parsed records and brings the bans list view up
// to date in place, one row per record (GUID, Banned until, Reason): a ban
// keeps its row, and the admin's selection, while the list is reloaded.
void ParseBanList(std::string_view replyText, int64_t localNowSeconds);

// A ban's identity: its GUID (or address) and its reason. Its number is not:
// the server renumbers its bans whenever one ends or is lifted.
std::string BanKey(const BanRecord& ban);

// The ban of the selected row, as of the list it was read from (the number
// may be stale; match the GUID and reason against a fresh list). False when
// no row is selected.
bool SelectedBan(BanRecord* ban);

// Empties BanList and the bans list view (the session ended).
void ForgetBans();
