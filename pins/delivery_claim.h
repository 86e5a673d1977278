#pragma once
// A shared claim on a sending pin's destroy lock for the duration of one call
// into a receiver: while any claim is held the pin cannot finish dying. (The
// receiver is kept alive by a claim on the link, pins/link_lock.h; link
// changes no longer take the pin's destroy lock.) The calling thread's claims
// are recorded, so that the destruction of the sender started from inside
// such a call is detected instead of waiting for itself.

#include "runtime/interface.h"
#include "runtime/sync/destroy_lock.h"

namespace lumicar {

class TOWBasicPin;

class TOWDeliveryClaim {
 public:
  // Refused (false) while the pin is being destroyed or a link of it changes.
  explicit TOWDeliveryClaim(TOWBasicPin* pin);
  ~TOWDeliveryClaim() { Release(); }
  TOWDeliveryClaim(const TOWDeliveryClaim&) = delete;
  TOWDeliveryClaim& operator=(const TOWDeliveryClaim&) = delete;

  explicit operator bool() const { return section_ != nullptr; }
  void Release();

 private:
  TOWBasicPin* pin_;
  TIntf<IOWDestroyLockSection> section_;
};

// The calling thread holds a delivery claim on pin.
bool OWThreadIsDeliveringFrom(const TOWBasicPin* pin);

}  // namespace lumicar
