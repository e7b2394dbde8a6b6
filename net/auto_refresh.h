// When the client asks for the player list again by itself. A pure object
// driven by the millisecond clock the caller passes in, so the event loop can
// sleep until NextDueMs() and tests can step time.
//
// After joins and leaves the list is asked for once things have been quiet
// for kSettleMs, and never sooner than kMinIntervalMs after the previous
// request, so a burst of joins (a server restart, a mission start) costs one
// request. A stream of joins that never settles would put the request off for
// ever; kMaxDelayMs after the first unserved join it goes out anyway.
#pragma once

#include <cstdint>

enum class AutoRefreshMode : uint8_t {
  OnJoinsAndLeaves = 0,  // the default
  Every30Seconds = 1,
  Off = 2,
};

class AutoRefresh {
 public:
  static constexpr uint32_t kSettleMs = 2000;
  static constexpr uint32_t kMinIntervalMs = 5000;
  static constexpr uint32_t kMaxDelayMs = 10000;
  static constexpr uint32_t kPeriodMs = 30000;

  AutoRefreshMode mode() const { return mode_; }
  void SetMode(AutoRefreshMode mode, uint32_t nowMs);

  // A new session: nothing owed, and the login's own request counts as sent.
  void Start(uint32_t nowMs);

  // A player joined, left or was kicked.
  void OnJoinOrLeave(uint32_t nowMs);

  // The list was asked for, by this object's say-so or by the user (F5):
  // either way the next automatic request counts from here.
  void OnRequested(uint32_t nowMs);

  // True when a request should go out now. The caller sends it and calls
  // OnRequested.
  bool Due(uint32_t nowMs) const;

  // Milliseconds from `nowMs` until Due() turns true (0 when it is), or
  // kNever when nothing is owed.
  static constexpr uint32_t kNever = UINT32_MAX;
  uint32_t MsUntilDue(uint32_t nowMs) const;

 private:
  AutoRefreshMode mode_ = AutoRefreshMode::OnJoinsAndLeaves;
  bool owed_ = false;           // joins or leaves not yet followed by a request
  uint32_t firstOwedMs_ = 0;
  uint32_t lastEventMs_ = 0;
  uint32_t lastRequestMs_ = 0;
};
