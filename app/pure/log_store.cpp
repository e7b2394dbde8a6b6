// The kept log lines; see log_store.h. A ring, so that the 5,001st line
// costs no more than the first: the oldest entry's string is reused.
#include "app/pure/log_store.h"

LogStore::LogStore(size_t capacity) : lines_(capacity == 0 ? 1 : capacity) {}

bool LogStore::Add(std::string text, LogCategory category, LogCategory* dropped) {
  const bool full = count_ == lines_.size();
  LogEntry& slot = lines_[(first_ + count_) % lines_.size()];
  if (full) {
    if (dropped) *dropped = slot.category;
    first_ = (first_ + 1) % lines_.size();
  } else {
    ++count_;
  }
  slot.text = std::move(text);
  slot.category = category;
  return full;
}

size_t LogStore::CountShown(LogFilter filter) const {
  size_t n = 0;
  for (size_t i = 0; i < count_; ++i) n += ShownUnder(filter, at(i).category) ? 1 : 0;
  return n;
}

void LogStore::Clear() {
  for (LogEntry& entry : lines_) entry = LogEntry{};
  first_ = 0;
  count_ = 0;
}
