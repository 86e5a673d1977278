#include "ui/lp_custom_control.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QThread>
#include <QVariant>

#include "components/floats_property.h"
#include "components/property_copy.h"
#include "runtime/sync/posted_call.h"

namespace lumicar {

namespace {

// The window's dynamic property that leads from a window back to its control,
// so that a parent can find its aligned children.
constexpr char kControlProperty[] = "lumicarControl";

TLPCustomControl* ControlOf(QObject* window) {
  return qobject_cast<TLPCustomControl*>(window->property(kControlProperty).value<QObject*>());
}

// Places every aligned control among parent's children, in child order.
void AlignChildren(QWidget* parent) {
  std::vector<TLPCustomControl*> controls;
  std::vector<TAlignItem> items;
  for (QObject* child : parent->children()) {
    auto* window = qobject_cast<QWidget*>(child);
    if (window == nullptr || window->isWindow()) continue;
    TLPCustomControl* control = ControlOf(window);
    if (control == nullptr || control->Align() == alNone || control->Align() == alCustom) continue;
    controls.push_back(control);
    items.push_back({control->Align(), window->geometry()});
  }
  if (controls.empty()) return;
  const std::vector<QRect> placed = AlignRects(parent->contentsRect(), items);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    QWidget* window = controls[i]->Widget();
    if (window->geometry() != placed[i]) window->setGeometry(placed[i]);
  }
}

}  // namespace

TLPCustomControl::TLPCustomControl(TComponent* owner) : TLPCustomControl(owner, std::make_unique<QWidget>()) {}

TLPCustomControl::TLPCustomControl(TComponent* owner, std::unique_ptr<QWidget> widget)
    : TComponent(owner),
      widget_(widget != nullptr ? widget.release() : new QWidget()),
      lock_([this] { NotifyProp(); }) {
  RegisterColorIdents();
  widget_->setProperty(kControlProperty, QVariant::fromValue<QObject*>(this));
  // OnMouseMove fires with and without a button held.
  widget_->setMouseTracking(true);
  widget_->installEventFilter(this);
  ApplyColor();
}

TLPCustomControl::~TLPCustomControl() {
  if (hookedParent_) hookedParent_->removeEventFilter(this);
  if (widget_) {
    // The window may outlive this control for a moment inside its own
    // destruction; it must not call back into a control that is gone.
    widget_->removeEventFilter(this);
    widget_->setProperty(kControlProperty, QVariant());
  }
  delete widget_.data();
}

void TLPCustomControl::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  DefineFloatsProperty(filer, this);
}

void TLPCustomControl::Assign(TPersistent* source) {
  AssignLocked<TLPCustomControl>(this, source, /*skipName=*/true, [this](TPersistent* s) { TComponent::Assign(s); });
}

// ---- Bounds ----

int TLPCustomControl::Left() const { return widget_ ? widget_->x() : 0; }
int TLPCustomControl::Top() const { return widget_ ? widget_->y() : 0; }
int TLPCustomControl::Width() const { return widget_ ? widget_->width() : 0; }
int TLPCustomControl::Height() const { return widget_ ? widget_->height() : 0; }
void TLPCustomControl::SetLeft(int value) { SetBounds(value, Top(), Width(), Height()); }
void TLPCustomControl::SetTop(int value) { SetBounds(Left(), value, Width(), Height()); }
void TLPCustomControl::SetWidth(int value) { SetBounds(Left(), Top(), value, Height()); }
void TLPCustomControl::SetHeight(int value) { SetBounds(Left(), Top(), Width(), value); }

void TLPCustomControl::SetBounds(int left, int top, int width, int height) {
  if (!widget_) return;
  widget_->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
  // An aligned control keeps its place; its new thickness counts.
  if (Align() != alNone && widget_->parentWidget() != nullptr) AlignChildren(widget_->parentWidget());
}

QSize TLPCustomControl::ClientSize() const { return widget_ ? widget_->size() : QSize(); }

// ---- Appearance ----

TAlign TLPCustomControl::Align() const {
  auto section = ReadLock();
  return align_;
}

void TLPCustomControl::SetAlign(TAlign value) {
  {
    auto section = WriteLock();
    if (align_ == value) return;
    align_ = value;
  }
  HookParent();
}

