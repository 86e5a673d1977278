#pragma once
// A held lock section: the reference-counted handle through which a lock is
// held. Releasing the last reference ends the section; End() ends it earlier.
// Either way the section ends exactly once, also while an exception unwinds.

#include <atomic>

#include "runtime/interface.h"

namespace lumicar {

inline const TGUID IID_IOWLockSection = TGUID::FromString("{01621A5C-9936-4BEB-BF6F-5D6754E65786}");

// Reference counting only: holding a reference is holding the section.
class IOWLockSection : public virtual IUnknown {};

class TOWLockSection : public TInterfacedObject, public IOWLockSection {
 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override;

  // Ends the section now; the final release then does nothing more. Call it
  // on the thread that took the section.
  void End() noexcept {
    if (!ended_.exchange(true, std::memory_order_acq_rel)) DoEnd();
  }
  bool Ended() const { return ended_.load(std::memory_order_acquire); }

 protected:
  TOWLockSection() = default;
  // Every class of the family calls End() in its own destructor, so the
  // most derived DoEnd runs while the object is still whole.
  ~TOWLockSection() override = default;
  virtual void DoEnd() noexcept = 0;

 private:
  std::atomic<bool> ended_{false};
};

}  // namespace lumicar
