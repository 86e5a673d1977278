#pragma once
// A producer component that sends a video stream the way the camera does
// (start-frame, frames, stop through a raw image output), a consumer that
// records everything reaching its image input, and frame helpers.

#include <QObject>
#include <mutex>
#include <vector>

#include "buffers/image_buffer.h"
#include "imagepins/buffer_operations.h"
#include "imagepins/frame_operations.h"
#include "imagepins/image_pins.h"
#include "runtime/component.h"
#include "tests/pins/support/operation_log.h"

namespace lumicar::test {

// A frame whose bytes follow a pattern of seed (every byte of the buffer,
// row padding included, so that a copy shows).
TIntf<TVLImageBuffer> MakePatternFrame(int width, int height, TVLVideoFormat format, uint32_t seed = 1);

class TTestFrameSource : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TVLOWImageRawSourcePin* OutputPin READ OutputPin)
 public:
  explicit TTestFrameSource(TComponent* owner = nullptr);
  ~TTestFrameSource() override;

  TVLOWImageRawSourcePin* OutputPin() const { return output_.get(); }
  // Sends a start-frame operation as the camera does (extra value 0, aspect = size).
  TIntf<IOWNotifyOperation> Start(int width, int height, TVLVideoFormat format, int64_t frameDuration = 333333);
  bool Send(IVLImageBuffer* frame) { return output_->SubmitBuffer(frame); }
  void Stop() { output_->Stop(); }

  // Operations that arrived from downstream, in order.
  std::vector<TIntf<IOWNotifyOperation>> Upstream();

 private:
  std::mutex mutex_;
  std::vector<TIntf<IOWNotifyOperation>> upstream_;
  TOWPinPtr<TVLOWImageRawSourcePin> output_;
};

// Records every operation that reaches its input (connection notices
// included, flagged), keeping each operation alive.
class TTestFrameSink : public TComponent, public TOperationLog {
  Q_OBJECT
  Q_PROPERTY(lumicar::TVLOWImageSinkPin* InputPin READ InputPin)
 public:
  // raw: the input also takes the image-or-compressed stream.
  explicit TTestFrameSink(TComponent* owner = nullptr, bool raw = false);
  ~TTestFrameSink() override;

  TVLOWImageSinkPin* InputPin() const { return input_.get(); }
  // The frames received, as image handles of their own.
  std::vector<TIntf<TVLImageBuffer>> Frames();

 private:
  TOWPinPtr<TVLOWImageSinkPin> input_;
};

}  // namespace lumicar::test
