// The state-group side of the pins: joining and leaving groups, introducing
// a member's state to its group, and delivery to the other members.

#include <algorithm>
#include <mutex>
#include <optional>

#include "pins/delivery_claim.h"
#include "pins/format_converter.h"
#include "pins/link_lock.h"
#include "pins/link_type.h"
#include "pins/notify_operation.h"
#include "pins/pin_notifier.h"
#include "pins/pin_registry.h"
#include "pins/sink_pin.h"
#include "pins/source_pin.h"
#include "pins/state/state_dispatcher.h"
#include "pins/state/state_pin.h"
#include "runtime/component.h"

namespace lumicar {

// ---- The group reference ----

TOWStateDispatcherRef TOWBasicPin::Dispatcher() {
  std::lock_guard guard(critSect_);
  return dispatcher_;
}

void TOWBasicPin::SetDispatcher(TOWStateDispatcherRef group) {
  // The old reference is dropped outside the section: it may be the last one,
  // and a group that goes frees its converters' pins.
  TOWStateDispatcherRef old;
  {
    std::lock_guard guard(critSect_);
    old = std::move(dispatcher_);
    dispatcher_ = std::move(group);
  }
}

void TOWBasicPin::ClearDispatcher(const TOWStateDispatcher* group) {
  TOWStateDispatcherRef old;
  {
    std::lock_guard guard(critSect_);
    if (dispatcher_.get() == group) old = std::move(dispatcher_);
  }
}

TOWStateDispatcherRef TOWBasicPin::CreateDispatcher(TComponent* component) {
  return TOWStateDispatcher::CreateFor(component);
}

TOWStateDispatcherRef TOWBasicPin::CreateNamedDispatcher(const QString& name, bool design) {
  return TOWStateDispatcher::Create(name, design);
}

// ---- Queries ----

bool TOWBasicPin::IsStateConnected() { return Dispatcher() != nullptr; }

bool TOWBasicPin::IsConnectedToState(const TOWStateDispatcherRef& group) { return group && Dispatcher() == group; }

bool TOWBasicPin::IsConnectedByStateTo(TOWBasicPin* other) {
  TOWStateDispatcherRef group = Dispatcher();
  return group && other && other != this && group->IsMember(other);
}

bool TOWBasicPin::IsConnectedByStateToAfter(TOWBasicPin* other, TOWBasicPin* afterPin) {
  TOWStateDispatcherRef group = Dispatcher();
  return IsConnectedByStateTo(other) && group->GetConnectedAfterForPin(other) == afterPin;
}

TOWLinkChoice TOWBasicPin::FindStateLink(TOWBasicPin* other) { return TOWLinkChoice{FindConnectionID(other)}; }

bool TOWBasicPin::CanConnectToStateInt(const TOWStateDispatcherRef& group, bool allowConverters) {
  if (!group) return false;
  if (group == Dispatcher()) return true;
  // A sink is fed by the group's other members; it need not reach the other
  // sinks.
  // A dissolved group takes nobody in.
  if (group->IsDissolved()) return false;
  const bool skipSinks = GetPinType() == ptSink;
  bool can = true;
  OWForEachMember(group, [&](const TOWDispatcherPinStorage& m) {
    if (!can || m.realPin == this || (skipSinks && m.realPin->GetPinType() == ptSink)) return;
    can = CanConnectToInt(m.realPin, allowConverters);
  });
  return can;
}

// ---- Joining ----

bool TOWBasicPin::JoinThroughConverter(const TOWStateDispatcherRef& group, TOWBasicPin* other, TOWBasicPin* afterPin,
                                       const TOWLinkChoice& choice) {
  TOWFormatConverter* converter = choice.converter;
  if (!converter) {
    std::unique_ptr<TOWFormatConverter> created(choice.converterClass());
    converter = created.get();
    group->AddConverter(std::move(created));
  }
  other->PrepareStateJoin();
  if (!converter->OutputPin()->ConnectAfter(other, afterPin)) return false;
  group->AddPinAfter(converter->InputPin(), other, afterPin);
  // Operations of a source member reach the converter as if it were linked
  // to it; upstream traffic of a sink member goes to that source directly.
  if (auto* source = qobject_cast<TOWSourcePin*>(this)) {
    converter->InputPin()->SetStateSource(source, false);
    if (auto* sink = qobject_cast<TOWSinkPin*>(other)) sink->SetStateSource(source, true);
  }
  converter->InputPin()->SetDispatcher(group);
  other->SetDispatcher(group);
  return true;
}

bool TOWBasicPin::ConnectByStateAfter(TOWBasicPin* other, TOWBasicPin* afterPin) {
  if (!other || other == this) return false;
  if (!CanConnectToInt(other, true)) return false;
  // No pin lock is held across the calls into other below: holding this
  // pin's lock while other takes its own would invert the order against a
  // join started from other's side.
  if (TOWStateDispatcherRef group = Dispatcher()) {
    const TOWLinkChoice choice = FindStateLink(other);
    bool result;
    if (choice && (choice.converter || choice.converterClass))
      result = JoinThroughConverter(group, other, afterPin, choice);
    else
      // The after pin goes along: a join that drops the order it was asked
      // for would report a link other than the one requested.
      result = other->ConnectToStateAfter(group, afterPin);
    UpdateStateValue();
    OWNotifyPinChanged(this);
    return result;
  }
  if (TOWStateDispatcherRef otherGroup = other->Dispatcher()) {
    // Joining runs this pin's UpdateStateValue already.
    const bool result = ConnectToState(otherGroup);
    OWNotifyPinChanged(this);
    return result;
  }
  const TOWLinkChoice choice = FindStateLink(other);
  TComponent* owner = GetOwnerComponent();
  TOWStateDispatcherRef group = CreateDispatcher(owner ? OWGetMainOwnerComponent(owner) : nullptr);
  PrepareStateJoin();
  group->AddPin(this, this);
  SetDispatcher(group);
  // Only this pin is a member yet, so it is the only pin other can follow.
  TOWBasicPin* after = afterPin == this ? afterPin : nullptr;
  bool joined = true;
  if (choice && (choice.converter || choice.converterClass)) {
    joined = JoinThroughConverter(group, other, after, choice);
  } else {
    other->PrepareStateJoin();
    group->AddPinAfter(other, other, after);
    other->SetDispatcher(group);
  }
  if (!joined) {
    // The converter could not feed other after all: no group of one.
    group->RemovePin(this);
    ClearDispatcher(group.get());
    return false;
  }
  OWNotifyDispatcherCreated(group.get());
  UpdateStateValue();
  OWNotifyPinConnected(other, group.get());
  OWNotifyPinConnected(this, group.get());
  OWNotifyPinChanged(other);
  OWNotifyPinChanged(this);
  return true;
}

bool TOWBasicPin::ConnectToStateAfter(const TOWStateDispatcherRef& group, TOWBasicPin* afterPin) {
  TOWStateDispatcherRef current = Dispatcher();
  if (group && current == group) return false;
  if (current) Disconnect();
  if (!group || !CanConnectToState(group)) return false;
  group->AddPinAfter(this, this, afterPin);
  SetDispatcher(group);
  UpdateStateValue();
  OWNotifyPinConnected(this, group.get());
  return true;
}

void TOWBasicPin::LinkToStateByName(const QString& name) {
  if (name.isEmpty()) return;
  TOWStateDispatcherRef group = TOWStateDispatcher::GetByNameCreate(this, name, OwnerInDesigning());
  TOWStateDispatcherRef current = Dispatcher();
  if (current != group) {
    // A pin belongs to one group at most.
    if (current) StateDisconnect();
    group->AddPin(this, this);
    SetDispatcher(group);
  }
  UpdateStateValue();
}

// ---- Leaving ----

void TOWBasicPin::StateDisconnect() {
  TOWStateDispatcherRef group = Dispatcher();
  if (!group) return;
  // RemovePin waits for the deliveries to this pin's membership (on other
  // threads); deliveries from it hold their own reference to the group.
  OWNotifyPinDisconnected(this, group.get());
  group->RemovePin(this);
  ClearDispatcher(group.get());
  OWNotifyPinChanged(this);
}

bool TOWBasicPin::StateDisconnectFrom(TOWBasicPin* other) {
  TOWStateDispatcherRef group = Dispatcher();
  if (!group || !other || other == this || !group->IsMember(other)) return false;
  OWNotifyPinDisconnected(this, group.get());
  group->RemovePin(other);
  OWNotifyPinChanged(this);
  return true;
}

void TOWBasicPin::StateGroupsPinDeleted() {
  for (const TOWStateDispatcherRef& group : OWGetAllDispatchers()) group->PinDeletedNotify(this);
}

// ---- Delivery inside the group ----

TOWLinkChoice TOWPin::FindStateLink(TOWBasicPin* other) {
  if (!other) return {};
  const TOWPinStreamType types = GetTypes();
  for (int i = types.GetLength() - 1; i >= 0; --i)
    if (other->RequestInterface(types.GetID(i), nullptr) == S_OK) return TOWLinkChoice{types.GetID(i)};
  const TOWPinType otherType = other->GetPinType();
  if (otherType != ptSink && otherType != ptMultiSink) return {};
  // A converter the group owns already, when its output can feed other.
  if (TOWStateDispatcherRef group = Dispatcher())
    for (int c = group->GetConverterCount() - 1; c >= 0; --c) {
      TOWFormatConverter* converter = group->GetConverter(c);
      if (!converter || !OWDownStreamFindConnectionID(converter->OutputPin(), other, false, false)) continue;
      for (int i = types.GetLength() - 1; i >= 0; --i)
        if (converter->InputPin()->RequestInterface(types.GetID(i), nullptr) == S_OK)
          return TOWLinkChoice{types.GetID(i), converter};
    }
  const auto registrations = OWGetConverterRegistrations();
  for (auto r = registrations.rbegin(); r != registrations.rend(); ++r)
    for (int i = types.GetLength() - 1; i >= 0; --i)
      if (r->fromId == types.GetID(i) && other->RequestInterface(r->toId, nullptr) == S_OK)
        return TOWLinkChoice{r->fromId, nullptr, r->converterClass};
  return {};
}

TGUID TOWPin::FindConnectionID(TOWBasicPin* other) { return FindStateLink(other).id; }

TGUID TOWPin::GetStateSubmitID(TOWBasicPin* other) { return FindConnectionID(other); }

TOWDispatchResult TOWPin::NotifyDispatcher(IOWNotifyOperation* operation, TOWNotifyState state, TOWBasicPin* target) {
  TOWStateDispatcherRef group = Dispatcher();
  if (!group) return {};
  TIntf<IOWNotifyOperation> hold(operation);
  // Receivers in member order, each connection pin once (members reached
  // through one converter share its input), this pin skipped. Each keeps the
  // member records that reach it, so that another member behind the same
  // converter stands in for one that is leaving.
  struct TReceiver {
    TOWBasicPin* pin;
    std::vector<TOWDispatcherPinStorage> members;
  };
  std::vector<TReceiver> receivers;
  for (const TOWDispatcherPinStorage& m : group->Members()) {
    if (m.realPin == this || m.connectionPin == this) continue;
    if (target && m.realPin != target && m.connectionPin != target) continue;
    auto it =
        std::find_if(receivers.begin(), receivers.end(), [&](const TReceiver& r) { return r.pin == m.connectionPin; });
    if (it == receivers.end())
      receivers.push_back(TReceiver{m.connectionPin, {m}});
    else
      it->members.push_back(m);
  }
  for (size_t i = 0; i < receivers.size(); ++i) {
    TOWBasicPin* receiver = receivers[i].pin;
    const TOWNotifyState receiverState = i + 1 == receivers.size() ? state | nsLastReceiver : state;
    // The sender stays alive for the call (refused only while it dies); the
    // receiver does too, through the claim on its membership, which its
    // removal from the group closes and waits for. A member that is leaving
    // is passed over; the others are not held up by it.
    TOWDeliveryClaim claim(this);
    if (!claim) return {};
    TOWLinkClaim membership;
    const TOWDispatcherPinStorage* member = nullptr;
    for (const TOWDispatcherPinStorage& m : receivers[i].members)
      if (membership.Take(m.link)) {
        member = &m;
        break;
      }
    if (!member) continue;
    const TGUID id = GetStateSubmitID(receiver);
    if (id.IsNull()) continue;
    if (TOWSubmitFunction submit = GetSubmitFor(id)) {
      TOWReceiving receiving(receiver, member->realPin);
      submit(static_cast<IOWStream*>(receiver), id, operation, receiverState);
    }
  }
  return {};
}

// ---- Introducing a member's state ----

void TOWSourcePin::UpdateStateValue() {
  if (!Dispatcher()) return;
  TIntf<IOWNotifyOperation> operation = MakeIntf<TOWNotifyOperation>();
  NotifyDispatcher(operation.get(), TOWNotifyState(nsConnectionNotice), nullptr);
}

void TOWSinkPin::UpdateStateValue() {
  if (TOWStateDispatcherRef group = Dispatcher()) group->NewConnection(this);
}

void TOWStatePin::UpdateStateValue() {
  if (TOWStateDispatcherRef group = Dispatcher()) group->NewConnection(this);
}

// ---- Sinks in groups ----

void TOWSinkPin::PrepareStateJoin() { RemoveSourceLink(); }

void TOWSinkPin::SetStateSource(TOWSourcePin* source, bool realOnly) {
  {
    auto section = WriteLock();
    if (!realOnly) connectionSource_ = source;
    realSource_ = source;
    internalRealSource_ = source;
  }
  UpdateUpstream();
}

bool TOWSinkPin::ConnectToStateAfter(const TOWStateDispatcherRef& group, TOWBasicPin* afterPin) {
  bool joining;
  {
    auto section = ReadLock();
    joining = inConnect_;
  }
  // Asked by a member that is putting this sink into its group.
  if (joining) return TOWBasicSinkPin::ConnectToStateAfter(group, afterPin);
  TOWStateDispatcherRef current = Dispatcher();
  if (group && current == group) return false;
  if (current) Disconnect();
  if (!group) return false;
  PrepareStateJoin();
  const TOWDispatcherPinStorageList members = group->Members();
  // An empty group (made by name while a design is read) is joined directly.
  if (members.empty()) return TOWBasicSinkPin::ConnectToStateAfter(group, afterPin);
  TInConnectMark inConnect(this);
  // A member links this sink, so that the member puts a converter in front
  // of it when one is needed.
  bool joined = false;
  for (const TOWDispatcherPinStorage& m : members) {
    if (!group->IsMember(m.realPin)) continue;
    if (m.realPin->ConnectByStateAfter(this, afterPin) && Dispatcher() == group) {
      joined = true;
      break;
    }
  }
  if (joined) {
    UpdateStateValue();
    OWNotifyPinConnected(this, group.get());
  }
  return joined;
}

// ---- State pins ----

bool TOWStatePin::CanConnectToInt(TOWBasicPin* other, bool) {
  if (!other || !DesignModesMatch(other)) return false;
  if (other->GetPinType() == ptSource) return !other->FindConnectionID(this).IsNull();
  return !FindConnectionID(other).IsNull();
}

bool TOWStatePin::IsCompatible(TOWBasicPin* other) {
  if (!other) return true;
  switch (other->GetPinType()) {
    case ptState:
      return !FindConnectionID(other).IsNull() || !other->FindConnectionID(this).IsNull();
    case ptSource:
      return !other->FindConnectionID(this).IsNull();
    default:
      return !FindConnectionID(other).IsNull();
  }
}

bool TOWStatePin::ConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin) {
  if (!other || other == this) return false;
  return ConnectByStateAfter(other, afterPin);
}

bool TOWStatePin::CanConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin, bool allowConverters) {
  if (!afterPin) return CanConnectTo(other, allowConverters);
  TOWStateDispatcherRef group = Dispatcher();
  return group && group->CanConnectAfter(other, afterPin, allowConverters);
}

bool TOWStatePin::IsConnected() { return IsStateConnected(); }

bool TOWStatePin::IsConnectedTo(TOWBasicPin* other) { return IsConnectedByStateTo(other); }

bool TOWStatePin::IsConnectedToAfter(TOWBasicPin* other, TOWBasicPin* afterPin) {
  return IsConnectedByStateToAfter(other, afterPin);
}

TGUID TOWStatePin::GetConnectionID(TOWBasicPin* other) {
  return IsConnectedByStateTo(other) ? GetStateSubmitID(other) : TGUID{};
}

bool TOWStatePin::DirectDependsOn(TOWBasicPin* other) { return IsConnectedByStateTo(other); }

bool TOWStatePin::DependsOnInt(TOWBasicPin* other, TOWPinVisit&) { return IsConnectedByStateTo(other); }

}  // namespace lumicar
