#pragma once
// String value pins: source (which can also send a text character by character),
// sink and state pin.

#include "pins/typed/value_pin_templates.h"

namespace lumicar {

class TOWStringSourcePin : public TOWValueSourcePinT<TOWStringSourcePin, TOWStringTraits> {
  Q_OBJECT
 public:
  using TOWValueSourcePinT::TOWValueSourcePinT;
  ~TOWStringSourcePin() override { BeforeDestruction(); }
  // One operation per character of text, in order, each carrying that
  // character as a string, which becomes the current value as it is sent. A
  // character outside the basic plane travels whole (both halves of its
  // surrogate pair in one string).
  void Send(const QString& text);
};

class TOWStringSinkPin : public TOWValueSinkPinT<TOWStringSinkPin, TOWStringTraits> {
  Q_OBJECT
 public:
  using TOWValueSinkPinT::TOWValueSinkPinT;
  ~TOWStringSinkPin() override { BeforeDestruction(); }
};

class TOWStringStatePin : public TOWValueStatePinT<TOWStringStatePin, TOWStringTraits> {
  Q_OBJECT
 public:
  using TOWValueStatePinT::TOWValueStatePinT;
  ~TOWStringStatePin() override { BeforeDestruction(); }
};

}  // namespace lumicar
