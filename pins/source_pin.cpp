#include "pins/source_pin.h"

#include <algorithm>

#include "pins/basic_sink_pin.h"
#include "pins/delivery_claim.h"
#include "pins/format_converter.h"
#include "pins/link_lock.h"
#include "pins/link_type.h"
#include "pins/notify_operation.h"
#include "pins/ow_exception.h"
#include "pins/pin_notifier.h"
#include "pins/sink_pin.h"
#include "pins/stored/unloaded_pin.h"
#include "runtime/component.h"

namespace lumicar {

TOWSourcePin::TOWSourcePin(TComponent* owner, IOWLock* ownerLock) : TOWStreamPin(owner, ownerLock) {}

TOWSourcePin::~TOWSourcePin() {
  BeforeDestruction();
  // Converters left over (normally none: the last link through each freed
  // it) go now, while the pin's fields still live.
  std::vector<std::unique_ptr<TOWFormatConverter>> converters;
  {
    auto section = WriteLock();
    converters.swap(converters_);
  }
}

// ---- Queries ----

int TOWSourcePin::GetSinkCount() {
  auto section = ReadLock();
  return entries_.Count();
}

TOWBasicPin* TOWSourcePin::GetSink(int index) {
  auto section = ReadLock();
  if (index < 0 || index >= entries_.Count()) return nullptr;
  return entries_[index].realPin;
}

int TOWSourcePin::GetConverterCount() {
  auto section = ReadLock();
  return static_cast<int>(converters_.size());
}

TOWFormatConverter* TOWSourcePin::GetConverter(int index) {
  auto section = ReadLock();
  if (index < 0 || index >= static_cast<int>(converters_.size())) return nullptr;
  return converters_[size_t(index)].get();
}

TOWLinkLockRef TOWSourcePin::GetLinkLock(TOWBasicPin* sink) {
  auto section = ReadLock();
  const int k = sink ? entries_.IndexOfReal(sink) : -1;
  return k >= 0 ? entries_[k].link : nullptr;
}

TOWPinEntryList TOWSourcePin::GetEntries() {
  auto section = ReadLock();
  return entries_;
}

bool TOWSourcePin::IsConnectedTo(TOWBasicPin* other) {
  auto section = ReadLock();
  return other && entries_.IndexOfReal(other) >= 0;
}

bool TOWSourcePin::IsConnectedToAfter(TOWBasicPin* other, TOWBasicPin* afterPin) {
  auto section = ReadLock();
  const int k = other ? entries_.IndexOfReal(other) : -1;
  return k >= 0 && entries_[k].afterPin == afterPin;
}

bool TOWSourcePin::IsConnectedByConverterTo(TOWBasicPin* other) {
  auto section = ReadLock();
  const int k = other ? entries_.IndexOfReal(other) : -1;
  return k >= 0 && entries_[k].connectionPin != other;
}

int TOWSourcePin::GetConnectedPinCount() { return GetSinkCount(); }

TOWBasicPin* TOWSourcePin::GetConnectedPin(int index) { return GetSink(index); }

TOWBasicPin* TOWSourcePin::GetConnectedAfterPin(int index) {
  auto section = ReadLock();
  if (index < 0 || index >= entries_.Count()) return nullptr;
  return entries_[index].afterPin;
}

TOWBasicPin* TOWSourcePin::GetConnectedAfterForPin(TOWBasicPin* pin) {
  auto section = ReadLock();
  const int k = pin ? entries_.IndexOfReal(pin) : -1;
  return k >= 0 ? entries_[k].afterPin : nullptr;
}

TGUID TOWSourcePin::GetConnectionID(TOWBasicPin* other) {
  auto section = ReadLock();
  const int k = other ? entries_.IndexOfReal(other) : -1;
  return k >= 0 ? entries_[k].connectionId : TGUID{};
}

TGUID TOWSourcePin::GetPrimaryConnectionID() {
  auto section = ReadLock();
  return entries_.Empty() ? TGUID{} : entries_[0].connectionId;
}

bool TOWSourcePin::DirectDependsOn(TOWBasicPin* other) {
  auto* sink = qobject_cast<TOWBasicSinkPin*>(other);
  return sink && functionSinks_.Contains(sink);
}

bool TOWSourcePin::DependsOnInt(TOWBasicPin* other, TOWPinVisit& visited) {
  if (!other || !OWVisit(visited, this)) return false;
  const auto sinks = functionSinks_.Snapshot();
  for (TOWBasicSinkPin* sink : sinks)
    if (sink == other) return true;
  for (TOWBasicSinkPin* sink : sinks)
    if (sink->DependsOnInt(other, visited)) return true;
  return false;
}

HRESULT TOWSourcePin::RequestInterface(const TGUID& id, void** object) {
  TOWPinVisit visited;
  if (!UpStreamQueryPossybleInterface(id, visited)) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
  }
  return TOWStreamPin::RequestInterface(id, object);
}

