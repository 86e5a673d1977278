#pragma once
// TLPComponent: the base of the library's components. It gives each component one lock
// that its property objects share, a start hook (CreateStart) that runs once the
// component is complete, and a change hook (NotifyProp) that its locked setters call.
//
// Components are made with NewComponent<T>(owner, ...) or through the class registry:
// both run AfterConstruction once the object is whole, which is where a component made
// by code starts. A component made with a plain `new` does not start by itself.

#include "components/lp_lock.h"
#include "runtime/component.h"

namespace lumicar {

class TLPComponent : public TComponent {
  Q_OBJECT

 public:
  Q_INVOKABLE explicit TLPComponent(TComponent* owner = nullptr);
  ~TLPComponent() override;

  // The component's lock; its property objects share the TOWLock behind it.
  ILPLock* Lock() const { return lock_.get(); }
  TIntf<IOWLockSection> ReadLock() const { return lock_->ReadLock(); }
  TIntf<IOWLockSection> WriteLock() const { return lock_->WriteLock(); }
  TIntf<IOWLockSection> StopLock() const { return lock_->StopLock(); }
  TIntf<IOWLockSection> UnlockAll() const { return lock_->UnlockAll(); }

  // Starts a component made by code at once, unless it or one of its owners is loading
  // or it is being designed. Under a loading owner the start waits until no owner is
  // loading any more (see StartPendingComponents).
  void AfterConstruction() override;
  // A component read from a design starts here, after the inherited Loaded, unless it
  // is being designed. Components made by code under this one that waited for its
  // loading to end start too.
  void Loaded() override;

  // Writes "_Floats": the published floating-point properties that hold 0.
  void DefineProperties(TFiler& filer) override;
  // Under the write lock: from another TLPComponent, a copy of the published properties
  // (the name, pins and events excepted); otherwise the inherited Assign.
  void Assign(TPersistent* source) override;

  // True once CreateStart has run (it runs at most once per component).
  bool Started() const { return started_; }
  // True while the component waits for a loading owner before it starts.
  bool StartPending() const { return start_pending_; }

  // Called after a property changed through a locked setter, with the write lock held.
  // Empty in the base.
  virtual void NotifyProp() {}

 protected:
  // The start hook: components begin their work here. Empty in the base.
  virtual void CreateStart() {}

 private:
  friend void StartPendingComponents(TComponent* loaded);
  // Runs CreateStart unless it ran already.
  void Start();

  TLPLockHolder lock_;
  bool started_ = false;
  bool start_pending_ = false;
};

// True when component or any of its owners is loading.
bool IsLoadingOrOwnerLoading(const TComponent* component);

// Starts the components owned (directly or further down) by loaded that were made by
// code while an owner was loading and that now have no loading owner left. Called
// when the loading of a component ends: TLPComponent::Loaded does so for itself; the
// root of a design that is not a TLPComponent needs this call after its Loaded.
void StartPendingComponents(TComponent* loaded);

}  // namespace lumicar
