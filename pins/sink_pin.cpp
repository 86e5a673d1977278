#include "pins/sink_pin.h"

#include <algorithm>

#include "pins/delivery_claim.h"
#include "pins/format_converter.h"
#include "pins/link_lock.h"
#include "pins/link_type.h"
#include "pins/pin_notifier.h"
#include "pins/source_pin.h"
#include "pins/stored/unloaded_pin.h"

namespace lumicar {

TOWSinkPin::TOWSinkPin(TComponent* owner, IOWLock* ownerLock) : TOWBasicSinkPin(owner, ownerLock) {}

TOWSinkPin::~TOWSinkPin() { BeforeDestruction(); }

TOWSourcePin* TOWSinkPin::GetSourcePin() {
  auto section = ReadLock();
  return internalRealSource_;
}

TOWSourcePin* TOWSinkPin::GetConnectionSourcePin() {
  auto section = ReadLock();
  return connectionSource_;
}

TOWSourcePin* TOWSinkPin::ClaimSource(TOWLinkClaim& claim, bool connection) {
  TOWSourcePin* source;
  TOWLinkLockRef link;
  {
    auto section = ReadLock();
    source = connection ? connectionSource_ : internalRealSource_;
    link = upstreamLink_;
  }
  if (!source) return nullptr;
  // A removal of the link closes it first and waits for this claim, so the
  // source read above stays alive while the claim is held.
  return claim.Take(link) ? source : nullptr;
}

TOWFormatConverter* TOWSinkPin::GetFormatConverter() {
  TOWLinkClaim claim;
  TOWSourcePin* connection;
  TOWSourcePin* real;
  {
    auto section = ReadLock();
    connection = connectionSource_;
    real = realSource_;
  }
  if (!connection || !real || connection == real) return nullptr;
  if (ClaimSource(claim) != real) return nullptr;
  auto section = real->ReadLock();
  for (const auto& c : real->converters_)
    if (c->OutputPin() == connection) return c.get();
  return nullptr;
}

TGUID TOWSinkPin::GetConnectedStreamID() {
  auto section = ReadLock();
  return connectedStreamId_;
}

// ---- Links ----

bool TOWSinkPin::ConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin) {
  if (!other) {
    RemoveSourceLink();
    return false;
  }
  if (other == this) return false;
  // A state pin links by state: it takes this sink into its group.
  if (other->GetPinType() == ptState) return other->ConnectAfter(this, afterPin);
  // A placeholder for a pin not loaded yet is recorded apart; nothing flows.
  if (auto* placeholder = qobject_cast<TOWUnloadedPin*>(other)) return ConnectToPlaceholder(placeholder, afterPin);
  auto* source = qobject_cast<TOWSourcePin*>(other);
  if (!source) return false;
  TOWSourcePin* real;
  TOWSourcePin* connection;
  {
    auto section = ReadLock();
    real = realSource_;
    connection = connectionSource_;
  }
  if (real == source && source->GetConnectedAfterForPin(this) == afterPin) return true;
  if (connection == source) return true;
  if (!CanConnectTo(source)) return false;
  if (Dispatcher()) StateDisconnect();
  RemoveSourceLink();
  TInConnectMark inConnect(this);
  // Another thread may link the sink between the removal and the claim: its
  // link is removed in turn, until the claim finds the sink free.
  for (;;) {
    {
      TOWLinkChangeClaim change(linkChange_);
      if (LinkUnderClaim(source, afterPin)) break;
    }
    RemoveSourceLink();
  }
  UpdateUpstream();
  source->NewConnection(this);
  ChainRenegotiate();
  OWNotifyPinConnected(this, source);
  OWNotifyPinChanged(this);
  return true;
}

TOWSinkPin::TInConnectMark::TInConnectMark(TOWSinkPin* pin) : pin_(pin) {
  auto section = pin_->WriteLock();
  pin_->inConnect_ = true;
}

TOWSinkPin::TInConnectMark::~TInConnectMark() {
  auto section = pin_->WriteLock();
  pin_->inConnect_ = false;
}

bool TOWSinkPin::LinkUnderClaim(TOWSourcePin* source, TOWBasicPin* afterPin) {
  {
    auto section = WriteLock();
    if (connectionSource_ || realSource_ || internalRealSource_ || placeholderSource_) return false;
    connectionSource_ = source;
    internalRealSource_ = source;
  }
  source->IntConnect(this, afterPin);
  TOWLinkLockRef link = source->GetLinkLock(this);
  // A converter's output may have set the source fields meanwhile.
  auto section = WriteLock();
  realSource_ = source;
  internalRealSource_ = source;
  upstreamLink_ = link;
  return true;
}

