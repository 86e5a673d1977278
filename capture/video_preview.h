#pragma once
// TVLDSVideoPreview: the optional preview of the grabbed video by the graph's
// own video renderer, shown in the graph holder's window or in a preview
// dock. The viewer leaves it off. Changing Enabled tells the capture to drop
// its graph (the next start builds with or without the preview); changing
// the window settings tells it to reconfigure the preview window.

#include <QPointer>
#include <functional>

#include "components/lp_persistent.h"
#include "runtime/component.h"
#include "ui/mouse_types.h"

namespace lumicar {

class TVLDSVideoPreview : public TLPPersistent {
  Q_OBJECT
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(lumicar::TComponent* PreviewDock READ PreviewDock WRITE SetPreviewDock)
  Q_PROPERTY(lumicar::TMouseMoveEvent OnMouseMove READ OnMouseMove WRITE SetOnMouseMove)
  Q_PROPERTY(lumicar::TMouseEvent OnMouseDown READ OnMouseDown WRITE SetOnMouseDown)
  Q_PROPERTY(lumicar::TMouseEvent OnMouseUp READ OnMouseUp WRITE SetOnMouseUp)
  Q_CLASSINFO("Default.Enabled", "False")
  Q_CLASSINFO("Default.Visible", "True")

 public:
  // onEnableChanged runs when Enabled changed, onConfigWindow when Visible or
  // the dock changed; both with the write lock held.
  template <LPLockOwner Owner>
  TVLDSVideoPreview(Owner* owner, std::function<void()> onEnableChanged, std::function<void()> onConfigWindow)
      : TLPPersistent(owner),
        onEnableChanged_(std::move(onEnableChanged)),
        onConfigWindow_(std::move(onConfigWindow)) {}
  Q_INVOKABLE TVLDSVideoPreview() : TLPPersistent(nullptr, nullptr) {}

  bool Enabled() const { return Lock()->Getter(enabled_); }
  void SetEnabled(bool value);
  bool Visible() const { return Lock()->Getter(visible_); }
  void SetVisible(bool value);
  TComponent* PreviewDock() const;
  void SetPreviewDock(TComponent* dock);
  // Forgets the dock (the capture undocks the preview when it closes).
  void Undock();

  TMouseMoveEvent OnMouseMove() const { return onMouseMove_; }
  void SetOnMouseMove(const TMouseMoveEvent& e) { onMouseMove_ = e; }
  TMouseEvent OnMouseDown() const { return onMouseDown_; }
  void SetOnMouseDown(const TMouseEvent& e) { onMouseDown_ = e; }
  TMouseEvent OnMouseUp() const { return onMouseUp_; }
  void SetOnMouseUp(const TMouseEvent& e) { onMouseUp_ = e; }

 private:
  bool enabled_ = false;
  bool visible_ = true;
  QPointer<TComponent> dock_;
  TMouseMoveEvent onMouseMove_;
  TMouseEvent onMouseDown_, onMouseUp_;
  std::function<void()> onEnableChanged_, onConfigWindow_;
};

}  // namespace lumicar
