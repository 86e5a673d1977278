#pragma once
// A push output pin fed with blocks of bytes by its owner: the block is cut
// into as many samples as the agreed buffers need, each with its actual
// length and, when the block has times, its share of the block's interval.
// The audio, text and binary source pins are built on it.

#include <atomic>

#include "dsbase/base/source_filter.h"

namespace lumicar {

class TDSDataSourceStreamPin : public TDSSourceStreamPin {
 public:
  // A delivery buffer that keeps failing while streaming is on is given up
  // after this many attempts, one millisecond apart.
  static constexpr int kMaxBufferAttempts = 1000;
  // Above this a buffer size is refused: it would not fit a sample.
  static constexpr int32_t kMaxBufferSize = 64 << 20;

  TDSDataSourceStreamPin(const QString& pinName, TDSBaseSourceFilter* filter, int32_t bufferSize);

  // One buffer (more when downstream asks) of at least the pin's buffer size.
  HRESULT IntDecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  // Bytes of one sample buffer, used from the next connection on;
  // E_INVALIDARG outside 1 .. kMaxBufferSize.
  HRESULT SetBufferSize(int32_t bytes);
  int32_t BufferSize() const { return bufferSize_.load(std::memory_order_acquire); }

 protected:
  // Delivers `size` bytes from `data`; true when every sample was delivered
  // (S_OK). With `stamp` each sample gets the part of [start, stop] that its
  // bytes take of the block, the last one ending at `stop`, and the sync
  // point `syncPoint`. Stops at the first sample that cannot be had or is
  // not taken downstream: the rest of a block whose middle was lost is
  // worth nothing.
  bool SendBlock(const uint8_t* data, int64_t size, bool stamp, REFERENCE_TIME start, REFERENCE_TIME stop,
                 bool syncPoint);
  // A delivery buffer, retried 1 ms apart while the pin is connected and
  // its filter is not stopped; a stopped filter's decommitted allocator
  // would otherwise be asked for ever.
  HRESULT WaitForDeliveryBuffer(IMediaSample** sample);
  // Samples hold whole multiples of this many bytes where the buffer allows
  // (an audio frame is never cut in two).
  virtual int32_t SampleGranule() const { return 1; }

 private:
  std::atomic<int32_t> bufferSize_;
};

}  // namespace lumicar