// ---- Type propagation ----

void TOWSourcePin::DownStreamFillPossibleStreamTypes(TOWPinTypeRestricted& list) {
  static_cast<TOWPinStreamType&>(list) = GetTypes();
  TOWPinVisit visited{this};
  for (TOWBasicSinkPin* sink : dataTypeSinks_.Snapshot()) sink->UpStreamBackRestrictPossibleStreamTypes(list, visited);
}

void TOWSourcePin::RestrictToPossible(TOWPinTypeRestricted& list, TOWPinVisit& visited) {
  if (!OWVisit(visited, this)) return;
  list.Restrict([&](const TGUID& id) { return ImplementsStream(id); });
  for (TOWBasicSinkPin* sink : dataTypeSinks_.Snapshot()) sink->UpStreamBackRestrictPossibleStreamTypes(list, visited);
}

bool TOWSourcePin::DownStreamQueryPossybleInterface(const TGUID& id, TOWPinVisit& visited) {
  if (!OWVisit(visited, this)) return true;
  if (!ImplementsStream(id)) return false;
  const TOWPinEntryList entries = GetEntries();
  for (const auto& e : entries) {
    auto* sink = qobject_cast<TOWBasicSinkPin*>(e.connectionPin);
    if (!sink) continue;
    // The sink stays alive while the walk is in it (or the link is going).
    TOWLinkClaim link(e.link);
    if (link && !sink->DownStreamBackQueryPossybleInterface(id, visited)) return false;
  }
  return true;
}

bool TOWSourcePin::UpStreamQueryPossybleInterface(const TGUID& id, TOWPinVisit& visited) {
  if (!OWVisit(visited, this)) return true;
  if (!ImplementsStream(id)) return false;
  for (TOWBasicSinkPin* sink : dataTypeSinks_.Snapshot())
    if (!sink->UpStreamBackQueryPossybleInterface(id, visited)) return false;
  return true;
}

void TOWSourcePin::BackPopulateStreamChains(std::vector<TOWSourcePin*>& heads, TOWPinVisit& visited) {
  if (!OWVisit(visited, this)) return;
  const auto sinks = dataTypeSinks_.Snapshot();
  if (sinks.empty()) {
    heads.push_back(this);
    return;
  }
  for (TOWBasicSinkPin* sink : sinks) sink->BackChainReconnect(heads, visited);
}

void TOWSourcePin::ForthReconnect(TOWPinVisit& visited) {
  if (!OWVisit(visited, this)) return;
  const TOWPinEntryList entries = GetEntries();
  for (const auto& e : entries) {
    if (!e.connectionPin) continue;
    // Every call into the sink (and the converter in front of it) below runs
    // under a claim on the link: a sink freed on another thread meanwhile
    // first removes its link, which waits for this claim; a link being
    // removed is passed over.
    TOWLinkClaim link(e.link);
    if (!link) continue;
    TGUID id = e.connectionId;
    TOWFormatConverter* converter = nullptr;
    if (e.connectionPin == e.realPin) {
      // A direct link stays direct; a type that would now need a converter
      // leaves the link as it is.
      const TOWLinkChoice choice = OWDownStreamFindConnectionID(this, e.realPin, true, false);
      if (choice && !choice.converter) id = choice.id;
    } else {
      const TOWLinkChoice choice = OWDownStreamFindConnectionID(this, e.connectionPin, false, false);
      if (choice) id = choice.id;
      auto section = ReadLock();
      for (const auto& c : converters_)
        if (c->InputPin() == e.connectionPin) converter = c.get();
    }
    if (!(id == e.connectionId)) {
      {
        auto section = WriteLock();
        const int k = entries_.IndexOfLink(e.connectionPin, e.realPin);
        if (k >= 0) {
          entries_[k].connectionId = id;
          entries_[k].submit = GetSubmitFor(id);
        }
      }
      NewConnection(e.realPin);
    }
    if (converter) {
      converter->InputPin()->UpdateUpstream(&id);
      converter->OutputPin()->ForthReconnect(visited);
    } else if (auto* sink = qobject_cast<TOWBasicSinkPin*>(e.realPin)) {
      sink->ForthChainReconnect(visited);
    }
  }
}

