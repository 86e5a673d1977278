#pragma once
// The video surface on OpenGL: each new frame is uploaded as it is into an
// integer texture, turned into RGB by a conversion shader into a picture
// texture of the frame's size (YUV 4:2:2 with the frame kernels' fixed-point
// coefficients, bit for bit; bottom-up rows by the texel row read), and the
// picture texture is drawn scaled by the GPU with linear filtering, each
// fragment reading the point of it that the view's shown area and turn put
// there (no pass of their own). The
// window swaps on the display's vertical refresh.

#include <QOpenGLExtraFunctions>
#include <QOpenGLWidget>
#include <memory>

#include "dsbase/render/video_surface.h"

class QOpenGLShaderProgram;
class QOpenGLVertexArrayObject;

namespace lumicar {

struct TDSVideoFrame;

class TDSGLVideoSurface final : public QOpenGLWidget, public TDSVideoSurface, protected QOpenGLExtraFunctions {
 public:
  TDSGLVideoSurface(std::shared_ptr<TDSVideoFrameExchange> frames, QWidget* parent);
  ~TDSGLVideoSurface() override;

  QWidget* Widget() override { return this; }
  void FrameArrived() override {
    if (!view_.frozen) update();
  }
  void SetView(const TDSVideoView& view) override;
  QImage Grab() override { return grabFramebuffer(); }

 protected:
  void initializeGL() override;
  void paintGL() override;

 private:
  // Frees what the context holds; the context is going (or the widget).
  void ReleaseGL();
  // Uploads the frame and converts it into the picture texture.
  bool Convert(const TDSVideoFrame& frame);
  void DrawQuad();

  std::shared_ptr<TDSVideoFrameExchange> frames_;
  QMetaObject::Connection contextGone_;
  std::unique_ptr<QOpenGLShaderProgram> convert_, draw_;
  std::unique_ptr<QOpenGLVertexArrayObject> quad_;
  unsigned frameTexture_ = 0, pictureTexture_ = 0, framebuffer_ = 0;
  QSize frameSize_, pictureSize_;
  int frameTexel_ = -1;
  int maxTextureSize_ = 0;
  bool broken_ = false;             // shaders or framebuffer failed: paint black
  uint64_t convertedSequence_ = 0;  // the frame in the picture texture
  uint64_t presentPending_ = 0;     // drawn, shown with the next swap
  int64_t presentReceivedNs_ = 0;   // when that frame was put
  TDSVideoView view_;
};

}  // namespace lumicar
