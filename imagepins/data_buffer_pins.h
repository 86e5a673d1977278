#pragma once
// The data-buffer pins: an output that turns each submitted buffer into a
// supplied-buffer operation and remembers the running stream's start, so
// that a sink linked later still learns the format first (and a sink
// unlinked while the stream runs hears a stop); and an input that hands
// every operation to its owner's callback.

#include <atomic>
#include <functional>

#include "buffers/data_interfaces.h"
#include "pins/sink_pin.h"
#include "pins/source_pin.h"

namespace lumicar {

class TSLOWSourcePin : public TOWSourcePin {
  Q_OBJECT
 public:
  // Called after each new link, with this pin and the newly linked sink.
  using TOWConnectEvent = std::function<void(TSLOWSourcePin* pin, TOWBasicPin* sink)>;

  // operationEvent receives what linked sinks send upstream:
  // (this pin, stream ID, operation, state).
  explicit TSLOWSourcePin(TComponent* owner, IOWLock* ownerLock = nullptr, TOWDispatchEvent operationEvent = {});
  ~TSLOWSourcePin() override;

  // Sends the buffer as a supplied-buffer operation. True when every
  // receiver took it without raising; an error below is swallowed (the
  // producer goes on with its next buffer) and gives false, as does none.
  bool SubmitBuffer(ISLData* buffer);
  // Sends to every linked sink. A start operation is remembered for sinks
  // linked later, a stop forgets it.
  TOWDispatchResult Notify(const TIntf<IOWNotifyOperation>& operation) override;
  // Notify for callers holding the operation as an object.
  TOWDispatchResult BCBNotify(TOWNotifyOperation* operation);
  void Stop();
  void EndStop();

  // The start operation of the running stream, none when stopped.
  TIntf<IOWNotifyOperation> LastStartOperation();
  void SetOnConnect(TOWConnectEvent event);
  // Whether a sink being unlinked hears a stop (on by default; a format
  // converter's output leaves it to the source in front of it).
  void SetStopOnUnlink(bool stop);

  // A newly linked sink receives the running stream's start at once.
  bool IntConnect(TOWBasicPin* other, TOWBasicPin* afterPin) override;

  // Also answers the channel interface, through which sinks send upstream.
  bool ImplementsStream(const TGUID& id) override;

  // Submit functions: the clock stream, and the channel delivery of every
  // data stream (nothing for connection notices).
  TOWDispatchResult ClockNotification(IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                                      TOWNotifyState state);
  TOWDispatchResult NotificationHandler(IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                                        TOWNotifyState state);

 protected:
  // A sink being unlinked receives one stop, then the link goes.
  void BeforeUnlink(TOWBasicPin* other) override;

 private:
  void Remember(IOWNotifyOperation* operation);

  // Guarded by the pin lock.
  TIntf<IOWNotifyOperation> lastStart_;
  TOWConnectEvent onConnect_;
  bool stopOnUnlink_ = true;
  // A receiver failing on every buffer would flood the log: only the pin's
  // first failed buffer is written.
  std::atomic<bool> bufferFailureLogged_{false};
};

class TSLOWSinkPin : public TOWSinkPin {
  Q_OBJECT
 public:
  // operationEvent receives every operation from upstream:
  // (this pin, stream ID, operation, state).
  explicit TSLOWSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr, TOWDispatchEvent operationEvent = {});
  ~TSLOWSinkPin() override;

  // Asks the source for master pumping on behalf of requester (upstream).
  TOWDispatchResult MasterPump(IUnknown* requester);
  TOWDispatchResult BCBNotify(TOWNotifyOperation* operation);

  bool ImplementsStream(const TGUID& id) override;

  // Submit function of its upstream traffic: the channel delivery.
  TOWDispatchResult NotificationHandler(IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                                        TOWNotifyState state);
};

}  // namespace lumicar
