// The capture side's frame queue and its threads: one copy per sample with
// RGB rows turned top-down, stamps set on the way out, the 121-frame limit
// that holds the producer up, and stop paths that release every wait and
// every queued buffer.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "buffers/sequence_stamp.h"
#include "buffers/smart_buffer.h"
#include "buffers/time_stamp.h"
#include "capture/frames/notify_thread.h"
#include "capture/frames/video_buffer_queue_thread.h"
#include "runtime/component.h"
#include "tests/runtime/sync/sync_test_util.h"

namespace lumicar {
namespace {

using testing::Eventually;
using testing::Finishes;
using testing::RunAsync;

// Fails the test when it leaves image containers alive: every queued
// buffer must be released by the stop paths.
class FrameQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { stores_ = _SLCountStores.load(); }
  void TearDown() override { EXPECT_EQ(_SLCountStores.load(), stores_) << "image buffers leaked"; }

 private:
  int32_t stores_ = 0;
};

std::vector<uint8_t> Sample(int64_t size, uint8_t seed) {
  std::vector<uint8_t> v(static_cast<size_t>(size));
  for (size_t i = 0; i < v.size(); ++i) v[i] = uint8_t(seed + i * 13);
  return v;
}

// Pushes and waits for the hand-over.
bool Push(TVLVideoBufferQueueThread& q, const std::vector<uint8_t>& s, int64_t t = 0) {
  return q.PushBuffer(s.data(), int64_t(s.size()), t, t + 1, t + 2, t % 20 == 0) && q.WaitTaken();
}

TEST_F(FrameQueueTest, ThreadsAreNamedAfterTheirComponent) {
  TComponent camera;
  camera.SetName(u"Camera"_qs);
  TVLVideoBufferQueueThread plain(&camera, nullptr);
  TVLVideoBufferQueueThread caption(&camera, u"Caption"_qs, nullptr);
  EXPECT_EQ(plain.ThreadName(), u"Camera.TVLVideoBufferQueueThread"_qs);
  EXPECT_EQ(caption.ThreadName(), u"Camera.Caption.TVLVideoBufferQueueThread"_qs);
  TComponent unnamed;
  TSLNotifyThread notify(&unnamed, nullptr);
  EXPECT_EQ(notify.ThreadName(), u"TComponent.TSLNotifyThread"_qs);
}

TEST_F(FrameQueueTest, EachFormatIsCopiedOnceWithRgbRowsTurnedTopDown) {
  struct Case {
    TVLVideoFormat format;
    int rowBytes;  // pixel bytes of one row of a 3-pixel-wide frame
    bool turned;
  };
  const Case cases[] = {{vfRGB24, 9, true},  {vfRGB, 9, true},       {vfRGBA32, 12, true}, {vfRGB565, 6, true},
                        {vfRGB555, 6, true}, {vfGrayScale, 3, true}, {vfYUY2, 0, false},   {vfUYVY, 0, false}};
  std::atomic<int> notified{0};
  TSLNotifyThread notify(nullptr, [&](TSLNotifyThread*) { notified.fetch_add(1); });
  TVLVideoBufferQueueThread q(nullptr, &notify);
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.format));
    const int width = c.turned ? 3 : 4, height = 4;
    ASSERT_TRUE(q.SetSize(width, height, c.format));
    const int64_t size = q.SampleSize();
    const int stride = c.turned ? int((c.rowBytes + 3) & ~3) : 2 * width;
    ASSERT_EQ(size, int64_t(stride) * height);
    const std::vector<uint8_t> s = Sample(size, uint8_t(c.format));
    const int before = notified.load();
    ASSERT_TRUE(Push(q, s, 1000));
    ASSERT_TRUE(Eventually([&] { return notified.load() == before + 1; }));
    int64_t time = 0;
    TIntf<IVLImageBuffer> frame = q.Get(&time);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->GetFormat(), c.format);
    EXPECT_EQ(frame->GetWidth(), width);
    EXPECT_EQ(time, 1002);
    const uint8_t* px = frame->Read();
    if (c.turned) {
      for (int y = 0; y < height; ++y)
        EXPECT_EQ(std::memcmp(px + frame->GetStep() * y, s.data() + stride * (height - 1 - y), size_t(c.rowBytes)), 0)
            << "row " << y;
    } else {
      EXPECT_EQ(std::memcmp(px, s.data(), s.size()), 0);
    }
  }
}

