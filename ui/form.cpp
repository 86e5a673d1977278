#include "ui/form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWindow>
#include <algorithm>
#include <memory>
#include <vector>

#include "runtime/form_reader.h"
#include "ui/x11_window.h"

namespace lumicar {

namespace {

QPointer<TLPForm>& TheMainForm() {
  static QPointer<TLPForm> form;
  return form;
}

bool IsFixedSize(TFormBorderStyle style) { return style == bsSingle || style == bsDialog || style == bsToolWindow; }

QScreen* ScreenOf(const QWidget* window) {
  QScreen* screen = window != nullptr ? window->screen() : nullptr;
  return screen != nullptr ? screen : QGuiApplication::primaryScreen();
}

}  // namespace

TLPForm::TLPForm(TComponent* owner) : TLPTextControl(owner, std::make_unique<QWidget>()) {
  SetColor(clBtnFace);
  // A form appears when it is shown, not when it gets its settings.
  SetVisible(false);
  presentation_ = new TWindowPresentation(Widget());
}

TLPForm::~TLPForm() {
  if (TheMainForm().data() == this) TheMainForm() = nullptr;
  // The controls' windows are children of this one: they go first, while it lives.
  DestroyComponents();
}

void TLPForm::AfterConstruction() {
  TLPTextControl::AfterConstruction();
  const QString design = DesignResource();
  if (!design.isEmpty()) ReadComponentResource(this, design);
}

void TLPForm::Loaded() {
  TLPTextControl::Loaded();
  struct Stop {
    int order;
    int index;
    QWidget* window;
  };
  std::vector<Stop> stops;
  for (int i = 0; i < ComponentCount(); ++i) {
    auto* control = qobject_cast<TLPCustomControl*>(Components(i));
    if (control == nullptr || control->Widget() == nullptr) continue;
    const QVariant order = control->property("TabOrder");
    if (!order.isValid() || order.toInt() < 0 || !(control->Widget()->focusPolicy() & Qt::TabFocus)) continue;
    stops.push_back({order.toInt(), i, control->Widget()});
  }
  std::sort(stops.begin(), stops.end(),
            [](const Stop& a, const Stop& b) { return a.order != b.order ? a.order < b.order : a.index < b.index; });
  for (std::size_t i = 1; i < stops.size(); ++i) QWidget::setTabOrder(stops[i - 1].window, stops[i].window);
}

void TLPForm::MissingField(const QString& name, const char* className) const {
  throw EComponentError(QStringLiteral("The design of %1 has no %2 named %3")
                            .arg(ClassNameOf(this), QString::fromLatin1(className), name));
}

// ---- Bounds ----

QMargins TLPForm::FrameMargins() const {
  if (borderStyle_ == bsNone) return {};
  const QWidget* window = Widget();
  if (window != nullptr && window->isVisible()) {
    const QRect frame = window->frameGeometry();
    const QRect inside = window->geometry();
    if (frame != inside) {
      return QMargins(inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
                      frame.bottom() - inside.bottom());
    }
  }
  return frameMargins_;
}

void TLPForm::UpdateFrameMargins() {
  QWidget* window = Widget();
  if (window == nullptr || !window->isVisible() || borderStyle_ == bsNone) return;
  if (window->frameGeometry() == window->geometry()) return;
  frameMargins_ = FrameMargins();
  if (marginsKnown_) return;
  marginsKnown_ = true;
  // Sizes and places given before the frame was known assumed none: now the
  // outer size and the centring can be what was asked.
  if (pendingOuter_.isValid() && WindowState() == wsNormal) {
    // A place asked for without a frame put the inside there: the frame
    // goes there instead, unless the window was moved since.
    const bool asked = window->geometry().topLeft() == pendingOuter_.topLeft();
    SetBounds(asked ? pendingOuter_.left() : Left(), asked ? pendingOuter_.top() : Top(), pendingOuter_.width(),
              pendingOuter_.height());
  }
  if (WindowState() == wsNormal) {
    if (recenterOn_) {
      CenterOn(recenterOn_.data());
    } else if (recenterPending_) {
      CenterOnScreen();
    }
  }
  pendingOuter_ = QRect();
  recenterPending_ = false;
  recenterOn_ = nullptr;
}

int TLPForm::Width() const {
  const QMargins m = FrameMargins();
  return ClientWidth() + m.left() + m.right();
}

int TLPForm::Height() const {
  const QMargins m = FrameMargins();
  return ClientHeight() + m.top() + m.bottom();
}

void TLPForm::SetBounds(int left, int top, int width, int height) {
  QWidget* window = Widget();
  if (window == nullptr) return;
  const QMargins m = FrameMargins();
  pendingOuter_ = marginsKnown_ || borderStyle_ == bsNone ? QRect() : QRect(left, top, width, height);
  window->setMinimumSize(0, 0);
  window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  window->resize(std::max(width - m.left() - m.right(), 0), std::max(height - m.top() - m.bottom(), 0));
  // A window's position is that of its frame.
  window->move(left, top);
  ApplyFixedSize();
  askedOuter_ = QRect(left, top, width, height);
  AskPresentation();
}

int TLPForm::ClientWidth() const { return Widget() != nullptr ? Widget()->width() : 0; }
int TLPForm::ClientHeight() const { return Widget() != nullptr ? Widget()->height() : 0; }

void TLPForm::SetClientWidth(int value) {
  const QMargins m = FrameMargins();
  SetBounds(Left(), Top(), std::max(value, 0) + m.left() + m.right(), Height());
}

void TLPForm::SetClientHeight(int value) {
  const QMargins m = FrameMargins();
  SetBounds(Left(), Top(), Width(), std::max(value, 0) + m.top() + m.bottom());
}

void TLPForm::ApplyFixedSize() {
  QWidget* window = Widget();
  if (window == nullptr) return;
  if (IsFixedSize(borderStyle_)) {
    window->setFixedSize(window->size());
  } else {
    window->setMinimumSize(0, 0);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
}

// ---- Window settings ----

TWindowState TLPForm::WindowState() const {
  const QWidget* window = Widget();
  if (window == nullptr) return wsNormal;
  // Until the window manager has answered the last request, the state asked
  // for: its late answers to earlier requests are not the window's state.
  if (!presentation_->Settled()) return presentedState_;
  const Qt::WindowStates state = window->windowState();
  if (state.testFlag(Qt::WindowMinimized)) return wsMinimized;
  if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) return wsMaximized;
  return wsNormal;
}

bool TLPForm::IsFullScreenView() const { return fullScreenView_ && WindowState() == wsMaximized; }

Qt::WindowStates TLPForm::QtStateFor(TWindowState state) const {
  switch (state) {
    case wsMinimized:
      return Qt::WindowMinimized;
    case wsMaximized:
      // Maximised without a frame is the full-screen view: the whole screen,
      // over the desktop's panels too.
      return borderStyle_ == bsNone ? Qt::WindowFullScreen : Qt::WindowMaximized;
    default:
      return Qt::WindowNoState;
  }
}

void TLPForm::SetWindowState(TWindowState value) { ApplyWindowState(value); }

void TLPForm::ApplyWindowState(TWindowState state) {
  QWidget* window = Widget();
  if (window == nullptr) return;
  const Qt::WindowStates target = QtStateFor(state);
  const bool wasNormal = WindowState() == wsNormal;
  const Qt::WindowStates before = window->windowState() & ~Qt::WindowActive;
  const bool wasFullScreen = fullScreenView_;
  const bool toFullScreen = target.testFlag(Qt::WindowFullScreen);
  if (before != target || wasFullScreen != toFullScreen) {
    if (wasNormal && target != Qt::WindowNoState) NoteRestoreGeometry();
    if (target != Qt::WindowNoState) {
      window->setMinimumSize(0, 0);
      window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    window->setWindowState(target);
    fullScreenView_ = toFullScreen;
    if (toFullScreen) {
      PlaceFullScreen();
    } else if (!wasNormal && target == Qt::WindowNoState && restoreGeometry_.isValid()) {
      // Window managers put the window back themselves, but only as far as
      // they saw it; a bare X server does not at all.
      // Placed by the frame, as everywhere else (the window manager reads
      // the request's place as the frame's).
      window->resize(restoreGeometry_.marginsRemoved(FrameMargins()).size());
      window->move(restoreGeometry_.topLeft());
      askedOuter_ = restoreGeometry_;
    }
    if (target == Qt::WindowNoState) ApplyFixedSize();
  }
  // Asked again even when Qt believes the window is there already: Qt's
  // belief may be a late answer to an earlier request.
  presentedState_ = state;
  AskPresentation();
}

void TLPForm::NoteRestoreGeometry() {
  const QWidget* window = Widget();
  const QRect seen = presentation_->LastNormalOuter();
  if (presentation_->Settled() && seen.isValid()) {
    restoreGeometry_ = seen;
  } else if (askedOuter_.isValid()) {
    restoreGeometry_ = askedOuter_;
  } else {
    restoreGeometry_ = QRect(window->pos(), window->size().grownBy(FrameMargins()));
  }
}

void TLPForm::AskPresentation() {
  const QWidget* window = Widget();
  if (window == nullptr || !window->isVisible()) return;
  switch (presentedState_) {
    case wsMaximized:
      if (borderStyle_ == bsNone) {
        presentation_->AskFullScreen();
      } else {
        presentation_->AskMaximized();
      }
      break;
    case wsNormal:
      if (!askedOuter_.isValid()) askedOuter_ = QRect(window->pos(), window->size().grownBy(FrameMargins()));
      presentation_->AskNormal(askedOuter_, borderStyle_ != bsNone);
      break;
    default:
      break;
  }
}

void TLPForm::PlaceFullScreen() {
  QWidget* window = Widget();
  // Window managers do this themselves; without one (a bare X server) the
  // window would keep its size, so the view is placed explicitly as well.
  // Not under a window manager: it would take the screen-sized request, if it
  // came before the full-screen state, as the window's normal size, and give
  // that back when full screen ends.
  if (window == nullptr || !window->isVisible()) return;
  if (X11WindowManagerRunning()) return;
  const QRect screen = ScreenOf(window)->geometry();
  if (window->geometry() == screen) return;
  // Placing a widget ends its full-screen state in Qt's eyes; the state is
  // given back at once (the window system keeps it all along).
  window->setGeometry(screen);
  if (!window->windowState().testFlag(Qt::WindowFullScreen)) {
    window->setWindowState((window->windowState() & ~Qt::WindowMaximized) | Qt::WindowFullScreen);
  }
}

void TLPForm::SetBorderStyle(TFormBorderStyle value) {
  if (borderStyle_ == value) return;
  const bool maximised = WindowState() == wsMaximized;
  const QMargins before = FrameMargins();
  borderStyle_ = value;
  // A maximised window changes between the framed and the full-screen kind
  // together with its frame.
  ApplyWindowFlags();
  fullScreenView_ = maximised && value == bsNone;
  QWidget* window = Widget();
  const Qt::WindowStates views = Qt::WindowMaximized | Qt::WindowFullScreen;
  if (maximised && window != nullptr && (window->windowState() & views) != QtStateFor(wsMaximized)) {
    // Maximised with a frame and full screen are two states to the platform.
    window->setWindowState((window->windowState() & ~views) | QtStateFor(wsMaximized));
    if (fullScreenView_) PlaceFullScreen();
  }
  ApplyFixedSize();
  if (!maximised && askedOuter_.isValid()) {
    // The inside stays; the frame around it comes or goes.
    const QRect inside = askedOuter_.marginsRemoved(before);
    askedOuter_ = inside.marginsAdded(FrameMargins());
  }
  presentedState_ = maximised ? wsMaximized : wsNormal;
  AskPresentation();
}

void TLPForm::SetFormStyle(TFormStyle value) {
  if (formStyle_ == value) return;
  formStyle_ = value;
  ApplyWindowFlags();
}

void TLPForm::SetOwnerForm(TLPForm* owner) {
  if (owner == this) owner = nullptr;
  if (ownerForm_.data() == owner) return;
  ownerForm_ = owner;
  ApplyWindowFlags();
}

void TLPForm::ApplyWindowFlags() {
  QWidget* window = Widget();
  if (window == nullptr) return;
  Qt::WindowFlags flags = (ownerForm_ || borderStyle_ == bsDialog) ? Qt::Dialog : Qt::Window;
  if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) flags = Qt::Tool;
  if (borderStyle_ == bsNone) flags |= Qt::FramelessWindowHint;
  if (formStyle_ == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
  QWidget* parent = ownerForm_ ? ownerForm_->Widget() : nullptr;
  if (window->windowFlags() == flags && window->parentWidget() == parent) return;
  const Qt::WindowFlags hints = Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
  QWindow* handle = window->windowHandle();
  if (handle != nullptr && window->parentWidget() == parent &&
      (window->windowFlags() & Qt::WindowType_Mask) == (flags & Qt::WindowType_Mask)) {
    // Frame and stay-on-top are hints to the window manager, which takes
    // them from the mapped window as it is. Making a new native window for
    // them would give the window manager a new window (a new id that window
    // rules and screen recorders no longer know) and leave the old one's
    // late answers to arrive for the new one.
    const bool above = flags.testFlag(Qt::WindowStaysOnTopHint);
    const bool aboveChanged = window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != above;
    // The frame's buttons and the like that Qt added stay.
    const Qt::WindowFlags kept = (window->windowFlags() & ~hints) | (flags & hints);
    if (kept == window->windowFlags()) return;
    window->overrideWindowFlags(kept);
    handle->setFlags(kept);
    if (aboveChanged && window->isVisible()) RequestX11NetState(handle, TX11NetState::kAbove, above);
    return;
  }
  // Qt hides a window whose flags change; it comes back in the same state and place.
  const bool visible = window->isVisible();
  const Qt::WindowStates state = QtStateFor(WindowState());
  const QPoint place = window->pos();
  const QSize size = window->size();
  window->setParent(parent, flags);
  window->setWindowState(state);
  if (state == Qt::WindowNoState) {
    window->resize(size);
    window->move(place);
  }
  if (visible) {
    window->show();
    // The new native window takes the state it should have.
    if (window->windowHandle() != nullptr) window->windowHandle()->setWindowStates(state);
    if (state.testFlag(Qt::WindowFullScreen)) PlaceFullScreen();
    window->raise();
    window->activateWindow();
    presentation_->Watch();
  }
}

// ---- Showing ----

void TLPForm::Show() {
  QWidget* window = Widget();
  if (window == nullptr) return;
  if (window->isVisible()) {
    if (window->windowState().testFlag(Qt::WindowMinimized)) {
      window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    }
    window->raise();
    window->activateWindow();
    return;
  }
  // A window centred on its screen is so when it first appears (afterwards it
  // stays where the user put it); one centred on another window each time.
  if (!shownOnce_ && (position_ == poScreenCenter || position_ == poDesktopCenter)) CenterOnScreen();
  if (position_ == poOwnerFormCenter && ownerForm_) CenterOn(ownerForm_->Widget());
  if (position_ == poMainFormCenter && MainForm() != nullptr && MainForm() != this) CenterOn(MainForm()->Widget());
  shownOnce_ = true;
  SetVisible(true);
  window->show();
  if (window->windowState().testFlag(Qt::WindowFullScreen)) PlaceFullScreen();
  window->raise();
  window->activateWindow();
  presentation_->Watch();
  presentedState_ = WindowState();
  AskPresentation();
}

void TLPForm::Hide() {
  if (Widget() != nullptr) Widget()->hide();
  SetVisible(false);
}

void TLPForm::Close() {
  if (Widget() != nullptr) Widget()->close();
}

void TLPForm::CenterOnScreen() {
  QWidget* window = Widget();
  if (window == nullptr) return;
  const QRect area = ScreenOf(window)->availableGeometry();
  const QSize outer(Width(), Height());
  const QPoint place(area.left() + (area.width() - outer.width()) / 2,
                     area.top() + (area.height() - outer.height()) / 2);
  window->move(place);
  recenterPending_ = !marginsKnown_ && borderStyle_ != bsNone;
  recenterOn_ = nullptr;
  askedOuter_ = QRect(place, outer);
  AskPresentation();
}

void TLPForm::CenterOn(const QWidget* other) {
  QWidget* window = Widget();
  if (window == nullptr || other == nullptr) return;
  const QRect around = other->frameGeometry();
  const QRect area = ScreenOf(other)->availableGeometry();
  int left = around.left() + (around.width() - Width()) / 2;
  int top = around.top() + (around.height() - Height()) / 2;
  // Kept whole on the screen where possible (a small window over a full-screen one).
  left = std::max(area.left(), std::min(left, area.right() + 1 - Width()));
  top = std::max(area.top(), std::min(top, area.bottom() + 1 - Height()));
  window->move(left, top);
  recenterPending_ = false;
  recenterOn_ = !marginsKnown_ && borderStyle_ != bsNone ? other : nullptr;
  askedOuter_ = QRect(left, top, Width(), Height());
  AskPresentation();
}

void TLPForm::SetMainForm(TLPForm* form) { TheMainForm() = form; }
TLPForm* TLPForm::MainForm() { return TheMainForm().data(); }

void TLPForm::ApplyCaption() {
  if (Widget() != nullptr) Widget()->setWindowTitle(Caption());
}

bool TLPForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Widget()) {
    switch (event->type()) {
      case QEvent::Close:
        if (TheMainForm().data() == this && event->isAccepted()) QCoreApplication::quit();
        break;
      case QEvent::Hide:
        if (!Widget()->isMinimized()) SetVisible(false);
        break;
      case QEvent::Show:
        SetVisible(true);
        UpdateFrameMargins();
        break;
      case QEvent::Move:
      case QEvent::Resize:
        UpdateFrameMargins();
        if (!presentation_->Settled()) presentation_->Schedule();
        break;
      case QEvent::WindowStateChange:
        if (!presentation_->Settled()) presentation_->Schedule();
        break;
      default:
        break;
    }
  }
  return TLPTextControl::eventFilter(watched, event);
}

}  // namespace lumicar
