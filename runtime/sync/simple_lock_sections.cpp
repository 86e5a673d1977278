#include "runtime/sync/simple_lock_sections.h"

namespace lumicar {

namespace {

// Tries the lock with time-outs of 1, 2, ... 20 ms and then 20 ms each time,
// without a limit on the tries. Returns true when the lock was obtained and
// false when a stop let the request through. At the first failed 20 ms try
// the calling thread gives up its levels on `ownerLock` (kept in
// `unlockSection` until the section ends), so that a thread holding this
// lock and waiting for the owner can finish.
template <typename Begin>
bool ObtainOrLetThrough(TOWLock* lock, IOWLock* ownerLock, TIntf<IOWLockSection>& unlockSection, Begin begin) {
  uint32_t timeoutMs = 1;
  for (;;) {
    if (begin(timeoutMs)) return true;
    if (lock->LetThrough()) return false;
    if (timeoutMs < TOWLock::kMaxRetryMs) {
      ++timeoutMs;
    } else if (ownerLock && !unlockSection) {
      unlockSection = ownerLock->UnlockAll();
    }
  }
}

}  // namespace

TOWSimpleReadLockSection::TOWSimpleReadLockSection(TOWLock* lock, IOWLock* ownerLock) : lockIntf_(lock), lock_(lock) {
  locked_ = ObtainOrLetThrough(lock_, ownerLock, unlockSection_,
                               [this](uint32_t timeoutMs) { return lock_->BeginRead(timeoutMs); });
}

void TOWSimpleReadLockSection::DoEnd() noexcept {
  // Takes back the lock level or, for a section let through, the let-through.
  lock_->EndRead();
  unlockSection_.reset();
}

TOWSimpleWriteLockSection::TOWSimpleWriteLockSection(TOWLock* lock, IOWLock* ownerLock) : TOWSimpleLockSection(lock) {
  locked_ = ObtainOrLetThrough(lock_, ownerLock, unlockSection_,
                               [this](uint32_t timeoutMs) { return lock_->BeginWrite(timeoutMs); });
}

void TOWSimpleWriteLockSection::DoEnd() noexcept {
  lock_->EndWrite();
  unlockSection_.reset();
}

TOWSimpleStopLockSection::TOWSimpleStopLockSection(TOWLock* lock) : TOWSimpleLockSection(lock) { lock_->BeginStop(); }

void TOWSimpleStopLockSection::DoEnd() noexcept { lock_->EndStop(); }

TOWSimpleUnlockSection::TOWSimpleUnlockSection(TOWLock* lock) : TOWSimpleLockSection(lock) {
  const TOWLock::TSavedLevels saved = lock_->IntUnlockAll();
  savedCount_ = saved.count;
  savedStopCount_ = saved.stopCount;
}

void TOWSimpleUnlockSection::DoEnd() noexcept { lock_->IntBeginWrite(savedCount_, savedStopCount_); }

}  // namespace lumicar
