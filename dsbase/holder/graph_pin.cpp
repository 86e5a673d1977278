#include "dsbase/holder/graph_pin.h"

#include "pins/pin.h"
#include "pins/stream_registry.h"

namespace lumicar {

void OWRegisterGraphStream() {
  static const bool registered = [] {
    OWRegisterStream(IID_IOWMLGraphStream, QStringLiteral("ML Graph stream"));
    OWRegisterDefaultHandler(IID_IOWMLGraphStream, OWStandardDefaultHandler);
    return true;
  }();
  (void)registered;
}

TOWMLGraphSourcePin::TOWMLGraphSourcePin(TComponent* owner, IOWLock* ownerLock) : TOWSourcePin(owner, ownerLock) {
  OWRegisterGraphStream();
  AddType(IID_IOWMLGraphStream);
}

TOWMLGraphSourcePin::~TOWMLGraphSourcePin() { BeforeDestruction(); }

}  // namespace lumicar
