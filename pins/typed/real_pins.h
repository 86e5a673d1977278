#pragma once
// Double-precision value pins: source, sink and state pin. The source narrows its
// values to singles for receivers that take only singles; the sink widens singles.

#include "pins/typed/value_pin_templates.h"

namespace lumicar {

class TOWRealSourcePin : public TOWValueSourcePinT<TOWRealSourcePin, TOWRealTraits> {
  Q_OBJECT
 public:
  using TOWValueSourcePinT::TOWValueSourcePinT;
  ~TOWRealSourcePin() override { BeforeDestruction(); }
  // Stores and sends always.
  void SubmitReal(double value) { Submit(value); }
};

class TOWRealSinkPin : public TOWValueSinkPinT<TOWRealSinkPin, TOWRealTraits> {
  Q_OBJECT
 public:
  using TOWValueSinkPinT::TOWValueSinkPinT;
  ~TOWRealSinkPin() override { BeforeDestruction(); }
};

class TOWRealStatePin : public TOWValueStatePinT<TOWRealStatePin, TOWRealTraits> {
  Q_OBJECT
 public:
  using TOWValueStatePinT::TOWValueStatePinT;
  ~TOWRealStatePin() override { BeforeDestruction(); }
};

}  // namespace lumicar
