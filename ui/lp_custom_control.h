#pragma once
// TLPCustomControl: the base of the library's windowed controls (the display controls).
// A component that owns a window (a QWidget) and, like TLPComponent, one lock for
// itself and its property objects with NotifyProp as change hook.

#include <QPointer>
#include <QWidget>
#include <memory>

#include "components/lp_lock.h"
#include "runtime/component.h"

namespace lumicar {

class TLPCustomControl : public TComponent {
  Q_OBJECT

 public:
  // Owns a plain QWidget as its window.
  Q_INVOKABLE explicit TLPCustomControl(TComponent* owner = nullptr);
  // Frees the window unless something else (a parent window) already did.
  ~TLPCustomControl() override;

  // The control's window. It may be given a parent window; it goes with the control.
  QWidget* Widget() const { return widget_.data(); }

  ILPLock* Lock() const { return lock_.get(); }
  TIntf<IOWLockSection> ReadLock() const { return lock_->ReadLock(); }
  TIntf<IOWLockSection> WriteLock() const { return lock_->WriteLock(); }
  TIntf<IOWLockSection> StopLock() const { return lock_->StopLock(); }
  TIntf<IOWLockSection> UnlockAll() const { return lock_->UnlockAll(); }

  // Writes "_Floats": the published floating-point properties that hold 0.
  void DefineProperties(TFiler& filer) override;
  // Under the write lock: from another TLPCustomControl, a copy of the published
  // properties (the name, pins and events excepted); otherwise the inherited Assign.
  void Assign(TPersistent* source) override;

  // Called after a property changed through a locked setter, with the write lock held.
  // Empty here.
  virtual void NotifyProp() {}

 protected:
  // For descendants that need a window of their own kind.
  TLPCustomControl(TComponent* owner, std::unique_ptr<QWidget> widget);

 private:
  QPointer<QWidget> widget_;
  TLPLockHolder lock_;
};

}  // namespace lumicar
