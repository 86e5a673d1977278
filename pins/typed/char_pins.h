#pragma once
// Character value pins: source (which can also send a text character by character),
// sink and state pin.

#include "pins/typed/value_pin_templates.h"

namespace lumicar {

class TOWCharSourcePin : public TOWValueSourcePinT<TOWCharSourcePin, TOWCharTraits> {
  Q_OBJECT
 public:
  using TOWValueSourcePinT::TOWValueSourcePinT;
  ~TOWCharSourcePin() override { BeforeDestruction(); }
  // One operation per character of text, in order; each character becomes
  // the current value as it is sent.
  void Send(const QString& text);
};

class TOWCharSinkPin : public TOWValueSinkPinT<TOWCharSinkPin, TOWCharTraits> {
  Q_OBJECT
 public:
  using TOWValueSinkPinT::TOWValueSinkPinT;
  ~TOWCharSinkPin() override { BeforeDestruction(); }
};

class TOWCharStatePin : public TOWValueStatePinT<TOWCharStatePin, TOWCharTraits> {
  Q_OBJECT
 public:
  using TOWValueStatePinT::TOWValueStatePinT;
  ~TOWCharStatePin() override { BeforeDestruction(); }
};

}  // namespace lumicar
