#include "imagepins/data_buffer_pins.h"

#include "imagepins/buffer_operations.h"
#include "imagepins/data_pins_log.h"
#include "imagepins/image_streams.h"
#include "pins/delivery_claim.h"
#include "pins/pin_entry.h"
#include "pins/typed/standard_streams.h"
#include "runtime/runtime_log.h"

namespace lumicar {

// ---- Source ----

TSLOWSourcePin::TSLOWSourcePin(TComponent* owner, IOWLock* ownerLock, TOWDispatchEvent operationEvent)
    : TOWSourcePin(owner, ownerLock) {
  VLRegisterImageStreams();
  if (operationEvent) SetDispatchEvent(std::move(operationEvent));
  AddType(IID_IOWClockStream, TOWSubmitFunction::Bind<&TSLOWSourcePin::ClockNotification>(this));
  AddType(IID_SLUniversalStream, TOWSubmitFunction::Bind<&TSLOWSourcePin::NotificationHandler>(this));
}

TSLOWSourcePin::~TSLOWSourcePin() { BeforeDestruction(); }

bool TSLOWSourcePin::SubmitBuffer(ISLData* buffer) {
  if (!buffer) return false;
  try {
    Notify(MakeIntf<TOWSuppliedBufferOperation>(buffer));
    return true;
  } catch (...) {
    // A receiver's failure costs this one buffer, never the producer.
    if (!bufferFailureLogged_.exchange(true))
      qCWarning(lcDataPins).noquote() << "Sending a buffer from" << GetFullName(true)
                                      << "failed:" << CurrentExceptionText()
                                      << "(later failures of this pin are not logged)";
    return false;
  }
}

void TSLOWSourcePin::Remember(IOWNotifyOperation* operation) {
  TOWNotifyOperation* op = OWOperationInstance(operation);
  const bool start = op && op->Is<TOWStartOperation>();
  const bool stop = op && op->Is<TOWStopOperation>();
  if (!start && !stop) return;
  TIntf<IOWNotifyOperation> previous;  // released after the lock
  auto section = WriteLock();
  previous = std::move(lastStart_);
  if (start) lastStart_ = TIntf<IOWNotifyOperation>(operation);
}

TOWDispatchResult TSLOWSourcePin::Notify(const TIntf<IOWNotifyOperation>& operation) {
  // Remembered before the delivery: a sink linked while the start is on its
  // way (by one of the receivers, or by another thread) would otherwise see
  // neither this delivery nor the remembered start.
  Remember(operation.get());
  return TOWSourcePin::Notify(operation);
}

TOWDispatchResult TSLOWSourcePin::BCBNotify(TOWNotifyOperation* operation) {
  return Notify(TIntf<IOWNotifyOperation>(operation));
}

void TSLOWSourcePin::Stop() { Notify(MakeIntf<TOWStopOperation>()); }

void TSLOWSourcePin::EndStop() { Notify(MakeIntf<TOWEndStopOperation>()); }

TIntf<IOWNotifyOperation> TSLOWSourcePin::LastStartOperation() {
  auto section = ReadLock();
  return lastStart_;
}

void TSLOWSourcePin::SetOnConnect(TOWConnectEvent event) {
  auto section = WriteLock();
  onConnect_ = std::move(event);
}

void TSLOWSourcePin::SetStopOnUnlink(bool stop) {
  auto section = WriteLock();
  stopOnUnlink_ = stop;
}

bool TSLOWSourcePin::IntConnect(TOWBasicPin* other, TOWBasicPin* afterPin) {
  if (!TOWSourcePin::IntConnect(other, afterPin)) return false;
  TIntf<IOWNotifyOperation> start;
  TOWConnectEvent onConnect;
  {
    auto section = ReadLock();
    start = lastStart_;
    onConnect = onConnect_;
  }
  if (start) {
    try {
      NotifyPin(other, start);
    } catch (...) {
      // The link stands; a receiver that failed on the start learns the
      // format from the next start.
      qCWarning(lcDataPins).noquote() << "Sending the running stream's start from" << GetFullName(true)
                                      << "to a newly linked pin failed:" << CurrentExceptionText();
    }
  }
  if (onConnect) onConnect(this, other);
  return true;
}

void TSLOWSourcePin::BeforeUnlink(TOWBasicPin* other) {
  bool linked = false;
  {
    auto section = ReadLock();
    linked = stopOnUnlink_ && other && entries_.IndexOfReal(other) >= 0;
  }
  // From inside a delivery of this pin the unlink itself is refused (the
  // base raises), so no stop either; a dying pin refuses deliveries anyway.
  if (linked && !IsPinDestroying() && !OWThreadIsDeliveringFrom(this)) {
    try {
      NotifyPin(other, MakeIntf<TOWStopOperation>());
    } catch (...) {
      // The link goes whatever the receiver did with the stop.
      qCWarning(lcDataPins).noquote() << "Sending the stop from" << GetFullName(true)
                                      << "to a pin being unlinked failed:" << CurrentExceptionText();
    }
  }
}

bool TSLOWSourcePin::ImplementsStream(const TGUID& id) {
  return id == IID_IOWSLGenericStream || TOWSourcePin::ImplementsStream(id);
}

TOWDispatchResult TSLOWSourcePin::ClockNotification(IOWStream* receiver, const TGUID& streamId,
                                                    IOWNotifyOperation* operation, TOWNotifyState state) {
  if (state.testFlag(nsConnectionNotice) || !receiver) return {};
  if (TIntf<IOWStreamDispatch> clock = OWQueryStreamDispatch(receiver, IID_IOWClockStream))
    return clock->DispatchData(streamId, operation, state);
  return {};
}

TOWDispatchResult TSLOWSourcePin::NotificationHandler(IOWStream* receiver, const TGUID& streamId,
                                                      IOWNotifyOperation* operation, TOWNotifyState state) {
  return SLDeliverToChannel(receiver, streamId, operation, state, true);
}

// ---- Sink ----

TSLOWSinkPin::TSLOWSinkPin(TComponent* owner, IOWLock* ownerLock, TOWDispatchEvent operationEvent)
    : TOWSinkPin(owner, ownerLock) {
  VLRegisterImageStreams();
  if (operationEvent) SetDispatchEvent(std::move(operationEvent));
  AddType(IID_SLUniversalStream, TOWSubmitFunction::Bind<&TSLOWSinkPin::NotificationHandler>(this));
  // A data-buffer sink takes what its types allow from any source and asks
  // nothing of the types upstream of it.
  SetIgnoreUpstream(true);
}

TSLOWSinkPin::~TSLOWSinkPin() { BeforeDestruction(); }

TOWDispatchResult TSLOWSinkPin::MasterPump(IUnknown* requester) {
  return Notify(MakeIntf<TOWMasterPumpOperation>(requester));
}

TOWDispatchResult TSLOWSinkPin::BCBNotify(TOWNotifyOperation* operation) {
  return Notify(TIntf<IOWNotifyOperation>(operation));
}

bool TSLOWSinkPin::ImplementsStream(const TGUID& id) {
  return id == IID_IOWSLGenericStream || TOWSinkPin::ImplementsStream(id);
}

TOWDispatchResult TSLOWSinkPin::NotificationHandler(IOWStream* receiver, const TGUID& streamId,
                                                    IOWNotifyOperation* operation, TOWNotifyState state) {
  return SLDeliverToChannel(receiver, streamId, operation, state, false);
}

}  // namespace lumicar
