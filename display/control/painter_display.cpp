#include "display/control/painter_display.h"

#include <QPainter>
#include <mutex>

#include "buffers/image_buffer.h"
#include "buffers/qimage/image_qimage.h"
#include "display/control/display_log.h"
#include "runtime/log_gate.h"

namespace lumicar {

TVLPainterDisplay::TVLPainterDisplay(TComponent* owner) : TVLCommonImageDisplay(owner) {
  // Bands and picture together cover every pixel.
  SetOpaquePainting(true);
}

TVLPainterDisplay::~TVLPainterDisplay() { ShutDownPins(); }

void TVLPainterDisplay::IntStart(int32_t width, int32_t height, int32_t aspectWidth, int32_t aspectHeight,
                                 int64_t frameDuration, TVLVideoFormat) {
  RecordStart(width, height, aspectWidth, aspectHeight, frameDuration);
}

void TVLPainterDisplay::RenderImage(IVLImageBuffer* frame) {
  if (frame == nullptr) return;
  {
    // A frame of another size than announced is shown at its own size.
    auto section = WriteLock();
    const int32_t width = frame->GetWidth();
    const int32_t height = frame->GetHeight();
    if (!hasFrameSize_ || width != frameWidth_ || height != frameHeight_) SetFrameSize(width, height);
  }
  {
    std::lock_guard<TOWCriticalSection> guard(frameLock_);
    latest_ = TIntf<IVLImageBuffer>(frame);
    ++generation_;
  }
  Invalidate();
}

void TVLPainterDisplay::Clear() {
  {
    std::lock_guard<TOWCriticalSection> guard(frameLock_);
    latest_ = nullptr;
    ++clears_;
  }
  Invalidate();
}

uint64_t TVLPainterDisplay::FramesReceived() {
  std::lock_guard<TOWCriticalSection> guard(frameLock_);
  return generation_;
}

bool TVLPainterDisplay::HasFrame() {
  std::lock_guard<TOWCriticalSection> guard(frameLock_);
  return static_cast<bool>(latest_);
}

bool TVLPainterDisplay::PaintWindow(const QRect&) {
  QWidget* window = Widget();
  if (window == nullptr) return false;
  CalcFrameLayout(Width(), Height());
  const TFrameLayout layout = Layout();

  TIntf<IVLImageBuffer> frame;
  uint64_t generation = 0;
  {
    std::lock_guard<TOWCriticalSection> guard(frameLock_);
    frame = latest_;
    generation = generation_ + clears_;
  }
  if (generation != pictureGeneration_) {
    pictureGeneration_ = generation;
    picture_ = QImage();
    if (frame) {
      try {
        // A handle of our own: the conversion to RGB must not change the frame
        // that other receivers share.
        auto own = MakeIntf<TVLImageBuffer>(frame.get());
        ToBitmap(own.get(), picture_);
      } catch (const std::exception& e) {
        picture_ = QImage();  // a frame that cannot be shown leaves the picture blank
        // Each paint of such frames comes here: at most one line a second.
        static TLogGate convertLog;
        if (convertLog.Open()) qCWarning(lcDisplay) << "A frame cannot be shown, the picture stays blank:" << e.what();
      }
    }
  }

  QPainter painter(window);
  DrawFrame(painter);
  const QRect target(layout.imageLeft, layout.imageTop, layout.imageWidth, layout.imageHeight);
  if (layout.imageWidth > 0 && layout.imageHeight > 0) {
    if (!picture_.isNull()) {
      // The source rectangle is the picture's own: a frame that arrived after the
      // layout was made is still drawn whole.
      painter.drawImage(target, picture_, picture_.rect());
    } else {
      painter.fillRect(target, ResolvedColor());
    }
  }
  ShowRect(painter);
  return true;
}

}  // namespace lumicar
