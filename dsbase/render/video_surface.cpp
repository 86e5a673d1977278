#include "dsbase/render/video_surface.h"

#include "dsbase/render/gl_video_surface.h"
#include "dsbase/render/painter_video_surface.h"

namespace lumicar {

TDSVideoSurface* DSCreateVideoSurface(TDSVideoRenderPath path, std::shared_ptr<TDSVideoFrameExchange> frames,
                                      QWidget* parent) {
  if (path == TDSVideoRenderPath::kOpenGL) return new TDSGLVideoSurface(std::move(frames), parent);
  return new TDSPainterVideoSurface(std::move(frames), parent);
}

}  // namespace lumicar
