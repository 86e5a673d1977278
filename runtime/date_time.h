#pragma once
// Date-time values as published properties: a double counting days since
// 30 December 1899 (fraction = time of day), kept as distinct types so that property
// code can tell them from plain floating-point numbers.

#include <QMetaType>

namespace lumicar {

struct TDateTime {
  double Value = 0;
  friend bool operator==(const TDateTime&, const TDateTime&) = default;
};

struct TDate {
  double Value = 0;
  friend bool operator==(const TDate&, const TDate&) = default;
};

struct TTime {
  double Value = 0;
  friend bool operator==(const TTime&, const TTime&) = default;
};

}  // namespace lumicar

Q_DECLARE_METATYPE(lumicar::TDateTime)
Q_DECLARE_METATYPE(lumicar::TDate)
Q_DECLARE_METATYPE(lumicar::TTime)
