#pragma once
// Millisecond time-outs shared by the waiting primitives: a wait given
// kWaitForever never times out.

#include <chrono>
#include <cstdint>

namespace lumicar {

inline constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

// The steady-clock deadline of a wait of `timeoutMs` starting now; only
// meaningful when timeoutMs is not kWaitForever.
inline std::chrono::steady_clock::time_point WaitDeadline(uint32_t timeoutMs) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
}

}  // namespace lumicar
