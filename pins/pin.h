#pragma once
// TOWPin: a pin owned by a component. It keeps its stream types (what it can
// send and accept, most preferred last), receives operations through
// DispatchData, which calls the dispatch callback its owner gave it, names
// itself through the owner's published properties, and counts how deep
// deliveries from it are nested.

#include <QString>
#include <algorithm>
#include <functional>
#include <vector>

#include "pins/basic_pin.h"
#include "pins/pin_type_list.h"

namespace lumicar {

class TOWPin;
class TReader;
class TWriter;

// The owner's dispatch callback: (the receiving pin, stream ID, operation,
// notify state) → dispatch result.
using TOWDispatchEvent = std::function<TOWDispatchResult(TOWPin* sender, const TGUID& streamId,
                                                         IOWNotifyOperation* operation, TOWNotifyState state)>;

// Visited pins of one walk over the link graph, so that every walk ends.
using TOWPinVisit = std::vector<const TOWBasicPin*>;

// Records pin as visited; false when the walk has been there already.
inline bool OWVisit(TOWPinVisit& visited, const TOWBasicPin* pin) {
  if (std::find(visited.begin(), visited.end(), pin) != visited.end()) return false;
  visited.push_back(pin);
  return true;
}

class TOWPin : public TOWBasicPin, public IOWStreamDispatch {
  Q_OBJECT
 public:
  // Nested deliveries from one pin beyond these depths raise EOWException.
  static constexpr int32_t kMaxSendingDepth = 200;
  static constexpr int32_t kMaxNewConnectionDepth = 10;

  // ownerLock: the owning component's lock, given up around deliveries and
  // used as deadlock breaker while waiting for this pin's lock.
  explicit TOWPin(TComponent* owner, IOWLock* ownerLock = nullptr);
  ~TOWPin() override;

  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  uint32_t AddRef() override { return 1; }
  uint32_t Release() override { return 1; }

  TIntf<IOWLockSection> ReadLock() override;
  TIntf<IOWLockSection> WriteLock() override;

  TComponent* GetOwnerComponent() const override { return owner_; }
  IOWLock* OwnerLock() const { return ownerLock_.get(); }

  // ---- Stream types ----
  // Registers id with the default submit function (DefaultNotifyDispatcher).
  void AddType(const TGUID& id);
  void AddType(const TGUID& id, TOWSubmitFunction submit);
  void RemoveType(const TGUID& id);
  void ClearTypes();
  int GetTypeCount();
  TGUID GetTypeID(int index);
  TOWPinStreamType GetTypes();
  TOWSubmitFunction GetSubmitFor(const TGUID& id);
  // The pin implements the stream-type interface id: by default, id is in
  // its type list. Typed pins answer their own interfaces.
  virtual bool ImplementsStream(const TGUID& id);

  // ---- Receiving ----
  // Calls the dispatch callback; empty result without one.
  TOWDispatchResult DispatchData(const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state) override;
  // Given by the owner right after creating the pin, before it is linked.
  void SetDispatchEvent(TOWDispatchEvent event);

  // The default submit function: the default handler registered for the
  // stream ID, called as (this pin, receiver, ID, operation, state); empty
  // result when none is registered.
  TOWDispatchResult DefaultNotifyDispatcher(IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                                            TOWNotifyState state);

  // ---- Links ----
  virtual TGUID GetPrimaryConnectionID();
  TGUID FindConnectionID(TOWBasicPin* other) override;
  bool DependsOn(TOWBasicPin* other) override;
  bool IsCompatible(TOWBasicPin* other) override;
  bool OwnerInDesigning() override;
  // Delivery to the other members of the pin's state group: member order,
  // this pin skipped, each receiver with the type this pin finds towards it;
  // always the empty result.
  TOWDispatchResult NotifyDispatcher(IOWNotifyOperation* operation, TOWNotifyState state, TOWBasicPin* target) override;
  // The type this pin uses towards a member of its group.
  virtual TGUID GetStateSubmitID(TOWBasicPin* other);
  TOWLinkChoice FindStateLink(TOWBasicPin* other) override;

  // Current nesting of deliveries from this pin.
  int32_t SendingDepth();

  // ---- Names ----
  QString GetRootName() override;
  TComponent* GetRoot() override;
  QString GetName() override;
  QString GetSaveName() override;
  QString GetOwnerName() override;
  QString GetFullName(bool withRoot) override;
  QString GetFullIdentName(bool withRoot) override;

  // Dependency walk with a visited set.
  virtual bool DependsOnInt(TOWBasicPin* other, TOWPinVisit& visited);

  // ---- Stored links ----
  // "Form" and "State"; the pin classes add their link properties after them.
  void DefineProperties(TFiler& filer) override;
  // The pin's stream links (the property the class defines); nothing here.
  virtual void ReadConnectionsData(TReader& reader);
  virtual void WriteConnectionsData(TWriter& writer);
  // "State": the group name, or a list whose first item is that name.
  void ReadStateConnectionsData(TReader& reader);
  void WriteStateConnectionsData(TWriter& writer);
  // "Form": the name of the window the design was stored from.
  void ReadFormName(TReader& reader);
  void WriteFormName(TWriter& writer);
  // The pin has stream links to store.
  virtual bool DoWrite();
  // "Form" is written: the pin has links of either kind to store.
  bool DoFormWrite();
  // "State" is written: the pin is in a state group.
  bool DoStateWrite();
  // Links to the pin that path names as seen from component's window (for
  // editors); true when the link exists afterwards.
  bool TryLinkTo(TComponent* component, const QString& path);

 protected:
  // Path of the published property that holds this pin, "" when none does.
  QString PropertyPath(bool identForm);
  QString BuildFullName(bool withRoot, bool identForm);

  // Guarded by the pin lock.
  int32_t sendingDepth_ = 0;

  // ---- Stored links ----
  // The last property paths found (display, identifier form), guarded by
  // critSect_: a dying pin is often no longer reachable through its owner's
  // properties (a smart pointer clears itself before freeing), yet its links
  // to other windows are kept under its names.
  QString lastPath_[2];

 private:
  TComponent* owner_;
  TIntf<IOWLock> ownerLock_;
  // Guarded by critSect_, so that receivers can be asked for interfaces
  // without taking the pin lock; changed under the pin lock as well.
  TOWPinStreamType types_;
  QString lastRootName_;
  TOWDispatchEvent dispatchEvent_;
};

// The standard default handler: asks the receiving stream for the interface
// of the stream ID and hands the operation to its DispatchData; empty result
// when the receiver does not implement it.
TOWDispatchResult OWStandardDefaultHandler(TOWPin* pin, IOWStream* receiver, const TGUID& streamId,
                                           IOWNotifyOperation* operation, TOWNotifyState state);

}  // namespace lumicar
