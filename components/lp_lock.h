#pragma once
// ILPLock / TLPLock: the lock of a component and of its property objects. A component
// makes one over a new TOWLock; each property object makes one that shares its
// parent's TOWLock but calls its own change callback. The typed setters and getters of
// published properties all go through it:
//
//   void SetRate(double v) { Lock()->SetterMin(rate_, v, 0.0); }   // stores, then NotifyProp
//   double Rate() const { return Lock()->Getter(rate_); }

#include <QChar>
#include <QString>
#ifndef Q_MOC_RUN
#include <concepts>
#endif
#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>

#include "components/lp_value_types.h"
#include "runtime/date_time.h"
#include "runtime/interface.h"
#include "runtime/sync/lock.h"

namespace lumicar {

inline const TGUID IID_ILPLock = TGUID::FromString("{41898A42-8C0F-4C05-AEE4-C2DE0BAB1869}");

// A bound callable without arguments: the change callback of a lock, and the extra
// callback a setter may run before it.
using TLPChangeCallback = std::function<void()>;

// Concepts are kept from moc, which does not parse them.
#ifndef Q_MOC_RUN
template <typename T, typename... U>
concept LPOneOf = (std::same_as<T, U> || ...);

// Field types of the setters. Both spellings of the 64-bit integer are accepted
// (int64_t and qint64 are distinct types on some platforms).
template <typename T>
concept LPSetterType = LPOneOf<T, TColor, int32_t, uint32_t, int64_t, qint64, int16_t, uint16_t, uint8_t, QChar, float,
                               double, bool, QString, TDateTime, TSLClockSource, TSLSynchronizeType>;
// Field types of the clamping setters.
template <typename T>
concept LPClampType = LPOneOf<T, int32_t, uint32_t, int64_t, qint64, uint16_t, uint8_t, float, double>;
// Field types of the getter: the setters' plus extended floats.
template <typename T>
concept LPGetterType = LPSetterType<T> || std::same_as<T, long double>;
#endif

class ILPLock : public virtual IUnknown {
 public:
  // Sections on the shared TOWLock. ReadLock and WriteLock give none while another
  // thread is stopping the component; the caller then goes on without the lock.
  virtual TIntf<IOWLockSection> ReadLock() = 0;
  virtual TIntf<IOWLockSection> WriteLock() = 0;
  virtual TIntf<IOWLockSection> StopLock() = 0;
  virtual TIntf<IOWLockSection> UnlockAll() = 0;
  // The TOWLock behind this lock; property objects share it.
  virtual TOWLock* Instance() = 0;
  // Runs the change callback (normally the owner's NotifyProp). The setters call it
  // with the write lock held.
  virtual void Changed() = 0;

  // Under the write lock: false when value equals field; otherwise stores it, runs
  // callback when given, then the change callback, and returns true.
  template <LPSetterType T>
  bool Setter(T& field, std::type_identity_t<T> value, const TLPChangeCallback& callback = {}) {
    TIntf<IOWLockSection> section = WriteLock();
    return Store(field, std::move(value), callback);
  }
  // The unsigned variant with one more flag, kept for callers written against it; the
  // flag changes nothing. The callback is not optional here so that a callback can
  // never be taken for the flag.
  bool Setter(uint32_t& field, uint32_t value, bool /*unused*/, const TLPChangeCallback& callback) {
    return Setter(field, value, callback);
  }

  // As Setter, with value first raised to minimum when below it.
  template <LPClampType T>
  bool SetterMin(T& field, std::type_identity_t<T> value, std::type_identity_t<T> minimum,
                 const TLPChangeCallback& callback = {}) {
    if (value < minimum) value = minimum;
    return Setter(field, value, callback);
  }
  // As Setter, with value first lowered to maximum when above it.
  template <LPClampType T>
  bool SetterMax(T& field, std::type_identity_t<T> value, std::type_identity_t<T> maximum,
                 const TLPChangeCallback& callback = {}) {
    if (value > maximum) value = maximum;
    return Setter(field, value, callback);
  }
  // Raised to minimum, then lowered to maximum: when minimum > maximum the maximum wins.
  template <LPClampType T>
  bool SetterMinMax(T& field, std::type_identity_t<T> value, std::type_identity_t<T> minimum,
                    std::type_identity_t<T> maximum, const TLPChangeCallback& callback = {}) {
    if (value < minimum) value = minimum;
    if (value > maximum) value = maximum;
    return Setter(field, value, callback);
  }

  // The value, read under the read lock.
  template <LPGetterType T>
  T Getter(const T& value) {
    TIntf<IOWLockSection> section = ReadLock();
    return value;
  }

 private:
  template <typename T>
  bool Store(T& field, T value, const TLPChangeCallback& callback) {
    if (field == value) return false;
    field = std::move(value);
    if (callback) callback();
    Changed();
    return true;
  }
};

class TLPLock : public TInterfacedObject, public ILPLock {
 public:
  // A component's lock, over a new TOWLock.
  explicit TLPLock(TLPChangeCallback change = {});
  // A property object's lock, sharing parent's TOWLock (a new one when parent is none).
  explicit TLPLock(ILPLock* parent, TLPChangeCallback change = {});

  HRESULT QueryInterface(const TGUID& iid, void** object) override;

  TIntf<IOWLockSection> ReadLock() override { return lock_->ReadLock(); }
  TIntf<IOWLockSection> WriteLock() override { return lock_->WriteLock(); }
  TIntf<IOWLockSection> StopLock() override { return lock_->StopLock(); }
  TIntf<IOWLockSection> UnlockAll() override { return lock_->UnlockAll(); }
  TOWLock* Instance() override { return lock_->Instance(); }
  void Changed() override;

  // Replaces the change callback under the write lock. An owner that dies before its
  // lock (someone may still hold a reference) clears it this way first.
  void SetChangeCallback(TLPChangeCallback change);

 protected:
  ~TLPLock() override = default;

 private:
  TIntf<IOWLock> lock_;
  TLPChangeCallback change_;
};

// The owner-side handle of a TLPLock: made by components and property objects in their
// constructors; its destruction disconnects the change callback from the dying owner.
class TLPLockHolder {
 public:
  TLPLockHolder(ILPLock* parent, TLPChangeCallback change) : lock_(MakeIntf<TLPLock>(parent, std::move(change))) {}
  explicit TLPLockHolder(TLPChangeCallback change) : lock_(MakeIntf<TLPLock>(std::move(change))) {}
  ~TLPLockHolder() { lock_->SetChangeCallback({}); }
  TLPLockHolder(const TLPLockHolder&) = delete;
  TLPLockHolder& operator=(const TLPLockHolder&) = delete;

  ILPLock* get() const { return lock_.get(); }
  ILPLock* operator->() const { return lock_.get(); }

 private:
  TIntf<TLPLock> lock_;
};

}  // namespace lumicar
