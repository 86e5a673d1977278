#pragma once
// The templates every standard value pin is made from: a source that keeps a
// current value and sends it, a sink that receives one, and a state pin that
// does both within its state group. What differs between value types lives
// in the traits classes (value_traits.h); the named pin classes derive from
// these templates.

#include <QObject>
#include <functional>
#include <mutex>
#include <optional>

#include "pins/sink_pin.h"
#include "pins/state/state_pin.h"
#include "pins/typed/clock_pins.h"
#include "pins/typed/standard_streams.h"
#include "pins/typed/value_traits.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

// The current value of a value pin and the callback that goes with it, under
// a lock of their own that is never held while anything is called.
template <typename Traits, typename Event>
class TOWValueHolder {
 public:
  using Value = typename Traits::Value;

  Value Get() const {
    std::lock_guard lock(mutex_);
    return value_;
  }
  // Stores value; false (and nothing stored) when it equals the current one
  // and always is not set.
  bool Store(const Value& value, bool always) {
    std::lock_guard lock(mutex_);
    if (!always && value_ == value) return false;
    value_ = value;
    return true;
  }
  // Applies change to the current value; the new value, or nothing when it
  // stayed the same and always is not set.
  template <typename Change>
  std::optional<Value> Modify(Change change, bool always) {
    std::lock_guard lock(mutex_);
    Value next = value_;
    change(next);
    if (!always && next == value_) return std::nullopt;
    value_ = next;
    return next;
  }
  // Takes what an accepted operation carries; hands back the new value and
  // the callback to call. False for operations the family ignores.
  bool Receive(IOWNotifyOperation* operation, Value& value, Event& event) {
    std::lock_guard lock(mutex_);
    Value next = value_;
    if (!Traits::Extract(operation, next)) return false;
    value_ = next;
    value = next;
    event = event_;
    return true;
  }
  // Takes the value of a passing operation without calling anybody.
  void Record(IOWNotifyOperation* operation) {
    std::lock_guard lock(mutex_);
    Traits::Extract(operation, value_);
  }
  void SetEvent(Event event) {
    std::lock_guard lock(mutex_);
    event_ = std::move(event);
  }
  Event GetEvent() const {
    std::lock_guard lock(mutex_);
    return event_;
  }

 private:
  mutable TLeafMutex mutex_{"value pin value lock"};
  Value value_ = Traits::Default();
  Event event_;
};

// The first of the family's formats that the receiver answers, and the
// receiver's interface for it; none when it answers none.
template <typename Traits>
TIntf<IOWStreamDispatch> OWFindValueReceiver(IOWStream* receiver, TGUID& format) {
  for (const TGUID& id : Traits::DeliveryFormats())
    if (TIntf<IOWStreamDispatch> target = OWQueryStreamDispatch(receiver, id)) {
      format = id;
      return target;
    }
  return {};
}

// Hands one delivery to a value receiver in its format: a connection notice
// (a new link, or a pin joining a state group) becomes the sender's current
// value, the family's own operations are recast when the format asks for
// it, anything else passes unchanged.
template <typename Traits, typename Holder>
TOWDispatchResult OWDeliverValue(IOWStreamDispatch* target, const TGUID& format, const Holder& holder,
                                 const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state) {
  TIntf<IOWNotifyOperation> delivered;
  if (state.testFlag(nsConnectionNotice))
    delivered = Traits::Make(holder.Get(), format);
  else
    delivered = Traits::Adapt(operation, format);
  return target->DispatchData(streamId, delivered ? delivered.get() : operation, state);
}

// ---- Source ----

template <typename Derived, typename Traits>
class TOWValueSourcePinT : public TOWClockSourcePin {
 public:
  using TraitsType = Traits;
  using Value = typename Traits::Value;
  // Called instead of the standard delivery, for receivers that answer one
  // of the family's formats: (this pin, receiver, stream ID, operation, state).
  using TOWCustomNotificationEvent = std::function<TOWDispatchResult(
      Derived* pin, IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state)>;

