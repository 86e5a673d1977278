#pragma once
// Complex value pins (two doubles): source, sink and state pin.

#include "pins/typed/value_pin_templates.h"

namespace lumicar {

class TOWComplexSourcePin : public TOWValueSourcePinT<TOWComplexSourcePin, TOWComplexTraits> {
  Q_OBJECT
 public:
  using TOWValueSourcePinT::TOWValueSourcePinT;
  ~TOWComplexSourcePin() override { BeforeDestruction(); }
  // Stores and sends always.
  void SubmitComplex(const std::complex<double>& value) { Submit(value); }
};

class TOWComplexSinkPin : public TOWValueSinkPinT<TOWComplexSinkPin, TOWComplexTraits> {
  Q_OBJECT
 public:
  using TOWValueSinkPinT::TOWValueSinkPinT;
  ~TOWComplexSinkPin() override { BeforeDestruction(); }
};

class TOWComplexStatePin : public TOWValueStatePinT<TOWComplexStatePin, TOWComplexTraits> {
  Q_OBJECT
 public:
  using TOWValueStatePinT::TOWValueStatePinT;
  ~TOWComplexStatePin() override { BeforeDestruction(); }
};

}  // namespace lumicar
