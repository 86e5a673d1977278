#pragma once
// The standard combo source: one double offered to whatever simple value a
// receiver takes (double, single, rounded integer, text or Boolean).

#include "pins/typed/value_pin_templates.h"

namespace lumicar {

class TOWStdComboSourcePin : public TOWValueSourcePinT<TOWStdComboSourcePin, TOWStdComboTraits> {
  Q_OBJECT
 public:
  using TOWValueSourcePinT::TOWValueSourcePinT;
  ~TOWStdComboSourcePin() override { BeforeDestruction(); }
};

}  // namespace lumicar
