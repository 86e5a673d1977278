#pragma once
// What the video window shows its picture with: a child widget filling the
// window that paints the newest frame of the exchange scaled to its own size
// (through OpenGL, or with QPainter where OpenGL is missing).

#include <QImage>
#include <memory>

#include "dsbase/render/video_render_path.h"
#include "dsbase/render/video_view.h"

class QWidget;

namespace lumicar {

class TDSVideoFrameExchange;

class TDSVideoSurface {
 public:
  virtual ~TDSVideoSurface() = default;
  virtual QWidget* Widget() = 0;
  // A newer frame waits in the exchange: paint it on the next update
  // (unless the view is frozen).
  virtual void FrameArrived() = 0;
  // How the picture is shown from the next paint on: the shown area and
  // turn are applied where the picture is drawn, without a pass of their
  // own. Frozen, the surface keeps painting the frame it has and leaves
  // newer ones in the exchange, which drops them as they are overtaken;
  // thawed, it paints the newest at once.
  virtual void SetView(const TDSVideoView& view) = 0;
  // The picture as the surface shows it, at the surface's size.
  virtual QImage Grab() = 0;
};

// A surface of the given path inside `parent`, which owns it.
TDSVideoSurface* DSCreateVideoSurface(TDSVideoRenderPath path, std::shared_ptr<TDSVideoFrameExchange> frames,
                                      QWidget* parent);

}  // namespace lumicar
