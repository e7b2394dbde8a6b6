// Parsing of the reply to "bans" and the "Banned until" time.
//
// The reply holds two sections, GUID bans and IP bans, each a header and one
// line per ban:
//   0  0123456789abcdef0123456789abcdef  perm  Cheating
//   1  fedcba9876543210fedcba9876543210  90    Spam in chat
// The third column is "perm" or the minutes left.
#include "net/bans.h"

#include "net/keyed_rows.h"
#include "net/number.h"
#include "net/shell.h"
#include "net/text.h"


std::vector<BanRecord> BanList;

namespace {

constexpr size_t kHeaderCharacters = 86;
constexpr std::string_view kIpSection = "\nIP Bans";
constexpr int64_t kSecondsPerDay = 86400;

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

struct CivilDate {
  int64_t year;
  int month;  // 1..12
  int day;    // 1..31
};

// Days since 1970-01-01 to a date of the proleptic Gregorian calendar.
// Counted in eras of 400 years (146097 days), each starting on 1 March so that
// the leap day falls at the end of its year.
CivilDate CivilFromDays(int64_t days) {
  const int64_t shifted = days + 719468;  // 0000-03-01 is day 0
  const int64_t era = FloorDiv(shifted, 146097);
  const int64_t dayOfEra = shifted - era * 146097;                                          // 0..146096
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;  // 0..399
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);  // 0..365
  const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;                                  // 0..11
  const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  const int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  return {year, month, day};
}


// The server's minutes can be any 64-bit number; a ban that ends beyond what
// 64-bit seconds hold wraps rather than being undefined.
int64_t AddMinutes(int64_t seconds, int64_t minutes) {
  return static_cast<int64_t>(static_cast<uint64_t>(seconds) + static_cast<uint64_t>(minutes) * 60u);
}

}  // namespace

std::string FormatBanTime(int64_t localSeconds) {
  const int64_t days = FloorDiv(localSeconds, kSecondsPerDay);
  int64_t secondOfDay = localSeconds % kSecondsPerDay;  // not seconds - days * 86400: that overflows at the low end
  if (secondOfDay < 0) secondOfDay += kSecondsPerDay;
  const CivilDate date = CivilFromDays(days);
  const int hour = static_cast<int>(secondOfDay / 3600);
  const int minute = static_cast<int>(secondOfDay / 60 % 60);

  // Written by hand: a ban list formats one of these per line, and printf's
  // machinery costs more than the rest of the line's parsing.
  const auto two = [](std::string& out, int value) {
    out += static_cast<char>('0' + value / 10);
    out += static_cast<char>('0' + value % 10);
  };
  std::string text;
  text.reserve(24);
  two(text, date.day);
  text += '.';
  two(text, date.month);
  text += '.';
  uint64_t year = date.year < 0 ? 0 - static_cast<uint64_t>(date.year) : static_cast<uint64_t>(date.year);
  if (date.year < 0) text += '-';
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + year % 10);
    year /= 10;
  } while (year != 0 || count < 4);
  while (count > 0) text += digits[--count];
  text += " - ";
  two(text, hour);
  text += ':';
  two(text, minute);
  return text;
}

void ParseBanLinesInto(std::string_view replyText, int64_t localNowSeconds, std::vector<BanRecord>& records) {
  std::string_view body = SkipCharacters(replyText, kHeaderCharacters);

  // Keep the GUID section only. The character before "\nIP Bans" is the line
  // feed of the empty line that separates the sections; it goes too. Without
  // an IP section the reply is not one we know, and nothing is read.
  const size_t ipSection = body.find(kIpSection);
  body = ipSection == std::string_view::npos ? std::string_view() : body.substr(0, ipSection == 0 ? 0 : ipSection - 1);

  size_t count = 0;
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('\n', start);
    if (end == std::string_view::npos) end = body.size();
    std::string_view line = body.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;

    if (count == records.size()) records.emplace_back();
    BanRecord& record = records[count++];
    record.number = ParseNumber32(TakeColumn(line));
    record.guid.assign(TakeColumn(line));
    const std::string_view minutes = TakeColumn(line);
    if (minutes == "perm") {
      record.until = "permanently";
    } else {
      record.until = FormatBanTime(AddMinutes(localNowSeconds, ParseNumber(minutes)));
    }
    record.reason.assign(line);
  }
  records.resize(count);
}

std::vector<BanRecord> ParseBanLines(std::string_view replyText, int64_t localNowSeconds) {
  std::vector<BanRecord> records;
  ParseBanLinesInto(replyText, localNowSeconds, records);
  return records;
}

namespace {

class BansViewSink final : public RowSink<kBanColumns> {
 public:
  void Begin() override { BansList_BeginUpdate(); }
  void End() override { BansList_EndUpdate(); }
  void Insert(int32_t id, const BanRow& cells, int at) override { BansList_InsertRow(id, cells, at); }
  void Update(int32_t id, const BanRow& cells, uint32_t changed) override { BansList_UpdateRow(id, cells, changed); }
  void Remove(int32_t id) override { BansList_RemoveRow(id); }
};

KeyedRows<kBanColumns>& Rows() {
  static KeyedRows<kBanColumns> rows;
  return rows;
}

BansViewSink& Sink() {
  static BansViewSink sink;
  return sink;
}

// The rows keep the records they were made from, by id, so the selected
// row's ban is known without reading the view's text back.
std::vector<std::pair<int32_t, BanRecord>>& Shown() {
  static std::vector<std::pair<int32_t, BanRecord>> shown;
  return shown;
}

void RememberShown() {
  Shown().clear();
  const auto& rows = Rows().rows();
  for (size_t i = 0; i < rows.size() && i < BanList.size(); ++i) Shown().emplace_back(rows[i].id, BanList[i]);
}

}  // namespace

std::string BanKey(const BanRecord& ban) { return ban.guid + "\x1F" + ban.reason; }

void ParseBanList(std::string_view replyText, int64_t localNowSeconds) {
  ParseBanLinesInto(replyText, localNowSeconds, BanList);
  std::vector<std::pair<std::string, BanRow>> rows;
  rows.reserve(BanList.size());
  for (const BanRecord& ban : BanList) rows.emplace_back(BanKey(ban), BanRow{ban.guid, ban.until, ban.reason});
  Rows().Apply(rows, Sink());
  RememberShown();
}

bool SelectedBan(BanRecord* ban) {
  const int32_t id = BansList_SelectedId();
  for (const auto& [shownId, record] : Shown()) {
    if (shownId == id) {
      *ban = record;
      return true;
    }
  }
  return false;
}

void ForgetBans() {
  BanList.clear();
  Rows().Clear(Sink());
  Shown().clear();
}
