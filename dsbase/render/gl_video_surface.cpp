#include "dsbase/render/gl_video_surface.h"

#include <QOpenGLContext>
#include <QOpenGLShaderProgram>
#include <QOpenGLVertexArrayObject>
#include <utility>

#include "dsbase/render/gl_frame_upload.h"
#include "dsbase/render/video_frame_exchange.h"
#include "dsbase/render/video_render_path.h"
#include "runtime/log_gate.h"

namespace lumicar {

namespace {

// Four corners from the vertex number, drawn as a triangle strip over the
// whole target; `corner` runs from (0, 0) at the top left to (1, 1).
constexpr char kVertexShader[] = R"(
out vec2 corner;
void main() {
  vec2 c = vec2(float(gl_VertexID & 1), float((gl_VertexID >> 1) & 1));
  corner = c;
  gl_Position = vec4(c.x * 2.0 - 1.0, 1.0 - c.y * 2.0, 0.0, 1.0);
}
)";

// One picture pixel per fragment, row 0 the picture's top row. The YUV
// arithmetic is the kernels' 16.16 fixed point with arithmetic shifts, so
// the colours equal the CPU conversion's bytes.
constexpr char kConvertShader[] = R"(
uniform highp usampler2D frame;
uniform int frameLayout;
uniform ivec2 size;
uniform int bottomUp;
out vec4 color;

uvec4 Texel(int x, int row) { return texelFetch(frame, ivec2(x, row), 0); }

int Chroma(int x, int row) {
  uvec4 t = Texel(x, row);
  return int(frameLayout == 4 ? t.g : t.r);
}

ivec3 Yuv(int y, int u, int v) {
  u -= 128;
  v -= 128;
  int y16 = y * 65536;
  return clamp(ivec3((y16 + 74711 * v) >> 16, (y16 - 25821 * u - 38076 * v) >> 16, (y16 + 133169 * u) >> 16),
               ivec3(0), ivec3(255));
}

void main() {
  int x = int(gl_FragCoord.x);
  int row = int(gl_FragCoord.y);
  if (bottomUp != 0) row = size.y - 1 - row;
  uvec4 t = Texel(x, row);
  ivec3 rgb;
  if (frameLayout == 0 || frameLayout == 1) {
    rgb = ivec3(t.bgr);
  } else if (frameLayout == 2) {
    int w = int(t.r) | (int(t.g) << 8);
    rgb = ivec3(((w >> 11) & 31) << 3, ((w >> 5) & 63) << 2, (w & 31) << 3);
  } else if (frameLayout == 3) {
    int w = int(t.r) | (int(t.g) << 8);
    rgb = ivec3(((w >> 10) & 31) << 3, ((w >> 5) & 31) << 3, (w & 31) << 3);
  } else {
    // Each pixel holds its luma and one chroma byte: U in the pair's first
    // pixel, V in its second. A last pixel without a partner takes the V of
    // the pair before it.
    int luma = int(frameLayout == 4 ? t.r : t.g);
    int chroma = int(frameLayout == 4 ? t.g : t.r);
    int u = chroma;
    int v = chroma;
    if ((x & 1) == 1) {
      u = Chroma(x - 1, row);
    } else if (x + 1 < size.x) {
      v = Chroma(x + 1, row);
    } else if (x > 0) {
      v = Chroma(x - 1, row);
    }
    rgb = Yuv(luma, u, v);
  }
  color = vec4(vec3(rgb) / 255.0, 1.0);
}
)";

// The shown area (x, y, width, height) lies in the picture turned clockwise
// by `turns` quarter turns; each point of it is read back from the unturned
// picture texture.
constexpr char kDrawShader[] = R"(
uniform sampler2D picture;
uniform vec4 area;
uniform int turns;
in vec2 corner;
out vec4 color;
void main() {
  vec2 p = area.xy + corner * area.zw;
  vec2 t = p;
  if (turns == 1) {
    t = vec2(p.y, 1.0 - p.x);
  } else if (turns == 2) {
    t = vec2(1.0) - p;
  } else if (turns == 3) {
    t = vec2(1.0 - p.y, p.x);
  }
  color = vec4(texture(picture, t).rgb, 1.0);
}
)";

struct TTexelFormat {
  GLint internal;
  GLenum format;
};

TTexelFormat TexelFormatOf(TDSGLTexel texel) {
  switch (texel) {
    case TDSGLTexel::kRG8:
      return {GL_RG8UI, GL_RG_INTEGER};
    case TDSGLTexel::kRGB8:
      return {GL_RGB8UI, GL_RGB_INTEGER};
    default:
      return {GL_RGBA8UI, GL_RGBA_INTEGER};
  }
}

}  // namespace

TDSGLVideoSurface::TDSGLVideoSurface(std::shared_ptr<TDSVideoFrameExchange> frames, QWidget* parent)
    : QOpenGLWidget(parent), frames_(std::move(frames)) {
  setFormat(DSVideoSurfaceFormat());
  setAttribute(Qt::WA_TransparentForMouseEvents);
  // A frame counts as presented once the window holding it has swapped.
  connect(this, &QOpenGLWidget::frameSwapped, this, [this] {
    if (presentPending_) frames_->MarkPresented(std::exchange(presentPending_, 0), presentReceivedNs_);
  });
}

TDSGLVideoSurface::~TDSGLVideoSurface() {
  // The base class frees the context after this part of the object is
  // gone: nothing of ours may run then.
  disconnect(contextGone_);
  if (!context()) return;
  makeCurrent();
  ReleaseGL();
  doneCurrent();
}

