#pragma once
// The video surface without OpenGL: each new frame is converted by the
// frame kernels into a top-down 32-bit picture on the painting thread and
// drawn scaled with smooth filtering: the part of it the view shows, turned
// by the painter, in one draw.

#include <QWidget>

#include "dsbase/filters/frame_conversion.h"
#include "dsbase/render/video_surface.h"

namespace lumicar {

class TDSPainterVideoSurface final : public QWidget, public TDSVideoSurface {
 public:
  TDSPainterVideoSurface(std::shared_ptr<TDSVideoFrameExchange> frames, QWidget* parent);

  QWidget* Widget() override { return this; }
  void FrameArrived() override {
    if (!view_.frozen) update();
  }
  void SetView(const TDSVideoView& view) override;
  QImage Grab() override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::shared_ptr<TDSVideoFrameExchange> frames_;
  TDSFrameConverter converter_;
  QImage picture_;  // the frame shown, kept for repaints
  TDSVideoView view_;
};

}  // namespace lumicar