void TOWSinkPin::RemoveSourceLink() {
  RemovePlaceholderLink();
  TOWLinkLockRef drained;
  for (;;) {
    TOWLinkLockRef link;
    TOWSourcePin* old;
    {
      TOWLinkChangeClaim change(linkChange_);
      {
        auto section = ReadLock();
        old = realSource_ ? realSource_ : connectionSource_;
        link = upstreamLink_;
      }
      if (!old) return;
      if (!link || link == drained) {
        old->IntDisconnect(this);
        OWNotifyPinDisconnected(this, old);
        old->CheckRemove();
        IntDisconnect(old);
        return;
      }
    }
    // Closed and drained without the claim: a delivery over the link may
    // be waiting for it (its receiver relinking this sink). What the source
    // sends an unlinked sink (a stop) goes over the link before it closes.
    if (!drained) old->BeforeUnlink(this);
    link->Close();
    drained = std::move(link);
  }
}

void TOWSinkPin::Disconnect() {
  StateDisconnect();
  RemoveSourceLink();
}

void TOWSinkPin::DisconnectFrom(TOWBasicPin* other) {
  if (!other) return;
  bool linked;
  {
    auto section = ReadLock();
    linked = other == realSource_ || other == connectionSource_ || other == placeholderSource_;
  }
  if (linked)
    RemoveSourceLink();
  else
    StateDisconnectFrom(other);
}

void TOWSinkPin::IntDisconnect(TOWBasicPin* other) {
  // Closing the link waits until upstream deliveries from this pin (which
  // call the source) and walks into the source, on other threads, have
  // returned. Normally the source closed it already.
  TOWLinkLockRef link;
  {
    auto section = ReadLock();
    if (!other || (other != realSource_ && other != connectionSource_ && other != internalRealSource_)) return;
    link = upstreamLink_;
  }
  if (link) link->Close();
  {
    auto section = WriteLock();
    if (!other || (other != realSource_ && other != connectionSource_ && other != internalRealSource_)) return;
    upstreamLink_.reset();
    connectionSource_ = nullptr;
    realSource_ = nullptr;
    internalRealSource_ = nullptr;
    upstreamSubmit_ = {};
    connectedStreamId_ = TGUID{};
  }
  OWNotifyPinChanged(this);
}

void TOWSinkPin::UpdateUpstream(const TGUID* preferred) {
  TOWLinkClaim claim;
  TOWSourcePin* source = ClaimSource(claim);
  if (!source) return;
  const TGUID linkId = preferred ? *preferred : source->GetConnectionID(this);
  const TGUID id = OWUpStreamFindConnectionID(this, source, linkId);
  const TOWSubmitFunction submit = id.IsNull() ? TOWSubmitFunction{} : GetSubmitFor(id);
  auto section = WriteLock();
  if (internalRealSource_ != source) return;
  connectedStreamId_ = id;
  upstreamSubmit_ = submit;
}

void TOWSinkPin::SetConnectionSource(TOWSourcePin* source) {
  auto section = WriteLock();
  connectionSource_ = source;
}

void TOWSinkPin::AttachToConverterSource(TOWSourcePin* source, const TGUID& linkId) {
  {
    auto section = WriteLock();
    connectionSource_ = source;
    realSource_ = source;
    internalRealSource_ = source;
    // No entry of its own: the converter's input lives and dies with the
    // source's link through it.
    upstreamLink_ = OWNewLinkLock();
  }
  UpdateUpstream(&linkId);
}

// ---- Delivery upstream ----

TOWDispatchResult TOWSinkPin::Notify(const TIntf<IOWNotifyOperation>& operation) {
  TIntf<IOWNotifyOperation> hold(operation);
  NotifyDispatcher(hold.get(), TOWNotifyState(), nullptr);
  // The claim comes first: clearing the source fields waits for it, so the
  // source read below stays alive for the call.
  TOWDeliveryClaim claim(this);
  if (!claim) return {};
  TOWSourcePin* source;
  TOWSubmitFunction submit;
  TGUID id;
  TOWLinkLockRef linkLock;
  {
    auto section = ReadLock();
    source = internalRealSource_;
    submit = upstreamSubmit_;
    id = connectedStreamId_;
    linkLock = upstreamLink_;
  }
  if (!source || !submit) return {};
  // The source stays alive while the link to it is claimed.
  TOWLinkClaim link(linkLock);
  if (!link) return {};
  TOWReceiving receiving(source);
  TIntf<IOWLockSection> ownerUnlock;
  if (IOWLock* owner = OwnerLock()) ownerUnlock = owner->UnlockAll();
  return submit(static_cast<IOWStream*>(source), id, hold.get(), TOWNotifyState(nsLastReceiver));
}

// ---- Queries ----

