#include "display/control/common_display.h"

#include <QPainter>

#include "runtime/sync/posted_call.h"

namespace lumicar {

TVLCommonDisplay::TVLCommonDisplay(TComponent* owner) : TLPCustomControl(owner) {
  SetParentColor(true);
  SetBounds(0, 0, 240, 200);
}

void TVLCommonDisplay::SetAutoSize(bool value) {
  Lock()->Setter(autoSize_, value, [this] { AdjustControlSize(); });
}

void TVLCommonDisplay::SetCenter(bool value) {
  Lock()->Setter(center_, value, [this] { Invalidate(); });
}

void TVLCommonDisplay::SetStretch(bool value) {
  Lock()->Setter(stretch_, value, [this] {
    if (!IsReading()) Invalidate();
  });
}

void TVLCommonDisplay::SetProportional(bool value) {
  Lock()->Setter(proportional_, value, [this] {
    if (!IsReading()) Invalidate();
  });
}

void TVLCommonDisplay::CalcFrameLayout(int32_t width, int32_t height) {
  auto section = WriteLock();
  TFrameLayoutInput in;
  in.clientWidth = width;
  in.clientHeight = height;
  in.hasFrameSize = hasFrameSize_;
  in.frameWidth = frameWidth_;
  in.frameHeight = frameHeight_;
  if (hasFrameSize_) {
    const QPoint display = GetDisplayImageSize();
    in.displayWidth = display.x();
    in.displayHeight = display.y();
  }
  in.stretch = stretch_;
  in.proportional = proportional_;
  in.center = center_;
  in.designing = IsDesigning();
  layout_ = lumicar::CalcFrameLayout(in);
}

QPoint TVLCommonDisplay::GetDisplayImageSize() {
  auto section = ReadLock();
  return QPoint(frameWidth_, frameHeight_);
}

void TVLCommonDisplay::DrawFrame(QPainter& painter) {
  const TFrameLayout layout = Layout();
  const QColor color = ResolvedColor();
  for (const TBand& band : BackgroundBands(layout, Width(), Height())) {
    if (band.IsEmpty()) continue;
    painter.fillRect(QRect(QPoint(band.left, band.top), QSize(band.right - band.left, band.bottom - band.top)), color);
  }
}

void TVLCommonDisplay::AdjustControlSize() {
  if (!InWindowThread()) {
    // The window's size belongs to its thread; the control is the context, so
    // a request still queued when it goes is dropped.
    PostOrdered(this, [this] { AdjustControlSize(); });
    return;
  }
  bool resize = false;
  {
    auto section = ReadLock();
    resize = autoSize_ && hasFrameSize_;
  }
  if (resize) {
    const QPoint size = GetDisplayImageSize();
    SetBounds(Left(), Top(), size.x(), size.y());
  }
  CalcFrameLayout(Width(), Height());
}

void TVLCommonDisplay::ShowRect(QPainter& painter) {
  if (!IsDesigning()) return;
  painter.save();
  painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
  painter.setBrush(ResolvedColor());
  painter.drawRect(0, 0, Width() - 1, Height() - 1);
  painter.restore();
}

TFrameLayout TVLCommonDisplay::Layout() const {
  auto section = ReadLock();
  return layout_;
}

int32_t TVLCommonDisplay::GetVC_ImageLeft() const { return Layout().imageLeft; }
int32_t TVLCommonDisplay::GetVC_ImageTop() const { return Layout().imageTop; }

int32_t TVLCommonDisplay::GetImageWidth() const {
  const int32_t width = Layout().imageWidth;
  return width != 0 ? width : Width();
}

int32_t TVLCommonDisplay::GetImageHeight() const {
  const int32_t height = Layout().imageHeight;
  return height != 0 ? height : Height();
}

bool TVLCommonDisplay::HasFrameSize() const { return Lock()->Getter(hasFrameSize_); }

QSize TVLCommonDisplay::FrameSize() const {
  auto section = ReadLock();
  return QSize(frameWidth_, frameHeight_);
}

void TVLCommonDisplay::SetFrameSize(int32_t width, int32_t height) {
  auto section = WriteLock();
  frameWidth_ = width;
  frameHeight_ = height;
  hasFrameSize_ = true;
}

void TVLCommonDisplay::Resized() {
  CalcFrameLayout(Width(), Height());
  Invalidate();
}

}  // namespace lumicar
