// When the player list is asked for again by itself, stepped through time.
#include "net/auto_refresh.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Runs the clock from `from` to `to` in 10 ms steps, feeding the joins at
// their times and sending whenever the object says so. Returns the times of
// the requests.
std::vector<uint32_t> Drive(AutoRefresh& r, uint32_t from, uint32_t to, const std::vector<uint32_t>& joins) {
  std::vector<uint32_t> sent;
  size_t next = 0;
  for (uint32_t t = from; t != to; t += 10) {
    while (next < joins.size() && joins[next] == t) {
      r.OnJoinOrLeave(t);
      ++next;
    }
    if (r.Due(t)) {
      sent.push_back(t - from);
      r.OnRequested(t);
    }
  }
  return sent;
}

TEST(AutoRefresh, JoinsAndLeaves) {
  const struct {
    const char* what;
    std::vector<uint32_t> joins;  // ms after the login's own request
    std::vector<uint32_t> requests;
  } cases[] = {
      {"nothing happens, nothing is asked", {}, {}},
      {"one join: 2 s later, but not within 5 s of the login", {1000}, {5000}},
      {"a late join: 2 s after it", {8000}, {10000}},
      {"a burst of 30 joins gives one request",
       {6000, 6100, 6200, 6300, 6400, 6500, 6600, 6700, 6800, 6900, 7000, 7100, 7200, 7300, 7400,
        7500, 7600, 7700, 7800, 7900, 8000, 8100, 8200, 8300, 8400, 8500, 8600, 8700, 8800, 8900},
       {10900}},
      {"joins every second never settle: 10 s after the first, then 5 s on",
       {6000, 7000, 8000, 9000, 10000, 11000, 12000, 13000, 14000, 15000, 16000, 17000, 18000},
       {16000, 21000}},
      {"two bursts: the second waits 5 s after the first request", {6000, 8500}, {8000, 13000}},
  };
  for (const auto& c : cases) {
    AutoRefresh r;
    r.Start(0);
    EXPECT_EQ(Drive(r, 0, 40000, c.joins), c.requests) << c.what;
  }
}

TEST(AutoRefresh, ModesAndTheUsersOwnRefresh) {
  AutoRefresh timer;
  timer.SetMode(AutoRefreshMode::Every30Seconds, 0);
  EXPECT_EQ(Drive(timer, 0, 70000, {1000, 2000}), (std::vector<uint32_t>{30000, 60000})) << "joins change nothing";

  AutoRefresh off;
  off.SetMode(AutoRefreshMode::Off, 0);
  EXPECT_EQ(Drive(off, 0, 70000, {1000}), std::vector<uint32_t>{});
  EXPECT_EQ(off.MsUntilDue(5000), AutoRefresh::kNever);

  // F5 after the join answers it: nothing more is owed.
  AutoRefresh r;
  r.Start(0);
  r.OnJoinOrLeave(6000);
  EXPECT_EQ(r.MsUntilDue(6000), 2000u);
  r.OnRequested(6500);
  EXPECT_EQ(r.MsUntilDue(9000), AutoRefresh::kNever);
  r.OnJoinOrLeave(7000);
  EXPECT_EQ(r.MsUntilDue(7000), 4500u) << "5 s after the user's own request";
}

TEST(AutoRefresh, TheClockWrappingRoundChangesNothing) {
  AutoRefresh r;
  const uint32_t start = 0xFFFFFFFFu - 3000;
  r.Start(start);
  EXPECT_EQ(Drive(r, start, start + 40000, {start + 6000}), (std::vector<uint32_t>{8000}));
  // A login weeks ago is not mistaken for one in the future.
  r.Start(0);
  r.OnJoinOrLeave(0x90000000u);
  EXPECT_EQ(r.MsUntilDue(0x90000000u), 2000u);
}

}  // namespace
