// The log as it is kept on disk, one file per server and day under the
// settings folder: logs\<host>_<port>\<YYYY-MM-DD>.log, UTF-8, each line
// with its date and time. Lines are written as they come and flushed one by
// one, so a crash loses nothing written before it.
//
// Times are local calendar seconds (platform::LocalTimeSeconds): seconds
// since 1970 as if the local wall clock were UTC.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// "21:45:03 ", the prefix of every line the log shows.
std::string LogTimePrefix(int64_t localSeconds);

// "2026-12-08"
std::string LogDate(int64_t localSeconds);

// The host as part of a file name: what Windows forbids in one (\ / : * ? "
// < > |, control characters) becomes '_', as do the trailing dots and spaces
// Windows would silently drop; a reserved device name (CON, COM1, ...) gets a
// '_' in front; at most 64 bytes, cut at a character's boundary.
std::string HostFileName(std::string_view utf8Host);

// logs<sep><host>_<port><sep><YYYY-MM-DD>.log, relative to the settings folder.
std::string LogFileRelativePath(std::string_view utf8Host, int32_t port, int64_t localSeconds,
                                char separator);

// "2026-12-08 21:45:03 text\n". Line breaks and other control characters
// inside the text become spaces: one log line is one line of the file.
std::string LogFileLine(int64_t localSeconds, std::string_view text);

// Appends the session's lines to the day's file, opening the next day's
// when the date changes. A write that fails is reported once: Append
// returns the text for the log then, and an empty string ever after.
class LogFileAppender {
 public:
  LogFileAppender(std::string settingsFolder, std::string utf8Host, int32_t port);
  ~LogFileAppender();
  LogFileAppender(const LogFileAppender&) = delete;
  LogFileAppender& operator=(const LogFileAppender&) = delete;

  std::string Append(int64_t localSeconds, std::string_view text);

  // The file last written to (or tried); empty before the first line.
  const std::string& path() const { return path_; }

 private:
  std::string folder_;
  std::string host_;
  int32_t port_ = 0;
  std::string path_;
  std::FILE* file_ = nullptr;
  bool reported_ = false;
};
