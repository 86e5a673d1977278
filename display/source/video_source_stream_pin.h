#pragma once
// The output pin of the video source: offers the frame size it was given
// in the preferred pixel format first, and turns each frame pushed into it
// into one sample of the agreed format, converted and copied in one pass
// (bitmap formats turned bottom-up on the way), delivered on the caller's
// thread. Its allocator has kSampleBuffers samples, so that a renderer may
// keep the frame waiting for a paint and the one on the screen as they are
// while the next is filled (the same memory as one sample and a renderer's
// three copies).

#include <atomic>
#include <mutex>

#include "buffers/image_buffer_interface.h"
#include "capture/frames/frame_drops.h"
#include "dsbase/base/source_filter.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSVideoSourceStreamPin : public TDSSourceStreamPin {
 public:
  // A missing delivery buffer (graph stopped, pin unconnected) is asked for
  // this many times, 1 ms apart, before the frame is dropped.
  static constexpr int kMaxDeliveryAttempts = 51;
  static constexpr int kMaxSide = 16384;
  // One being filled, one waiting for a paint, one on the screen, and the
  // one the painter is still handing back when it has just taken a newer.
  static constexpr int kSampleBuffers = 4;

  TDSVideoSourceStreamPin(TDSBaseSourceFilter* filter, TVLVideoFormat preferred, bool fixedFormat,
                          uint32_t interlaceFlags);

  // Frame size and duration (100 ns units, 0 unknown) of the offered and
  // accepted types. E_INVALIDARG for a size outside 1 .. kMaxSide or a
  // negative duration; VFW_E_ALREADY_CONNECTED while connected.
  HRESULT SetSizeDelay(int width, int height, int64_t frameDuration);

  // Delivers one frame of the pin's size; false when it was refused (other
  // size, short buffer), no sample could be had, or downstream did not take
  // it. The frame itself is only read. Every refusal is counted (Drops).
  bool SendBuffer(IVLImageBuffer* buffer, int64_t start, int64_t stop);
  // Bytes already in the agreed format: one frame's bytes as they are, or
  // with `flip` Height rows of `step` bytes in reverse order. Longer data
  // is cut to one frame; shorter data is refused without being read past
  // its end.
  bool SendData(const uint8_t* data, int64_t size, int64_t start, int64_t stop, int step, bool flip);
  // A top-down RGB24 picture with rows `step` bytes apart, turned bottom-up
  // for a bottom-up connection.
  bool SendRGB24(const uint8_t* data, int64_t size, int step, int64_t start, int64_t stop);

  HRESULT IntGetMediaType(int position, AM_MEDIA_TYPE* mt) override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT IntDecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  int Width() const;
  int Height() const;
  int64_t FrameDuration() const;
  TVLVideoFormat PreferredFormat() const { return preferred_; }
  TVLVideoFormat ConnectedFormat() const;
  bool FixedFormat() const { return fixed_; }
  uint32_t InterlaceFlags() const { return interlace_; }
  // Delivery buffers asked for since creation, successful or not.
  int64_t DeliveryAttempts() const { return attempts_.load(std::memory_order_relaxed); }
  // Frames dropped since creation, by reason, and data cut to a frame.
  const TVLFrameDropCounter& Drops() const { return drops_; }

 private:
  // What a send needs to know of the connection, read once per frame.
  struct TGeometry {
    int width = 0;
    int height = 0;
    TVLVideoFormat format = vfRGB24;
    bool bottomUp = true;
    int64_t stride = 0;
    int64_t FrameBytes() const { return stride * height; }
  };
  TGeometry Snapshot() const;
  // A delivery buffer within kMaxDeliveryAttempts, or nothing.
  TIntf<IMediaSample> ObtainSample();
  // Gets a sample of at least `bytes`, lets `fill` write them, stamps and
  // delivers it.
  template <typename Fill>
  bool DeliverFrame(int64_t bytes, int64_t start, int64_t stop, Fill&& fill);

  const TVLVideoFormat preferred_;
  const bool fixed_;
  const uint32_t interlace_;

  // Guards the size and the agreed format: they are set on the thread that
  // connects the graph and read by the thread that sends frames. A leaf.
  mutable TLeafMutex geometryLock_{"video source geometry lock"};
  int width_ = 320;
  int height_ = 240;
  int64_t frameDuration_ = 0;
  TVLVideoFormat connected_ = vfRGB24;
  bool connectedBottomUp_ = true;

  std::atomic<int64_t> attempts_{0};
  TVLFrameDropCounter drops_{QStringLiteral("VideoOutput")};
};

}  // namespace lumicar
