#pragma once
// TLPCustomControl: the base of the library's windowed controls (the display controls).
// A component that owns a window (a QWidget) and, like TLPComponent, one lock for
// itself and its property objects with NotifyProp as change hook.
//
// It is also the windowed-control layer: bounds, alignment in the parent window,
// colour, visibility, hint, pop-up menu and mouse events published so that form
// designs set them, and the window's paint, resize and mouse events routed to the
// virtual handlers below. Everything that touches the window runs on the thread
// that owns it (the user-interface thread); Invalidate and Repaint may be called
// from any thread and post the request there.

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <memory>

#include "components/lp_lock.h"
#include "runtime/component.h"
#include "ui/align.h"
#include "ui/color.h"
#include "ui/mouse_types.h"

namespace lumicar {

class TLPCustomControl : public TComponent {
  Q_OBJECT
  Q_PROPERTY(int Left READ Left WRITE SetLeft)
  Q_PROPERTY(int Top READ Top WRITE SetTop)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(lumicar::align::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(lumicar::TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(lumicar::TComponent* PopupMenu READ PopupMenu WRITE SetPopupMenu)
  Q_PROPERTY(lumicar::TMouseMoveEvent OnMouseMove READ OnMouseMove WRITE SetOnMouseMove)
  Q_PROPERTY(lumicar::TMouseEvent OnMouseDown READ OnMouseDown WRITE SetOnMouseDown)
  Q_PROPERTY(lumicar::TMouseEvent OnMouseUp READ OnMouseUp WRITE SetOnMouseUp)
  Q_PROPERTY(lumicar::TNotifyEvent OnClick READ OnClick WRITE SetOnClick)
  Q_PROPERTY(lumicar::TNotifyEvent OnDblClick READ OnDblClick WRITE SetOnDblClick)
  Q_CLASSINFO("Default.Left", "0")
  Q_CLASSINFO("Default.Top", "0")
  Q_CLASSINFO("Default.Align", "alNone")
  Q_CLASSINFO("Default.Color", "-1")
  Q_CLASSINFO("Default.ParentColor", "False")
  Q_CLASSINFO("Default.Visible", "True")
  Q_CLASSINFO("Default.ShowHint", "False")
  Q_CLASSINFO("Default.ParentShowHint", "True")

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

  // ---- Bounds (user-interface thread) ----
  int Left() const;
  int Top() const;
  // Virtual for top-level windows, whose size includes the frame around them.
  virtual int Width() const;
  virtual int Height() const;
  void SetLeft(int value);
  void SetTop(int value);
  void SetWidth(int value);
  void SetHeight(int value);
  virtual void SetBounds(int left, int top, int width, int height);
  // The size of the area the control paints in (the whole window: controls have no frame).
  QSize ClientSize() const;

  // ---- Appearance ----
  TAlign Align() const;
  void SetAlign(TAlign value);
  TColor Color() const;
  // Also clears ParentColor: a colour given explicitly is the one shown.
  void SetColor(TColor value);
  bool ParentColor() const;
  void SetParentColor(bool value);
  // The colour painted: the parent window's face colour with ParentColor, else Color.
  QColor ResolvedColor() const;
  bool Visible() const;
  // Shows or hides the window once it has a parent; a control without a parent
  // window never opens a window of its own.
  void SetVisible(bool value);
  QString Hint() const;
  void SetHint(const QString& value);
  bool ShowHint() const;
  void SetShowHint(bool value);
  bool ParentShowHint() const;
  void SetParentShowHint(bool value);
  // Hides the mouse pointer over the control (full-screen viewing) or shows it again.
  void SetCursorVisible(bool visible);
  bool CursorVisible() const;

  // The component whose Q_INVOKABLE Popup(int x, int y) is called with screen
  // coordinates when the user asks for the context menu; forgotten when it is freed.
  TComponent* PopupMenu() const { return popupMenu_.data(); }
  void SetPopupMenu(TComponent* menu);

  TMouseMoveEvent OnMouseMove() const { return onMouseMove_; }
  void SetOnMouseMove(const TMouseMoveEvent& e) { onMouseMove_ = e; }
  TMouseEvent OnMouseDown() const { return onMouseDown_; }
  void SetOnMouseDown(const TMouseEvent& e) { onMouseDown_ = e; }
  TMouseEvent OnMouseUp() const { return onMouseUp_; }
  void SetOnMouseUp(const TMouseEvent& e) { onMouseUp_ = e; }
  TNotifyEvent OnClick() const { return onClick_; }
  void SetOnClick(const TNotifyEvent& e) { onClick_ = e; }
  TNotifyEvent OnDblClick() const { return onDblClick_; }
  void SetOnDblClick(const TNotifyEvent& e) { onDblClick_ = e; }

  // ---- Parent window ----
  // Places the window inside parent (none: no parent), then applies visibility
  // and alignment there.
  virtual void SetParent(QWidget* parent);
  // Design nesting: the control whose window is the parent window.
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;

  // ---- Repainting ----
  // Asks for a repaint of the whole control. From another thread the request is
  // posted to the window's thread; nothing here touches the window off it.
  void Invalidate();
  // Paints at once on the window's thread; elsewhere the same as Invalidate.
  void Repaint();
  // True on the thread that owns the window.
  bool InWindowThread() const;

 protected:
  // For descendants that need a window of their own kind.
  TLPCustomControl(TComponent* owner, std::unique_ptr<QWidget> widget);

  // For descendants that paint every pixel of the window themselves: the window
  // then never clears its background first, which would make it flicker.
  void SetOpaquePainting(bool opaque);

  // ---- Handlers, called on the window's thread ----
  // Paints the dirty part of the window; false leaves the painting to the window
  // itself (the base fills it with the resolved colour).
  virtual bool PaintWindow(const QRect& dirty);
  // After the window got a new size.
  virtual void Resized() {}
  // Fire OnMouseDown, OnMouseUp, OnMouseMove with control coordinates.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  // A left press and release inside the control; a double-click.
  virtual void Click();
  virtual void DblClick();

  bool eventFilter(QObject* watched, QEvent* event) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void ApplyColor();
  void ApplyVisible();
  void ApplyHint();
  // Watches the parent window's size when aligned and places the aligned siblings.
  void HookParent();
  void PostUpdate();

  QPointer<QWidget> widget_;
  TLPLockHolder lock_;

  // Guarded by the component lock; applied to the window on its thread.
  TAlign align_ = alNone;
  TColor color_ = clWindow;
  bool parentColor_ = false;
  bool visible_ = true;
  QString hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  bool cursorVisible_ = true;
  bool opaquePainting_ = false;

  QPointer<TComponent> popupMenu_;
  QPointer<QWidget> hookedParent_;
  bool leftPressed_ = false;
  // Set while a posted repaint is on its way, so a stream of frames posts one.
  std::atomic<bool> updatePosted_{false};

  TMouseMoveEvent onMouseMove_;
  TMouseEvent onMouseDown_;
  TMouseEvent onMouseUp_;
  TNotifyEvent onClick_;
  TNotifyEvent onDblClick_;
};

}  // namespace lumicar
