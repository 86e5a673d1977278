#pragma once
// TOWStatePin: a pin that links only by state: joined with other pins in a
// state group, what one member sends reaches all others. Outside a group
// (the only case so far) its deliveries reach nobody.

#include "pins/pin.h"

namespace lumicar {

class TOWStatePin : public TOWPin {
  Q_OBJECT
 public:
  explicit TOWStatePin(TComponent* owner, IOWLock* ownerLock = nullptr);
  ~TOWStatePin() override;

  TOWPinType GetPinType() const override { return ptState; }
  // Both sides must find a type towards each other.
  bool CanConnectToInt(TOWBasicPin* other, bool allowConverters) override;
  // Stream links are not made by a state pin.
  bool ConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin) override;
};

}  // namespace lumicar
