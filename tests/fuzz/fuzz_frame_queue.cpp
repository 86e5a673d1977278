// Fuzz target for the capture side's frame queue, fed the way the capture's
// grabber callback feeds it: a claimed video header (width, a height whose
// sign says bottom-up or top-down, a pixel format) sets the queue's size and
// row order, then samples of any length and content are pushed. A sample
// shorter than one frame is refused unread and counted; a longer one is cut
// to its first frame. A frame taken arrives once, of the set size and format,
// its rows the sample's rows (bottom-up bitmap rows turned top-down). Every
// valid size is taken, every other one refused, and no image buffer outlives
// the queue.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "buffers/block_pool.h"
#include "buffers/smart_buffer.h"
#include "capture/frames/video_buffer_queue_thread.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using namespace lumicar;
using fuzz::TFuzzInput;

// Larger frames are not set: they cost the fuzzer memory and time, and the
// sizes near the limit stay reachable with the other side small.
constexpr int64_t kMaxPixels = int64_t{1} << 18;
constexpr int kMaxSteps = 12;

[[noreturn]] void Fail(const char* what, int width, int height, int format, int64_t size) {
  std::fprintf(stderr, "frame queue: %s (%d x %d, format %d, %lld bytes)\n", what, width, height, format,
               static_cast<long long>(size));
  std::abort();
}

// What the camera's header claims a sample holds: bitmap rows padded to
// 4 bytes, packed 4:2:2 rows of 2 x width bytes.
int64_t ClaimedRowBytes(TVLVideoFormat format, int width) {
  if (format == vfYUY2 || format == vfUYVY) return 2 * int64_t(width);
  return VLRoundUp4(int64_t(width) * VLBytesPerPixel(format));
}

struct TGeometry {
  int width = 320;
  int height = 180;
  TVLVideoFormat format = vfRGB24;
  bool topDown = false;
  int64_t SampleBytes() const { return ClaimedRowBytes(format, width) * height; }
};

// A sample of exactly `size` bytes, so that a read past it stops the
// sanitizer: the input's remaining bytes over and over (copied in blocks,
// since a byte loop here would cost more than the queue), or a fixed value
// when none are left.
std::unique_ptr<uint8_t[]> MakeSample(const TFuzzInput& in, int64_t size) {
  std::unique_ptr<uint8_t[]> sample(new uint8_t[size_t(size)]);
  const size_t have = std::min<size_t>(in.Remaining(), size_t(size));
  if (have == 0) {
    std::memset(sample.get(), 0x5A, size_t(size));
    return sample;
  }
  std::memcpy(sample.get(), in.Rest(), have);
  for (size_t done = have; done < size_t(size);) {
    const size_t block = std::min(done, size_t(size) - done);
    std::memcpy(sample.get() + done, sample.get(), block);
    done += block;
  }
  return sample;
}

// The frame must carry the set geometry and the sample's pixels.
void CheckFrame(IVLImageBuffer* frame, const TGeometry& g, const uint8_t* sample, int64_t size) {
  if (frame->GetWidth() != g.width || frame->GetHeight() != g.height || frame->GetFormat() != g.format)
    Fail("frame of another geometry", frame->GetWidth(), frame->GetHeight(), frame->GetFormat(), size);
  const uint8_t* pixels = frame->Read();
  if (!pixels) Fail("frame without pixels", g.width, g.height, g.format, size);
  if (g.format == vfYUY2 || g.format == vfUYVY) {
    if (int64_t(frame->GetSize()) < g.SampleBytes() || std::memcmp(pixels, sample, size_t(g.SampleBytes())) != 0)
      Fail("packed frame differs from its sample", g.width, g.height, g.format, size);
    return;
  }
  const int64_t rowBytes = int64_t(g.width) * VLBytesPerPixel(g.format);
  const int64_t sourceStride = ClaimedRowBytes(g.format, g.width);
  const int64_t step = frame->GetStep();
  if (step < rowBytes || int64_t(frame->GetSize()) < step * (g.height - 1) + rowBytes)
    Fail("frame too small for its rows", g.width, g.height, g.format, size);
  for (int y = 0; y < g.height; ++y) {
    const int row = g.topDown ? y : g.height - 1 - y;
    if (std::memcmp(pixels + step * y, sample + sourceStride * row, size_t(rowBytes)) != 0)
      Fail("row not turned over", g.width, g.height, g.format, size);
  }
}

