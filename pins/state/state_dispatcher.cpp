#include "pins/state/state_dispatcher.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include "pins/basic_pin.h"
#include "pins/format_converter.h"
#include "pins/notify_operation.h"
#include "pins/pin_notifier.h"
#include "pins/pin_registry.h"
#include "pins/sink_pin.h"
#include "pins/source_pin.h"
#include "runtime/component.h"

namespace lumicar {

namespace {

// The lists do not own their groups: each entry keeps the address (to find
// itself when the group goes) and a weak reference (to hand out a group only
// while it lives).
struct TListEntry {
  const TOWStateDispatcher* group;
  std::weak_ptr<TOWStateDispatcher> ref;
};

// Guarded by OWGlobalSection().
std::vector<TListEntry>& DispatcherList(bool design) {
  static std::vector<TListEntry> designList;
  static std::vector<TListEntry> runList;
  return design ? designList : runList;
}

TOWStateDispatcherRef FindInList(const QString& name, bool design) {
  for (const TListEntry& e : DispatcherList(design))
    if (TOWStateDispatcherRef group = e.ref.lock())
      if (group->Name() == name) return group;
  return nullptr;
}

void Enter(const TOWStateDispatcherRef& group) {
  std::lock_guard global(OWGlobalSection());
  DispatcherList(group->IsDesign()).push_back(TListEntry{group.get(), group});
}

}  // namespace

TOWStateDispatcher::TOWStateDispatcher(const QString& name, bool design) : name_(name), design_(design) {}

void TOWStateDispatcher::LeaveLists() {
  std::lock_guard global(OWGlobalSection());
  for (bool design : {false, true}) {
    auto& list = DispatcherList(design);
    list.erase(std::remove_if(list.begin(), list.end(), [this](const TListEntry& e) { return e.group == this; }),
               list.end());
  }
}

bool TOWStateDispatcher::IsDissolved() {
  auto section = ReadLock();
  return dissolved_;
}

TOWStateDispatcher::~TOWStateDispatcher() {
  OWNotifyDispatcherDestroying(this, false);
  LeaveLists();
  // Nobody else holds the group any more, so its own lock is not needed.
  std::vector<std::unique_ptr<TOWFormatConverter>> converters;
  {
    std::lock_guard global(OWGlobalSection());
    converters.swap(converters_);
    members_.clear();
    savedForms_.clear();
  }
  // Converter pins are freed outside the lock: freeing a pin takes the
  // framework's global section and tells every other pin.
  converters.clear();
}

TOWStateDispatcherRef TOWStateDispatcher::Create(const QString& name, bool design) {
  auto group = std::make_shared<TOWStateDispatcher>(name, design);
  Enter(group);
  return group;
}

TOWStateDispatcherRef TOWStateDispatcher::CreateFor(TComponent* component) {
  const bool design = component && component->IsDesigning();
  const QString base = (component ? component->Name() : QString()) + QStringLiteral("Link");
  // Name search and entry under one hold of the section, so that two groups
  // made at once cannot take the same name.
  std::lock_guard global(OWGlobalSection());
  QString name;
  for (int n = 1;; ++n) {
    name = base + QString::number(n);
    if (!FindInList(name, design)) break;
  }
  return Create(name, design);
}

TOWStateDispatcherRef TOWStateDispatcher::GetByName(const QString& name, bool design) {
  std::lock_guard global(OWGlobalSection());
  return FindInList(name, design);
}

TOWStateDispatcherRef TOWStateDispatcher::GetByNameCreate(TOWBasicPin* pin, const QString& name, bool design) {
  std::lock_guard global(OWGlobalSection());
  if (TOWStateDispatcherRef group = FindInList(name, design)) return group;
  return pin ? pin->CreateNamedDispatcher(name, design) : Create(name, design);
}

bool TOWStateDispatcher::IsUniqueName(const QString& name, bool design) { return !GetByName(name, design); }

// ---- Members ----

int TOWStateDispatcher::GetPinCount() {
  auto section = ReadLock();
  return static_cast<int>(members_.size());
}

TOWBasicPin* TOWStateDispatcher::GetPin(int index) {
  auto section = ReadLock();
  return index >= 0 && index < int(members_.size()) ? members_[size_t(index)].realPin : nullptr;
}

TOWBasicPin* TOWStateDispatcher::GetConnectionPin(int index) {
  auto section = ReadLock();
  return index >= 0 && index < int(members_.size()) ? members_[size_t(index)].connectionPin : nullptr;
}

TOWBasicPin* TOWStateDispatcher::GetAfterPin(int index) {
  auto section = ReadLock();
  return index >= 0 && index < int(members_.size()) ? members_[size_t(index)].afterPin : nullptr;
}

TOWDispatcherPinStorageList TOWStateDispatcher::Members() {
  auto section = ReadLock();
  return members_;
}

bool TOWStateDispatcher::IsMember(TOWBasicPin* pin) {
  auto section = ReadLock();
  return pin && std::any_of(members_.begin(), members_.end(), [pin](const auto& m) { return m.realPin == pin; });
}

bool TOWStateDispatcher::HasConnectionPin(TOWBasicPin* pin) {
  auto section = ReadLock();
  return pin && std::any_of(members_.begin(), members_.end(), [pin](const auto& m) { return m.connectionPin == pin; });
}

void TOWStateDispatcher::AddPinAfter(TOWBasicPin* connectionPin, TOWBasicPin* realPin, TOWBasicPin* afterPin) {
  if (!connectionPin || !realPin) return;
  {
    auto section = WriteLock();
    // A dissolved group is out of the lists; it takes nobody in again.
    if (dissolved_) return;
    for (const auto& m : members_)
      if (m.realPin == connectionPin) return;
    members_.push_back(TOWDispatcherPinStorage{connectionPin, realPin, afterPin, OWNewLinkLock()});
  }
  OWNotifyDispatcherChanged(this);
}

bool TOWStateDispatcher::RemoveRecord(TOWBasicPin* pin, std::vector<TOWBasicPin*>& cleared,
                                      std::vector<TOWLinkLockRef>& closed) {
  auto it = std::find_if(members_.begin(), members_.end(), [pin](const auto& m) { return m.realPin == pin; });
  if (it == members_.end()) return false;
  const TOWDispatcherPinStorage leaving = *it;
  members_.erase(it);
  if (leaving.link) closed.push_back(leaving.link);
  cleared.push_back(leaving.realPin);
  if (leaving.connectionPin != leaving.realPin) cleared.push_back(leaving.connectionPin);
  // A member placed after the same pin as the leaving one takes over the
  // leaving member's place in the order: its own constraint is dropped.
  if (leaving.afterPin)
    for (auto& m : members_)
      if (m.afterPin == leaving.afterPin) {
        m.afterPin = nullptr;
        break;
      }
  return true;
}

bool TOWStateDispatcher::RemovePin(TOWBasicPin* pin) {
  // Members hold the group; the caller's hold keeps it for this call even
  // when the last member leaves here.
  const TOWStateDispatcherRef self = shared_from_this();
  std::vector<TOWBasicPin*> cleared;
  std::vector<TOWLinkLockRef> closed;
  bool dissolved = false;
  {
    auto section = WriteLock();
    if (!RemoveRecord(pin, cleared, closed)) return false;
    // A group never keeps a single member after a removal.
    if (members_.size() == 1) RemoveRecord(members_.front().realPin, cleared, closed);
    for (TOWBasicPin* p : cleared) p->ClearDispatcher(this);
    if (members_.empty()) dissolved = dissolved_ = true;
  }
  // Deliveries to the members that left (on other threads) end before they
  // may go; no lock is held meanwhile, since those deliveries may call into
  // the group. The other members are not held up.
  for (const TOWLinkLockRef& link : closed) link->Close();
  // A dissolved group is no longer found by name, nor counted, even while a
  // reference keeps it.
  if (dissolved) LeaveLists();
  // A member that was reached through a converter is unlinked from the
  // converter's output as well, or the converter would go on feeding it.
  std::vector<std::pair<TOWSourcePin*, TOWBasicPin*>> converterLinks;
  {
    auto section = ReadLock();
    for (const auto& c : converters_)
      for (TOWBasicPin* p : cleared)
        if (p != c->InputPin() && c->OutputPin()->IsConnectedTo(p)) converterLinks.emplace_back(c->OutputPin(), p);
  }
  for (auto [output, member] : converterLinks) output->DisconnectFrom(member);
  OWNotifyDispatcherChanged(this);
  return true;
}

void TOWStateDispatcher::DisconnectAll() {
  const TOWStateDispatcherRef self = shared_from_this();
  for (;;) {
    TOWBasicPin* first;
    {
      auto section = ReadLock();
      if (members_.empty()) return;
      first = members_.front().realPin;
    }
    // A pin's Disconnect removes it; with two left it dissolves the group.
    first->Disconnect();
    // A member that did not leave by its Disconnect (a placeholder has no
    // state part) is removed here, so that the loop ends.
    if (IsMember(first)) RemovePin(first);
  }
}

bool TOWStateDispatcher::CanConnectAfter(TOWBasicPin* pin, TOWBasicPin* afterPin, bool) {
  if (!afterPin) return true;
  auto section = ReadLock();
  std::vector<const TOWBasicPin*> seen;
  while (afterPin) {
    if (afterPin == pin) return false;
    if (std::find(seen.begin(), seen.end(), afterPin) != seen.end()) return false;
    seen.push_back(afterPin);
    auto it =
        std::find_if(members_.begin(), members_.end(), [afterPin](const auto& m) { return m.realPin == afterPin; });
    if (it == members_.end()) return false;
    afterPin = it->afterPin;
  }
  return true;
}

TOWBasicPin* TOWStateDispatcher::GetConnectedAfterForPin(TOWBasicPin* pin) {
  auto section = ReadLock();
  for (const auto& m : members_)
    if (m.realPin == pin) return m.afterPin;
  return nullptr;
}

void TOWStateDispatcher::SetNotifyAfterByName(TOWBasicPin* pin, const QString& name) {
  TOWBasicPin* after = nullptr;
  const TOWStateDispatcherRef self = shared_from_this();
  for (bool withRoot : {false, true}) {
    OWForEachMember(self, [&](const TOWDispatcherPinStorage& m) {
      if (!after && m.realPin != pin && m.realPin->GetFullName(withRoot) == name) after = m.realPin;
    });
    if (after) break;
  }
  if (!after) return;
  auto section = WriteLock();
  for (auto& m : members_)
    if (m.realPin == pin) m.afterPin = after;
}

QString TOWStateDispatcher::GetAfterPinDisplayName(TOWBasicPin* pin) {
  return IsMember(pin) ? pin->GetFullName(true) : QString();
}

void TOWStateDispatcher::PinDeletedNotify(TOWBasicPin* pin) {
  auto section = WriteLock();
  for (auto& m : members_)
    if (m.afterPin == pin) m.afterPin = nullptr;
}

void TOWStateDispatcher::NewConnection(TOWBasicPin* pin) {
  const TOWDispatcherPinStorageList members = Members();
  // Each member is asked its type under a claim on its membership: a member
  // freed meanwhile has left first and is passed over.
  const auto typeOf = [](const TOWDispatcherPinStorage& m) -> std::optional<TOWPinType> {
    TOWLinkClaim claim(m.link);
    if (!claim) return std::nullopt;
    return m.realPin->GetPinType();
  };
  std::vector<const TOWDispatcherPinStorage*> speakers;
  for (const auto& m : members)
    if (const std::optional<TOWPinType> type = typeOf(m); type && *type == ptSource) {
      speakers.push_back(&m);
      break;
    }
  if (speakers.empty())
    for (const auto& m : members)
      if (const std::optional<TOWPinType> type = typeOf(m); type && *type != ptSink) speakers.push_back(&m);
  for (const TOWDispatcherPinStorage* speaker : speakers) {
    // A speaker that is leaving is not asked; one that stays is kept alive
    // by the claim on its membership for the call.
    TOWLinkClaim claim(speaker->link);
    if (!claim) continue;
    TIntf<IOWNotifyOperation> operation = MakeIntf<TOWNotifyOperation>();
    speaker->realPin->NotifyDispatcher(operation.get(), TOWNotifyState(nsConnectionNotice),
                                       speaker->realPin == pin ? nullptr : pin);
  }
}

// ---- Converters ----

void TOWStateDispatcher::AddConverter(std::unique_ptr<TOWFormatConverter> converter) {
  auto section = WriteLock();
  converters_.push_back(std::move(converter));
}

int TOWStateDispatcher::GetConverterCount() {
  auto section = ReadLock();
  return static_cast<int>(converters_.size());
}

TOWFormatConverter* TOWStateDispatcher::GetConverter(int index) {
  auto section = ReadLock();
  return index >= 0 && index < int(converters_.size()) ? converters_[size_t(index)].get() : nullptr;
}

// ---- Writing support ----

bool TOWStateDispatcher::IsCrosForm() {
  std::vector<QString> roots;
  OWForEachMember(shared_from_this(),
                  [&](const TOWDispatcherPinStorage& m) { roots.push_back(m.realPin->GetRootName()); });
  return std::any_of(roots.begin(), roots.end(), [&](const QString& r) { return r != roots.front(); });
}

bool TOWStateDispatcher::ConnectedToForm(TComponent* form) {
  if (!form) return false;
  bool found = false;
  OWForEachMember(shared_from_this(),
                  [&](const TOWDispatcherPinStorage& m) { found = found || m.realPin->GetRootName() == form->Name(); });
  return found;
}

void TOWStateDispatcher::ResetFormsSave() {
  auto section = WriteLock();
  savedForms_.clear();
  saveCount_ = 0;
}

void TOWStateDispatcher::AddFormSaved(TComponent* form) {
  auto section = WriteLock();
  ++saveCount_;
  if (std::find(savedForms_.begin(), savedForms_.end(), form) == savedForms_.end()) savedForms_.push_back(form);
}

bool TOWStateDispatcher::IsFormSaved(TComponent* form) {
  auto section = ReadLock();
  return std::find(savedForms_.begin(), savedForms_.end(), form) != savedForms_.end();
}

int TOWStateDispatcher::SaveCount() {
  auto section = ReadLock();
  return saveCount_;
}

int OWGetDispatcherCount() {
  std::lock_guard global(OWGlobalSection());
  const auto& design = DispatcherList(true);
  return static_cast<int>((design.empty() ? DispatcherList(false) : design).size());
}

TOWStateDispatcherRef OWGetDispatcher(int index) {
  std::lock_guard global(OWGlobalSection());
  const auto& design = DispatcherList(true);
  const auto& list = design.empty() ? DispatcherList(false) : design;
  return index >= 0 && index < int(list.size()) ? list[size_t(index)].ref.lock() : nullptr;
}

std::vector<TOWStateDispatcherRef> OWGetAllDispatchers() {
  std::lock_guard global(OWGlobalSection());
  std::vector<TOWStateDispatcherRef> all;
  for (bool design : {true, false})
    for (const TListEntry& e : DispatcherList(design))
      if (TOWStateDispatcherRef group = e.ref.lock()) all.push_back(std::move(group));
  return all;
}

}  // namespace lumicar
