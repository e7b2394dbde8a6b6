// The automatic refresh's timing; see auto_refresh.h. The clock wraps after
// 49.7 days, so times are only ever compared as differences.
#include "net/auto_refresh.h"

#include <algorithm>

namespace {

// Milliseconds from `now` to `deadline`; 0 when it has passed. Deadlines lie
// less than 2^31 ms ahead, so a difference with the top bit set has passed.
uint32_t Until(uint32_t deadline, uint32_t now) {
  const uint32_t d = deadline - now;
  return d > 0x7FFFFFFFu ? 0 : d;
}

}  // namespace

void AutoRefresh::SetMode(AutoRefreshMode mode, uint32_t nowMs) {
  mode_ = mode;
  owed_ = false;
  // A switch to the timer starts a full period rather than firing at once.
  lastRequestMs_ = nowMs;
}

void AutoRefresh::Start(uint32_t nowMs) {
  owed_ = false;
  lastRequestMs_ = nowMs;
}

void AutoRefresh::OnJoinOrLeave(uint32_t nowMs) {
  if (mode_ != AutoRefreshMode::OnJoinsAndLeaves) return;
  if (!owed_) firstOwedMs_ = nowMs;
  owed_ = true;
  // A request weeks old would look, past 2^31 ms, like one in the future.
  if (nowMs - lastRequestMs_ > kMinIntervalMs) lastRequestMs_ = nowMs - kMinIntervalMs;
  lastEventMs_ = nowMs;
}

void AutoRefresh::OnRequested(uint32_t nowMs) {
  // Joins seen before the request are in its answer.
  owed_ = false;
  lastRequestMs_ = nowMs;
}

uint32_t AutoRefresh::MsUntilDue(uint32_t nowMs) const {
  switch (mode_) {
    case AutoRefreshMode::Off:
      return kNever;
    case AutoRefreshMode::Every30Seconds:
      return Until(lastRequestMs_ + kPeriodMs, nowMs);
    case AutoRefreshMode::OnJoinsAndLeaves:
      break;
  }
  if (!owed_) return kNever;
  const uint32_t settled = std::min(Until(lastEventMs_ + kSettleMs, nowMs), Until(firstOwedMs_ + kMaxDelayMs, nowMs));
  return std::max(settled, Until(lastRequestMs_ + kMinIntervalMs, nowMs));
}

bool AutoRefresh::Due(uint32_t nowMs) const { return MsUntilDue(nowMs) == 0; }
