#include "pins/state_pin.h"

namespace lumicar {

TOWStatePin::TOWStatePin(TComponent* owner, IOWLock* ownerLock) : TOWPin(owner, ownerLock) {}

TOWStatePin::~TOWStatePin() { BeforeDestruction(); }

bool TOWStatePin::CanConnectToInt(TOWBasicPin* other, bool) {
  if (!DesignModesMatch(other)) return false;
  return !FindConnectionID(other).IsNull() && !other->FindConnectionID(this).IsNull();
}

bool TOWStatePin::ConnectAfter(TOWBasicPin*, TOWBasicPin*) { return false; }

}  // namespace lumicar
