#include "pins/basic_pin.h"

#include <QtGlobal>
#include <mutex>

#include "pins/delivery_claim.h"
#include "pins/format_converter.h"
#include "pins/link_lock.h"
#include "pins/ow_exception.h"
#include "pins/pin_notifier.h"
#include "pins/pin_registry.h"
#include "runtime/component.h"

namespace lumicar {

TOWBasicPin::TOWBasicPin(QObject* parent) : TOWPinObject(parent), destroyLock_(MakeIntf<TOWDestroyLock>()) {
  OWRegisterPin(this);
  OWNotifyPinCreated(this);
}

TOWBasicPin::~TOWBasicPin() {
  // Every pin class runs BeforeDestruction in its own destructor; this only
  // makes sure that a pin never stays listed after it is gone.
  OWUnregisterPin(this);
}

void TOWBasicPin::BeforeDestruction() {
  if (destroying_.exchange(true, std::memory_order_acq_rel)) return;
  if (OWThreadIsDeliveringFrom(this))
    qFatal("A pin was destroyed inside a delivery it was making; it would wait for itself forever.");
  // Out of the list first: from here on no other pin's broadcast reaches
  // this half-dead pin.
  OWUnregisterPin(this);
  // No delivery enters any more, and the running ones return first.
  closing_ = destroyLock_->DestroyLock();
  const bool designClosing = OwnerInDesigning() && RootInDestroying();
  try {
    if (designClosing) KeepLinksAcrossForms();
    Disconnect();
    OWNotifyPinDestroying(this, designClosing);
    std::lock_guard global(OWGlobalSection());
    for (TOWBasicPin* pin : OWGetPinsSnapshot())
      if (pin != this && OWIsPinRegistered(pin)) pin->PinDeletedNotify(this);
    StateGroupsPinDeleted();
  } catch (const std::exception& e) {
    // Only a link change attempted from inside a delivery of the same thread
    // gets here; going on would leave references to a freed pin behind.
    qFatal("A pin could not be unlinked while it was destroyed: %s", e.what());
  }
}

HRESULT TOWBasicPin::QueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IOWStream) {
    *object = static_cast<IOWStream*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

bool TOWBasicPin::RootInDestroying() const {
  TComponent* owner = GetOwnerComponent();
  if (!owner) return false;
  TComponent* root = OWGetMainOwnerComponent(owner);
  return root && root->IsDestroying();
}

void TOWBasicPin::IntDisconnect(TOWBasicPin*) {}

bool TOWBasicPin::IntConnect(TOWBasicPin*, TOWBasicPin*) { return false; }

TOWBasicPin* TOWBasicPin::GetConnectedAfterForPin(TOWBasicPin*) { return nullptr; }

bool TOWBasicPin::DirectDependsOn(TOWBasicPin*) { return false; }

TGUID TOWBasicPin::GetConnectionID(TOWBasicPin*) { return TGUID{}; }

bool TOWBasicPin::IsConnected() { return GetConnectedPinCount() > 0 || IsStateConnected(); }

bool TOWBasicPin::IsConnectedTo(TOWBasicPin*) { return false; }
bool TOWBasicPin::IsConnectedToAfter(TOWBasicPin*, TOWBasicPin*) { return false; }
bool TOWBasicPin::IsConnectedByConverterTo(TOWBasicPin*) { return false; }

bool TOWBasicPin::ConnectAfter(TOWBasicPin*, TOWBasicPin*) { return false; }

bool TOWBasicPin::CanConnectTo(TOWBasicPin* other, bool allowConverters) {
  if (!other || other == this) return false;
  return CanConnectToInt(other, allowConverters);
}

bool TOWBasicPin::CanConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin, bool allowConverters) {
  if (!afterPin) return CanConnectTo(other, allowConverters);
  // Only a state group can honour an after pin at this level.
  TOWStateDispatcherRef group = Dispatcher();
  return group && group->CanConnectAfter(other, afterPin, allowConverters);
}

void TOWBasicPin::Disconnect() { StateDisconnect(); }

void TOWBasicPin::DisconnectFrom(TOWBasicPin* other) {
  if (other) StateDisconnectFrom(other);
}

TOWDispatchResult TOWBasicPin::Notify(const TIntf<IOWNotifyOperation>& operation) {
  TIntf<IOWNotifyOperation> hold(operation);
  return NotifyDispatcher(hold.get(), TOWNotifyState(), nullptr);
}

int TOWBasicPin::GetConnectedPinCount() { return 0; }
TOWBasicPin* TOWBasicPin::GetConnectedPin(int) { return nullptr; }
TOWBasicPin* TOWBasicPin::GetConnectedAfterPin(int) { return nullptr; }