TEST_F(FrameQueueTest, GetStampsTimesNumbersAndKeyFramesOldestFirst) {
  TVLVideoBufferQueueThread q(nullptr, nullptr);
  ASSERT_TRUE(q.SetSize(4, 2, vfYUY2));
  const std::vector<uint8_t> s = Sample(q.SampleSize(), 1);
  int64_t time = 77;
  EXPECT_FALSE(q.Get(&time));
  EXPECT_EQ(time, 77) << "an empty queue changes nothing";
  EXPECT_EQ(q.SequenceCounter(), 0);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(Push(q, s, 10 * i));
  EXPECT_EQ(q.GetCount(), 3);
  for (int i = 0; i < 2; ++i) {
    TIntf<IVLImageBuffer> f = q.Get(&time);
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->GetTimeStamp()->Available());
    EXPECT_EQ(f->GetTimeStamp()->Begin(), 10 * i);
    EXPECT_EQ(f->GetTimeStamp()->End(), 10 * i + 1);
    EXPECT_EQ(time, 10 * i + 2);
    EXPECT_TRUE(f->GetSequenceStamp()->Available());
    EXPECT_EQ(f->GetSequenceStamp()->BufferNumber(), i);
    EXPECT_EQ(f->GetIsKeyFrame(), i % 2 == 0);
  }
  // Clear drops the rest and numbers from 0 again.
  q.Clear();
  EXPECT_FALSE(q.HasData());
  ASSERT_TRUE(Push(q, s, 5));
  EXPECT_EQ(q.Get(&time)->GetSequenceStamp()->BufferNumber(), 0);
}

TEST_F(FrameQueueTest, ShortSamplesAreDroppedUnreadAndCountedLongOnesCut) {
  TVLVideoBufferQueueThread q(nullptr, nullptr);
  ASSERT_TRUE(q.SetSize(5, 3, vfRGB24));
  EXPECT_EQ(q.SampleSize(), 16 * 3);
  // Exactly sized allocations: a read past either end would stop the
  // sanitizer.
  const std::vector<uint8_t> shorter = Sample(47, 0), longer = Sample(60, 5);
  EXPECT_FALSE(q.PushBuffer(shorter.data(), 47, 0, 0, 0, false));
  EXPECT_FALSE(q.PushBuffer(nullptr, 48, 0, 0, 0, false));
  EXPECT_EQ(q.GetCount(), 0);
  EXPECT_EQ(q.Drops().Dropped(TVLFrameDrop::kShortSample), 1);
  EXPECT_EQ(q.Drops().Dropped(TVLFrameDrop::kStopped), 1);
  EXPECT_EQ(q.Drops().Dropped(), 2);
  // A padded sample gives its first frame: three rows of 16 bytes, turned.
  ASSERT_TRUE(Push(q, longer));
  EXPECT_EQ(q.Drops().CutSamples(), 1);
  int64_t time = 0;
  TIntf<IVLImageBuffer> frame = q.Get(&time);
  ASSERT_TRUE(frame);
  for (int y = 0; y < 3; ++y)
    EXPECT_EQ(std::memcmp(frame->Read() + frame->GetStep() * y, longer.data() + 16 * (2 - y), 15), 0) << "row " << y;
  // Packed 4:2:2 is cut the same way.
  ASSERT_TRUE(q.SetSize(4, 2, vfYUY2));
  const std::vector<uint8_t> yuv = Sample(q.SampleSize() + 3, 1);
  ASSERT_TRUE(Push(q, yuv));
  frame = q.Get(&time);
  ASSERT_TRUE(frame);
  EXPECT_EQ(std::memcmp(frame->Read(), yuv.data(), size_t(q.SampleSize())), 0);
  EXPECT_EQ(q.Drops().CutSamples(), 2);
  EXPECT_EQ(q.Drops().Dropped(), 2);

  EXPECT_FALSE(q.SetSize(0, 3, vfRGB24));
  EXPECT_FALSE(q.SetSize(5, 3, TVLVideoFormat(9)));
  EXPECT_FALSE(q.SetSize(TVLVideoBufferQueueThread::kMaxSide + 1, 3, vfRGB24));
  EXPECT_EQ(q.SampleSize(), 16) << "a refused size leaves the old one";
}

