#include "runtime/sync/destroy_lock.h"

namespace lumicar {

HRESULT TOWDestroyLock::QueryInterface(const TGUID& iid, void** object) {
  if (object && iid == IID_IOWDestroyLock) {
    *object = static_cast<IOWDestroyLock*>(this);
    AddRef();
    return S_OK;
  }
  return TInterfacedObject::QueryInterface(iid, object);
}

TIntf<IOWDestroyLockSection> TOWDestroyLock::Lock() {
  // Claim first, then look: together with DestroyLock, which marks first and
  // then looks, either this claim sees the destroyer or the destroyer waits
  // for this claim.
  inUse_.fetch_add(1);
  if (destroying_.load() != 0) {
    EndInUse();
    return {};
  }
  try {
    return MakeIntf<TOWDestroyLockSection>(this);
  } catch (...) {
    EndInUse();
    throw;
  }
}

TIntf<IOWDestroyLockSection> TOWDestroyLock::DestroyLock() {
  destroying_.fetch_add(1);
  // Sleeps in the kernel while a delivery runs, however long it takes; the
  // last claim to end wakes it (EndInUse).
  for (int32_t running = inUse_.load(); running != 0; running = inUse_.load()) inUse_.wait(running);
  try {
    return MakeIntf<TOWDestroyLockLockSection>(this);
  } catch (...) {
    destroying_.fetch_sub(1);
    throw;
  }
}

TIntf<IOWDestroyLockSection> TOWDestroyLock::DestroyUnlockLock() {
  const int32_t taken = destroying_.exchange(0);
  try {
    return MakeIntf<TOWDestroyLockUnlockSection>(this, taken);
  } catch (...) {
    destroying_.fetch_add(taken);
    throw;
  }
}

HRESULT TOWDestroyLockSection::QueryInterface(const TGUID& iid, void** object) {
  if (object && iid == IID_IOWDestroyLockSection) {
    *object = static_cast<IOWDestroyLockSection*>(this);
    AddRef();
    return S_OK;
  }
  return TInterfacedObject::QueryInterface(iid, object);
}

void TOWDestroyLock::EndInUse() noexcept {
  if (inUse_.fetch_sub(1) == 1) inUse_.notify_all();
}

void TOWDestroyLockSection::DoEnd() noexcept { lock_->EndInUse(); }

void TOWDestroyLockLockSection::DoEnd() noexcept { lock_->destroying_.fetch_sub(1); }

void TOWDestroyLockUnlockSection::DoEnd() noexcept { lock_->destroying_.fetch_add(saved_); }

}  // namespace lumicar