  explicit TOWValueSourcePinT(TComponent* owner, IOWLock* ownerLock = nullptr, TOWDispatchEvent sourceDispatch = {},
                              TOWCustomNotificationEvent customNotification = {})
      : TOWClockSourcePin(owner, ownerLock, std::move(sourceDispatch)) {
    value_.SetEvent(std::move(customNotification));
    for (const TGUID& id : Traits::SourceTypes())
      AddType(id, TOWSubmitFunction::Bind<&TOWValueSourcePinT::Notification>(this));
  }
  ~TOWValueSourcePinT() override { BeforeDestruction(); }

  Value GetValue() const { return value_.Get(); }
  // Sends the value when it differs from the current one.
  void SetValue(const Value& value) {
    if (value_.Store(value, false)) Notify(MakeOwn(value));
  }
  // Stores and sends the value always.
  void Submit(const Value& value) {
    value_.Store(value, true);
    Notify(MakeOwn(value));
  }
  // Stores value and sends operation (for senders that build their own, such
  // as converters).
  void SubmitOperation(const Value& value, const TIntf<IOWNotifyOperation>& operation) {
    value_.Store(value, true);
    Notify(operation);
  }

  void SetOnCustomNotification(TOWCustomNotificationEvent event) { value_.SetEvent(std::move(event)); }

  // Submit function of the family's stream types.
  TOWDispatchResult Notification(IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                                 TOWNotifyState state) {
    TGUID format;
    TIntf<IOWStreamDispatch> target = OWFindValueReceiver<Traits>(receiver, format);
    if (!target) return {};
    if (TOWCustomNotificationEvent custom = value_.GetEvent())
      return custom(static_cast<Derived*>(this), receiver, streamId, operation, state);
    return OWDeliverValue<Traits>(target.get(), format, value_, streamId, operation, state);
  }
  // The delivery without the custom callback, for custom callbacks that fall
  // back on it.
  TOWDispatchResult StandardNotification(IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                                         TOWNotifyState state) {
    TGUID format;
    TIntf<IOWStreamDispatch> target = OWFindValueReceiver<Traits>(receiver, format);
    if (!target) return {};
    return OWDeliverValue<Traits>(target.get(), format, value_, streamId, operation, state);
  }

 protected:
  static TIntf<IOWNotifyOperation> MakeOwn(const Value& value) {
    return Traits::Make(value, Traits::DeliveryFormats()[0]);
  }

  TOWValueHolder<Traits, TOWCustomNotificationEvent> value_;
};

// ---- Sink ----

template <typename Derived, typename Traits>
class TOWValueSinkPinT : public TOWSinkPin {
 public:
  using TraitsType = Traits;
  using Value = typename Traits::Value;
  using TOWValueChangedEvent = std::function<void(Derived* pin, const Value& value)>;

  // accepts: the stream types the sink answers (the family's sink types
  // unless a variant takes more).
  explicit TOWValueSinkPinT(TComponent* owner, IOWLock* ownerLock = nullptr, TOWValueChangedEvent onValueChanged = {},
                            QObject* customData = nullptr, TOWStreamIds accepts = Traits::SinkTypes())
      : TOWSinkPin(owner, ownerLock) {
    OWRegisterStandardStreams();
    value_.SetEvent(std::move(onValueChanged));
    SetCustomData(customData);
    for (const TGUID& id : accepts) AddType(id, OWStreamForwardSubmit());
    // A value sink takes whatever its family accepts from any source (also
    // through a converter) and asks nothing of the types upstream of it.
    SetIgnoreUpstream(true);
  }
  ~TOWValueSinkPinT() override { BeforeDestruction(); }

  Value GetValue() const { return value_.Get(); }
  void SetOnValueChanged(TOWValueChangedEvent event) { value_.SetEvent(std::move(event)); }

  // An accepted operation becomes the current value and is announced; others
  // are ignored. The owner's dispatch callback, when it gave one, hears every
  // operation afterwards. The result is always empty.
  TOWDispatchResult DispatchData(const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state) override {
    Value value;
    TOWValueChangedEvent event;
    if (value_.Receive(operation, value, event) && event) event(static_cast<Derived*>(this), value);
    TOWSinkPin::DispatchData(streamId, operation, state);
    return {};
  }

