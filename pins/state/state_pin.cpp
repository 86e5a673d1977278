#include "pins/state/state_pin.h"

namespace lumicar {

// The state operations of state pins live with the other state-group code
// (pin_state.cpp).

TOWStatePin::TOWStatePin(TComponent* owner, IOWLock* ownerLock) : TOWPin(owner, ownerLock) {}

TOWStatePin::~TOWStatePin() { BeforeDestruction(); }

}  // namespace lumicar
