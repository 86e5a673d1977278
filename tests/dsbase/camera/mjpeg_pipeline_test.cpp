// The decoder thread of the MJPEG pipeline on its own, with a decode the
// test controls: results come in the order frames were given and carry the
// bytes as they were at Submit; a frame that waits while the decoder is busy
// gives way to the newer one; a failed decode comes back as such and the
// next frame follows; a stop during a decode joins the thread, delivers
// nothing and gives every sample back. And the choice of that thread from
// the first decodes' times. Waits are bounded polls of the
// pipeline's eventfd and conditions, never sleeps.

#include "dsbase/camera/mjpeg_pipeline.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <condition_variable>
#include <mutex>

#include "dsbase/media/mem_allocator.h"
#include "tests/runtime/sync/sync_test_util.h"

namespace lumicar {
namespace {

using namespace std::chrono_literals;

// Holds decodes until opened; counts those that began.
class TGate {
 public:
  void Pass() {
    std::unique_lock guard(lock_);
    ++entered_;
    changed_.notify_all();
    changed_.wait_for(guard, testing::kGenerous, [&] { return open_; });
  }
  void Open() {
    std::lock_guard guard(lock_);
    open_ = true;
    changed_.notify_all();
  }
  bool WaitEntered(int n) {
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, testing::kGenerous, [&] { return entered_ >= n; });
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  int entered_ = 0;
  bool open_ = false;
};

bool WaitReadable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, int(testing::kGenerous.count())) == 1;
}

// Takes the next result, waiting (bounded) for the wake-up.
bool Next(TDSMjpegPipeline& pipeline, TDSDecodedFrame* out) {
  const auto end = std::chrono::steady_clock::now() + testing::kGenerous;
  while (std::chrono::steady_clock::now() < end) {
    if (pipeline.TakeDecoded(out)) return true;
    if (!WaitReadable(pipeline.WakeFd())) return false;
  }
  return false;
}

TDSCompressedFrame Numbered(uint32_t n) {
  TDSCompressedFrame f;
  f.sequence = n;
  return f;
}

// The decode the tests use: the first byte must equal the sequence's low byte.
void CheckFirstByte(const uint8_t* data, size_t size, TDSDecodedFrame* out) {
  const bool ok = size > 0 && data[0] == uint8_t(out->frame.sequence);
  out->result = ok ? TDSUnpackResult::ok : TDSUnpackResult::corrupt;
  if (!ok) out->error = "first byte differs";
}

TEST(MjpegPipelineTest, ResultsComeInOrderWithTheBytesOfSubmit) {
  TDSMjpegPipeline pipeline(CheckFirstByte, QStringLiteral("test"));
  ASSERT_TRUE(pipeline.Start());
  for (uint32_t n = 1; n <= 20; ++n) {
    std::vector<uint8_t> bytes(1000 + n * 37, uint8_t(n));
    EXPECT_FALSE(pipeline.Submit(bytes.data(), bytes.size(), Numbered(n)));
    // The driver's buffer is free again at once: what it holds next does
    // not reach the decoder.
    bytes.assign(bytes.size(), 0xEE);
    TDSDecodedFrame out;
    ASSERT_TRUE(Next(pipeline, &out));
    EXPECT_EQ(out.frame.sequence, n);
    EXPECT_EQ(out.result, TDSUnpackResult::ok) << out.error;
  }
  pipeline.Stop();
}

TEST(MjpegPipelineTest, AFrameThatWaitsGivesWayToTheNewer) {
  TGate gate;
  TDSMjpegPipeline pipeline(
      [&](const uint8_t* data, size_t size, TDSDecodedFrame* out) {
        if (out->frame.sequence == 1) gate.Pass();
        CheckFirstByte(data, size, out);
      },
      QStringLiteral("test"));
  ASSERT_TRUE(pipeline.Start());
  const uint8_t frames[4] = {0, 1, 2, 3};
  EXPECT_FALSE(pipeline.Submit(&frames[1], 1, Numbered(1)));
  ASSERT_TRUE(gate.WaitEntered(1));
  EXPECT_FALSE(pipeline.Submit(&frames[2], 1, Numbered(2)));
  EXPECT_TRUE(pipeline.Submit(&frames[3], 1, Numbered(3)));
  gate.Open();
  TDSDecodedFrame out;
  ASSERT_TRUE(Next(pipeline, &out));
  EXPECT_EQ(out.frame.sequence, 1u);
  ASSERT_TRUE(Next(pipeline, &out));
  EXPECT_EQ(out.frame.sequence, 3u);
  EXPECT_EQ(out.result, TDSUnpackResult::ok);
  // Nothing else was decoded.
  EXPECT_FALSE(pipeline.TakeDecoded(&out));
}

