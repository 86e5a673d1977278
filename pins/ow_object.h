#pragma once
// TOWObject: the base of every framework object (pins, pin lists, state
// dispatchers), with a lock of its own and an internal critical section.
// TOWPinObject adds the notices about pins that die or are replaced.

#include <QString>

#include "runtime/interface.h"
#include "runtime/persistent.h"
#include "runtime/sync/critical_section.h"
#include "runtime/sync/lock.h"
#include "runtime/sync/lock_section.h"

namespace lumicar {

class TOWBasicPin;

class TOWObject : public TPersistent {
  Q_OBJECT
 public:
  explicit TOWObject(QObject* parent = nullptr);
  ~TOWObject() override;

  // Sections on the object's own lock. They are always sections: in stop mode
  // (which nobody sets on a framework object) they would be let-throughs.
  virtual TIntf<IOWLockSection> ReadLock();
  virtual TIntf<IOWLockSection> WriteLock();
  virtual TIntf<IOWLockSection> UnlockAll();

  IOWLock* Lock() const { return lock_.get(); }

 protected:
  TIntf<IOWLock> lock_;
  TOWCriticalSection critSect_{TLockRank::kObjectInner};
};

class TOWPinObject : public TOWObject {
  Q_OBJECT
 public:
  explicit TOWPinObject(QObject* parent = nullptr);

  // Every framework object hears of every pin that dies, so that it can drop
  // its references to it.
  virtual void PinDeletedNotify(TOWBasicPin* pin);
  // A placeholder was replaced by the real pin.
  virtual void PinReplacedNotify(TOWBasicPin* oldPin, TOWBasicPin* newPin);
  // Makes the pin named `name` the after pin of `pin`'s link.
  virtual void SetNotifyAfterByName(TOWBasicPin* pin, const QString& name);
  // Display path of the after pin of `pin`'s link, empty without one.
  virtual QString GetAfterPinDisplayName(TOWBasicPin* pin);
};

}  // namespace lumicar
