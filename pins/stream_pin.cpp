#include "pins/stream_pin.h"

#include "pins/delivery_claim.h"
#include "pins/link_lock.h"
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
  {
    auto section = ReadLock();
    copy.CopyFromList(entries);
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

  // The receivers: the copy without converter duplicates (a converter serving
  // several links is handed the operation once). The full copy stays, so that
  // another link through the same converter stands in for one being removed.
  TOWPinEntryList receivers = copy;
  receivers.RemoveConverterDuplicates();
  const TOWDispatchResult result = NotifyDispatcher(operation, TOWNotifyState(), nullptr);

  const int n = receivers.Count();
  for (int i = 0; i < n; ++i) {
    const TOWPinEntry* e = &receivers[i];
    if (pin && e->realPin != pin) continue;
    if (!e->submit) continue;
    const TOWNotifyState state = i == n - 1 ? TOWNotifyState(nsLastReceiver) : TOWNotifyState();
    // The claim on this pin keeps it alive for the call (refused only while
    // it is being destroyed); the claim on the link keeps the receiver alive
    // (refused only while that one link is being removed: the other links of
    // this pin are delivered to meanwhile).
    TOWDeliveryClaim claim(this);
    if (!claim) continue;
    TOWLinkClaim link(e->link);
    if (!link && !pin && e->connectionPin != e->realPin) {
      for (const TOWPinEntry& other : copy)
        if (&other != e && other.connectionPin == e->connectionPin && other.realPin != e->realPin &&
            link.Take(other.link)) {
          e = &other;
          break;
        }
    }
    if (!link) continue;
    TOWDispatchResult r;
    {
      TOWReceiving receiving(e->connectionPin, e->realPin);
      TIntf<IOWLockSection> ownerUnlock;
      if (IOWLock* owner = OwnerLock()) ownerUnlock = owner->UnlockAll();
      r = e->submit(e->connectionPin ? static_cast<IOWStream*>(e->connectionPin) : nullptr, e->connectionId, operation,
                    state);
    }
    const TOWBasicPin* connectionPin = e->connectionPin;
    const TOWBasicPin* realPin = e->realPin;
    link.Release();
    claim.Release();
    if (r.testFlag(drDataChanged)) {
      auto section = ReadLock();
      const int k = entries.IndexOfLink(connectionPin, realPin);
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
