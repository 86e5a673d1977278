#pragma once
// The operations that announce and end a video stream: the start-frame
// family (size, rate, pixel format of the frames that follow) and the soft
// stop. A sink linked to a running source receives the last start-frame
// operation first, so it always knows the format before the first frame.

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "buffers/video_format.h"
#include "pins/operations.h"

namespace lumicar {

// A start that carries its rate also as a double.
class TOWStartSampleRateOperation : public TOWStartRateOperation {
 public:
  explicit TOWStartSampleRateOperation(double rate = 0)
      : TOWStartRateOperation(static_cast<float>(rate)), rate_(rate) {}
  double SampleRate() const { return rate_; }

 private:
  double rate_;
};

// Frame duration in 100-ns units; a duration of 0 becomes 1, and both rate
// fields are the frames per second that the duration gives.
class TOWStartFrameOperation : public TOWStartSampleRateOperation {
 public:
  TOWStartFrameOperation(int32_t width, int32_t height, int64_t frameDuration, TVLVideoFormat format,
                         uint32_t extraValue, uint32_t aspectWidth, uint32_t aspectHeight);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int64_t FrameDuration() const { return frameDuration_; }
  TVLVideoFormat PixelFormat() const { return format_; }
  // Passed on unchanged by filters; every sender of this system sends 0.
  uint32_t ExtraValue() const { return extraValue_; }
  uint32_t AspectWidth() const { return aspectWidth_; }
  uint32_t AspectHeight() const { return aspectHeight_; }

 private:
  int32_t width_;
  int32_t height_;
  int64_t frameDuration_;
  TVLVideoFormat format_;
  uint32_t extraValue_;
  uint32_t aspectWidth_;
  uint32_t aspectHeight_;
};

// A start of compressed frames: the sender's media type travels as a copy.
class TOWStartCompressionFrameOperation : public TOWStartFrameOperation {
 public:
  TOWStartCompressionFrameOperation(int32_t width, int32_t height, int64_t frameDuration, TVLVideoFormat format,
                                    uint32_t extraValue, uint32_t aspectWidth, uint32_t aspectHeight,
                                    const QByteArray& mediaType)
      : TOWStartFrameOperation(width, height, frameDuration, format, extraValue, aspectWidth, aspectHeight),
        mediaType_(mediaType) {}
  const QByteArray& GetMediaType() const { return mediaType_; }

 private:
  QByteArray mediaType_;
};

// A restart that filters able to restart softly need not pass on.
class TOWSoftStartFrameOperation : public TOWStartFrameOperation {
 public:
  using TOWStartFrameOperation::TOWStartFrameOperation;
};

// A start a component sends inside its own processing, with a name.
class TVLInternalStartFrameOperation : public TOWStartFrameOperation {
 public:
  TVLInternalStartFrameOperation(int32_t width, int32_t height, int64_t frameDuration, TVLVideoFormat format,
                                 uint32_t extraValue, uint32_t aspectWidth, uint32_t aspectHeight, const QString& name)
      : TOWStartFrameOperation(width, height, frameDuration, format, extraValue, aspectWidth, aspectHeight),
        name_(name) {}
  const QString& Name() const { return name_; }

 private:
  QString name_;
};

class TOWSoftStopOperation : public TOWNotifyOperation {};

}  // namespace lumicar
