#include "pins/pin.h"

#include <QMetaProperty>
#include <algorithm>
#include <mutex>

#include "pins/pin_registry.h"
#include "pins/stored/stored_links.h"
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

bool TOWPin::DependsOn(TOWBasicPin* other) {
  TOWPinVisit visited;
  return DependsOnInt(other, visited);
}

bool TOWPin::DependsOnInt(TOWBasicPin*, TOWPinVisit&) { return false; }

bool TOWPin::IsCompatible(TOWBasicPin* other) { return CanConnectTo(other, false); }

bool TOWPin::OwnerInDesigning() { return owner_ && owner_->IsDesigning(); }

int32_t TOWPin::SendingDepth() {
  auto section = ReadLock();
  return sendingDepth_;
}

// ---- Names ----

QString TOWPin::PropertyPath(bool identForm) {
  // Depth first through the owner's published object properties; a pin list
  // that holds the pin gives "List.Entry" (stored_links.cpp).
  const QString path = OWPropertyPath(owner_, this, identForm);
  std::lock_guard guard(critSect_);
  if (!path.isEmpty()) lastPath_[identForm] = path;
  // A dying pin keeps the names it had.
  return path.isEmpty() && IsPinDestroying() ? lastPath_[identForm] : path;
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
