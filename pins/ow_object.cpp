#include "pins/ow_object.h"

#include "runtime/sync/simple_lock_sections.h"

namespace lumicar {

TOWObject::TOWObject(QObject* parent) : TPersistent(parent), lock_(MakeIntf<TOWLock>(TLockRank::kFrameworkObject)) {}

TOWObject::~TOWObject() = default;

TIntf<IOWLockSection> TOWObject::ReadLock() { return MakeIntf<TOWSimpleReadLockSection>(lock_->Instance()); }

TIntf<IOWLockSection> TOWObject::WriteLock() { return MakeIntf<TOWSimpleWriteLockSection>(lock_->Instance()); }

TIntf<IOWLockSection> TOWObject::UnlockAll() { return lock_->UnlockAll(); }

TOWPinObject::TOWPinObject(QObject* parent) : TOWObject(parent) {}

void TOWPinObject::PinDeletedNotify(TOWBasicPin*) {}
void TOWPinObject::PinReplacedNotify(TOWBasicPin*, TOWBasicPin*) {}
void TOWPinObject::SetNotifyAfterByName(TOWBasicPin*, const QString&) {}
QString TOWPinObject::GetAfterPinDisplayName(TOWBasicPin*) { return QString(); }

}  // namespace lumicar
