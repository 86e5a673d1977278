#pragma once
// Single-precision value pins that also serve integer receivers (the value rounded):
// source, sink (takes integers and singles) and state pin.

#include "pins/typed/value_pin_templates.h"

namespace lumicar {

class TOWFloatIntSourcePin : public TOWValueSourcePinT<TOWFloatIntSourcePin, TOWFloatIntTraits> {
  Q_OBJECT
 public:
  using TOWValueSourcePinT::TOWValueSourcePinT;
  ~TOWFloatIntSourcePin() override { BeforeDestruction(); }
};

class TOWFloatIntSinkPin : public TOWValueSinkPinT<TOWFloatIntSinkPin, TOWFloatIntTraits> {
  Q_OBJECT
 public:
  using TOWValueSinkPinT::TOWValueSinkPinT;
  ~TOWFloatIntSinkPin() override { BeforeDestruction(); }
};

class TOWFloatIntStatePin : public TOWValueStatePinT<TOWFloatIntStatePin, TOWFloatIntTraits> {
  Q_OBJECT
 public:
  using TOWValueStatePinT::TOWValueStatePinT;
  ~TOWFloatIntStatePin() override { BeforeDestruction(); }
};

}  // namespace lumicar
