#pragma once
// 32-bit integer value pins: source, sink and state pin.

#include "pins/typed/value_pin_templates.h"

namespace lumicar {

class TOWIntegerSourcePin : public TOWValueSourcePinT<TOWIntegerSourcePin, TOWIntegerTraits> {
  Q_OBJECT
 public:
  using TOWValueSourcePinT::TOWValueSourcePinT;
  ~TOWIntegerSourcePin() override { BeforeDestruction(); }
};

class TOWIntegerSinkPin : public TOWValueSinkPinT<TOWIntegerSinkPin, TOWIntegerTraits> {
  Q_OBJECT
 public:
  using TOWValueSinkPinT::TOWValueSinkPinT;
  ~TOWIntegerSinkPin() override { BeforeDestruction(); }
};

class TOWIntegerStatePin : public TOWValueStatePinT<TOWIntegerStatePin, TOWIntegerTraits> {
  Q_OBJECT
 public:
  using TOWValueStatePinT::TOWValueStatePinT;
  ~TOWIntegerStatePin() override { BeforeDestruction(); }
};

}  // namespace lumicar
