#pragma once
// The destroy lock keeps an object (a pin) alive while calls through it run:
// callers take shared in-use claims with Lock(); the destroyer's DestroyLock()
// refuses new claims and waits until the running ones have ended. Only atomic
// counters, no mutex:
//
//   if (TIntf<IOWDestroyLockSection> use = destroyLock->Lock()) Deliver();
//   ...
//   auto closing = destroyLock->DestroyLock();     // returns when no delivery runs
//   { auto pass = destroyLock->DestroyUnlockLock(); SendLastStop(); }  // let one through
//
// A thread must not call DestroyLock while it holds a Lock section of the
// same destroy lock: it would wait for itself. The destroyer sleeps (an
// atomic wait) until the last claim ends, so a long delivery costs no CPU.

#include <atomic>
#include <cstdint>

#include "runtime/interface.h"

namespace lumicar {

class TOWDestroyLock;

inline const TGUID IID_IOWDestroyLockSection = TGUID::FromString("{8A39D06E-59FE-46F2-8D2A-FC7A34833EE5}");
inline const TGUID IID_IOWDestroyLock = TGUID::FromString("{941BEB02-70F3-4FC6-ACAA-0754D6CB8A0A}");

// Reference counting only: holding a reference is holding the claim.
class IOWDestroyLockSection : public virtual IUnknown {};

class IOWDestroyLock : public virtual IUnknown {
 public:
  // A shared in-use claim, or none while the object is being destroyed.
  virtual TIntf<IOWDestroyLockSection> Lock() = 0;
  // An exclusive destroying claim; returns once no in-use claim is left.
  virtual TIntf<IOWDestroyLockSection> DestroyLock() = 0;
  // Suspends every destroying claim for the section's lifetime.
  virtual TIntf<IOWDestroyLockSection> DestroyUnlockLock() = 0;
  virtual TOWDestroyLock* Instance() = 0;
};

class TOWDestroyLock : public TInterfacedObject, public IOWDestroyLock {
 public:
  TOWDestroyLock() = default;

  HRESULT QueryInterface(const TGUID& iid, void** object) override;

  TIntf<IOWDestroyLockSection> Lock() override;
  TIntf<IOWDestroyLockSection> DestroyLock() override;
  TIntf<IOWDestroyLockSection> DestroyUnlockLock() override;
  TOWDestroyLock* Instance() override { return this; }

  int32_t InUseCount() const { return inUse_.load(); }
  int32_t DestroyingCount() const { return destroying_.load(); }

 protected:
  ~TOWDestroyLock() override = default;

 private:
  friend class TOWDestroyLockSection;
  friend class TOWDestroyLockLockSection;
  friend class TOWDestroyLockUnlockSection;

  // Ends one in-use claim and wakes a destroyer waiting for the last one.
  void EndInUse() noexcept;

  std::atomic<int32_t> inUse_{0};
  std::atomic<int32_t> destroying_{0};
};

// An in-use claim (from Lock). Base of the other two claims; each ends once,
// by End() or by its last release.
class TOWDestroyLockSection : public TInterfacedObject, public IOWDestroyLockSection {
 public:
  // Takes over an in-use claim already counted on `lock`.
  explicit TOWDestroyLockSection(TOWDestroyLock* lock) : lockIntf_(lock), lock_(lock) {}
  ~TOWDestroyLockSection() override { End(); }

  HRESULT QueryInterface(const TGUID& iid, void** object) override;

  void End() noexcept {
    if (!ended_.exchange(true, std::memory_order_acq_rel)) DoEnd();
  }
  bool Ended() const { return ended_.load(std::memory_order_acquire); }

 protected:
  virtual void DoEnd() noexcept;

  TIntf<IOWDestroyLock> lockIntf_;
  TOWDestroyLock* lock_;

 private:
  std::atomic<bool> ended_{false};
};

// A destroying claim (from DestroyLock).
class TOWDestroyLockLockSection : public TOWDestroyLockSection {
 public:
  // Takes over a destroying claim already counted on `lock`.
  explicit TOWDestroyLockLockSection(TOWDestroyLock* lock) : TOWDestroyLockSection(lock) {}
  ~TOWDestroyLockLockSection() override { End(); }

 protected:
  void DoEnd() noexcept override;
};

// Holds the destroying claims taken away by DestroyUnlockLock and gives them
// back at its end.
class TOWDestroyLockUnlockSection : public TOWDestroyLockSection {
 public:
  TOWDestroyLockUnlockSection(TOWDestroyLock* lock, int32_t savedDestroying)
      : TOWDestroyLockSection(lock), saved_(savedDestroying) {}
  ~TOWDestroyLockUnlockSection() override { End(); }
  int32_t SavedDestroying() const { return saved_; }

 protected:
  void DoEnd() noexcept override;

 private:
  int32_t saved_;
};

}  // namespace lumicar
