#pragma once
// TOWStreamPin: a pin that takes part in stream links (sources, sinks,
// multi-sinks). It knows which stream types it can offer or accept along its
// chain of data-type dependencies, and it carries the delivery loop that
// sources (downstream) and multi-sinks (upstream) share.

#include <atomic>
#include <vector>

#include "pins/pin.h"
#include "pins/pin_entry.h"

namespace lumicar {

class TOWSourcePin;

class TOWStreamPin : public TOWPin {
  Q_OBJECT
 public:
  using TOWPin::TOWPin;

  // Candidate types of a link leaving this pin downstream: its own types,
  // in order, narrowed by its chain upstream. The base: its own types.
  virtual void DownStreamFillPossibleStreamTypes(TOWPinTypeRestricted& list);
  // Candidate types for traffic leaving this pin upstream: its own types,
  // narrowed by its chain downstream. The base: its own types.
  virtual void UpStreamFillPossibleStreamTypes(TOWPinTypeRestricted& list);
  // The chain below this pin accepts id (the base: the pin implements id).
  virtual bool DownStreamQueryPossybleInterface(const TGUID& id, TOWPinVisit& visited);
  // The chain above this pin accepts id (the base: the pin implements id).
  virtual bool UpStreamQueryPossybleInterface(const TGUID& id, TOWPinVisit& visited);
  // Renegotiation: collects the heads of the chains this pin belongs to.
  virtual void BackPopulateStreamChains(std::vector<TOWSourcePin*>& heads, TOWPinVisit& visited);

 protected:
  // The delivery loop over a list of entries (a source's sinks or a
  // multi-sink's sources): copy, converter de-duplication, depth limit,
  // state group first, then each receiver with the pin's lock and the
  // calling thread's hold on the owner's lock given up, the pin's destroy
  // lock and the entry's link claimed (a link being removed is passed over,
  // the others are delivered to); finally weights and order are written
  // back. Only `pin` receives when it is given.
  TOWDispatchResult DeliverOverEntries(TOWPinEntryList& entries, TOWBasicPin* pin, IOWNotifyOperation* operation);

  // DisconnectFrom of a pin whose stream links are `entries`: unlinks both
  // ends with the in-disconnect mark set (so deliveries leave the order
  // alone); a pin not in the entries may still share a state group.
  void DisconnectFromEntries(TOWPinEntryList& entries, TOWBasicPin* other);

  // Non-zero while a disconnect of this pin runs (then deliveries do not
  // reorder the entries). Guarded by the pin lock.
  int32_t inDisconnect_ = 0;
  // Raised (under the pin lock) whenever an entry is removed. Deliveries do
  // not need it any more (a granted claim on an entry's link means the link
  // is still there); kept for descendants that watch unlinks.
  std::atomic<uint32_t> unlinkGeneration_{0};
};

}  // namespace lumicar
