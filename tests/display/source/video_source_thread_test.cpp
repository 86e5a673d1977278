// The video source under concurrency: a stop while a push waits for a
// sample buffer (all of them held elsewhere) ends the wait, and pushes
// racing run/stop cycles neither hang nor leak.

#include <atomic>
#include <vector>

#include "buffers/image_buffer.h"
#include "display/source/video_source_filter.h"
#include "testing/dsbase/ds_test_filters.h"
#include "tests/runtime/sync/sync_test_util.h"

namespace lumicar::dstest {
namespace {

using lumicar::testing::Eventually;
using lumicar::testing::Finishes;
using lumicar::testing::RunAsync;

class VideoSourceThreadTest : public DSLeakCheck {};

TIntf<TDSVideoSourceFilter> MakeSource(int width, int height) {
  TIntf<TDSVideoSourceFilter> f(new TDSVideoSourceFilter(u"VideoSource"_qs, GUID_NULL, vfRGB24, true, 0));
  EXPECT_EQ(f->SetSizeDelay(width, height, 0), S_OK);
  return f;
}

TEST_F(VideoSourceThreadTest, StopEndsAPushWaitingForTheSampleBuffer) {
  auto source = MakeSource(8, 4);
  TIntf<TCollectingRenderer> renderer(new TCollectingRenderer);
  ASSERT_EQ(ConnectPins(source->Pin(), renderer->GetPin(0)), S_OK);
  ASSERT_EQ(renderer->Run(0), S_OK);
  ASSERT_EQ(source->Run(0), S_OK);
  auto frame = MakeIntf<TVLImageBuffer>(8, 4, vfRGB24);
  frame->Write();

  // Hold every sample so that the next push waits in the allocator.
  std::vector<TIntf<IMediaSample>> held;
  for (int i = 0; i < TDSVideoSourceStreamPin::kSampleBuffers; ++i) {
    IMediaSample* raw = nullptr;
    ASSERT_EQ(source->Pin()->GetDeliveryBuffer(&raw, nullptr, nullptr, AM_GBF_NOWAIT), S_OK) << i;
    held.push_back(TIntf<IMediaSample>::Adopt(raw));
  }
  const int64_t before = source->Pin()->DeliveryAttempts();
  std::atomic<bool> sent{true};
  auto push = RunAsync([&] { sent.store(source->SendBuffer(frame.get(), 0, 0)); });
  ASSERT_TRUE(Eventually([&] { return source->Pin()->DeliveryAttempts() > before; }));
  auto stop = RunAsync([&] { EXPECT_EQ(source->Stop(), S_OK); });
  ASSERT_TRUE(Finishes(stop));
  ASSERT_TRUE(Finishes(push));
  EXPECT_FALSE(sent.load());
  EXPECT_EQ(renderer->rendered_.load(), 0);
  held.clear();
  renderer->Stop();
  DisconnectPins(source->Pin(), renderer->GetPin(0));
}

TEST_F(VideoSourceThreadTest, PushesRacingRunStopCyclesAreDeliveredOrDropped) {
  auto source = MakeSource(16, 8);
  TIntf<TCollectingRenderer> renderer(new TCollectingRenderer);
  ASSERT_EQ(ConnectPins(source->Pin(), renderer->GetPin(0)), S_OK);
  auto frame = MakeIntf<TVLImageBuffer>(16, 8, vfRGB24);
  frame->Write();
  std::atomic<bool> done{false};
  std::atomic<int> delivered{0}, dropped{0};
  auto pusher = RunAsync([&] {
    while (!done.load()) (source->SendBuffer(frame.get(), 0, 0) ? delivered : dropped).fetch_add(1);
  });
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(renderer->Run(0), S_OK);
    ASSERT_EQ(source->Run(0), S_OK);
    const int target = delivered.load() + 1;
    ASSERT_TRUE(Eventually([&] { return delivered.load() >= target; }));
    ASSERT_EQ(source->Stop(), S_OK);
    ASSERT_EQ(renderer->Stop(), S_OK);
  }
  done.store(true);
  ASSERT_TRUE(Finishes(pusher));
  EXPECT_EQ(renderer->rendered_.load(), delivered.load()) << "every delivered frame was rendered";
  DisconnectPins(source->Pin(), renderer->GetPin(0));
}

}  // namespace
}  // namespace lumicar::dstest
