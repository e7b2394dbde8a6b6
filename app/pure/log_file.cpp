// The log files; see log_file.h. The folders and the file are opened through
// the platform layer, which takes UTF-8 paths on both sides.
#include "app/pure/log_file.h"

#include "platform/platform.h"

#include <array>
#include <cstring>

namespace {

// Days since 1970-01-01 to a proleptic Gregorian date (the well-known
// era-based conversion, valid for any day a clock can show).
void CivilFromDays(int64_t days, int* year, int* month, int* day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

std::string TwoDigits(int64_t n) { return {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)}; }

bool IsReservedDeviceName(std::string_view name) {
  // Windows reserves these with any extension, in any case.
  const std::string_view stem = name.substr(0, name.find('.'));
  std::string upper(stem);
  for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  for (const char* reserved : {"CON", "PRN", "AUX", "NUL"})
    if (upper == reserved) return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
         upper[3] <= '9';
}

}  // namespace

std::string LogTimePrefix(int64_t localSeconds) {
  const int64_t s = localSeconds - FloorDiv(localSeconds, 86400) * 86400;
  return TwoDigits(s / 3600) + ":" + TwoDigits(s / 60 % 60) + ":" + TwoDigits(s % 60) + " ";
}

std::string LogDate(int64_t localSeconds) {
  int year = 0, month = 0, day = 0;
  CivilFromDays(FloorDiv(localSeconds, 86400), &year, &month, &day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return text;
}

std::string HostFileName(std::string_view utf8Host) {
  constexpr size_t kMaxBytes = 64;
  std::string name;
  for (const char c : utf8Host) {
    const auto u = static_cast<unsigned char>(c);
    name += (u < 0x20 || u == 0x7F || std::strchr("\\/:*?\"<>|", c) != nullptr) ? '_' : c;
  }
  if (name.size() > kMaxBytes) {
    size_t cut = kMaxBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  for (size_t i = name.size(); i > 0 && (name[i - 1] == '.' || name[i - 1] == ' '); --i) name[i - 1] = '_';
  if (name.empty()) return "_";
  if (IsReservedDeviceName(name)) name.insert(0, "_");
  return name;
}

std::string LogFileRelativePath(std::string_view utf8Host, int32_t port, int64_t localSeconds, char separator) {
  return std::string("logs") + separator + HostFileName(utf8Host) + "_" + std::to_string(port) + separator +
         LogDate(localSeconds) + ".log";
}

std::string LogFileLine(int64_t localSeconds, std::string_view text) {
  std::string line = LogDate(localSeconds) + " " + LogTimePrefix(localSeconds);
  line.reserve(line.size() + text.size() + 1);
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    line += (u < 0x20 || u == 0x7F) ? ' ' : c;
  }
  line += '\n';
  return line;
}

LogFileAppender::LogFileAppender(std::string settingsFolder, std::string utf8Host, int32_t port)
    : folder_(std::move(settingsFolder)), host_(std::move(utf8Host)), port_(port) {}

LogFileAppender::~LogFileAppender() {
  if (file_) std::fclose(file_);
}

std::string LogFileAppender::Append(int64_t localSeconds, std::string_view text) {
  std::string path = folder_;
  if (!path.empty() && path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
  path += LogFileRelativePath(host_, port_, localSeconds, platform::kPathSeparator);
  if (path != path_ || file_ == nullptr) {
    // A new day, or a file that could not be opened before: try (again).
    if (file_) std::fclose(file_);
    file_ = nullptr;
    path_ = std::move(path);
    const size_t folderEnd = path_.rfind(platform::kPathSeparator);
    if (folderEnd != std::string::npos) platform::MakeFolders(std::string_view(path_).substr(0, folderEnd));
    file_ = platform::OpenForAppend(path_);
  }
  const std::string line = LogFileLine(localSeconds, text);
  const bool written =
      file_ != nullptr && std::fwrite(line.data(), 1, line.size(), file_) == line.size() && std::fflush(file_) == 0;
  if (!written && file_ != nullptr) {
    // Reopened at the next line: a full disk may have room again by then.
    std::fclose(file_);
    file_ = nullptr;
  }
  if (written || reported_) return {};
  reported_ = true;
  return "Could not write the log file " + path_ + "; the log goes on without it.";
}