void TDSGLVideoSurface::SetView(const TDSVideoView& view) {
  view_ = DSClampedView(view);
  update();
}

void TDSGLVideoSurface::ReleaseGL() {
  if (!QOpenGLContext::currentContext()) return;
  if (frameTexture_) glDeleteTextures(1, &frameTexture_);
  if (pictureTexture_) glDeleteTextures(1, &pictureTexture_);
  if (framebuffer_) glDeleteFramebuffers(1, &framebuffer_);
  frameTexture_ = pictureTexture_ = framebuffer_ = 0;
  frameSize_ = pictureSize_ = QSize();
  frameTexel_ = -1;
  convert_.reset();
  draw_.reset();
  quad_.reset();
  convertedSequence_ = 0;
}

void TDSGLVideoSurface::initializeGL() {
  initializeOpenGLFunctions();
  // The widget gets a new context when it moves to another top-level window
  // (full screen and back): everything is made again, the frame re-uploaded.
  disconnect(contextGone_);
  contextGone_ = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
    makeCurrent();
    ReleaseGL();
    doneCurrent();
  });
  broken_ = false;
  convertedSequence_ = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
  const QByteArray header = context()->isOpenGLES() ? QByteArrayLiteral(
                                                          "#version 300 es\nprecision highp float;\n"
                                                          "precision highp int;\nprecision highp usampler2D;\n")
                                                    : QByteArrayLiteral("#version 330 core\n");
  auto build = [&](const char* fragment) {
    auto program = std::make_unique<QOpenGLShaderProgram>();
    if (!program->addShaderFromSourceCode(QOpenGLShader::Vertex, header + kVertexShader) ||
        !program->addShaderFromSourceCode(QOpenGLShader::Fragment, header + fragment) || !program->link()) {
      qCWarning(lcVideoRender).noquote() << "video shader failed:" << program->log();
      return std::unique_ptr<QOpenGLShaderProgram>();
    }
    return program;
  };
  convert_ = build(kConvertShader);
  draw_ = build(kDrawShader);
  quad_ = std::make_unique<QOpenGLVertexArrayObject>();
  quad_->create();
  glGenTextures(1, &frameTexture_);
  glGenTextures(1, &pictureTexture_);
  glGenFramebuffers(1, &framebuffer_);
  broken_ = !convert_ || !draw_ || !quad_->isCreated();
}

void TDSGLVideoSurface::DrawQuad() {
  QOpenGLVertexArrayObject::Binder bound(quad_.get());
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

bool TDSGLVideoSurface::Convert(const TDSVideoFrame& frame) {
  TDSGLFrameUpload upload;
  if (!DSGLFrameUploadOf(frame, &upload)) return false;
  if (upload.width > maxTextureSize_ || upload.height > maxTextureSize_) {
    // Every frame of the stream is as large: said once a second at most.
    static TLogGate tooLarge;
    if (tooLarge.Open())
      qCWarning(lcVideoRender) << "video frame" << upload.width << "x" << upload.height
                               << "is larger than the OpenGL textures of this driver";
    return false;
  }
  const QSize size(upload.width, upload.height);
  const TTexelFormat texel = TexelFormatOf(upload.texel);

  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, frameTexture_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, upload.rowAlignment);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  if (size != frameSize_ || int(upload.texel) != frameTexel_) {
    // Integer texels are read one by one: no filtering, no mipmaps.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, texel.internal, upload.width, upload.height, 0, texel.format, GL_UNSIGNED_BYTE,
                 upload.pixels);
    frameSize_ = size;
    frameTexel_ = int(upload.texel);
  } else {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, upload.width, upload.height, texel.format, GL_UNSIGNED_BYTE, upload.pixels);
  }

  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  if (size != pictureSize_) {
    glBindTexture(GL_TEXTURE_2D, pictureTexture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, upload.width, upload.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, pictureTexture_, 0);
    pictureSize_ = size;
  }
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  if (complete) {
    glViewport(0, 0, upload.width, upload.height);
    glDisable(GL_BLEND);
    convert_->bind();
    convert_->setUniformValue("frame", 0);
    convert_->setUniformValue("frameLayout", upload.layout);
    glUniform2i(convert_->uniformLocation("size"), upload.width, upload.height);
    convert_->setUniformValue("bottomUp", upload.bottomUp ? 1 : 0);
    glBindTexture(GL_TEXTURE_2D, frameTexture_);
    DrawQuad();
    convert_->release();
  } else {
    qCWarning(lcVideoRender) << "video picture framebuffer is incomplete";
    broken_ = true;
  }
  glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
  if (!complete) return false;
  convertedSequence_ = frame.sequence;
  return true;
}

void TDSGLVideoSurface::paintGL() {
  const bool fresh = !view_.frozen && frames_->TakeNewest();
  const TDSVideoFrame* frame = frames_->Current();
  bool shown = false;
  if (frame && !broken_) shown = frame->sequence == convertedSequence_ || Convert(*frame);
  const qreal ratio = devicePixelRatioF();
  glViewport(0, 0, int(width() * ratio + 0.5), int(height() * ratio + 0.5));
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  if (!shown) return;
  draw_->bind();
  draw_->setUniformValue("picture", 0);
  const QRectF area = DSShownArea(view_);
  draw_->setUniformValue("area", float(area.x()), float(area.y()), float(area.width()), float(area.height()));
  draw_->setUniformValue("turns", view_.quarterTurns);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, pictureTexture_);
  DrawQuad();
  draw_->release();
  if (fresh) {
    presentPending_ = frame->sequence;
    presentReceivedNs_ = frame->receivedNs;
  }
}

}  // namespace lumicar
