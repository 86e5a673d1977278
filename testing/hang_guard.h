#pragma once
// How long a test waits for what it expects before it calls the wait a hang.
// What it waits for takes milliseconds, or a few frames at a camera's pace;
// the bound only turns a hang into a failure, so it is set for a slow machine
// that other work loads (a tenth of the processor for minutes, sanitizers
// slowing every step), never for a quick one. Every wait in the tests and
// every thread a test holds back takes this one bound.

#include <chrono>

namespace lumicar::testtools {

inline constexpr std::chrono::milliseconds kHangGuard{60000};

}  // namespace lumicar::testtools
