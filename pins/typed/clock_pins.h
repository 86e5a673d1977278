#pragma once
// Clock pins: a source that sends clock ticks (and is the base of every
// standard value source), and the sink and multi-sink that fire a clock
// callback on every tick or value they receive.

#include <functional>
#include <mutex>

#include "pins/multi_sink_pin.h"
#include "pins/sink_pin.h"
#include "pins/source_pin.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

// Called with the receiving pin on every clock operation (value operations
// included).
using TOWClockEvent = std::function<void(TOWPin* pin)>;

class TOWClockSourcePin : public TOWSourcePin {
  Q_OBJECT
 public:
  // sourceDispatch receives the notifications that linked sinks send
  // upstream: (this pin, stream ID, operation, state).
  explicit TOWClockSourcePin(TComponent* owner, IOWLock* ownerLock = nullptr, TOWDispatchEvent sourceDispatch = {});
  ~TOWClockSourcePin() override;

  // Sends a new clock tick to every linked pin.
  void Clock();

  // Submit function of the clock stream: hands the operation unchanged to a
  // receiver that answers the clock stream; the result is empty.
  TOWDispatchResult ClockNotification(IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                                      TOWNotifyState state);
};

class TOWClockSinkPin : public TOWSinkPin {
  Q_OBJECT
 public:
  // pinNotification sees every operation that arrives (it becomes the pin's
  // dispatch callback); onClock fires on clock operations.
  explicit TOWClockSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr, TOWDispatchEvent pinNotification = {},
                           TOWClockEvent onClock = {});
  ~TOWClockSinkPin() override;

  void SetOnClock(TOWClockEvent onClock);

  // The pin-notification callback first (its result is returned), then the
  // clock callback when the operation is a clock tick or a descendant.
  TOWDispatchResult DispatchData(const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state) override;

 private:
  TLeafMutex eventMutex_{"clock pin event lock"};
  TOWClockEvent onClock_;
};

class TOWClockMultiSinkPin : public TOWMultiSinkPin {
  Q_OBJECT
 public:
  explicit TOWClockMultiSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr, TOWDispatchEvent pinNotification = {},
                                TOWClockEvent onClock = {});
  ~TOWClockMultiSinkPin() override;

  void SetOnClock(TOWClockEvent onClock);

  TOWDispatchResult DispatchData(const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state) override;

 private:
  TLeafMutex eventMutex_{"clock pin event lock"};
  TOWClockEvent onClock_;
};

}  // namespace lumicar
