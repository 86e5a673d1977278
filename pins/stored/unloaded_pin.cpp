#include "pins/stored/unloaded_pin.h"

#include <algorithm>
#include <mutex>

#include "pins/pin_notifier.h"
#include "pins/pin_registry.h"
#include "runtime/component.h"

namespace lumicar {

namespace {

// The placeholder list owns its placeholders. Guarded by OWGlobalSection().
std::vector<TOWUnloadedPin*>& UnloadedList() {
  static auto* list = new std::vector<TOWUnloadedPin*>;
  return *list;
}

}  // namespace

int OWGetUnloadedPinCount() {
  std::lock_guard global(OWGlobalSection());
  return static_cast<int>(UnloadedList().size());
}

std::vector<TOWUnloadedPin*> OWGetUnloadedPinsSnapshot() {
  std::lock_guard global(OWGlobalSection());
  return UnloadedList();
}

void OWRemoveUnloadedPin(TOWUnloadedPin* pin) {
  std::lock_guard global(OWGlobalSection());
  std::erase(UnloadedList(), pin);
}

void OWAddUnloadedPin(TOWUnloadedPin* pin) {
  std::lock_guard global(OWGlobalSection());
  auto& list = UnloadedList();
  if (std::find(list.begin(), list.end(), pin) == list.end()) list.push_back(pin);
}

bool OWIsUnloadedPinListed(const TOWUnloadedPin* pin) {
  std::lock_guard global(OWGlobalSection());
  const auto& list = UnloadedList();
  return std::find(list.begin(), list.end(), pin) != list.end();
}

QString OWStripFirstComponent(const QString& path) {
  const qsizetype dot = path.indexOf(QLatin1Char('.'));
  return dot < 0 ? path : path.mid(dot + 1);
}

TOWUnloadedPin::TOWUnloadedPin(const QString& displayName, const QString& identName, TComponent* root, TOWPinType type,
                               const QString& creatorPath)
    : displayName_(displayName),
      identName_(identName),
      root_(root),
      type_(type),
      rootDesigning_(root && root->IsDesigning()),
      creatorPath_(creatorPath) {}

TOWUnloadedPin::~TOWUnloadedPin() {
  BeforeDestruction();
  OWRemoveUnloadedPin(this);
}

TOWUnloadedPin* TOWUnloadedPin::Create(const QString& displayName, const QString& identName, TComponent* root,
                                       TOWPinType type, const QString& creatorPath) {
  auto* pin = new TOWUnloadedPin(displayName, identName, root, type, creatorPath);
  OWAddUnloadedPin(pin);
  return pin;
}

bool TOWUnloadedPin::OwnedByList() {
  auto section = ReadLock();
  return ownedByList_;
}

void TOWUnloadedPin::SetOwnedByList(bool owned) {
  auto section = WriteLock();
  ownedByList_ = owned;
}

bool TOWUnloadedPin::InRemoval() {
  auto section = ReadLock();
  return inRemoval_;
}

void TOWUnloadedPin::SetInRemoval(bool inRemoval) {
  auto section = WriteLock();
  inRemoval_ = inRemoval;
}

TOWPinEntryList TOWUnloadedPin::Links() {
  auto section = ReadLock();
  return links_;
}

void TOWUnloadedPin::CheckRemove() {
  if (IsPinDestroying()) return;
  {
    auto section = ReadLock();
    if (ownedByList_ || inRemoval_ || !links_.Empty()) return;
  }
  if (InEditor()) return;
  // Only the placeholder list's own placeholders free themselves, and only
  // once no link names them as its after pin either (a placeholder made for
  // an after pin alone has no link of its own: it goes with the last link
  // that names it, at the latest when its window closes).
  {
    std::lock_guard global(OWGlobalSection());
    if (!OWIsUnloadedPinListed(this)) return;
    for (TOWBasicPin* pin : OWGetPinsSnapshot()) {
      if (pin == this || !OWIsPinRegistered(pin)) continue;
      for (int i = 0, n = pin->GetConnectedPinCount(); i < n; ++i)
        if (pin->GetConnectedAfterPin(i) == this) return;
    }
    for (const TOWStateDispatcherRef& group : OWGetAllDispatchers())
      for (int i = 0, n = group->GetPinCount(); i < n; ++i)
        if (group->GetAfterPin(i) == this) return;
    OWRemoveUnloadedPin(this);
  }
  OWFreePin(this);
}

void TOWUnloadedPin::PinDeletedNotify(TOWBasicPin* pin) {
  auto section = WriteLock();
  for (int i = links_.Count() - 1; i >= 0; --i) {
    if (links_[i].realPin == pin)
      links_.Delete(i);
    else if (links_[i].afterPin == pin)
      links_[i].afterPin = nullptr;
  }
}

void TOWUnloadedPin::PinReplacedNotify(TOWBasicPin* oldPin, TOWBasicPin* newPin) {
  auto section = WriteLock();
  for (auto& e : links_) {
    if (e.realPin == oldPin) e.realPin = e.connectionPin = newPin;
    if (e.afterPin == oldPin) e.afterPin = newPin;
  }
}

bool TOWUnloadedPin::CanConnectToInt(TOWBasicPin* other, bool) { return other && other != this; }

bool TOWUnloadedPin::IsCompatible(TOWBasicPin* other) { return other && other != this; }

TGUID TOWUnloadedPin::FindConnectionID(TOWBasicPin*) { return TGUID{}; }

bool TOWUnloadedPin::DependsOn(TOWBasicPin*) { return false; }

TOWDispatchResult TOWUnloadedPin::NotifyDispatcher(IOWNotifyOperation*, TOWNotifyState, TOWBasicPin*) { return {}; }

TOWDispatchResult TOWUnloadedPin::Notify(const TIntf<IOWNotifyOperation>&) { return {}; }

bool TOWUnloadedPin::ConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin) {
  if (!other || other == this || qobject_cast<TOWUnloadedPin*>(other)) return false;
  switch (other->GetPinType()) {
    case ptSource:
      if (IsConnectedTo(other)) return true;
      IntConnect(other, afterPin);
      // The source adds an entry without stream type for this placeholder.
      if (!other->IntConnect(this, afterPin)) {
        IntDisconnect(other);
        return false;
      }
      OWNotifyPinConnected(this, other);
      OWNotifyPinChanged(this);
      return true;
    case ptSink:
    case ptMultiSink:
      // The sink records the placeholder as its source and calls IntConnect.
      return other->ConnectAfter(this, afterPin);
    default:
      return false;
  }
}

