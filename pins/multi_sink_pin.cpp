#include "pins/multi_sink_pin.h"

#include <algorithm>

#include "pins/link_lock.h"
#include "pins/link_type.h"
#include "pins/pin_notifier.h"
#include "pins/source_pin.h"
#include "pins/stored/unloaded_pin.h"

namespace lumicar {

TOWMultiSinkPin::TOWMultiSinkPin(TComponent* owner, IOWLock* ownerLock) : TOWBasicSinkPin(owner, ownerLock) {}

TOWMultiSinkPin::~TOWMultiSinkPin() { BeforeDestruction(); }

int TOWMultiSinkPin::GetSourceCount() {
  auto section = ReadLock();
  return entries_.Count();
}

TOWSourcePin* TOWMultiSinkPin::GetSource(int index) {
  auto section = ReadLock();
  if (index < 0 || index >= entries_.Count()) return nullptr;
  // A placeholder standing for a source is no source.
  return qobject_cast<TOWSourcePin*>(entries_[index].realPin);
}

TOWPinEntryList TOWMultiSinkPin::GetEntries() {
  auto section = ReadLock();
  return entries_;
}

// ---- Links ----

bool TOWMultiSinkPin::ConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin) {
  if (!other || other == this) return false;
  // A state pin links by state: it takes this pin into its group.
  if (other->GetPinType() == ptState) return other->ConnectAfter(this, afterPin);
  // A placeholder for a pin not loaded yet gets an entry without stream type.
  if (auto* placeholder = qobject_cast<TOWUnloadedPin*>(other)) return ConnectToPlaceholder(placeholder, afterPin);
  auto* source = qobject_cast<TOWSourcePin*>(other);
  if (!source) return false;
  bool linked;
  {
    auto section = ReadLock();
    linked = entries_.IndexOfReal(source) >= 0;
  }
  if (linked && source->IsConnectedToAfter(this, afterPin)) return true;
  if (!CanConnectTo(source)) return false;
  if (Dispatcher()) StateDisconnect();
  if (linked) DisconnectFrom(source);
  {
    auto section = WriteLock();
    entries_.Add(TOWPinEntry{source, source, nullptr, TGUID{}, TOWSubmitFunction{}, 0, OWNewLinkLock()});
  }
  source->IntConnect(this, afterPin);
  UpdateUpstream(source);
  source->NewConnection(this);
  ChainRenegotiate();
  OWNotifyPinConnected(this, source);
  OWNotifyPinChanged(this);
  return true;
}

void TOWMultiSinkPin::UpdateUpstream(TOWSourcePin* source) {
  const TGUID id = OWUpStreamFindConnectionID(this, source, source->GetConnectionID(this));
  const TOWSubmitFunction submit = id.IsNull() ? TOWSubmitFunction{} : GetSubmitFor(id);
  auto section = WriteLock();
  const int k = entries_.IndexOfReal(source);
  if (k < 0) return;
  entries_[k].connectionId = id;
  entries_[k].submit = submit;
}

void TOWMultiSinkPin::Disconnect() {
  StateDisconnect();
  std::vector<TOWBasicPin*> sources;
  {
    auto section = ReadLock();
    for (int i = entries_.Count() - 1; i >= 0; --i) sources.push_back(entries_[i].realPin);
  }
  for (TOWBasicPin* source : sources) DisconnectFrom(source);
}

void TOWMultiSinkPin::DisconnectFrom(TOWBasicPin* other) { DisconnectFromEntries(entries_, other); }

void TOWMultiSinkPin::IntDisconnect(TOWBasicPin* other) {
  // Closing the link waits until upstream deliveries and walks over it (on
  // other threads) have returned; the other sources are not held up.
  TOWLinkLockRef link;
  {
    auto section = ReadLock();
    const int k = entries_.IndexOfReal(other);
    if (k < 0) return;
    link = entries_[k].link;
  }
  if (link) link->Close();
  {
    auto section = WriteLock();
    const int k = entries_.IndexOfReal(other);
    if (k < 0) return;
    entries_.Delete(k);
    ++unlinkGeneration_;
  }
  OWNotifyPinChanged(this);
}

