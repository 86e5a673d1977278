#pragma once
// TOWBasicPin: what every pin is (real pins and the placeholders that stand
// for pins not loaded yet): a stream interface that receivers are reached
// through, a destroy lock that keeps the pin alive while deliveries from it
// run, its links, names and notifications. Destruction is announced to every
// other pin so that no reference to a dead pin survives.
//
// A pin class that overrides virtual operations used while a pin dies
// (Disconnect, PinDeletedNotify, DispatchData, ...) calls BeforeDestruction()
// first thing in its own destructor; the framework's pin classes do. Owners
// may also free pins through OWFreePin or TOWPinPtr, which do it before the
// destructor starts.

#include <QString>
#include <atomic>
#include <memory>
#include <type_traits>

#include "pins/link_type.h"
#include "pins/notify_operation.h"
#include "pins/notify_state.h"
#include "pins/ow_object.h"
#include "pins/state/state_dispatcher.h"
#include "pins/stream.h"
#include "runtime/sync/destroy_lock.h"

namespace lumicar {

class TComponent;
class TOWPinList;

// Value of GetPinType; a placeholder reports the type it stands for.
enum TOWPinType : uint8_t { ptSource = 0, ptSink = 1, ptState = 2, ptMultiSink = 3 };

// The message of every delivery that runs into itself.
inline constexpr const char* kOWDependsOnItselfMessage =
    "The pin depends on itself. Please protect with functional dependency.";

class TOWBasicPin : public TOWPinObject, public IOWStream {
  Q_OBJECT
 public:
  explicit TOWBasicPin(QObject* parent = nullptr);
  ~TOWBasicPin() override;

  // IUnknown. Counting references through IOWStream never frees a pin: pins
  // are freed by their owner.
  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  uint32_t AddRef() override { return 1; }
  uint32_t Release() override { return 1; }

  // Closes the destroy lock (waiting for deliveries from this pin to return),
  // removes every link, and tells every pin that this one dies. Runs once.
  void BeforeDestruction();
  bool IsPinDestroying() const { return destroying_.load(std::memory_order_acquire); }

  virtual TComponent* GetOwnerComponent() const { return nullptr; }
  // The window that holds the owner is being destroyed.
  virtual bool RootInDestroying() const;

  // One side of a link: forget `other` (no notices, no call to other).
  virtual void IntDisconnect(TOWBasicPin* other);
  // Source side of a new link to `other` after `afterPin`.
  virtual bool IntConnect(TOWBasicPin* other, TOWBasicPin* afterPin);
  // A placeholder frees itself here once nothing is linked to it.
  virtual void CheckRemove() {}
  // The link rules, asked of the pin that will own the link.
  virtual bool CanConnectToInt(TOWBasicPin* other, bool allowConverters) = 0;
  virtual TOWPinType GetPinType() const = 0;
  virtual TOWBasicPin* GetConnectedAfterForPin(TOWBasicPin* pin);
  virtual bool DirectDependsOn(TOWBasicPin* other);
  // Stream type of the link to other; zero GUID when not linked.
  virtual TGUID GetConnectionID(TOWBasicPin* other);

  // Names: "Form1.VLMirror1.OutputPin" with root, "VLMirror1.OutputPin"
  // without. GetFullIdentName is the identifier form (they differ only for
  // pins in pin lists whose entries have names).
  virtual QString GetRootName() = 0;
  virtual TComponent* GetRoot() = 0;
  virtual QString GetName() = 0;
  virtual QString GetSaveName() = 0;
  virtual QString GetOwnerName() = 0;
  virtual QString GetFullName(bool withRoot) = 0;
  virtual QString GetFullIdentName(bool withRoot) = 0;

  virtual bool DependsOn(TOWBasicPin* other) = 0;
  // A link could be made without converters.
  virtual bool IsCompatible(TOWBasicPin* other) = 0;

  virtual bool IsConnected();
  virtual bool IsStateConnected();
  virtual bool IsConnectedTo(TOWBasicPin* other);
  virtual bool IsConnectedToAfter(TOWBasicPin* other, TOWBasicPin* afterPin);
  virtual bool IsConnectedByConverterTo(TOWBasicPin* other);

  bool Connect(TOWBasicPin* other) { return ConnectAfter(other, nullptr); }
  // Links; true when the link exists afterwards (also when it already did).
  virtual bool ConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin);
  bool CanConnectTo(TOWBasicPin* other, bool allowConverters = true);
  virtual bool CanConnectAfter(TOWBasicPin* other, TOWBasicPin* afterPin, bool allowConverters = true);
  // Removes every link of the pin, state membership included.
  virtual void Disconnect();
  // Removes the one link to other.
  virtual void DisconnectFrom(TOWBasicPin* other);

  // Sends an operation into the pin (see the pin classes for the direction).
  // Returns only after every receiver has returned.
  virtual TOWDispatchResult Notify(const TIntf<IOWNotifyOperation>& operation);

