#pragma once
// The operation object that travels along links: everything that moves
// between components (a start, a frame, a value) is one of these. Receivers
// tell operations apart by their class (dynamic_cast on Instance()).

#include <atomic>
#include <cstdint>

#include "runtime/interface.h"

namespace lumicar {

class TOWNotifyOperation;

inline const TGUID IID_IOWNotifyOperation = TGUID::FromString("{AC2714E1-1E70-4C60-ABBB-EA27737CEE74}");

class IOWNotifyOperation : public virtual IUnknown {
 public:
  // The object behind the interface.
  virtual TOWNotifyOperation* Instance() = 0;
};

// Freed with its last reference: a sender creates one, passes it to Notify
// and drops its reference afterwards; a receiver that needs it later keeps one.
class TOWNotifyOperation : public TInterfacedObject, public IOWNotifyOperation {
 public:
  TOWNotifyOperation();

  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  TOWNotifyOperation* Instance() override { return this; }

  // Taken from a process-wide counter when the object is created; the first
  // operation of the process gets 1.
  uint32_t OperationID() const { return operationId_; }

  // Class test that accepts descendants: op->Is<TOWStopOperation>().
  template <typename T>
  bool Is() const {
    return dynamic_cast<const T*>(this) != nullptr;
  }

 protected:
  ~TOWNotifyOperation() override = default;

 private:
  const uint32_t operationId_;
};

// The class object behind an operation interface, or none.
inline TOWNotifyOperation* OWOperationInstance(IOWNotifyOperation* operation) {
  return operation ? operation->Instance() : nullptr;
}

// The operation as class T (descendants accepted), or none.
template <typename T>
T* OWOperationAs(IOWNotifyOperation* operation) {
  return dynamic_cast<T*>(OWOperationInstance(operation));
}

}  // namespace lumicar
