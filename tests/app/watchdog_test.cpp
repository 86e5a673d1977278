// The storm tests' watchdog: when the count stands still for the timeout it
// is a hang, and then every thread of the process (a thread stuck on a latch
// among them) shows its stack before the process aborts.

#include "testing/watchdog.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <latch>
#include <thread>

namespace lumicar::testtools {
namespace {

using namespace std::chrono_literals;
using TClock = TStallDetector::TClock;

TEST(WatchdogTest, OnlyACountStandingStillForTheWholeTimeoutIsAStall) {
  TStallDetector detector(30s);
  const TClock::time_point t0{};
  EXPECT_FALSE(detector.Stalled(0, t0));
  EXPECT_FALSE(detector.Stalled(0, t0 + 29s));
  // Progress just in time starts the timeout over.
  EXPECT_FALSE(detector.Stalled(1, t0 + 29s));
  EXPECT_FALSE(detector.Stalled(1, t0 + 58s));
  EXPECT_TRUE(detector.Stalled(1, t0 + 59s));
  EXPECT_TRUE(detector.Stalled(1, t0 + 100s));
  // Any change counts, not only a rise (the count may wrap).
  EXPECT_FALSE(detector.Stalled(0, t0 + 101s));
}

// Named so that the printed stack shows where the thread waits.
[[gnu::noinline]] void BlockOnLatchForever(std::latch& never) {
  pthread_setname_np(pthread_self(), "stuck-on-latch");
  never.wait();
}

[[noreturn]] void HangWithAThreadStuckOnALatch() {
  std::latch never(1);
  std::thread stuck([&never] { BlockOnLatchForever(never); });
  TWatchdog watchdog(100ms);
  watchdog.SetStage("waiting for the stuck thread");
  // Never returns: the watchdog ends the process.
  stuck.join();
  std::abort();
}

TEST(WatchdogDeathTest, AHangPrintsEveryThreadsStackAndAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // The sanitizer runtime names the functions in each stack.
  const char* expected =
      "no progress for 100 ms during \"waiting for the stuck thread\".*"
      "---- thread [0-9]+ \\(stuck-on-latch\\)\n.*BlockOnLatchForever.*watchdog: aborting";
#else
  const char* expected =
      "no progress for 100 ms during \"waiting for the stuck thread\".*"
      "---- thread [0-9]+ \\(stuck-on-latch\\)\n.*watchdog: aborting";
#endif
  EXPECT_DEATH(HangWithAThreadStuckOnALatch(), expected);
}

}  // namespace
}  // namespace lumicar::testtools