  virtual int GetConnectedPinCount();
  virtual TOWBasicPin* GetConnectedPin(int index);
  virtual TOWBasicPin* GetConnectedAfterPin(int index);

  virtual void SetInEditor(bool inEditor);
  bool InEditor() const { return inEditor_.load(std::memory_order_relaxed); }
  // "(Disconnected)", the other pin's path, or "( n Links )".
  virtual QString GetEditorString();
  // "(Disconnected)" or "" disconnects; otherwise links to the pin of that
  // path. True when a link to that pin exists afterwards.
  virtual bool SetEditorString(const QString& text);
  // Linked to a pin whose path (with or without root) is name.
  virtual bool IsLinkedTo(const QString& name);

  virtual bool OwnerInDesigning() = 0;
  // The stream type this pin uses towards other (state links).
  virtual TGUID FindConnectionID(TOWBasicPin* other) = 0;
  // Delivery within the pin's state group, to target only or to all.
  virtual TOWDispatchResult NotifyDispatcher(IOWNotifyOperation* operation, TOWNotifyState state,
                                             TOWBasicPin* target) = 0;
  // Introduces this pin's state to its state group; nothing without a group.
  virtual void UpdateStateValue() {}

  // ---- State groups ----
  bool ConnectByState(TOWBasicPin* other) { return ConnectByStateAfter(other, nullptr); }
  // Puts this pin and other in one group (this pin's, other's, or a new one).
  virtual bool ConnectByStateAfter(TOWBasicPin* other, TOWBasicPin* afterPin);
  bool ConnectToState(const TOWStateDispatcherRef& group) { return ConnectToStateAfter(group, nullptr); }
  // Joins group, leaving any other group first; none only leaves.
  virtual bool ConnectToStateAfter(const TOWStateDispatcherRef& group, TOWBasicPin* afterPin);
  bool CanConnectToState(const TOWStateDispatcherRef& group) { return CanConnectToStateInt(group, true); }
  // The pin could link to every member of group (a sink skips sink members).
  virtual bool CanConnectToStateInt(const TOWStateDispatcherRef& group, bool allowConverters);
  // Joins the group of that name in the list of the pin's mode (made when
  // missing), without compatibility check; used while reading designs.
  virtual void LinkToStateByName(const QString& name);
  bool IsConnectedToState(const TOWStateDispatcherRef& group);
  // other is the real pin of a member of this pin's group.
  virtual bool IsConnectedByStateTo(TOWBasicPin* other);
  virtual bool IsConnectedByStateToAfter(TOWBasicPin* other, TOWBasicPin* afterPin);
  int GetDispatcherCount() { return Dispatcher() ? 1 : 0; }
  TOWStateDispatcherRef GetDispatcher(int index) { return index == 0 ? Dispatcher() : nullptr; }
  virtual TOWStateDispatcherRef CreateDispatcher(TComponent* component);
  virtual TOWStateDispatcherRef CreateNamedDispatcher(const QString& name, bool design);
  // 0 (S_OK) when this pin can carry id on the link under consideration.
  virtual HRESULT RequestInterface(const TGUID& id, void** object);

  // The pin's state group, none outside any group.
  TOWStateDispatcherRef Dispatcher();
  // Set by the group operations only.
  void SetDispatcher(TOWStateDispatcherRef group);
  // Clears the reference when it still names group.
  void ClearDispatcher(const TOWStateDispatcher* group);
  TOWPinList* PinList() const { return pinList_; }
  QObject* CustomData() const { return customData_; }
  void SetCustomData(QObject* data) { customData_ = data; }
  QString StoredFormName();
  void SetStoredFormName(const QString& name);
  IOWDestroyLock* DestroyLockIntf() const { return destroyLock_.get(); }

  // ---- Stored links ----
  // Set by the pin list that holds the pin.
  void SetPinList(TOWPinList* list) { pinList_ = list; }
  // Hands the links of every placeholder that stands for this pin over to
  // it; the first step of every read of the pin's stored links.
  void CheckVirtualList();
  // A path read from a design, with a leading "<stored form name>." replaced
  // by the name of the pin's current window.
  QString ApplyFormName(const QString& path);

 protected:
  // Takes an exclusive claim on this pin's destroy lock: refuses new
  // deliveries from the pin and waits until the running ones have returned.
  // Raises EOWException when the calling thread itself is delivering from
  // the pin (it would wait for itself). Callers hold no pin lock. The
  // framework's link changes no longer use it (they close the one link's
  // lock, pins/link_lock.h); kept for descendants.
  TIntf<IOWDestroyLockSection> CloseDeliveries();