TColor TLPCustomControl::Color() const { return Lock()->Getter(color_); }

void TLPCustomControl::SetColor(TColor value) {
  const bool changed = Lock()->Setter(color_, value);
  if (Lock()->Setter(parentColor_, false) || changed) ApplyColor();
}

bool TLPCustomControl::ParentColor() const { return Lock()->Getter(parentColor_); }

void TLPCustomControl::SetParentColor(bool value) {
  if (Lock()->Setter(parentColor_, value)) ApplyColor();
}

QColor TLPCustomControl::ResolvedColor() const {
  if (!widget_) return ColorToRGB(Color(), QPalette());
  if (ParentColor()) {
    const QWidget* parent = widget_->parentWidget();
    return (parent != nullptr ? parent->palette() : widget_->palette()).color(QPalette::Window);
  }
  return ColorToRGB(Color(), widget_->palette());
}

void TLPCustomControl::ApplyColor() {
  if (!widget_) return;
  // The window's own palette carries the colour, so that windows which fill
  // their background themselves show it.
  QPalette palette = widget_->palette();
  palette.setColor(QPalette::Window, ResolvedColor());
  widget_->setPalette(palette);
  widget_->setAutoFillBackground(!opaquePainting_);
  widget_->update();
}

void TLPCustomControl::SetOpaquePainting(bool opaque) {
  opaquePainting_ = opaque;
  if (!widget_) return;
  widget_->setAttribute(Qt::WA_OpaquePaintEvent, opaque);
  widget_->setAutoFillBackground(!opaque);
}

bool TLPCustomControl::Visible() const { return Lock()->Getter(visible_); }

void TLPCustomControl::SetVisible(bool value) {
  if (Lock()->Setter(visible_, value)) ApplyVisible();
}

void TLPCustomControl::ApplyVisible() {
  if (!widget_) return;
  if (widget_->parentWidget() != nullptr || !Visible()) widget_->setVisible(Visible());
}

QString TLPCustomControl::Hint() const { return Lock()->Getter(hint_); }
void TLPCustomControl::SetHint(const QString& value) {
  if (Lock()->Setter(hint_, value)) ApplyHint();
}
bool TLPCustomControl::ShowHint() const { return Lock()->Getter(showHint_); }
void TLPCustomControl::SetShowHint(bool value) {
  Lock()->Setter(parentShowHint_, false);
  if (Lock()->Setter(showHint_, value)) ApplyHint();
}
bool TLPCustomControl::ParentShowHint() const { return Lock()->Getter(parentShowHint_); }
void TLPCustomControl::SetParentShowHint(bool value) {
  if (Lock()->Setter(parentShowHint_, value)) ApplyHint();
}

void TLPCustomControl::ApplyHint() {
  if (!widget_) return;
  bool show = ShowHint();
  if (ParentShowHint()) {
    const QWidget* parent = widget_->parentWidget();
    TLPCustomControl* parentControl = parent != nullptr ? ControlOf(const_cast<QWidget*>(parent)) : nullptr;
    if (parentControl != nullptr) show = parentControl->ShowHint();
  }
  widget_->setToolTip(show ? Hint() : QString());
}

void TLPCustomControl::SetCursorVisible(bool visible) {
  if (!Lock()->Setter(cursorVisible_, visible) || !widget_) return;
  if (visible) {
    widget_->unsetCursor();
  } else {
    widget_->setCursor(Qt::BlankCursor);
  }
}

bool TLPCustomControl::CursorVisible() const { return Lock()->Getter(cursorVisible_); }

void TLPCustomControl::SetPopupMenu(TComponent* menu) {
  if (popupMenu_.data() == menu) return;
  if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
  popupMenu_ = menu;
  if (menu != nullptr) menu->FreeNotification(this);
}

void TLPCustomControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == popupMenu_.data()) popupMenu_ = nullptr;
}

// ---- Parent window ----

void TLPCustomControl::SetParent(QWidget* parent) {
  if (!widget_) return;
  widget_->setParent(parent);
  ApplyColor();
  ApplyHint();
  ApplyVisible();
  HookParent();
}

