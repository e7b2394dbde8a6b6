// The lines the log keeps: the last kCapacity of them, each with the category
// the filter buttons (All, Chat, Players, Admin) go by. A filter only picks
// which kept lines are shown; it never drops any.
#pragma once

#include "net/server_events.h"

#include <cstddef>
#include <string>
#include <vector>

struct LogEntry {
  std::string text;  // as shown, with its time prefix
  LogCategory category = LogCategory::Other;
};

class LogStore {
 public:
  static constexpr size_t kCapacity = 5000;
  explicit LogStore(size_t capacity = kCapacity);

  // Keeps the line. When the store was full the oldest line goes to make
  // room: then returns true with that line's category in *dropped, so that a
  // view showing it can remove its first row.
  bool Add(std::string text, LogCategory category, LogCategory* dropped = nullptr);

  size_t size() const { return count_; }
  // 0 is the oldest line kept.
  const LogEntry& at(size_t index) const { return lines_[(first_ + index) % lines_.size()]; }
  size_t CountShown(LogFilter filter) const;
  void Clear();

 private:
  std::vector<LogEntry> lines_;  // a ring of `capacity` entries, allocated once
  size_t first_ = 0;
  size_t count_ = 0;
};