  // The state part of Disconnect: the pin leaves its group.
  virtual void StateDisconnect();
  // The state part of DisconnectFrom: other leaves this pin's group. False
  // when other is no member of it.
  virtual bool StateDisconnectFrom(TOWBasicPin* other);
  // Every state group clears the after pins that name a dying pin.
  virtual void StateGroupsPinDeleted();
  // The stream type this pin uses towards other inside a group, and the
  // converter (existing, or a class to make) that a sink member needs.
  virtual TOWLinkChoice FindStateLink(TOWBasicPin* other);
  // A pin about to join a group by a member's request gives up what a member
  // cannot keep (a sink its stream source). The base: nothing.
  virtual void PrepareStateJoin() {}
  // other joins group through a converter: its output feeds other, its input
  // is the member the group hands operations to.
  bool JoinThroughConverter(const TOWStateDispatcherRef& group, TOWBasicPin* other, TOWBasicPin* afterPin,
                            const TOWLinkChoice& choice);
  // When a form closes in design mode, the pins linked to this one from
  // other forms relink to placeholders carrying its names, so that the links
  // come back when the form is loaded again (stored_links.cpp).
  virtual void KeepLinksAcrossForms();

  // Both owners in design mode or both not, unless one is a format converter.
  bool DesignModesMatch(TOWBasicPin* other);
  // The other pin named by a path, searched in the all-pins list.
  TOWBasicPin* FindPinByPath(const QString& path);
  // other's path as this pin shows it: with the root only when other lies
  // under another root.
  QString PathAsSeenFrom(TOWBasicPin* other);

  TOWPinList* pinList_ = nullptr;

 private:
  QObject* customData_ = nullptr;
  QString storedFormName_;
  // Guarded by critSect_: a group changes the references of its members
  // without holding their locks.
  TOWStateDispatcherRef dispatcher_;
  TIntf<IOWDestroyLock> destroyLock_;
  TIntf<IOWDestroyLockSection> closing_;
  std::atomic<bool> destroying_{false};
  std::atomic<bool> inEditor_{false};
};

// Frees a pin the safe way: BeforeDestruction first, while the whole object
// still lives, then delete. A pin freed from inside a delivery to it (a
// receiver freed by itself or by its owner when its stream ends) is unlinked
// at once, and its memory goes once the calling thread has returned from the
// delivery (the delivery is on its stack). Freeing a pin from inside a
// delivery that pin itself is making stays refused (it would wait for
// itself): the process stops with a message.
void OWFreePin(TOWBasicPin* pin);

struct TOWPinDeleter {
  void operator()(TOWBasicPin* pin) const { OWFreePin(pin); }
};

// Single owner of a pin (components hold their pins in these); used like a
// std::unique_ptr. When it frees its pin, the pin is unlinked and running
// deliveries from it end (BeforeDestruction) while the owner's reference
// still names it, so that a delivery that names the pin through its owner's
// published property sees the whole name; only then does the reference go.
// The reference is read and written atomically: other threads may name the
// owner's pins while the owner frees one.
template <typename T>
class TOWPinPtr {
 public:
  using pointer = T*;
  using element_type = T;
  using deleter_type = TOWPinDeleter;

  constexpr TOWPinPtr() noexcept = default;
  constexpr TOWPinPtr(std::nullptr_t) noexcept {}
  explicit TOWPinPtr(T* pin) noexcept : ptr_(pin) {}
  TOWPinPtr(TOWPinPtr&& other) noexcept : ptr_(other.release()) {}
  template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  TOWPinPtr(TOWPinPtr<U>&& other) noexcept : ptr_(other.release()) {}
  TOWPinPtr(const TOWPinPtr&) = delete;
  TOWPinPtr& operator=(const TOWPinPtr&) = delete;
  TOWPinPtr& operator=(TOWPinPtr&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  TOWPinPtr& operator=(TOWPinPtr<U>&& other) noexcept {
    reset(other.release());
    return *this;
  }
  TOWPinPtr& operator=(std::nullptr_t) noexcept {
    reset();
    return *this;
  }
  ~TOWPinPtr() { reset(); }

  T* get() const noexcept { return ptr_.load(std::memory_order_acquire); }
  T* operator->() const noexcept { return get(); }
  T& operator*() const noexcept { return *get(); }
  explicit operator bool() const noexcept { return get() != nullptr; }
  TOWPinDeleter get_deleter() const noexcept { return {}; }

  T* release() noexcept { return ptr_.exchange(nullptr, std::memory_order_acq_rel); }
  void reset(T* pin = nullptr) noexcept {
    T* old = get();
    if (old == pin) return;
    // Unlinked, and no delivery from it runs any more, before the reference
    // changes.
    if (old) old->BeforeDestruction();
    ptr_.store(pin, std::memory_order_release);
    if (old) OWFreePin(old);
  }
  void swap(TOWPinPtr& other) noexcept {
    T* mine = release();
    ptr_.store(other.release(), std::memory_order_release);
    other.ptr_.store(mine, std::memory_order_release);
  }

  friend bool operator==(const TOWPinPtr& a, std::nullptr_t) noexcept { return a.get() == nullptr; }
  template <typename U>
  friend bool operator==(const TOWPinPtr& a, const TOWPinPtr<U>& b) noexcept {
    return a.get() == b.get();
  }

 private:
  std::atomic<T*> ptr_{nullptr};
};

}  // namespace lumicar
