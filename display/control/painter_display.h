#pragma once
// TVLPainterDisplay: the plain display. It paints the newest frame with
// QPainter into the laid-out picture rectangle. Frames arrive on the sender's
// thread and are only handed over there (one reference swapped); conversion
// and painting happen on the window's thread, so a slow paint never holds up
// the stream: the newest frame simply wins.

#include <QImage>
#include <cstdint>

#include "display/control/common_image_display.h"
#include "runtime/sync/critical_section.h"

namespace lumicar {

class TVLPainterDisplay : public TVLCommonImageDisplay {
  Q_OBJECT

 public:
  Q_INVOKABLE explicit TVLPainterDisplay(lumicar::TComponent* owner = nullptr);
  ~TVLPainterDisplay() override;

  void IntStart(int32_t width, int32_t height, int32_t aspectWidth, int32_t aspectHeight, int64_t frameDuration,
                TVLVideoFormat format) override;
  void RenderImage(IVLImageBuffer* frame) override;
  void Clear() override;

  // Frames handed over so far, and whether one is there to be shown (for tests
  // and diagnostics).
  uint64_t FramesReceived();
  bool HasFrame();

 protected:
  bool PaintWindow(const QRect& dirty) override;

 private:
  // The hand-over between the sender and the window's thread.
  TOWCriticalSection frameLock_{TLockRank::kDisplay};
  TIntf<IVLImageBuffer> latest_;  // guarded by frameLock_
  uint64_t generation_ = 0;       // guarded by frameLock_; counts frames
  uint64_t clears_ = 0;           // guarded by frameLock_

  // The window's thread only: the newest frame as an image, and which one it is.
  QImage picture_;
  uint64_t pictureGeneration_ = 0;
};

}  // namespace lumicar
