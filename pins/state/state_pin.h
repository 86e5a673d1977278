#pragma once
// TOWStatePin: a pin that links only by state: joined with other pins in a
// state group, what one member sends reaches all others. Outside a group its
// deliveries reach nobody.

#include "pins/pin.h"

namespace lumicar {

class TOWStatePin : public TOWPin {
  Q_OBJECT
 public:
  explicit TOWStatePin(TComponent* owner, IOWLock* ownerLock = nullptr);
  ~TOWStatePin() override;

  TOWPinType GetPinType() const override { return ptState; }
  // A type must exist between the two: from a source to this pin, otherwise
  // from this pin to other.
  bool CanConnectToInt(TOWBasicPin* other, bool allowConverters) override;
  bool IsCompatible(TOWBasicPin* other) override;
  // Every link of a state pin is a state link: ConnectByStateAfter.
  bool ConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin) override;
  // With an after pin, the group decides (false without a group).
  bool CanConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin, bool allowConverters = true) override;
  bool IsConnected() override;
  bool IsConnectedTo(TOWBasicPin* other) override;
  bool IsConnectedToAfter(TOWBasicPin* other, TOWBasicPin* afterPin) override;
  // The type used towards other when both are in one group.
  TGUID GetConnectionID(TOWBasicPin* other) override;
  // A state pin depends on exactly the pins of its group.
  bool DirectDependsOn(TOWBasicPin* other) override;
  bool DependsOnInt(TOWBasicPin* other, TOWPinVisit& visited) override;
  // In a group: the group decides who introduces its state to this pin.
  void UpdateStateValue() override;
};

}  // namespace lumicar
