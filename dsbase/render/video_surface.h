#pragma once
// What the video window shows its picture with: a child widget filling the
// window that paints the newest frame of the exchange scaled to its own size
// (through OpenGL, or with QPainter where OpenGL is missing).

#include <QImage>
#include <memory>

#include "dsbase/render/video_render_path.h"

class QWidget;

namespace lumicar {

class TDSVideoFrameExchange;

class TDSVideoSurface {
 public:
  virtual ~TDSVideoSurface() = default;
  virtual QWidget* Widget() = 0;
  // A newer frame waits in the exchange: paint it on the next update.
  virtual void FrameArrived() = 0;
  // The picture as the surface shows it, at the surface's size.
  virtual QImage Grab() = 0;
};

// A surface of the given path inside `parent`, which owns it.
TDSVideoSurface* DSCreateVideoSurface(TDSVideoRenderPath path, std::shared_ptr<TDSVideoFrameExchange> frames,
                                      QWidget* parent);

}  // namespace lumicar
