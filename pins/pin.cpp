#include "pins/pin.h"

#include <QMetaProperty>
#include <algorithm>
#include <mutex>

#include "pins/pin_registry.h"
#include "pins/stream_registry.h"
#include "runtime/component.h"
#include "runtime/sync/simple_lock_sections.h"

namespace lumicar {

TOWPin::TOWPin(TComponent* owner, IOWLock* ownerLock) : TOWBasicPin(nullptr), owner_(owner), ownerLock_(ownerLock) {}

TOWPin::~TOWPin() = default;

HRESULT TOWPin::QueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (!(iid == IID_IUnknown) && !(iid == IID_IOWStream) && ImplementsStream(iid)) {
    *object = static_cast<IOWStreamDispatch*>(this);
    return S_OK;
  }
  return TOWBasicPin::QueryInterface(iid, object);
}

TIntf<IOWLockSection> TOWPin::ReadLock() {
  return MakeIntf<TOWSimpleReadLockSection>(lock_->Instance(), ownerLock_.get());
}

TIntf<IOWLockSection> TOWPin::WriteLock() {
  return MakeIntf<TOWSimpleWriteLockSection>(lock_->Instance(), ownerLock_.get());
}

// ---- Stream types ----

void TOWPin::AddType(const TGUID& id) { AddType(id, TOWSubmitFunction::Bind<&TOWPin::DefaultNotifyDispatcher>(this)); }

void TOWPin::AddType(const TGUID& id, TOWSubmitFunction submit) {
  auto section = WriteLock();
  std::lock_guard guard(critSect_);
  types_.AddType(id, submit);
}

void TOWPin::RemoveType(const TGUID& id) {
  auto section = WriteLock();
  std::lock_guard guard(critSect_);
  types_.RemoveType(id);
}

void TOWPin::ClearTypes() {
  auto section = WriteLock();
  std::lock_guard guard(critSect_);
  types_.ClearTypes();
}

int TOWPin::GetTypeCount() {
  std::lock_guard guard(critSect_);
  return types_.GetLength();
}

TGUID TOWPin::GetTypeID(int index) {
  std::lock_guard guard(critSect_);
  if (index < 0 || index >= types_.GetLength()) return TGUID{};
  return types_.GetID(index);
}

TOWPinStreamType TOWPin::GetTypes() {
  std::lock_guard guard(critSect_);
  return types_;
}

TOWSubmitFunction TOWPin::GetSubmitFor(const TGUID& id) {
  std::lock_guard guard(critSect_);
  return types_.SubmitFor(id);
}

bool TOWPin::ImplementsStream(const TGUID& id) {
  std::lock_guard guard(critSect_);
  return types_.Contains(id);
}

// ---- Receiving ----

TOWDispatchResult TOWPin::DispatchData(const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state) {
  if (!dispatchEvent_) return {};
  return dispatchEvent_(this, streamId, operation, state);
}

void TOWPin::SetDispatchEvent(TOWDispatchEvent event) { dispatchEvent_ = std::move(event); }

TOWDispatchResult TOWPin::DefaultNotifyDispatcher(IOWStream* receiver, const TGUID& streamId,
                                                  IOWNotifyOperation* operation, TOWNotifyState state) {
  if (TOWDefaultHandler handler = OWGetDefaultHandler(streamId))
    return handler(this, receiver, streamId, operation, state);
  return {};
}

TOWDispatchResult OWStandardDefaultHandler(TOWPin*, IOWStream* receiver, const TGUID& streamId,
                                           IOWNotifyOperation* operation, TOWNotifyState state) {
  if (TIntf<IOWStreamDispatch> stream = OWQueryStreamDispatch(receiver, streamId))
    return stream->DispatchData(streamId, operation, state);
  return {};
}

// ---- Links ----

TGUID TOWPin::GetPrimaryConnectionID() { return TGUID{}; }

