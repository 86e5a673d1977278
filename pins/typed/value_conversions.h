#pragma once
// Conversions between the value types that standard pins and converters
// carry. Every conversion is defined for every input: out-of-range values
// saturate and NaN maps to zero for integers, so that no conversion is
// undefined behaviour.

#include <QString>
#include <cstdint>

namespace lumicar {

// The single nearest to v; beyond the single range the result is the
// infinity of v's sign (what the hardware conversion gives), NaN stays NaN.
float OWNarrowToSingle(double v);
// Rounded to nearest (halves away from zero), saturated; NaN gives 0.
int32_t OWRoundToInt32(double v);
int64_t OWRoundToInt64(double v);

// The time-ranged pins count time in 100-ns units; date-times are days.
inline constexpr double kOWTicksPerDay = 864000000000.0;
double OWTicksToDateTime(int64_t ticks);
int64_t OWDateTimeToTicks(double dateTime);

// A double as text, with the 15 significant digits a double holds exactly.
QString OWRealToText(double v);

}  // namespace lumicar