 protected:
  TOWValueHolder<Traits, TOWValueChangedEvent> value_;
};

// ---- State pin ----

template <typename Derived, typename Traits>
class TOWValueStatePinT : public TOWStatePin {
 public:
  using TraitsType = Traits;
  using Value = typename Traits::Value;
  using TOWValueChangedEvent = std::function<void(Derived* pin, const Value& value)>;

  explicit TOWValueStatePinT(TComponent* owner, IOWLock* ownerLock = nullptr, TOWValueChangedEvent onValueChanged = {},
                             QObject* customData = nullptr)
      : TOWStatePin(owner, ownerLock) {
    OWRegisterStandardStreams();
    value_.SetEvent(std::move(onValueChanged));
    SetCustomData(customData);
    for (const TGUID& id : Traits::SourceTypes())
      AddType(id, TOWSubmitFunction::Bind<&TOWValueStatePinT::Notification>(this));
  }
  ~TOWValueStatePinT() override { BeforeDestruction(); }

  Value GetValue() const { return value_.Get(); }
  // When the value differs: stores it and sends it to the other members of
  // the pin's state group.
  void SetValue(const Value& value) {
    if (value_.Store(value, false)) Notify(MakeOwn(value));
  }
  // Stores and sends always.
  void Submit(const Value& value) {
    value_.Store(value, true);
    Notify(MakeOwn(value));
  }
  void SetOnValueChanged(TOWValueChangedEvent event) { value_.SetEvent(std::move(event)); }

  // What the other members send: as a value sink receives it.
  TOWDispatchResult DispatchData(const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state) override {
    Value value;
    TOWValueChangedEvent event;
    if (value_.Receive(operation, value, event) && event) event(static_cast<Derived*>(this), value);
    TOWStatePin::DispatchData(streamId, operation, state);
    return {};
  }

  // Submit function towards the other members: a value operation passing
  // through is taken as this pin's own value first; then as a source
  // delivers.
  TOWDispatchResult Notification(IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                                 TOWNotifyState state) {
    if (!state.testFlag(nsConnectionNotice)) value_.Record(operation);
    TGUID format;
    TIntf<IOWStreamDispatch> target = OWFindValueReceiver<Traits>(receiver, format);
    if (!target) return {};
    return OWDeliverValue<Traits>(target.get(), format, value_, streamId, operation, state);
  }

 protected:
  static TIntf<IOWNotifyOperation> MakeOwn(const Value& value) {
    return Traits::Make(value, Traits::DeliveryFormats()[0]);
  }

  TOWValueHolder<Traits, TOWValueChangedEvent> value_;
};

// ---- Ranges ----

// The part-wise operations of ranged sources and state pins: each changes
// one part of the value and sends what changed.
template <typename Base>
class TOWRangedValueOps : public Base {
 public:
  using Base::Base;
  using Traits = typename Base::TraitsType;
  using Value = typename Base::Value;
  using Bound = decltype(Value::value);
  using Base::SetValue;

  Bound GetMin() const { return this->value_.Get().min; }
  Bound GetMax() const { return this->value_.Get().max; }

  // The value part, sent with its bounds when it changed.
  void SetValue(Bound value) {
    if (auto next = this->value_.Modify([&](Value& v) { v.value = value; }, false)) this->Notify(this->MakeOwn(*next));
  }
  // One bound, sent as a range when it changed.
  void SetMin(Bound min) {
    if (auto next = this->value_.Modify([&](Value& v) { v.min = min; }, false)) this->Notify(Traits::MakeRange(*next));
  }
  void SetMax(Bound max) {
    if (auto next = this->value_.Modify([&](Value& v) { v.max = max; }, false)) this->Notify(Traits::MakeRange(*next));
  }
  // Stores and sends always: the value with its bounds, or the bounds alone.
  void SubmitValueRange(Bound value, Bound min, Bound max) { this->Submit(Value{value, min, max}); }
  void SubmitRange(Bound min, Bound max) {
    auto next = this->value_.Modify(
        [&](Value& v) {
          v.min = min;
          v.max = max;
        },
        true);
    this->Notify(Traits::MakeRange(*next));
  }
};

}  // namespace lumicar