TComponent* TLPCustomControl::GetParentComponent() const {
  QWidget* parent = widget_ ? widget_->parentWidget() : nullptr;
  return parent != nullptr ? ControlOf(parent) : nullptr;
}

void TLPCustomControl::SetParentComponent(TComponent* parent) {
  if (auto* control = qobject_cast<TLPCustomControl*>(parent)) SetParent(control->Widget());
}

void TLPCustomControl::HookParent() {
  QWidget* parent = widget_ ? widget_->parentWidget() : nullptr;
  if (hookedParent_ != parent) {
    if (hookedParent_) hookedParent_->removeEventFilter(this);
    hookedParent_ = nullptr;
  }
  if (parent == nullptr) return;
  if (Align() != alNone && hookedParent_ == nullptr) {
    hookedParent_ = parent;
    parent->installEventFilter(this);
  }
  AlignChildren(parent);
}

// ---- Repainting ----

bool TLPCustomControl::InWindowThread() const {
  QWidget* window = widget_.data();
  return window != nullptr && QThread::currentThread() == window->thread();
}

void TLPCustomControl::PostUpdate() {
  QWidget* window = widget_.data();
  if (window == nullptr || updatePosted_.exchange(true)) return;
  // The window is the context: a request still queued when it goes is dropped.
  PostOrdered(window, [this, window] {
    updatePosted_ = false;
    window->update();
  });
}

void TLPCustomControl::Invalidate() {
  if (InWindowThread()) {
    widget_->update();
  } else {
    PostUpdate();
  }
}

void TLPCustomControl::Repaint() {
  if (InWindowThread()) {
    widget_->repaint();
  } else {
    PostUpdate();
  }
}

// ---- Events ----

bool TLPCustomControl::PaintWindow(const QRect&) { return false; }

void TLPCustomControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  onMouseDown_(this, button, shift, x, y);
}

void TLPCustomControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  onMouseUp_(this, button, shift, x, y);
}

void TLPCustomControl::MouseMove(TShiftState shift, int x, int y) { onMouseMove_(this, shift, x, y); }

void TLPCustomControl::Click() { onClick_(this); }

void TLPCustomControl::DblClick() { onDblClick_(this); }

bool TLPCustomControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == hookedParent_.data() && watched != widget_.data()) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) AlignChildren(hookedParent_);
    return false;
  }
  if (watched != widget_.data()) return false;
  switch (event->type()) {
    case QEvent::Paint:
      return PaintWindow(static_cast<QPaintEvent*>(event)->rect());
    case QEvent::Resize:
      Resized();
      return false;
    case QEvent::ParentChange:
      HookParent();
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      TMouseButton button;
      if (!MouseButtonFromQt(mouse->button(), &button)) return false;
      const bool dbl = event->type() == QEvent::MouseButtonDblClick;
      TShiftState shift = ShiftStateFromQt(mouse->modifiers(), mouse->buttons());
      if (dbl) shift |= ssDouble;
      const QPoint p = mouse->position().toPoint();
      if (button == mbLeft) leftPressed_ = !dbl;
      MouseDown(button, shift, p.x(), p.y());
      if (dbl && button == mbLeft) DblClick();
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      TMouseButton button;
      if (!MouseButtonFromQt(mouse->button(), &button)) return false;
      const QPoint p = mouse->position().toPoint();
      const bool click = button == mbLeft && leftPressed_ && widget_->rect().contains(p);
      if (button == mbLeft) leftPressed_ = false;
      MouseUp(button, ShiftStateFromQt(mouse->modifiers(), mouse->buttons()), p.x(), p.y());
      if (click) Click();
      return true;
    }
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      const QPoint p = mouse->position().toPoint();
      MouseMove(ShiftStateFromQt(mouse->modifiers(), mouse->buttons()), p.x(), p.y());
      return true;
    }
    case QEvent::ContextMenu: {
      if (!popupMenu_) return false;
      const QPoint at = static_cast<QContextMenuEvent*>(event)->globalPos();
      QMetaObject::invokeMethod(popupMenu_.data(), "Popup", Qt::DirectConnection, Q_ARG(int, at.x()),
                                Q_ARG(int, at.y()));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace lumicar