// ---- Links ----

bool TOWSourcePin::CanConnectToInt(TOWBasicPin* other, bool allowConverters) {
  // A placeholder for a pin not loaded yet decides for itself.
  if (qobject_cast<TOWUnloadedPin*>(other)) return other->CanConnectToInt(this, allowConverters);
  if (!DesignModesMatch(other)) return false;
  switch (other->GetPinType()) {
    case ptSink:
    case ptMultiSink:
      return other->CanConnectToInt(this, allowConverters);
    case ptState:
      return !FindConnectionID(other).IsNull() && !other->FindConnectionID(this).IsNull();
    default:
      return false;
  }
}

bool TOWSourcePin::CanConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin, bool allowConverters) {
  TOWPinVisit visited;
  for (;;) {
    const bool base = TOWBasicPin::CanConnectAfter(other, afterPin, allowConverters);
    if (base || other == afterPin) return base;
    TComponent* owner = GetOwnerComponent();
    if ((owner && owner->IsLoading()) || InEditor()) return true;
    // The after pin must be linked, and its chain of after pins must end
    // without coming back to other.
    TOWBasicPin* next;
    {
      auto section = ReadLock();
      const int k = entries_.IndexOfReal(afterPin);
      if (k < 0) return false;
      next = entries_[k].afterPin;
    }
    if (!next) return true;
    if (!OWVisit(visited, afterPin)) return false;
    afterPin = next;
  }
}

bool TOWSourcePin::ConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin) {
  // Two sources never link; asking the other one back would go round for
  // ever while the owner loads (when the after-pin check lets everything by).
  if (!other || other == this || other->GetPinType() == ptSource) return false;
  if (!CanConnectAfter(other, afterPin)) return false;
  return other->ConnectAfter(this, afterPin);
}

bool TOWSourcePin::IntConnectAfter(TOWBasicPin* sink, TOWBasicPin* afterPin) {
  if (!sink || sink == this) return false;
  return sink->ConnectAfter(this, afterPin);
}

bool TOWSourcePin::IntConnect(TOWBasicPin* other, TOWBasicPin* afterPin) {
  // A placeholder gets an entry without stream type: nothing is delivered to it.
  if (qobject_cast<TOWUnloadedPin*>(other)) {
    {
      auto section = WriteLock();
      const int k = entries_.IndexOfReal(other);
      if (k >= 0)
        entries_[k].afterPin = afterPin;
      else
        entries_.Add(TOWPinEntry{other, other, afterPin, TGUID{}, TOWSubmitFunction{}, 0, OWNewLinkLock()});
    }
    OWNotifyPinChanged(this);
    return true;
  }
  return IntConnectTyped(other, afterPin, true);
}

bool TOWSourcePin::IntConnectTyped(TOWBasicPin* sink, TOWBasicPin* afterPin, bool allowConverters) {
  {
    auto section = WriteLock();
    entries_.Add(TOWPinEntry{nullptr, sink, afterPin, TGUID{}, TOWSubmitFunction{}, 0, OWNewLinkLock()});
  }
  const TOWLinkChoice choice = OWDownStreamFindConnectionID(this, sink, allowConverters, allowConverters);
  TOWFormatConverter* converter = choice.converter;
  std::unique_ptr<TOWFormatConverter> created;
  if (!converter && choice.converterClass) {
    // Made outside this pin's lock: a new converter brings new pins, and
    // making pins takes the framework's global section.
    created.reset(choice.converterClass());
    converter = created.get();
    converter->InputPin()->AttachToConverterSource(this, choice.id);
  }
  if (converter) converter->OutputPin()->LinkFromConverter(sink, afterPin);
  {
    auto section = WriteLock();
    const int k = entries_.IndexOfLink(nullptr, sink);
    if (k >= 0) {
      TOWPinEntry& e = entries_[k];
      e.connectionPin = converter ? static_cast<TOWBasicPin*>(converter->InputPin()) : sink;
      e.connectionId = choice.id;
      e.submit = GetSubmitFor(choice.id);
    }
    if (created) converters_.push_back(std::move(created));
  }
  OWNotifyPinChanged(this);
  return true;
}