TEST_F(FrameQueueTest, TopDownSamplesKeepTheirRowOrder) {
  struct Case {
    TVLVideoFormat format;
    int rowBytes;  // pixel bytes of one row of a 3-pixel-wide frame
  };
  const Case cases[] = {{vfRGB24, 9}, {vfRGBA32, 12}, {vfRGB565, 6}, {vfGrayScale, 3}};
  TVLVideoBufferQueueThread q(nullptr, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.format));
    const int height = 4, stride = (c.rowBytes + 3) & ~3;
    ASSERT_TRUE(q.SetSize(3, height, c.format, TVLRowOrder::kTopDown));
    EXPECT_EQ(q.RowOrder(), TVLRowOrder::kTopDown);
    ASSERT_EQ(q.SampleSize(), int64_t(stride) * height) << "top-down rows are padded alike";
    const std::vector<uint8_t> s = Sample(q.SampleSize(), uint8_t(c.format));
    ASSERT_TRUE(Push(q, s));
    int64_t time = 0;
    TIntf<IVLImageBuffer> frame = q.Get(&time);
    ASSERT_TRUE(frame);
    for (int y = 0; y < height; ++y)
      EXPECT_EQ(std::memcmp(frame->Read() + frame->GetStep() * y, s.data() + stride * y, size_t(c.rowBytes)), 0)
          << "row " << y;
  }
  // The order is set with the size: a later size without it is bottom-up.
  ASSERT_TRUE(q.SetSize(3, 4, vfRGB24));
  EXPECT_EQ(q.RowOrder(), TVLRowOrder::kBottomUp);
}

// Fills the queue until its thread waits for room with 121 frames.
void FillUntilBlocked(TVLVideoBufferQueueThread& q, const std::vector<uint8_t>& s) {
  for (int i = 0; i < TVLVideoBufferQueueThread::kMaxQueued; ++i) ASSERT_TRUE(Push(q, s, i));
  ASSERT_EQ(q.GetCount(), 120);
  ASSERT_TRUE(q.PushBuffer(s.data(), int64_t(s.size()), 0, 0, 0, false));
  ASSERT_TRUE(Eventually([&] { return q.RoomWaiterCount() == 1; }));
  ASSERT_EQ(q.GetCount(), 121);
}