void Run(TFuzzInput& in) {
  TVLVideoBufferQueueThread queue(nullptr, nullptr);
  TGeometry g;
  int queued = 0;
  for (int step = 0; step < kMaxSteps && in.Remaining() > 0; ++step) {
    const uint8_t op = in.Byte();
    switch (op % 5) {
      case 0: {
        // The header the camera agreed: the capture takes the height's
        // magnitude, its sign only telling the row order.
        const int format = in.Byte() % (kVLVideoFormatCount + 2);
        const int32_t width = in.I32();
        const int32_t claimedHeight = in.I32();
        const int64_t magnitude = claimedHeight < 0 ? -int64_t(claimedHeight) : int64_t(claimedHeight);
        const int height = int(std::min<int64_t>(magnitude, std::numeric_limits<int>::max()));
        const bool valid = width >= 1 && height >= 1 && width <= TVLVideoBufferQueueThread::kMaxSide &&
                           height <= TVLVideoBufferQueueThread::kMaxSide && VLIsValidFormat(format);
        if (valid && int64_t(width) * height > kMaxPixels) break;
        const TVLRowOrder rows = claimedHeight < 0 ? TVLRowOrder::kTopDown : TVLRowOrder::kBottomUp;
        const bool taken = queue.SetSize(width, height, TVLVideoFormat(format), rows);
        if (taken != valid) Fail(valid ? "valid size refused" : "invalid size taken", width, height, format, 0);
        if (taken) g = {width, height, TVLVideoFormat(format), rows == TVLRowOrder::kTopDown};
        if (queue.SampleSize() != g.SampleBytes())
          Fail("sample size differs from the header's", g.width, g.height, g.format, queue.SampleSize());
        break;
      }
      case 1:
      case 2:
      case 3: {
        // Exactly one frame, one frame give or take a few bytes, or the
        // rest of the input however long it is.
        int64_t size = g.SampleBytes();
        if (op % 5 == 2) size = std::max<int64_t>(0, size + int8_t(in.Byte()));
        std::unique_ptr<uint8_t[]> sample;
        if (op % 5 == 3) {
          size = int64_t(in.Remaining());
          sample.reset(new uint8_t[size_t(size)]);
          in.Bytes(sample.get(), size_t(size));
        } else {
          sample = MakeSample(in, size);
        }
        const int64_t time = int64_t(step) * 333333;
        const int64_t shortBefore = queue.Drops().Dropped(TVLFrameDrop::kShortSample);
        const bool pushed = queue.PushBuffer(sample.get(), size, time, time + 333333, time + 1, (op & 0x80) != 0);
        if (pushed != (size >= g.SampleBytes()))
          Fail(pushed ? "short sample taken" : "whole or longer frame refused", g.width, g.height, g.format, size);
        if (!pushed) {
          if (queue.Drops().Dropped(TVLFrameDrop::kShortSample) != shortBefore + 1)
            Fail("short sample not counted", g.width, g.height, g.format, size);
          break;
        }
        if (!queue.WaitTaken()) Fail("hand-over lost", g.width, g.height, g.format, size);
        ++queued;
        if (queue.GetCount() != queued) Fail("queued frame count", g.width, g.height, g.format, queued);
        // Most frames are taken at once and checked; some stay queued, so
        // that Clear and the queue's end release them.
        if (op & 0x40) break;
        int64_t stamp = 0;
        TIntf<IVLImageBuffer> frame = queue.Get(&stamp);
        if (!frame) Fail("queued frame missing", g.width, g.height, g.format, size);
        --queued;
        // With nothing older queued, the frame taken is this push's: its
        // pixels are checked against the sample.
        if (queued == 0) {
          if (stamp != time + 1) Fail("stamp of another frame", g.width, g.height, g.format, size);
          CheckFrame(frame.get(), g, sample.get(), size);
        }
        break;
      }
      case 4:
        if (op & 0x80) {
          queue.Clear();
          queued = 0;
        } else {
          int64_t stamp = -1;
          TIntf<IVLImageBuffer> frame = queue.Get(&stamp);
          if (bool(frame) != (queued > 0)) Fail("Get on the queue's count", g.width, g.height, g.format, queued);
          if (frame) --queued;
        }
        break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int32_t stores = _SLCountStores.load();
  {
    TFuzzInput in(data, size);
    Run(in);
  }
  // The pool keeps freed blocks by size until the user-interface thread
  // trims it, which never runs here: empty it, so that one input's sizes
  // neither pile up nor change what the next input allocates.
  SLMemoryCleanUp();
  if (_SLCountStores.load() != stores) {
    std::fprintf(stderr, "frame queue: image buffers left after the queue ended (%d -> %d)\n", stores,
                 _SLCountStores.load());
    std::abort();
  }
  return 0;
}
