#pragma once
// Results by which the stand-in libraries' exports are recognised: a status no kernel ever returns.

namespace lumicar::testing {

constexpr int kImageMark = 8000;
constexpr int kColorMark = 7000;
constexpr int kSignalMark = 9000;
constexpr int kCoreCpuType = 0x42;

}  // namespace lumicar::testing
