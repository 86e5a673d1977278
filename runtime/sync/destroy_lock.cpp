#include "runtime/sync/destroy_lock.h"

#include <thread>

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
    inUse_.fetch_sub(1);
    return {};
  }
  try {
    return MakeIntf<TOWDestroyLockSection>(this);
  } catch (...) {
    inUse_.fetch_sub(1);
    throw;
  }
}

TIntf<IOWDestroyLockSection> TOWDestroyLock::DestroyLock() {
  destroying_.fetch_add(1);
  while (inUse_.load() != 0) std::this_thread::yield();
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

void TOWDestroyLockSection::DoEnd() noexcept { lock_->inUse_.fetch_sub(1); }

void TOWDestroyLockLockSection::DoEnd() noexcept { lock_->destroying_.fetch_sub(1); }

void TOWDestroyLockUnlockSection::DoEnd() noexcept { lock_->destroying_.fetch_add(saved_); }

}  // namespace lumicar
