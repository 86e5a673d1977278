#include "dsbase/render/painter_video_surface.h"

#include <QPainter>

#include "dsbase/render/video_frame_exchange.h"

namespace lumicar {

TDSPainterVideoSurface::TDSPainterVideoSurface(std::shared_ptr<TDSVideoFrameExchange> frames, QWidget* parent)
    : QWidget(parent), frames_(std::move(frames)) {
  // Every pixel is painted here; the window's input goes to the window.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

QImage TDSPainterVideoSurface::Grab() { return grab().toImage(); }

void TDSPainterVideoSurface::SetView(const TDSVideoView& view) {
  view_ = DSClampedView(view);
  update();
}

void TDSPainterVideoSurface::paintEvent(QPaintEvent*) {
  uint64_t fresh = 0;
  int64_t receivedNs = 0;
  if (!view_.frozen && frames_->TakeNewest()) {
    const TDSVideoFrame& frame = *frames_->Current();
    const TDSFrameFormat& from = frame.format;
    if (picture_.size() != QSize(from.width, from.height))
      picture_ = QImage(from.width, from.height, QImage::Format_RGB32);
    if (!picture_.isNull() && frame.pixels && frame.size >= DSFrameBytes(from)) {
      // Blue, green, red, 255 per pixel: the 32-bit layout the kernels write.
      const TDSFrameFormat to{vfRGBA32, from.width, from.height, false, int(picture_.bytesPerLine()), nullptr};
      converter_.Convert(frame.pixels, from, picture_.bits(), to);
      fresh = frame.sequence;
      receivedNs = frame.receivedNs;
    }
  }
  QPainter painter(this);
  if (picture_.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const TDSViewDrawing drawing = DSViewDrawing(view_, picture_.size(), QSizeF(size()));
  painter.translate(width() / 2.0, height() / 2.0);
  painter.rotate(drawing.degrees);
  painter.drawImage(drawing.target, picture_, drawing.source);
  painter.end();
  if (fresh) frames_->MarkPresented(fresh, receivedNs);
}

}  // namespace lumicar