// ---- Delivery upstream ----

TOWDispatchResult TOWMultiSinkPin::Notify(const TIntf<IOWNotifyOperation>& operation) {
  return DeliverOverEntries(entries_, nullptr, operation.get());
}

TOWDispatchResult TOWMultiSinkPin::NotifyPin(TOWBasicPin* pin, const TIntf<IOWNotifyOperation>& operation) {
  return DeliverOverEntries(entries_, pin, operation.get());
}

// ---- Queries ----

bool TOWMultiSinkPin::IsConnectedTo(TOWBasicPin* other) {
  auto section = ReadLock();
  return other && entries_.IndexOfReal(other) >= 0;
}

bool TOWMultiSinkPin::IsConnectedToAfter(TOWBasicPin* other, TOWBasicPin* afterPin) {
  return IsConnectedTo(other) && other->GetConnectedAfterForPin(this) == afterPin;
}

bool TOWMultiSinkPin::IsConnectedByConverterTo(TOWBasicPin* other) {
  return IsConnectedTo(other) && other->IsConnectedByConverterTo(this);
}

int TOWMultiSinkPin::GetConnectedPinCount() { return GetSourceCount(); }

TOWBasicPin* TOWMultiSinkPin::GetConnectedPin(int index) { return GetSource(index); }

TGUID TOWMultiSinkPin::GetConnectionID(TOWBasicPin* other) {
  return IsConnectedTo(other) ? other->GetConnectionID(this) : TGUID{};
}

TGUID TOWMultiSinkPin::GetPrimaryConnectionID() {
  TOWSourcePin* source = GetSource(0);
  return source ? source->GetConnectionID(this) : TGUID{};
}

bool TOWMultiSinkPin::DirectDependsOn(TOWBasicPin* other) { return IsConnectedTo(other); }

bool TOWMultiSinkPin::DependsOnInt(TOWBasicPin* other, TOWPinVisit& visited) {
  if (!other || !OWVisit(visited, this)) return false;
  const TOWPinEntryList entries = GetEntries();
  for (const auto& e : entries)
    if (e.realPin == other) return true;
  for (const auto& e : entries)
    if (auto* source = qobject_cast<TOWSourcePin*>(e.realPin)) {
      TOWLinkClaim link(e.link);  // the source stays alive while the walk is in it
      if (link && source->DependsOnInt(other, visited)) return true;
    }
  return false;
}

void TOWMultiSinkPin::PinDeletedNotify(TOWBasicPin* pin) {
  TOWBasicSinkPin::PinDeletedNotify(pin);
  bool linked;
  {
    auto section = ReadLock();
    linked = entries_.IndexOfReal(pin) >= 0;
  }
  // Normally the dying source has unlinked itself already.
  if (linked) IntDisconnect(pin);
}

// ---- Type propagation: not taken part in ----

void TOWMultiSinkPin::UpStreamBackRestrictPossibleStreamTypes(TOWPinTypeRestricted&, TOWPinVisit&) {}

bool TOWMultiSinkPin::UpStreamBackQueryPossybleInterface(const TGUID& id, TOWPinVisit&) { return ImplementsStream(id); }

void TOWMultiSinkPin::BackChainReconnect(std::vector<TOWSourcePin*>& heads, TOWPinVisit& visited) {
  if (!OWVisit(visited, this)) return;
  const TOWPinEntryList entries = GetEntries();
  for (const auto& e : entries)
    if (auto* source = qobject_cast<TOWSourcePin*>(e.realPin)) {
      TOWLinkClaim link(e.link);
      if (link) source->BackPopulateStreamChains(heads, visited);
    }
}

void TOWMultiSinkPin::ForthChainReconnect(TOWPinVisit& visited) {
  if (!OWVisit(visited, this)) return;
  const TOWPinEntryList entries = GetEntries();
  for (const auto& e : entries)
    if (auto* source = qobject_cast<TOWSourcePin*>(e.realPin)) {
      TOWLinkClaim link(e.link);
      if (link) UpdateUpstream(source);
    }
  ForthToDependants(visited);
}

}  // namespace lumicar
