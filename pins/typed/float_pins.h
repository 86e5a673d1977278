#pragma once
// Single-precision value pins: source, sink and state pin.

#include "pins/typed/value_pin_templates.h"

namespace lumicar {

class TOWFloatSourcePin : public TOWValueSourcePinT<TOWFloatSourcePin, TOWFloatTraits> {
  Q_OBJECT
 public:
  using TOWValueSourcePinT::TOWValueSourcePinT;
  ~TOWFloatSourcePin() override { BeforeDestruction(); }
};

class TOWFloatSinkPin : public TOWValueSinkPinT<TOWFloatSinkPin, TOWFloatTraits> {
  Q_OBJECT
 public:
  using TOWValueSinkPinT::TOWValueSinkPinT;
  ~TOWFloatSinkPin() override { BeforeDestruction(); }
};

class TOWFloatStatePin : public TOWValueStatePinT<TOWFloatStatePin, TOWFloatTraits> {
  Q_OBJECT
 public:
  using TOWValueStatePinT::TOWValueStatePinT;
  ~TOWFloatStatePin() override { BeforeDestruction(); }
};

}  // namespace lumicar