TEST(MjpegPipelineTest, AFailedDecodeComesBackAndTheNextFrameFollows) {
  TDSMjpegPipeline pipeline(CheckFirstByte, QStringLiteral("test"));
  ASSERT_TRUE(pipeline.Start());
  const uint8_t good1 = 1, bad = 0x55, good3 = 3;
  TDSDecodedFrame out;
  pipeline.Submit(&good1, 1, Numbered(1));
  ASSERT_TRUE(Next(pipeline, &out));
  pipeline.Submit(&bad, 1, Numbered(2));
  ASSERT_TRUE(Next(pipeline, &out));
  EXPECT_EQ(out.frame.sequence, 2u);
  EXPECT_EQ(out.result, TDSUnpackResult::corrupt);
  EXPECT_EQ(out.error, "first byte differs");
  pipeline.Submit(&good3, 1, Numbered(3));
  ASSERT_TRUE(Next(pipeline, &out));
  EXPECT_EQ(out.frame.sequence, 3u);
  EXPECT_EQ(out.result, TDSUnpackResult::ok);
}

TEST(MjpegPipelineTest, StopDuringADecodeJoinsAndGivesEverySampleBack) {
  auto* memory = new TDSMemAllocator;
  TIntf<IMemAllocator> allocator(memory);
  ALLOCATOR_PROPERTIES want{2, 64, 1, 0}, got{};
  ASSERT_EQ(allocator->SetProperties(&want, &got), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
  TGate gate;
  auto pipeline = std::make_unique<TDSMjpegPipeline>(
      [&](const uint8_t*, size_t, TDSDecodedFrame* out) {
        IMediaSample* raw = nullptr;
        if (SUCCEEDED(allocator->GetBuffer(&raw, nullptr, nullptr, 0))) out->sample = TIntf<IMediaSample>::Adopt(raw);
        gate.Pass();
        out->result = TDSUnpackResult::ok;
      },
      QStringLiteral("test"));
  ASSERT_TRUE(pipeline->Start());
  const uint8_t byte = 0;
  pipeline->Submit(&byte, 1, Numbered(1));
  ASSERT_TRUE(gate.WaitEntered(1));
  pipeline->Submit(&byte, 1, Numbered(2));  // waits, and is discarded
  EXPECT_EQ(memory->OutstandingCount(), 1);
  auto stopped = testing::RunAsync([&] { pipeline->Stop(); });
  gate.Open();
  ASSERT_TRUE(testing::Finishes(stopped));
  TDSDecodedFrame out;
  EXPECT_FALSE(pipeline->TakeDecoded(&out));
  EXPECT_EQ(memory->OutstandingCount(), 0);
  pipeline.reset();
  EXPECT_EQ(allocator->Decommit(), S_OK);
}

constexpr int64_t kDecodeInterval = 333333;                   // 30 fps, in 100 ns
constexpr int64_t kDecodeHalfNs = kDecodeInterval * 100 / 2;  // 16.7 ms

TEST(DecodeTimerTest, MovesWhenTheMedianOfTheFirstDecodesTakesOverHalfAPeriod) {
  auto moves = [](std::vector<int64_t> times, int64_t interval = kDecodeInterval, bool decided = false) {
    TDSDecodeTimer t;
    t.Reset(interval, decided);
    bool moved = false;
    for (int64_t ns : times) moved = t.Add(ns) || moved;
    return moved;
  };
  // A slow first decode (buffers sized) alone does not move it; a slow
  // median does, once the first few are in.
  EXPECT_FALSE(moves({5 * kDecodeHalfNs, kDecodeHalfNs / 4, kDecodeHalfNs / 4}));
  EXPECT_TRUE(moves({kDecodeHalfNs / 4, kDecodeHalfNs + 1, kDecodeHalfNs * 2}));
  EXPECT_FALSE(moves({kDecodeHalfNs + 1, kDecodeHalfNs + 1}));
  EXPECT_FALSE(moves({kDecodeHalfNs, kDecodeHalfNs, kDecodeHalfNs}));
  // Decided at the start, or without a known rate: never.
  EXPECT_FALSE(moves({kDecodeHalfNs * 4, kDecodeHalfNs * 4, kDecodeHalfNs * 4}, kDecodeInterval, true));
  EXPECT_FALSE(moves({kDecodeHalfNs * 4, kDecodeHalfNs * 4, kDecodeHalfNs * 4}, 0));
  // Once decided, later decodes change nothing.
  TDSDecodeTimer t;
  t.Reset(kDecodeInterval, false);
  for (int i = 0; i < 3; ++i) t.Add(1);
  EXPECT_FALSE(t.Timing());
  EXPECT_FALSE(t.Add(kDecodeHalfNs * 10));
}

}  // namespace
}  // namespace lumicar
