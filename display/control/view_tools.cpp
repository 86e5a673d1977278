#include "display/control/view_tools.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

#include "display/control/display_log.h"
#include "display/control/status_overlay.h"
#include "dsbase/render/video_renderer.h"
#include "dsbase/render/video_window.h"

namespace lumicar {

TVLDisplayViewTools::TVLDisplayViewTools(THost host) : host_(std::move(host)) {}

TVLDisplayViewTools::~TVLDisplayViewTools() {
  delete frozenBox_.data();
  delete infoBox_.data();
}

QString TVLDisplayViewTools::FrozenMark() { return QStringLiteral("静止中"); }

TDSVideoWindow* TVLDisplayViewTools::Window() const {
  if (!host_.renderer || !host_.control || !host_.control()) return nullptr;
  // The graph holds the renderer, and the renderer its window, while the
  // window's thread is here.
  TIntf<IBaseFilter> filter = host_.renderer();
  TDSVideoRenderer* renderer = filter ? DSVideoRendererOf(filter.get()) : nullptr;
  return renderer ? renderer->Window() : nullptr;
}

void TVLDisplayViewTools::ApplyToWindow() {
  if (TDSVideoWindow* window = Window()) window->SetView(view_);
}

QImage TVLDisplayViewTools::Snapshot() {
  TDSVideoWindow* window = Window();
  return window ? DSTurnedImage(window->CurrentFrame(), view_.quarterTurns) : QImage();
}

TDSVideoFrameCounts TVLDisplayViewTools::FrameCounts() const {
  TIntf<IBaseFilter> filter = host_.renderer ? host_.renderer() : TIntf<IBaseFilter>();
  TDSVideoRenderer* renderer = filter ? DSVideoRendererOf(filter.get()) : nullptr;
  return renderer ? renderer->FrameCounts() : TDSVideoFrameCounts{};
}

void TVLDisplayViewTools::SetZoom(double factor) {
  // About the centre of what is shown: the zoom changes, the centre stays.
  TDSVideoView v = view_;
  v.zoom = factor;
  view_ = DSClampedView(v);
  Changed();
}

void TVLDisplayViewTools::ZoomAt(QPointF controlPoint, double factor) {
  const QRect area = host_.area ? host_.area() : QRect();
  QPointF at(0.5, 0.5);
  if (!area.isEmpty())
    at = QPointF((controlPoint.x() - area.left()) / area.width(), (controlPoint.y() - area.top()) / area.height());
  view_ = DSZoomedAbout(view_, at, factor);
  Changed();
}

void TVLDisplayViewTools::PanBy(QPointF controlDelta) {
  const QRect area = host_.area ? host_.area() : QRect();
  if (area.isEmpty() || view_.zoom <= TDSVideoView::kMinZoom) return;
  view_ = DSPannedBy(view_, QPointF(controlDelta.x() / area.width(), controlDelta.y() / area.height()));
  Changed();
}

void TVLDisplayViewTools::ResetView() {
  view_ = DSResetView(view_);
  Changed();
}

void TVLDisplayViewTools::SetQuarterTurns(int turns) {
  const int t = DSQuarterTurns(turns);
  if (t == view_.quarterTurns) return;
  // The shown area is a part of the turned picture: it turns along, so what
  // was in view stays in view.
  for (int step = view_.quarterTurns; step != t; step = (step + 1) % 4)
    view_.centre = QPointF(1 - view_.centre.y(), view_.centre.x());
  view_.centre = DSClampedView(view_).centre;
  view_.quarterTurns = t;
  turns_.store(t, std::memory_order_relaxed);
  Changed();
  if (host_.turned) host_.turned();
}

void TVLDisplayViewTools::SetFrozen(bool frozen) {
  if (frozen == view_.frozen) return;
  view_.frozen = frozen;
  qCInfo(lcDisplay) << (frozen ? "Picture frozen" : "Picture live again");
  Changed();
  PlaceOverlays();
}

void TVLDisplayViewTools::SetInfoText(const QString& text) {
  if (text == info_) return;
  info_ = text;
  PlaceOverlays();
}

void TVLDisplayViewTools::PlaceOverlays() {
  QWidget* control = host_.control ? host_.control() : nullptr;
  if (!control) return;
  if (control != boxesOn_) {
    // A control window of its own: the boxes move with it.
    delete frozenBox_.data();
    delete infoBox_.data();
    boxesOn_ = control;
  }
  const QRect area = host_.area ? host_.area() : QRect();
  const QRect over = area.isEmpty() ? control->rect() : area.intersected(control->rect());
  auto place = [&](QPointer<TVLStatusOverlay>& box, TVLOverlayPlace where, const QString& text) {
    if (!box && !text.isEmpty()) box = new TVLStatusOverlay(control, where);
    if (!box) return;
    box->SetText(text);
    box->PlaceOver(over);
  };
  place(frozenBox_, TVLOverlayPlace::kTopRight, view_.frozen ? FrozenMark() : QString());
  place(infoBox_, TVLOverlayPlace::kTopLeft, info_);
}

bool TVLDisplayViewTools::MouseEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::Wheel: {
      auto* wheel = static_cast<QWheelEvent*>(event);
      TDSVideoWindow* window = Window();
      if (!window || !window->HasFrame()) {
        wheelRest_ = 0;
        return false;
      }
      // Smooth-scrolling devices send parts of a notch: they add up.
      wheelRest_ += wheel->angleDelta().y();
      const int notches = wheelRest_ / kWheelNotch;
      wheelRest_ -= notches * kWheelNotch;
      if (notches != 0) ZoomAt(wheel->position(), std::pow(kNotchZoom, notches));
      event->accept();
      return true;
    }
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) break;
      pressed_ = true;
      dragging_ = false;
      pressAt_ = dragAt_ = mouse->position();
      break;
    }
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (!pressed_ || !(mouse->buttons() & Qt::LeftButton)) {
        pressed_ = dragging_ = false;
        break;
      }
      const QPointF at = mouse->position();
      // A click that wobbles by a pixel or two is no drag.
      if (!dragging_ && (at - pressAt_).manhattanLength() < QApplication::startDragDistance()) break;
      dragging_ = true;
      PanBy(at - dragAt_);
      dragAt_ = at;
      break;
    }
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) pressed_ = dragging_ = false;
      break;
    default:
      break;
  }
  return false;
}

}  // namespace lumicar