TEST_F(FrameQueueTest, ProducerBlocksAt121UntilTwoGetsMakeRoom) {
  TVLVideoBufferQueueThread q(nullptr, nullptr);
  ASSERT_TRUE(q.SetSize(8, 2, vfYUY2));
  const std::vector<uint8_t> s = Sample(q.SampleSize(), 3);
  FillUntilBlocked(q, s);
  auto producer = RunAsync([&] { EXPECT_TRUE(q.WaitTaken()); });
  ASSERT_TRUE(Eventually([&] { return q.TakenWaiterCount() == 1; }));
  // The 121st frame is not taken yet, so a further push cannot overwrite it.
  EXPECT_FALSE(q.PushBuffer(s.data(), int64_t(s.size()), 0, 0, 0, false));

  int64_t time = 0;
  TIntf<IVLImageBuffer> first = q.Get(&time);
  ASSERT_TRUE(first);
  // 120 left: not below the limit, so the queue thread still waits (no
  // room signal was given) and the producer with it.
  EXPECT_EQ(q.GetCount(), 120);
  EXPECT_EQ(q.RoomWaiterCount(), 1);
  EXPECT_EQ(producer.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
  TIntf<IVLImageBuffer> second = q.Get(&time);
  ASSERT_TRUE(Finishes(producer));
  EXPECT_EQ(q.GetCount(), 119);
  EXPECT_EQ(second->GetSequenceStamp()->BufferNumber(), 1);
  // Terminate drops the 119 queued buffers and the pending one (the
  // fixture counts them).
}

TEST_F(FrameQueueTest, ClearAndTerminateReleaseAProducerHeldByAFullQueue) {
  TVLVideoBufferQueueThread q(nullptr, nullptr);
  ASSERT_TRUE(q.SetSize(4, 2, vfRGB24));
  const std::vector<uint8_t> s = Sample(q.SampleSize(), 3);
  FillUntilBlocked(q, s);
  auto producer = RunAsync([&] { EXPECT_TRUE(q.WaitTaken()); });
  ASSERT_TRUE(Eventually([&] { return q.TakenWaiterCount() == 1; }));
  // A capture stop clears the queue: the blocked hand-over completes.
  q.Clear();
  ASSERT_TRUE(Finishes(producer));
  EXPECT_EQ(q.GetCount(), 0);

  FillUntilBlocked(q, s);
  auto stopped = RunAsync([&] { EXPECT_FALSE(q.WaitTaken()); });
  ASSERT_TRUE(Eventually([&] { return q.TakenWaiterCount() == 1; }));
  q.Terminate();
  ASSERT_TRUE(Finishes(stopped));
  EXPECT_EQ(q.GetCount(), 0);
  EXPECT_FALSE(q.PushBuffer(s.data(), int64_t(s.size()), 0, 0, 0, false)) << "terminated";
  q.Terminate();
}

TEST_F(FrameQueueTest, FullSpeedProducerAndSlowConsumerLoseNothing) {
  constexpr int kFrames = 600;
  TVLVideoBufferQueueThread* queue = nullptr;
  std::vector<int64_t> seen;
  std::vector<int64_t> numbers;
  std::atomic<int> taken{0};
  TSLNotifyThread notify(nullptr, [&](TSLNotifyThread*) {
    // Slow: each wake-up takes at most one frame and does some work first.
    volatile uint32_t sink = 0;
    for (int i = 0; i < 2000; ++i) sink = sink + uint32_t(i);
    int64_t time = 0;
    if (TIntf<IVLImageBuffer> f = queue->Get(&time)) {
      seen.push_back(time);
      numbers.push_back(f->GetSequenceStamp()->BufferNumber());
      taken.fetch_add(1);
    }
  });
  TVLVideoBufferQueueThread q(nullptr, &notify);
  queue = &q;
  ASSERT_TRUE(q.SetSize(16, 4, vfRGBA32));
  const std::vector<uint8_t> s = Sample(q.SampleSize(), 9);
  auto producer = RunAsync([&] {
    for (int i = 0; i < kFrames; ++i) ASSERT_TRUE(Push(q, s, 3 * i));
  });
  ASSERT_TRUE(Finishes(producer));
  ASSERT_TRUE(Eventually([&] { return taken.load() == kFrames; }));
  notify.Terminate();
  ASSERT_EQ(seen.size(), size_t(kFrames));
  for (int i = 0; i < kFrames; ++i) {
    EXPECT_EQ(seen[size_t(i)], 3 * i + 2);
    EXPECT_EQ(numbers[size_t(i)], i);
  }
  q.Terminate();
}

TEST_F(FrameQueueTest, StartStopStormsEndEveryThreadAndBuffer) {
  for (int round = 0; round < 30; ++round) {
    std::atomic<int> calls{0};
    TVLVideoBufferQueueThread* queue = nullptr;
    auto notify = std::make_unique<TSLNotifyThread>(nullptr, [&](TSLNotifyThread*) {
      int64_t t;
      if (round % 2) queue->Get(&t);  // half the rounds leave frames queued
      calls.fetch_add(1);
    });
    auto q = std::make_unique<TVLVideoBufferQueueThread>(nullptr, notify.get());
    queue = q.get();
    ASSERT_TRUE(q->SetSize(4, 2, vfRGB555));
    const std::vector<uint8_t> s = Sample(q->SampleSize(), uint8_t(round));
    const int frames = round * 5;
    std::atomic<bool> stop{false};
    auto producer = RunAsync([&] {
      for (int i = 0; i < frames && !stop.load(); ++i) {
        if (!Push(*q, s, i)) break;
      }
    });
    // Stop at a different point each round: the queue first (as the
    // capture's destruction does) while the producer may be mid-push.
    if (round % 3 == 0) {
      ASSERT_TRUE(Finishes(producer));
    }
    stop.store(true);
    q->Terminate();
    ASSERT_TRUE(Finishes(producer));
    notify->Terminate();
    q.reset();
    notify.reset();
  }
}

TEST_F(FrameQueueTest, NotifyRunsTheCallbackOncePerNotification) {
  std::atomic<int> runs{0};
  TSLNotifyThread* self = nullptr;
  std::atomic<bool> senderOk{true};
  TSLNotifyThread notify(nullptr, [&](TSLNotifyThread* sender) {
    if (sender != self) senderOk.store(false);
    runs.fetch_add(1);
  });
  self = &notify;
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(notify.Notify());
  ASSERT_TRUE(Eventually([&] { return runs.load() == 50; }));
  EXPECT_TRUE(senderOk.load());
  EXPECT_EQ(notify.PendingCount(), 0);
  notify.Terminate();
  EXPECT_FALSE(notify.IsRunning());
  notify.Terminate();
}

}  // namespace
}  // namespace lumicar