bool TOWUnloadedPin::IntConnect(TOWBasicPin* other, TOWBasicPin* afterPin) {
  if (!other || other == this) return false;
  auto section = WriteLock();
  const int k = links_.IndexOfReal(other);
  if (k >= 0)
    links_[k].afterPin = afterPin;
  else
    links_.Add(TOWPinEntry{other, other, afterPin, TGUID{}, TOWSubmitFunction{}, 0});
  return true;
}

void TOWUnloadedPin::IntDisconnect(TOWBasicPin* other) {
  TOWBasicPin* after = nullptr;
  {
    auto section = WriteLock();
    const int k = links_.IndexOfReal(other);
    if (k < 0) return;
    after = links_[k].afterPin;
    links_.Delete(k);
  }
  OWCheckAfterPlaceholder(after);
}

void OWCheckAfterPlaceholder(TOWBasicPin* after) {
  if (!after) return;
  // Only an address still in the placeholder list is looked at: any other
  // after pin is a real pin, which has nothing to do here.
  TOWUnloadedPin* placeholder = nullptr;
  {
    std::lock_guard global(OWGlobalSection());
    for (TOWUnloadedPin* p : UnloadedList())
      if (static_cast<TOWBasicPin*>(p) == after) placeholder = p;
  }
  if (placeholder) placeholder->CheckRemove();
}

void TOWUnloadedPin::Disconnect() {
  StateDisconnect();
  // No self-freeing while the links go; each linked pin unlinks both sides.
  const bool wasInRemoval = InRemoval();
  SetInRemoval(true);
  const TOWPinEntryList links = Links();
  for (int i = links.Count() - 1; i >= 0; --i)
    if (TOWBasicPin* other = links[i].realPin) other->DisconnectFrom(this);
  {
    auto section = WriteLock();
    links_.Clear();
    inRemoval_ = wasInRemoval;
  }
  CheckRemove();
}

void TOWUnloadedPin::DisconnectFrom(TOWBasicPin* other) {
  // The other side unlinks both ends and then calls CheckRemove, which may
  // free this placeholder: nothing may follow the call.
  if (other && IsConnectedTo(other)) other->DisconnectFrom(this);
}

bool TOWUnloadedPin::IsConnectedTo(TOWBasicPin* other) {
  auto section = ReadLock();
  return other && links_.IndexOfReal(other) >= 0;
}

bool TOWUnloadedPin::IsConnectedToAfter(TOWBasicPin* other, TOWBasicPin* afterPin) {
  auto section = ReadLock();
  const int k = other ? links_.IndexOfReal(other) : -1;
  return k >= 0 && links_[k].afterPin == afterPin;
}

int TOWUnloadedPin::GetConnectedPinCount() {
  auto section = ReadLock();
  return links_.Count();
}

TOWBasicPin* TOWUnloadedPin::GetConnectedPin(int index) {
  auto section = ReadLock();
  return index >= 0 && index < links_.Count() ? links_[index].realPin : nullptr;
}

TOWBasicPin* TOWUnloadedPin::GetConnectedAfterPin(int index) {
  auto section = ReadLock();
  return index >= 0 && index < links_.Count() ? links_[index].afterPin : nullptr;
}

TOWBasicPin* TOWUnloadedPin::GetConnectedAfterForPin(TOWBasicPin* pin) {
  auto section = ReadLock();
  const int k = pin ? links_.IndexOfReal(pin) : -1;
  return k >= 0 ? links_[k].afterPin : nullptr;
}

void TOWUnloadedPin::SetInEditor(bool inEditor) {
  TOWBasicPin::SetInEditor(inEditor);
  if (!inEditor) CheckRemove();
}

// ---- Names ----

QString TOWUnloadedPin::GetRootName() {
  const qsizetype dot = displayName_.indexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : displayName_.left(dot);
}

TComponent* TOWUnloadedPin::GetRoot() { return root_.data(); }

QString TOWUnloadedPin::GetName() {
  const qsizetype dot = displayName_.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? displayName_ : displayName_.mid(dot + 1);
}

QString TOWUnloadedPin::GetSaveName() {
  // Without the root and the owner.
  return OWStripFirstComponent(OWStripFirstComponent(identName_));
}

QString TOWUnloadedPin::GetOwnerName() {
  const QString rest = OWStripFirstComponent(displayName_);
  const qsizetype dot = rest.indexOf(QLatin1Char('.'));
  return dot < 0 ? rest : rest.left(dot);
}

QString TOWUnloadedPin::GetFullName(bool withRoot) {
  return withRoot ? displayName_ : OWStripFirstComponent(displayName_);
}

QString TOWUnloadedPin::GetFullIdentName(bool withRoot) {
  return withRoot ? identName_ : OWStripFirstComponent(identName_);
}

}  // namespace lumicar
