#pragma once
// Helpers of the concurrency tests: run a body on another thread and tell
// whether it finished within the hang guard (a deadlock fails the test
// instead of hanging it forever where possible).

#include <chrono>
#include <future>
#include <thread>

#include "testing/hang_guard.h"

namespace lumicar::testing {

using namespace std::chrono_literals;

inline constexpr auto kGenerous = testtools::kHangGuard;

template <typename F>
std::future<void> RunAsync(F&& f) {
  return std::async(std::launch::async, std::forward<F>(f));
}

inline bool Finishes(std::future<void>& f, std::chrono::milliseconds within = kGenerous) {
  return f.wait_for(within) == std::future_status::ready;
}

// Polls `pred` until it holds or the bound passes.
template <typename Pred>
bool Eventually(Pred pred, std::chrono::milliseconds within = kGenerous) {
  const auto end = std::chrono::steady_clock::now() + within;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

}  // namespace lumicar::testing
