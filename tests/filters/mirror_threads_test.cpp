// The mirror fed from a producer thread while the main thread changes its
// settings or destroys it; synchronised with latches, no sleeps.

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <thread>

#include "tests/filters/filter_test_support.h"

namespace lumicar::test {
namespace {

TEST(MirrorThreads, SettingsChangedDuringAStreamGiveWholeFramesOnly) {
  TFilterChain chain;
  auto* mirror = NewComponent<TVLMirror>(&chain.form);
  chain.Link(mirror);
  mirror->SetMirrorType(mtBoth);
  chain.source->Start(32, 8, vfYUY2);
  TIntf<TVLImageBuffer> in = MakePatternFrame(32, 8, vfYUY2);
  auto converted = MakeIntf<TVLImageBuffer>(*in);
  converted->SetFormat(vfRGB24);

  constexpr int kFrames = 200;
  std::latch go(2);
  std::atomic<bool> done{false};
  std::thread producer([&] {
    go.arrive_and_wait();
    for (int i = 0; i < kFrames; ++i) chain.source->Send(in.get());
    done = true;
  });
  go.arrive_and_wait();
  for (int i = 0; !done; ++i) {
    mirror->SetMirrorType(i % 2 ? mtVertical : mtBoth);
    mirror->SetEnabled(i % 3 != 0);
  }
  producer.join();

  const auto frames = chain.sink->Frames();
  ASSERT_EQ(frames.size(), size_t(kFrames));
  for (const auto& out : frames) {
    if (out->GetFormat() == vfYUY2) {
      EXPECT_EQ(out->DataContainer(), in->DataContainer());
      continue;
    }
    ASSERT_EQ(out->GetFormat(), vfRGB24);
    EXPECT_TRUE(MirroredOf(*out, *converted, 1, 3) || MirroredOf(*out, *converted, 2, 3));
  }
}

TEST(MirrorThreads, DestroyedWhileAnotherThreadSendsThroughIt) {
  TFilterChain chain;
  auto* mirror = NewComponent<TVLMirror>(&chain.form);
  chain.Link(mirror);
  mirror->SetMirrorType(mtBoth);
  chain.source->Start(64, 16, vfYUY2);
  TIntf<TVLImageBuffer> in = MakePatternFrame(64, 16, vfYUY2);

  std::latch firstSent(1);
  std::atomic<bool> stop{false};
  std::thread producer([&] {
    chain.source->Send(in.get());
    firstSent.count_down();
    while (!stop) chain.source->Send(in.get());
  });
  firstSent.wait();
  delete mirror;
  stop = true;
  producer.join();
  EXPECT_FALSE(chain.source->OutputPin()->IsConnected());
  EXPECT_GE(chain.sink->Count<TOWSuppliedBufferOperation>(), 1);
  for (const auto& out : chain.sink->Frames()) EXPECT_EQ(out->GetFormat(), vfRGB24);
}

}  // namespace
}  // namespace lumicar::test
