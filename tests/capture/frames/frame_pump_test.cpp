// The capture's frame pump on its own: what it lets in and when, what one
// hand-over delivers, the stop paths that empty every queue and release a
// streaming thread that waits for room, and a receiver that fails.

#include "capture/frames/frame_pump.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "buffers/block_buffer.h"
#include "capture/frames/notify_thread.h"
#include "dsbase/media/mem_allocator.h"
#include "tests/runtime/sync/sync_test_util.h"

namespace lumicar {
namespace frame_pump_test {

using testing::Eventually;
using testing::Finishes;
using testing::RunAsync;

constexpr int kWidth = 4, kHeight = 2;
constexpr int kRgbBytes = kWidth * kHeight * 3;

// Samples from one committed allocator, as a camera's streaming thread
// hands them to its grabbers.
class Samples {
 public:
  Samples() : allocator_(new TDSMemAllocator) {
    ALLOCATOR_PROPERTIES want{4, 64, 1, 0}, got;
    EXPECT_EQ(allocator_->SetProperties(&want, &got), S_OK);
    EXPECT_EQ(allocator_->Commit(), S_OK);
  }
  ~Samples() { allocator_->Decommit(); }

  TIntf<IMediaSample> Make(uint8_t fill, int length, REFERENCE_TIME start = 0) {
    IMediaSample* raw = nullptr;
    EXPECT_EQ(allocator_->GetBuffer(&raw, nullptr, nullptr, 0), S_OK);
    TIntf<IMediaSample> sample = TIntf<IMediaSample>::Adopt(raw);
    uint8_t* data = nullptr;
    sample->GetPointer(&data);
    std::memset(data, fill, size_t(length));
    sample->SetActualDataLength(length);
    REFERENCE_TIME end = start + 1;
    sample->SetTime(&start, &end);
    return sample;
  }

 private:
  TIntf<IMemAllocator> allocator_;
};

// What one hand-over sent, output by output.
struct TReceived {
  std::vector<TIntf<TVLImageBuffer>> video;
  int captions = 0, audio = 0, raw = 0, texts = 0;

  TVLFrameOutputs Outputs() {
    TVLFrameOutputs o;
    o.video = [this](TVLImageBuffer* frame) { video.emplace_back(frame); };
    o.caption = [this](IVLImageBuffer*) { ++captions; };
    o.audio = [this](TSLBlockBuffer*) { ++audio; };
    o.raw = [this](TSLBlockBuffer*) { ++raw; };
    o.captionText = [this](const QString&) { ++texts; };
    return o;
  }
  int Total() const { return int(video.size()) + captions + audio + raw + texts; }
};

// A live pump whose notify thread does nothing: the tests hand over
// themselves, so that what arrives is decided by the test alone.
class FramePumpTest : public ::testing::Test {
 protected:
  FramePumpTest() : pump_(nullptr, true, {}) {
    EXPECT_TRUE(pump_.SetFrameSize(kWidth, kHeight, vfRGB24, TVLRowOrder::kTopDown, vfRGB24));
  }

