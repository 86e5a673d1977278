#pragma once
// Time-ranged value pins: a 64-bit time in 100-ns units with its bounds,
// offered to receivers as 64-bit integers (plain or ranged) and as date-times
// (plain or ranged, in days).

#include "pins/typed/value_pin_templates.h"

namespace lumicar {

class TOWInt64TimeRangedSourcePin
    : public TOWRangedValueOps<TOWValueSourcePinT<TOWInt64TimeRangedSourcePin, TOWInt64TimeRangedTraits>> {
  Q_OBJECT
 public:
  using TOWRangedValueOps::TOWRangedValueOps;
  ~TOWInt64TimeRangedSourcePin() override { BeforeDestruction(); }
};

class TOWInt64TimeRangedStatePin
    : public TOWRangedValueOps<TOWValueStatePinT<TOWInt64TimeRangedStatePin, TOWInt64TimeRangedTraits>> {
  Q_OBJECT
 public:
  using TOWRangedValueOps::TOWRangedValueOps;
  ~TOWInt64TimeRangedStatePin() override { BeforeDestruction(); }
};

}  // namespace lumicar
