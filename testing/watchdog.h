#pragma once
// A watchdog for long-running tests: the test reports progress; when none
// comes for the timeout, every thread's stack goes to stderr and the process
// aborts, so a deadlock fails the test with the evidence instead of hanging
// until ctest kills it without a word.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "testing/hang_guard.h"

namespace lumicar::testtools {

// Decides, from the progress count seen at each check and the time of the
// check, whether the count has stood still for the timeout.
class TStallDetector {
 public:
  using TClock = std::chrono::steady_clock;
  explicit TStallDetector(std::chrono::milliseconds timeout) : timeout_(timeout) {}
  // True once `count` has been the same for the whole timeout up to `now`.
  bool Stalled(uint64_t count, TClock::time_point now);

 private:
  std::chrono::milliseconds timeout_;
  bool seen_ = false;
  uint64_t count_ = 0;
  TClock::time_point since_{};
};

// Prints the stack of every thread of this process to stderr: each thread is
// interrupted with a real-time signal and prints its own (id, name, frames);
// a thread that does not answer within `answer` (its signals blocked, say)
// is named as such. Symbolised by the sanitizer runtime where there is one.
void PrintAllThreadStacks(std::chrono::milliseconds answer = std::chrono::seconds(1));

class TWatchdog {
 public:
  // Starts watching. The timeout is the longest a step of the test may take.
  explicit TWatchdog(std::chrono::milliseconds timeout = kHangGuard);
  ~TWatchdog();
  TWatchdog(const TWatchdog&) = delete;
  TWatchdog& operator=(const TWatchdog&) = delete;

  // The test moved on (any thread).
  void Progress() { progress_.fetch_add(1, std::memory_order_relaxed); }
  // What the test is doing now, named in the report when it hangs.
  void SetStage(std::string stage);

 private:
  void Run();
  [[noreturn]] void Expire();

  const std::chrono::milliseconds timeout_;
  std::atomic<uint64_t> progress_{0};
  std::mutex lock_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::string stage_;
  std::thread thread_;
};

}  // namespace lumicar::testtools