  Samples samples_;
  TVLFramePump pump_;
  TReceived received_;
};

TEST_F(FramePumpTest, OneHandOverDeliversEachQueuedItemToItsOutput) {
  pump_.Start();
  pump_.PushVideo(samples_.Make(7, kRgbBytes, 40).get());
  pump_.PushAudio(samples_.Make(1, 16).get());
  pump_.PushTextCaption(samples_.Make('a', 2).get());
  pump_.HandOver(received_.Outputs());
  ASSERT_EQ(received_.video.size(), 1u);
  TVLImageBuffer& frame = *received_.video[0];
  EXPECT_EQ(frame.GetFormat(), vfRGB24);
  EXPECT_EQ(frame.GetWidth(), kWidth);
  EXPECT_EQ(frame.Read()[0], 7);
  EXPECT_EQ(frame.GetTimeStamp()->Begin(), 40);
  EXPECT_EQ(received_.audio, 1);
  EXPECT_EQ(received_.texts, 1);
  EXPECT_EQ(received_.raw, 0);
}

TEST_F(FramePumpTest, SamplesAreRefusedUntilStartAndAfterHalt) {
  pump_.PushVideo(samples_.Make(7, kRgbBytes).get());
  pump_.PushAudio(samples_.Make(1, 16).get());
  pump_.Start();
  pump_.Halt();
  pump_.PushRaw(samples_.Make(1, 16).get());
  pump_.Start();
  pump_.HandOver(received_.Outputs());
  EXPECT_EQ(received_.Total(), 0);
  EXPECT_EQ(pump_.VideoQueue()->Drops().Dropped(), 0) << "refused before the queue, not dropped by it";
}

TEST_F(FramePumpTest, ClearEmptiesEveryQueue) {
  pump_.Start();
  pump_.PushVideo(samples_.Make(7, kRgbBytes).get());
  pump_.PushAudio(samples_.Make(1, 16).get());
  pump_.PushRaw(samples_.Make(2, 16).get());
  pump_.PushTextCaption(samples_.Make('a', 2).get());
  pump_.Clear();
  EXPECT_TRUE(pump_.Accepting()) << "a clear alone keeps the intake open";
  pump_.HandOver(received_.Outputs());
  EXPECT_EQ(received_.Total(), 0);
}

TEST_F(FramePumpTest, HaltReleasesAStreamingThreadThatWaitsForRoom) {
  pump_.Start();
  TVLVideoBufferQueueThread* queue = pump_.VideoQueue();
  auto streaming = RunAsync([&] {
    for (int i = 0; i <= TVLVideoBufferQueueThread::kMaxQueued; ++i)
      pump_.PushVideo(samples_.Make(uint8_t(i), kRgbBytes).get());
  });
  // The last frame finds the queue full: its thread waits for the hand-over.
  ASSERT_TRUE(Eventually([&] { return queue->TakenWaiterCount() == 1 && queue->RoomWaiterCount() == 1; }));
  pump_.Halt();
  ASSERT_TRUE(Finishes(streaming));
  EXPECT_EQ(queue->GetCount(), 0);
  EXPECT_FALSE(pump_.Accepting());
}

TEST_F(FramePumpTest, AThrowingRawReceiverDoesNotStopTheHandOver) {
  pump_.Start();
  pump_.PushRaw(samples_.Make(1, 16).get());
  pump_.PushRaw(samples_.Make(2, 16).get());
  pump_.PushAudio(samples_.Make(3, 16).get());
  TVLFrameOutputs outputs = received_.Outputs();
  int rawCalls = 0;
  outputs.raw = [&](TSLBlockBuffer*) {
    ++rawCalls;
    throw std::runtime_error("receiver gone");
  };
  pump_.HandOver(outputs);
  EXPECT_EQ(rawCalls, 2) << "the round after the failure still runs";
  EXPECT_EQ(received_.audio, 1);
}

TEST_F(FramePumpTest, GrayFramesLeaveAsRgbThroughThePalette) {
  auto palette = std::make_shared<std::vector<uint8_t>>(TVLFramePump::kPaletteBytes);
  for (size_t i = 0; i < 256; ++i) {
    (*palette)[4 * i] = uint8_t(i);
    (*palette)[4 * i + 1] = uint8_t(255 - i);
    (*palette)[4 * i + 2] = 1;
  }
  pump_.SetNegotiated(vfGrayScale, palette);
  ASSERT_TRUE(pump_.SetFrameSize(kWidth, kHeight, vfGrayScale, TVLRowOrder::kTopDown, vfRGB24));
  pump_.Start();
  pump_.PushVideo(samples_.Make(3, kWidth * kHeight).get());
  // A palette too short for every index leaves the frame black instead of
  // being read past its end.
  pump_.SetNegotiated(vfGrayScale, std::make_shared<std::vector<uint8_t>>(12, uint8_t(200)));
  pump_.HandOver(received_.Outputs());
  pump_.SetNegotiated(vfGrayScale, palette);
  pump_.PushVideo(samples_.Make(3, kWidth * kHeight).get());
  pump_.HandOver(received_.Outputs());
  ASSERT_EQ(received_.video.size(), 2u);
  for (const auto& frame : received_.video) EXPECT_EQ(frame->GetFormat(), vfRGB24);
  EXPECT_EQ(received_.video[0]->Read()[0], 0);
  const uint8_t* pixel = received_.video[1]->Read();
  EXPECT_EQ(pixel[0], 3);
  EXPECT_EQ(pixel[1], 252);
  EXPECT_EQ(pixel[2], 1);
  EXPECT_EQ(pump_.Palette(), *palette);
  pump_.ForgetPalette();
  EXPECT_TRUE(pump_.Palette().empty());
}

TEST_F(FramePumpTest, TerminateIsFinal) {
  pump_.Terminate();
  pump_.Terminate();
  pump_.Start();
  EXPECT_FALSE(pump_.Accepting());
  EXPECT_FALSE(pump_.NotifyThread()->IsRunning());
  pump_.PushAudio(samples_.Make(1, 16).get());
  pump_.HandOver(received_.Outputs());
  EXPECT_EQ(received_.Total(), 0);
}

TEST(FramePumpDesign, ADesignedPumpHasQueuesButNoThreadOrCallbacks) {
  TVLFramePump pump(nullptr, false, {});
  EXPECT_EQ(pump.NotifyThread(), nullptr);
  EXPECT_EQ(pump.VideoCallback(), nullptr);
  EXPECT_EQ(pump.AudioCallback(), nullptr);
  ASSERT_NE(pump.VideoQueue(), nullptr);
}

}  // namespace frame_pump_test
}  // namespace lumicar