void TOWBasicPin::SetInEditor(bool inEditor) { inEditor_.store(inEditor, std::memory_order_relaxed); }

QString TOWBasicPin::GetEditorString() {
  // A state group of two shows its other member, a larger one its name.
  if (TOWStateDispatcherRef group = Dispatcher()) {
    if (group->GetPinCount() > 2) return group->Name();
    QString other;
    OWForEachMember(group, [&](const TOWDispatcherPinStorage& m) {
      if (other.isEmpty() && m.realPin != this) other = PathAsSeenFrom(m.realPin);
    });
    if (!other.isEmpty()) return other;
  }
  const int n = GetConnectedPinCount();
  if (n == 1)
    if (TOWBasicPin* other = GetConnectedPin(0)) return PathAsSeenFrom(other);
  if (n > 1) return QStringLiteral("( %1 Links )").arg(n);
  return QStringLiteral("(Disconnected)");
}

bool TOWBasicPin::SetEditorString(const QString& text) {
  const QString t = text.trimmed();
  if (t.isEmpty() || t == QLatin1String("(Disconnected)")) {
    Disconnect();
    return false;
  }
  if (TOWBasicPin* other = FindPinByPath(t))
    return Connect(other) && (IsConnectedTo(other) || IsConnectedByStateTo(other));
  if (TOWStateDispatcherRef group = TOWStateDispatcher::GetByName(t, OwnerInDesigning())) {
    ConnectToState(group);
    return IsConnectedToState(group);
  }
  return false;
}

bool TOWBasicPin::IsLinkedTo(const QString& name) {
  bool inGroup = false;
  OWForEachMember(Dispatcher(), [&](const TOWDispatcherPinStorage& m) {
    inGroup = inGroup || (m.realPin != this && m.realPin->GetFullName(true) == name);
  });
  if (inGroup) return true;
  const int n = GetConnectedPinCount();
  for (int i = 0; i < n; ++i) {
    TOWBasicPin* other = GetConnectedPin(i);
    if (!other) continue;
    if (other->GetFullName(true) == name || other->GetFullName(false) == name ||
        other->GetFullIdentName(true) == name || other->GetFullIdentName(false) == name)
      return true;
  }
  return false;
}

HRESULT TOWBasicPin::RequestInterface(const TGUID& id, void** object) {
  void* dummy = nullptr;
  return QueryInterface(id, object ? object : &dummy);
}

QString TOWBasicPin::StoredFormName() {
  std::lock_guard guard(critSect_);
  return storedFormName_;
}

void TOWBasicPin::SetStoredFormName(const QString& name) {
  std::lock_guard guard(critSect_);
  storedFormName_ = name;
}

TIntf<IOWDestroyLockSection> TOWBasicPin::CloseDeliveries() {
  if (OWThreadIsDeliveringFrom(this))
    throw EOWException(QStringLiteral("A link of a pin cannot change inside a delivery from that pin."));
  return destroyLock_->DestroyLock();
}

bool TOWBasicPin::DesignModesMatch(TOWBasicPin* other) {
  TComponent* a = GetOwnerComponent();
  TComponent* b = other->GetOwnerComponent();
  if (qobject_cast<TOWFormatConverter*>(a) || qobject_cast<TOWFormatConverter*>(b)) return true;
  return (a && a->IsDesigning()) == (b && b->IsDesigning());
}

TOWBasicPin* TOWBasicPin::FindPinByPath(const QString& path) {
  TComponent* root = GetRoot();
  std::lock_guard global(OWGlobalSection());
  for (TOWBasicPin* pin : OWGetPinsSnapshot()) {
    if (pin == this) continue;
    if (pin->GetFullName(true) == path || pin->GetFullIdentName(true) == path) return pin;
    if (pin->GetRoot() == root && (pin->GetFullName(false) == path || pin->GetFullIdentName(false) == path)) return pin;
  }
  return nullptr;
}

QString TOWBasicPin::PathAsSeenFrom(TOWBasicPin* other) { return other->GetFullName(other->GetRoot() != GetRoot()); }

void OWFreePin(TOWBasicPin* pin) {
  if (!pin) return;
  pin->BeforeDestruction();
  if (OWThreadIsReceiving(pin)) {
    // Freed from inside a delivery to it: unlinked now (its links were
    // closed without waiting for this thread's own claims), freed once the
    // thread has returned from the call into it.
    OWDeferWhileReceiving([pin] { delete pin; });
    return;
  }
  delete pin;
}

}  // namespace lumicar
