#include "pins/typed/clock_pins.h"

#include "pins/operations.h"
#include "pins/typed/standard_streams.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

namespace {

TOWDispatchResult ReceiveClock(TOWPin* pin, TOWDispatchResult notified, IOWNotifyOperation* operation,
                               TLeafMutex& mutex, const TOWClockEvent& event) {
  if (!OWOperationAs<TOWClockOperation>(operation)) return notified;
  TOWClockEvent onClock;
  {
    std::lock_guard lock(mutex);
    onClock = event;
  }
  if (onClock) onClock(pin);
  return notified;
}

}  // namespace

// ---- Source ----

TOWClockSourcePin::TOWClockSourcePin(TComponent* owner, IOWLock* ownerLock, TOWDispatchEvent sourceDispatch)
    : TOWSourcePin(owner, ownerLock) {
  OWRegisterStandardStreams();
  if (sourceDispatch) SetDispatchEvent(std::move(sourceDispatch));
  AddType(IID_IOWClockStream, TOWSubmitFunction::Bind<&TOWClockSourcePin::ClockNotification>(this));
}

TOWClockSourcePin::~TOWClockSourcePin() { BeforeDestruction(); }

void TOWClockSourcePin::Clock() { Notify(MakeIntf<TOWClockOperation>()); }

TOWDispatchResult TOWClockSourcePin::ClockNotification(IOWStream* receiver, const TGUID& streamId,
                                                       IOWNotifyOperation* operation, TOWNotifyState state) {
  if (TIntf<IOWStreamDispatch> target = OWQueryStreamDispatch(receiver, IID_IOWClockStream))
    target->DispatchData(streamId, operation, state);
  return {};
}

// ---- Sink ----

TOWClockSinkPin::TOWClockSinkPin(TComponent* owner, IOWLock* ownerLock, TOWDispatchEvent pinNotification,
                                 TOWClockEvent onClock)
    : TOWSinkPin(owner, ownerLock), onClock_(std::move(onClock)) {
  OWRegisterStandardStreams();
  if (pinNotification) SetDispatchEvent(std::move(pinNotification));
  AddType(IID_IOWClockStream, OWStreamForwardSubmit());
}

TOWClockSinkPin::~TOWClockSinkPin() { BeforeDestruction(); }

void TOWClockSinkPin::SetOnClock(TOWClockEvent onClock) {
  std::lock_guard lock(eventMutex_);
  onClock_ = std::move(onClock);
}

TOWDispatchResult TOWClockSinkPin::DispatchData(const TGUID& streamId, IOWNotifyOperation* operation,
                                                TOWNotifyState state) {
  const TOWDispatchResult notified = TOWSinkPin::DispatchData(streamId, operation, state);
  return ReceiveClock(this, notified, operation, eventMutex_, onClock_);
}

// ---- Multi-sink ----

TOWClockMultiSinkPin::TOWClockMultiSinkPin(TComponent* owner, IOWLock* ownerLock, TOWDispatchEvent pinNotification,
                                           TOWClockEvent onClock)
    : TOWMultiSinkPin(owner, ownerLock), onClock_(std::move(onClock)) {
  OWRegisterStandardStreams();
  if (pinNotification) SetDispatchEvent(std::move(pinNotification));
  AddType(IID_IOWClockStream, OWStreamForwardSubmit());
}

TOWClockMultiSinkPin::~TOWClockMultiSinkPin() { BeforeDestruction(); }

void TOWClockMultiSinkPin::SetOnClock(TOWClockEvent onClock) {
  std::lock_guard lock(eventMutex_);
  onClock_ = std::move(onClock);
}

TOWDispatchResult TOWClockMultiSinkPin::DispatchData(const TGUID& streamId, IOWNotifyOperation* operation,
                                                     TOWNotifyState state) {
  const TOWDispatchResult notified = TOWMultiSinkPin::DispatchData(streamId, operation, state);
  return ReceiveClock(this, notified, operation, eventMutex_, onClock_);
}

}  // namespace lumicar
