#pragma once
// 64-bit integer value pins: source, sink and state pin.

#include "pins/typed/value_pin_templates.h"

namespace lumicar {

class TOWInt64SourcePin : public TOWValueSourcePinT<TOWInt64SourcePin, TOWInt64Traits> {
  Q_OBJECT
 public:
  using TOWValueSourcePinT::TOWValueSourcePinT;
  ~TOWInt64SourcePin() override { BeforeDestruction(); }
};

class TOWInt64SinkPin : public TOWValueSinkPinT<TOWInt64SinkPin, TOWInt64Traits> {
  Q_OBJECT
 public:
  using TOWValueSinkPinT::TOWValueSinkPinT;
  ~TOWInt64SinkPin() override { BeforeDestruction(); }
};

class TOWInt64StatePin : public TOWValueStatePinT<TOWInt64StatePin, TOWInt64Traits> {
  Q_OBJECT
 public:
  using TOWValueStatePinT::TOWValueStatePinT;
  ~TOWInt64StatePin() override { BeforeDestruction(); }
};

}  // namespace lumicar
