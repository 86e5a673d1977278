#include "pins/stream_pin.h"

#include "pins/delivery_claim.h"
#include "pins/ow_exception.h"
#include "pins/pin_notifier.h"
#include "pins/stream.h"

namespace lumicar {

void TOWStreamPin::DownStreamFillPossibleStreamTypes(TOWPinTypeRestricted& list) {
  static_cast<TOWPinStreamType&>(list) = GetTypes();
}

void TOWStreamPin::UpStreamFillPossibleStreamTypes(TOWPinTypeRestricted& list) {
  static_cast<TOWPinStreamType&>(list) = GetTypes();
}

bool TOWStreamPin::DownStreamQueryPossybleInterface(const TGUID& id, TOWPinVisit&) { return ImplementsStream(id); }

bool TOWStreamPin::UpStreamQueryPossybleInterface(const TGUID& id, TOWPinVisit&) { return ImplementsStream(id); }

void TOWStreamPin::BackPopulateStreamChains(std::vector<TOWSourcePin*>&, TOWPinVisit&) {}

TOWDispatchResult TOWStreamPin::DeliverOverEntries(TOWPinEntryList& entries, TOWBasicPin* pin,
                                                   IOWNotifyOperation* operation) {
  TIntf<IOWNotifyOperation> hold(operation);  // the framework's reference for the whole delivery
  TOWPinEntryList copy;
  uint32_t generation;
  {
    auto section = ReadLock();
    copy.CopyFromList(entries);
    generation = unlinkGeneration_.load();
    if (sendingDepth_ > kMaxSendingDepth) throw EOWException(QString::fromLatin1(kOWDependsOnItselfMessage));
    ++sendingDepth_;
  }
  // Always, also when a receiver raised: weights and order are written back
  // and the depth returns to its previous value.
  struct TEnd {
    TOWStreamPin* self;
    TOWPinEntryList& entries;
    ~TEnd() {
      auto section = self->WriteLock();
      if (self->inDisconnect_ == 0) entries.ReorderChangedData();
      --self->sendingDepth_;
    }
  } end{this, entries};

  copy.RemoveConverterDuplicates();
  const TOWDispatchResult result = NotifyDispatcher(operation, TOWNotifyState(), nullptr);

  const int n = copy.Count();
  for (int i = 0; i < n; ++i) {
    const TOWPinEntry& e = copy[i];
    if (pin && e.realPin != pin) continue;
    if (!e.submit) continue;
    const TOWNotifyState state = i == n - 1 ? TOWNotifyState(nsLastReceiver) : TOWNotifyState();
    // The claim keeps this pin, and through the exclusive claim every unlink
    // takes, each linked receiver alive until the call returns.
    TOWDeliveryClaim claim(this);
    if (!claim) continue;
    if (unlinkGeneration_.load() != generation) {
      // A link removed since the copy was taken is not delivered to: its
      // receiver may be gone already. (An unlink first closes deliveries and
      // waits for claims like this one, so with the generation unchanged
      // after the claim was granted, the link is still there.)
      auto section = ReadLock();
      if (entries.IndexOfLink(e.connectionPin, e.realPin) < 0) continue;
    }
    TOWDispatchResult r;
    {
      TIntf<IOWLockSection> ownerUnlock;
      if (IOWLock* owner = OwnerLock()) ownerUnlock = owner->UnlockAll();
      r = e.submit(e.connectionPin ? static_cast<IOWStream*>(e.connectionPin) : nullptr, e.connectionId, operation,
                   state);
    }
    claim.Release();
    if (r.testFlag(drDataChanged)) {
      auto section = ReadLock();
      const int k = entries.IndexOfLink(e.connectionPin, e.realPin);
      if (k >= 0 && entries[k].weight < TOWPinEntryList::kWeightLimit)
        entries[k].weight += TOWPinEntryList::kWeightStep;
    }
  }
  return result;
}

void TOWStreamPin::DisconnectFromEntries(TOWPinEntryList& entries, TOWBasicPin* other) {
  if (!other) return;
  bool linked;
  {
    auto section = ReadLock();
    linked = entries.IndexOfReal(other) >= 0;
  }
  if (!linked) {
    StateDisconnectFrom(other);
    return;
  }
  OWNotifyPinDisconnected(this, other);
  {
    auto section = WriteLock();
    ++inDisconnect_;
  }
  struct TFlag {
    TOWStreamPin* self;
    ~TFlag() {
      auto section = self->WriteLock();
      --self->inDisconnect_;
    }
  } flag{this};
  IntDisconnect(other);
  other->IntDisconnect(this);
  other->CheckRemove();
}

}  // namespace lumicar