bool TOWSinkPin::IsConnectedTo(TOWBasicPin* other) {
  auto section = ReadLock();
  return other && (other == realSource_ || other == placeholderSource_);
}

bool TOWSinkPin::IsConnectedToAfter(TOWBasicPin* other, TOWBasicPin* afterPin) {
  if (TOWBasicPin* placeholder = GetPlaceholderSource())
    return placeholder == other && placeholder->GetConnectedAfterForPin(this) == afterPin;
  TOWLinkClaim claim;
  TOWSourcePin* source = ClaimSource(claim);
  return source && source == other && source->GetConnectedAfterForPin(this) == afterPin;
}

bool TOWSinkPin::IsConnectedByConverterTo(TOWBasicPin* other) {
  auto section = ReadLock();
  return other && other == realSource_ && connectionSource_ != realSource_;
}

int TOWSinkPin::GetConnectedPinCount() {
  auto section = ReadLock();
  return realSource_ || placeholderSource_ ? 1 : 0;
}

TOWBasicPin* TOWSinkPin::GetConnectedPin(int index) {
  auto section = ReadLock();
  if (index != 0) return nullptr;
  return realSource_ ? static_cast<TOWBasicPin*>(realSource_) : placeholderSource_;
}

TOWBasicPin* TOWSinkPin::GetConnectedAfterPin(int index) {
  if (TOWBasicPin* placeholder = index == 0 ? GetPlaceholderSource() : nullptr)
    return placeholder->GetConnectedAfterForPin(this);
  TOWLinkClaim claim;
  TOWSourcePin* source = index == 0 ? ClaimSource(claim) : nullptr;
  return source ? source->GetConnectedAfterForPin(this) : nullptr;
}

TGUID TOWSinkPin::GetConnectionID(TOWBasicPin* other) {
  TOWLinkClaim claim;
  TOWSourcePin* source = ClaimSource(claim);
  return source && source == other ? source->GetConnectionID(this) : TGUID{};
}

TGUID TOWSinkPin::GetPrimaryConnectionID() {
  TOWLinkClaim claim;
  TOWSourcePin* source = ClaimSource(claim);
  return source ? source->GetConnectionID(this) : TGUID{};
}

bool TOWSinkPin::DirectDependsOn(TOWBasicPin* other) {
  auto section = ReadLock();
  return other && other == internalRealSource_;
}

bool TOWSinkPin::DependsOnInt(TOWBasicPin* other, TOWPinVisit& visited) {
  if (!other || !OWVisit(visited, this)) return false;
  TOWLinkClaim claim;
  TOWSourcePin* source = ClaimSource(claim);
  if (!source) return false;
  return source == other || source->DependsOnInt(other, visited);
}

void TOWSinkPin::PinDeletedNotify(TOWBasicPin* pin) {
  TOWBasicSinkPin::PinDeletedNotify(pin);
  bool linked;
  {
    auto section = ReadLock();
    linked = pin == realSource_ || pin == connectionSource_ || pin == internalRealSource_;
    if (pin == placeholderSource_) placeholderSource_ = nullptr;
  }
  // Normally the dying source has unlinked itself already.
  if (linked) IntDisconnect(pin);
}

// ---- Type propagation ----

void TOWSinkPin::UpStreamBackRestrictPossibleStreamTypes(TOWPinTypeRestricted& list, TOWPinVisit& visited) {
  if (!OWVisit(visited, this)) return;
  list.Restrict([&](const TGUID& id) { return ImplementsStream(id); });
  if (IgnoresUpstream()) return;
  TOWLinkClaim claim;
  if (TOWSourcePin* source = ClaimSource(claim)) source->RestrictToPossible(list, visited);
}

bool TOWSinkPin::UpStreamBackQueryPossybleInterface(const TGUID& id, TOWPinVisit& visited) {
  if (!OWVisit(visited, this)) return true;
  if (!ImplementsStream(id)) return false;
  if (IgnoresUpstream()) return true;
  TOWLinkClaim claim;
  TOWSourcePin* source = ClaimSource(claim);
  return !source || source->UpStreamQueryPossybleInterface(id, visited);
}

void TOWSinkPin::BackChainReconnect(std::vector<TOWSourcePin*>& heads, TOWPinVisit& visited) {
  if (!OWVisit(visited, this)) return;
  TOWLinkClaim claim;
  if (TOWSourcePin* connection = ClaimSource(claim, true)) connection->BackPopulateStreamChains(heads, visited);
}

void TOWSinkPin::ForthChainReconnect(TOWPinVisit& visited) {
  if (!OWVisit(visited, this)) return;
  UpdateUpstream();
  ForthToDependants(visited);
}

}  // namespace lumicar
