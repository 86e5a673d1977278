#pragma once
// Boolean value pins: a source, a sink and a state pin carrying one true/false value
// (filters' and the capture component's enable inputs are of this family).

#include "pins/typed/value_pin_templates.h"

namespace lumicar {

class TOWBoolSourcePin : public TOWValueSourcePinT<TOWBoolSourcePin, TOWBoolTraits> {
  Q_OBJECT
 public:
  using TOWValueSourcePinT::TOWValueSourcePinT;
  ~TOWBoolSourcePin() override { BeforeDestruction(); }
};

class TOWBoolSinkPin : public TOWValueSinkPinT<TOWBoolSinkPin, TOWBoolTraits> {
  Q_OBJECT
 public:
  using TOWValueSinkPinT::TOWValueSinkPinT;
  ~TOWBoolSinkPin() override { BeforeDestruction(); }
};

class TOWBoolStatePin : public TOWValueStatePinT<TOWBoolStatePin, TOWBoolTraits> {
  Q_OBJECT
 public:
  using TOWValueStatePinT::TOWValueStatePinT;
  ~TOWBoolStatePin() override { BeforeDestruction(); }
};

}  // namespace lumicar