bool TOWSourcePin::LinkFromConverter(TOWBasicPin* sink, TOWBasicPin* afterPin) {
  IntConnectTyped(sink, afterPin, false);
  if (auto* k = qobject_cast<TOWSinkPin*>(sink)) k->SetConnectionSource(this);
  NewConnection(sink);
  return true;
}

void TOWSourcePin::NewConnection(TOWBasicPin* sink) {
  {
    auto section = WriteLock();
    if (sendingDepth_ > kMaxNewConnectionDepth) throw EOWException(QString::fromLatin1(kOWDependsOnItselfMessage));
    ++sendingDepth_;
  }
  struct TDepth {
    TOWSourcePin* self;
    bool done = false;
    ~TDepth() {
      auto section = self->WriteLock();
      if (done) OWNotifyPinChanged(self);
      --self->sendingDepth_;
    }
  } depth{this};

  const TOWLinkChoice choice = OWDownStreamFindConnectionID(this, sink, true, false);
  TOWBasicPin* receiver = nullptr;
  TOWSubmitFunction submit;
  TGUID id;
  TOWLinkLockRef linkLock;
  {
    auto section = ReadLock();
    const int k = entries_.IndexOfReal(sink);
    if (k < 0) return;
    receiver = entries_[k].connectionPin;
    submit = entries_[k].submit;
    id = choice ? choice.id : entries_[k].connectionId;
    linkLock = entries_[k].link;
  }
  {
    // The calling thread gives up this pin and its owner for the call, so
    // that the new receiver may call back into either.
    auto selfUnlock = UnlockAll();
    TIntf<IOWLockSection> ownerUnlock;
    if (IOWLock* owner = OwnerLock()) ownerUnlock = owner->UnlockAll();
    TOWDeliveryClaim claim(this);
    TOWLinkClaim link(linkLock);
    if (submit && claim && link) {
      TOWReceiving receiving(receiver, sink);
      TIntf<IOWNotifyOperation> operation = MakeIntf<TOWNotifyOperation>();
      submit(receiver ? static_cast<IOWStream*>(receiver) : nullptr, id, operation.get(),
             TOWNotifyState(nsConnectionNotice) | nsLastReceiver);
    }
  }
  depth.done = true;
}

void TOWSourcePin::Disconnect() {
  StateDisconnect();
  std::vector<TOWBasicPin*> sinks;
  {
    auto section = ReadLock();
    for (int i = entries_.Count() - 1; i >= 0; --i) sinks.push_back(entries_[i].realPin);
  }
  for (TOWBasicPin* sink : sinks) DisconnectFrom(sink);
  auto section = WriteLock();
  entries_.Clear();
  ++unlinkGeneration_;
}

void TOWSourcePin::DisconnectFrom(TOWBasicPin* other) {
  auto* sink = qobject_cast<TOWSinkPin*>(other);
  if (!sink) {
    DisconnectFromEntries(entries_, other);
    return;
  }
  // Both ends of the link go under the sink's link-change claim, which is
  // taken only once the link is drained (see TOWLinkChangeGate); a link made
  // anew meanwhile is drained in turn.
  TOWLinkLockRef drained;
  for (;;) {
    TOWLinkLockRef link = GetLinkLock(sink);
    if (link && link != drained) {
      if (!drained) BeforeUnlink(other);
      link->Close();
      drained = std::move(link);
      continue;
    }
    TOWLinkChangeClaim change(sink->linkChange_);
    if (GetLinkLock(sink) != link) continue;
    DisconnectFromEntries(entries_, other);
    return;
  }
}

