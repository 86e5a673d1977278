#pragma once
// The process-wide list of every pin, guarded by the framework's one
// critical section (which also guards the placeholder and dispatcher lists),
// and the search for a component's main owner (its window).

#include <vector>

#include "runtime/sync/critical_section.h"

namespace lumicar {

class TOWBasicPin;
class TComponent;

// The framework's process-wide critical section. It is recursive. Code that
// holds it may take pin locks; code that holds a pin lock must not take it.
TOWCriticalSection& OWGlobalSection();

// Pins add themselves on construction and remove themselves on destruction.
void OWRegisterPin(TOWBasicPin* pin);
void OWUnregisterPin(TOWBasicPin* pin);

// Still in the all-pins list (not freed and not dying).
bool OWIsPinRegistered(const TOWBasicPin* pin);
// A copy of the list, taken under the section.
std::vector<TOWBasicPin*> OWGetPinsSnapshot();

int OWGetPinCount();
// None for an index out of range.
TOWBasicPin* OWGetPin(int index);

// Walks up the owner chain and returns the first component that has no
// owner, whose owner is the application object, or that is itself a form,
// a frame or a data module.
TComponent* OWGetMainOwnerComponent(TComponent* component);

}  // namespace lumicar