TGUID TOWPin::FindConnectionID(TOWBasicPin* other) {
  if (!other) return TGUID{};
  const TOWPinStreamType types = GetTypes();
  for (int i = types.GetLength() - 1; i >= 0; --i)
    if (other->RequestInterface(types.GetID(i), nullptr) == S_OK) return types.GetID(i);
  const TOWPinType otherType = other->GetPinType();
  if (otherType != ptSink && otherType != ptMultiSink) return TGUID{};
  // The state group's own converters are tried here once groups exist; then
  // the registry, last registration first.
  const auto registrations = OWGetConverterRegistrations();
  for (auto r = registrations.rbegin(); r != registrations.rend(); ++r)
    for (int i = types.GetLength() - 1; i >= 0; --i)
      if (r->fromId == types.GetID(i) && other->RequestInterface(r->toId, nullptr) == S_OK) return r->fromId;
  return TGUID{};
}

bool TOWPin::DependsOn(TOWBasicPin* other) {
  TOWPinVisit visited;
  return DependsOnInt(other, visited);
}

bool TOWPin::DependsOnInt(TOWBasicPin*, TOWPinVisit&) { return false; }

bool TOWPin::IsCompatible(TOWBasicPin* other) { return CanConnectTo(other, false); }

bool TOWPin::OwnerInDesigning() { return owner_ && owner_->IsDesigning(); }

TOWDispatchResult TOWPin::NotifyDispatcher(IOWNotifyOperation*, TOWNotifyState, TOWBasicPin*) {
  // Delivery to the other members of the pin's state group joins here; a pin
  // outside any group (the only kind so far) delivers to nobody.
  return {};
}

int32_t TOWPin::SendingDepth() {
  auto section = ReadLock();
  return sendingDepth_;
}

// ---- Names ----

namespace {

// Depth-first search of the published object properties of obj for target.
// Components other than the start are not entered; each object is visited once.
QString FindPropertyPath(QObject* obj, const QObject* target, std::vector<const QObject*>& visited) {
  visited.push_back(obj);
  const QMetaObject* meta = obj->metaObject();
  for (int i = 0; i < meta->propertyCount(); ++i) {
    const QMetaProperty prop = meta->property(i);
    if (!prop.isReadable() || !(prop.metaType().flags() & QMetaType::PointerToQObject)) continue;
    QObject* value = prop.read(obj).value<QObject*>();
    if (!value) continue;
    const QString name = QString::fromLatin1(prop.name());
    if (value == target) return name;
    // A pin list that holds the pin gives "List.PinName" here, once pin
    // lists exist.
    if (qobject_cast<TComponent*>(value) || !qobject_cast<TPersistent*>(value)) continue;
    if (std::find(visited.begin(), visited.end(), value) != visited.end()) continue;
    const QString sub = FindPropertyPath(value, target, visited);
    if (!sub.isEmpty()) return name + QLatin1Char('.') + sub;
  }
  return QString();
}

}  // namespace

QString TOWPin::PropertyPath(bool /*identForm*/) {
  if (!owner_ || owner_->IsDestroying()) return QString();
  std::vector<const QObject*> visited;
  return FindPropertyPath(owner_, this, visited);
}

TComponent* TOWPin::GetRoot() { return owner_ ? OWGetMainOwnerComponent(owner_) : nullptr; }

QString TOWPin::GetRootName() {
  TComponent* root = GetRoot();
  std::lock_guard guard(critSect_);
  if (root) lastRootName_ = root->Name();
  return lastRootName_;
}

QString TOWPin::GetName() {
  const QString path = PropertyPath(false);
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? path : path.mid(dot + 1);
}

QString TOWPin::GetSaveName() { return PropertyPath(true); }

QString TOWPin::GetOwnerName() { return owner_ ? owner_->Name() : QStringLiteral("(No owner)"); }

QString TOWPin::BuildFullName(bool withRoot, bool identForm) {
  if (!owner_) return QStringLiteral("(No owner)");
  QString name = owner_->Name() + QLatin1Char('.') + PropertyPath(identForm);
  if (withRoot) {
    TComponent* root = GetRoot();
    if (root && root != owner_) name = GetRootName() + QLatin1Char('.') + name;
  }
  return name;
}

QString TOWPin::GetFullName(bool withRoot) { return BuildFullName(withRoot, false); }

QString TOWPin::GetFullIdentName(bool withRoot) { return BuildFullName(withRoot, true); }

}  // namespace lumicar
