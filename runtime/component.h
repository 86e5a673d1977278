#pragma once
// TComponent: a persistent object with an owner that frees it, a name unique among
// its owner's components, a component state and change notifications.

#include <QFlags>
#include <QString>
#include <utility>
#include <vector>

#include "runtime/persistent.h"

namespace lumicar {

enum TComponentStateFlag {
  csLoading = 0x1,
  csReading = 0x2,
  csWriting = 0x4,
  csDestroying = 0x8,
  csDesigning = 0x10,
  csAncestor = 0x20,
  csUpdating = 0x40,
  csFixups = 0x80,
  csFreeNotification = 0x100,
  csInline = 0x200,
  csDesignInstance = 0x400,
};
Q_DECLARE_FLAGS(TComponentState, TComponentStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TComponentState)

enum TOperation { opInsert, opRemove };

struct TDesignAccess;

class TComponent : public TPersistent {
  Q_OBJECT
  // The writer puts the name into the object header, so it is not stored as a property.
  Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
  Q_PROPERTY(qint64 Tag READ Tag WRITE SetTag)
  Q_CLASSINFO("Default.Tag", "0")

 public:
  // Registers with owner (owner->InsertComponent), which tells the owner's tree
  // opInsert.
  Q_INVOKABLE explicit TComponent(TComponent* owner = nullptr);
  // Sets csDestroying (Destroying), tells every free-notification subscriber
  // Notification(this, opRemove), frees the owned components, last created first,
  // and leaves the owner. A descendant whose components must go while its own
  // fields still live calls DestroyComponents() in its own destructor.
  ~TComponent() override;

  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  TPersistent* GetOwner() const override;

  const QString& Name() const { return name_; }
  // The name must be empty or a valid identifier ([A-Za-z_][A-Za-z0-9_]*) and unique
  // (ignoring case) among the owner's components; EComponentError otherwise.
  void SetName(const QString& name);

  qint64 Tag() const { return tag_; }
  void SetTag(qint64 tag) { tag_ = tag; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // EListError for an index outside 0..ComponentCount()-1.
  TComponent* Components(int index) const;
  // Position in the owner's list, -1 without owner.
  int ComponentIndex() const;
  // Owned component of that name, compared ignoring case; none for an empty name.
  TComponent* FindComponent(const QString& name) const;

  TComponentState ComponentState() const { return state_; }
  bool IsLoading() const { return state_.testFlag(csLoading); }
  bool IsReading() const { return state_.testFlag(csReading); }
  // Design mode exists as a state, but nothing at run time turns it on.
  bool IsDesigning() const { return state_.testFlag(csDesigning); }
  bool IsDestroying() const { return state_.testFlag(csDestroying); }

  // Takes c into this component's ownership (c leaves its former owner first).
  void InsertComponent(TComponent* c);
  // Gives c up without freeing it; c keeps living without owner.
  void RemoveComponent(TComponent* c);
  // Frees every owned component, last created first.
  void DestroyComponents();

  // Mutual subscription: after a->FreeNotification(b), b gets Notification(a, opRemove)
  // when a is freed and a gets Notification(b, opRemove) when b is freed, so either
  // can forget the other in time. Notification(x, opRemove) drops the subscription.
  void FreeNotification(TComponent* c);
  void RemoveFreeNotification(TComponent* c);

  // Marks this component and all it owns as being destroyed.
  void Destroying();

  // Runs once the component and its whole design have been read; clears csLoading
  // and csReading. Descendants call the base first.
  virtual void Loaded();
  // Runs on the root of a design once every component of it exists and holds
  // the design's values, before any of them gets Loaded (and so before any
  // starts): the root may change values there as if the design had said so,
  // e.g. with what the user chose in an earlier run.
  virtual void DesignRead() {}

  // Called by NewComponent and by the class registry right after construction, when
  // the object is complete and virtual calls reach its own class.
  virtual void AfterConstruction() {}

  // Visual nesting in a design: a component read inside another's object block is
  // given that component (the root included) as parent; the writer nests a component
  // under the parent it reports. Components without a parent notion ignore both.
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* parent) { (void)parent; }

  QString GetNamePath() const override;

 protected:
  // Told about components inserted into or removed from this component's ownership
  // tree, and about freed components this one subscribed to. The base drops the
  // free subscription of a removed component and passes the notice on to every owned
  // component. Descendants call the base.
  virtual void Notification(TComponent* component, TOperation operation);

  // Checks that next is free among this component's owned components (c is the one
  // being renamed, none for a newcomer); EComponentError when it is taken.
  virtual void ValidateRename(TComponent* c, const QString& current, const QString& next);

  void SetComponentState(TComponentState state) { state_ = state; }
  void IncludeState(TComponentState flags) { state_ |= flags; }
  void ExcludeState(TComponentState flags) { state_ &= ~flags; }

 private:
  friend struct TDesignAccess;

  void Insert(TComponent* c);
  void Remove(TComponent* c);
  void RemoveNotification(TComponent* c);

  TComponent* owner_ = nullptr;
  QString name_;
  qint64 tag_ = 0;
  TComponentState state_;
  std::vector<TComponent*> components_;     // owned, in creation order
  std::vector<TComponent*> free_notifies_;  // mutual free-notification subscriptions
};

// True for a valid component name or identifier: [A-Za-z_][A-Za-z0-9_]*.
bool IsValidIdent(const QString& name);

// Creates a component, runs AfterConstruction and returns it; frees it again when
// AfterConstruction throws. The owner (first argument, if any) owns the result.
template <typename T, typename... Args>
T* NewComponent(Args&&... args) {
  T* c = new T(std::forward<Args>(args)...);
  try {
    c->AfterConstruction();
  } catch (...) {
    delete c;
    throw;
  }
  return c;
}

}  // namespace lumicar