void TOWSourcePin::IntDisconnect(TOWBasicPin* other) {
  // Closing the link waits until deliveries and walks over it (on other
  // threads) have returned: after this, nothing of this pin calls the
  // unlinked sink any more. The pin's other links are not held up, and a
  // receiver may unlink itself from inside the delivery to it.
  TOWLinkLockRef linkLock;
  {
    auto section = ReadLock();
    const int k = entries_.IndexOfReal(other);
    if (k < 0) return;
    linkLock = entries_[k].link;
  }
  if (linkLock) {
    BeforeUnlink(other);
    linkLock->Close();
  }
  std::unique_ptr<TOWFormatConverter> freed;
  TOWFormatConverter* converter = nullptr;
  TOWBasicPin* after = nullptr;
  {
    auto section = WriteLock();
    const int k = entries_.IndexOfReal(other);
    if (k < 0) return;
    TOWBasicPin* connection = entries_[k].connectionPin;
    after = entries_[k].afterPin;
    entries_.Delete(k);
    ++unlinkGeneration_;
    if (connection && connection != other)
      for (const auto& c : converters_)
        if (c->InputPin() == connection) converter = c.get();
  }
  if (converter) {
    // The converter's output drops the sink; a converter left without links
    // is freed (outside this pin's lock, since freeing pins takes the
    // framework's global section).
    converter->OutputPin()->IntDisconnect(other);
    const bool unused = converter->OutputPin()->GetSinkCount() == 0;
    auto section = WriteLock();
    if (unused && entries_.IndexOfConnection(converter->InputPin()) < 0) {
      auto it =
          std::find_if(converters_.begin(), converters_.end(), [&](const auto& c) { return c.get() == converter; });
      if (it != converters_.end()) {
        freed = std::move(*it);
        converters_.erase(it);
      }
    }
  }
  if (freed) {
    // Inside a delivery (a sink unlinking itself through the converter) the
    // converter's pins may be on this thread's stack: it goes once the
    // thread has returned from its receivers.
    OWDeferWhileReceiving([converter = freed.release()] { delete converter; });
  }
  OWNotifyPinChanged(this);
  other->CheckRemove();
  // A placeholder that only stood as this link's after pin may go now.
  if (after != other) OWCheckAfterPlaceholder(after);
}

// ---- Delivery ----

TOWDispatchResult TOWSourcePin::Notify(const TIntf<IOWNotifyOperation>& operation) {
  return DeliverOverEntries(entries_, nullptr, operation.get());
}

void TOWSourcePin::BeforeUnlink(TOWBasicPin*) {}

TOWDispatchResult TOWSourcePin::NotifyPin(TOWBasicPin* pin, const TIntf<IOWNotifyOperation>& operation) {
  return DeliverOverEntries(entries_, pin, operation.get());
}

// ---- Notices ----

void TOWSourcePin::PinDeletedNotify(TOWBasicPin* pin) {
  TOWStreamPin::PinDeletedNotify(pin);
  bool linked = false;
  {
    auto section = ReadLock();
    for (const auto& e : entries_) linked |= e.realPin == pin || e.connectionPin == pin;
  }
  // Normally the dying pin has unlinked itself already; if not, running
  // deliveries to it end before its entry goes.
  if (linked) {
    std::vector<TOWLinkLockRef> links;
    {
      auto section = ReadLock();
      for (const auto& e : entries_)
        if ((e.realPin == pin || e.connectionPin == pin) && e.link) links.push_back(e.link);
    }
    for (const auto& l : links) l->Close();
  }
  auto section = WriteLock();
  functionSinks_.Forget(pin);
  dataTypeSinks_.Forget(pin);
  for (int i = entries_.Count() - 1; i >= 0; --i) {
    TOWPinEntry& e = entries_[i];
    if (e.realPin == pin || e.connectionPin == pin) {
      entries_.Delete(i);
      ++unlinkGeneration_;
    } else if (e.afterPin == pin) {
      e.afterPin = nullptr;
    }
  }
}

void TOWSourcePin::SetNotifyAfterByName(TOWBasicPin* pin, const QString& name) {
  const TOWPinEntryList entries = GetEntries();
  TOWBasicPin* after = nullptr;
  for (bool withRoot : {false, true}) {
    for (const auto& e : entries) {
      if (!e.realPin || e.realPin == pin) continue;
      TOWLinkClaim link(e.link);  // the linked pin stays alive while it is named
      if (link && e.realPin->GetFullName(withRoot) == name) {
        after = e.realPin;
        break;
      }
    }
    if (after) break;
  }
  if (!after) return;
  auto section = WriteLock();
  const int k = entries_.IndexOfReal(pin);
  if (k >= 0) entries_[k].afterPin = after;
}

QString TOWSourcePin::GetAfterPinDisplayName(TOWBasicPin* pin) {
  TOWBasicPin* after = GetConnectedAfterForPin(pin);
  return after ? after->GetFullName(true) : QString();
}

}  // namespace lumicar
