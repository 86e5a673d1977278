#pragma once
// Date-time value pins (days as a double): source, sink and state pin.

#include "pins/typed/value_pin_templates.h"

namespace lumicar {

class TOWDateTimeSourcePin : public TOWValueSourcePinT<TOWDateTimeSourcePin, TOWDateTimeTraits> {
  Q_OBJECT
 public:
  using TOWValueSourcePinT::TOWValueSourcePinT;
  ~TOWDateTimeSourcePin() override { BeforeDestruction(); }
  // Stores and sends always.
  void SubmitDateTime(double value) { Submit(value); }
};

class TOWDateTimeSinkPin : public TOWValueSinkPinT<TOWDateTimeSinkPin, TOWDateTimeTraits> {
  Q_OBJECT
 public:
  using TOWValueSinkPinT::TOWValueSinkPinT;
  ~TOWDateTimeSinkPin() override { BeforeDestruction(); }
};

class TOWDateTimeStatePin : public TOWValueStatePinT<TOWDateTimeStatePin, TOWDateTimeTraits> {
  Q_OBJECT
 public:
  using TOWValueStatePinT::TOWValueStatePinT;
  ~TOWDateTimeStatePin() override { BeforeDestruction(); }
};

}  // namespace lumicar
