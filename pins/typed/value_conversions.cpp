#include "pins/typed/value_conversions.h"

#include <cmath>
#include <limits>

namespace lumicar {

float OWNarrowToSingle(double v) {
  if (std::isnan(v)) return std::numeric_limits<float>::quiet_NaN();
  // Values just above the largest single still round to it; further out the
  // conversion overflows to infinity. Decided here explicitly because a
  // double outside the single range has no defined conversion in C++.
  constexpr double kLimit = 3.4028235677973366e38;  // largest single + half an ulp
  if (v >= kLimit) return std::numeric_limits<float>::infinity();
  if (v <= -kLimit) return -std::numeric_limits<float>::infinity();
  if (v > std::numeric_limits<float>::max()) return std::numeric_limits<float>::max();
  if (v < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::max();
  return static_cast<float>(v);
}

int32_t OWRoundToInt32(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::round(v);
  if (r >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (r <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

int64_t OWRoundToInt64(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::round(v);
  // 2^63 is the first double past the int64 range.
  if (r >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
  if (r <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(r);
}

double OWTicksToDateTime(int64_t ticks) { return static_cast<double>(ticks) / kOWTicksPerDay; }

int64_t OWDateTimeToTicks(double dateTime) { return OWRoundToInt64(dateTime * kOWTicksPerDay); }

QString OWRealToText(double v) { return QString::number(v, 'g', 15); }

}  // namespace lumicar
