// The common filter between a test source and a recording sink: time
// stamps, pass-through when disabled or unlinked, start-frame forwarding or
// replacement, stop and pump handling, traffic from downstream, bad input
// and destruction while linked.

#include <gtest/gtest.h>

#include "buffers/block_buffer.h"
#include "tests/filters/filter_test_support.h"

namespace lumicar::test {
namespace {

// Counts the processing hook; optionally halves the size it sends.
class TProbeFilter : public TVLCommonFilter {
 public:
  using TVLCommonFilter::TVLCommonFilter;
  ~TProbeFilter() override { ShutDownPins(); }
  void FilterInternalOperation(TVLImageBuffer& input, TIntf<TVLImageBuffer>& output) override {
    ++processed;
    TVLCommonFilter::FilterInternalOperation(input, output);
  }
  void SetSizeRate(int32_t& width, int32_t& height, TVLVideoFormat& format, int64_t duration, uint32_t extra,
                   uint32_t& aspectWidth, uint32_t& aspectHeight) override {
    if (halve) {
      width /= 2;
      height /= 2;
      format = vfRGB24;
    }
    TVLCommonFilter::SetSizeRate(width, height, format, duration, extra, aspectWidth, aspectHeight);
  }
  int processed = 0;
  bool halve = false;
};

class CommonFilter : public ::testing::Test {
 protected:
  TFilterChain chain_;
  TProbeFilter* filter_ = NewComponent<TProbeFilter>(&chain_.form);
  void SetUp() override { chain_.Link(filter_); }
};

TEST_F(CommonFilter, UnstampedFramesFollowEachOtherByTheFrameDuration) {
  chain_.source->Start(8, 4, vfYUY2, 333333);
  chain_.source->Send(MakePatternFrame(8, 4, vfYUY2).get());
  chain_.source->Send(MakePatternFrame(8, 4, vfYUY2).get());
  const auto frames = chain_.sink->Frames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_TRUE(frames[0]->GetTimeStamp()->Available());
  EXPECT_EQ(frames[0]->GetTimeStamp()->Begin(), 0);
  EXPECT_EQ(frames[0]->GetTimeStamp()->End(), 333333);
  EXPECT_EQ(frames[1]->GetTimeStamp()->Begin(), 333333);
  EXPECT_EQ(frames[1]->GetTimeStamp()->End(), 666666);
  EXPECT_EQ(filter_->CurrentTime(), 666666);

  // A new start restarts the clock.
  chain_.source->Start(8, 4, vfYUY2, 400000);
  chain_.source->Send(MakePatternFrame(8, 4, vfYUY2).get());
  EXPECT_EQ(chain_.sink->Frames().back()->GetTimeStamp()->End(), 400000);
}

TEST_F(CommonFilter, AStampedFrameKeepsItsStampAndTheNextOneStartsAtItsEnd) {
  chain_.source->Start(8, 4, vfRGB24, 1000);
  TIntf<TVLImageBuffer> stamped = MakePatternFrame(8, 4, vfRGB24);
  stamped->GetTimeStamp()->SetBegin(5000);
  stamped->GetTimeStamp()->SetEnd(7000);
  stamped->GetTimeStamp()->SetAvailable(true);
  chain_.source->Send(stamped.get());
  chain_.source->Send(MakePatternFrame(8, 4, vfRGB24).get());
  const auto frames = chain_.sink->Frames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0]->GetTimeStamp()->Begin(), 5000);
  EXPECT_EQ(frames[0]->GetTimeStamp()->End(), 7000);
  EXPECT_EQ(frames[1]->GetTimeStamp()->Begin(), 7000);
  EXPECT_EQ(frames[1]->GetTimeStamp()->End(), 8000);
}

TEST_F(CommonFilter, DisabledByPropertyOrPinTheFramePassesUntouched) {
  TOWPinPtr<TOWBoolSourcePin> enable(new TOWBoolSourcePin(&chain_.form));
  ASSERT_TRUE(enable->Connect(filter_->EnablePin()));
  for (int way = 0; way < 2; ++way) {
    SCOPED_TRACE(way == 0 ? "Enabled property" : "EnablePin");
    chain_.sink->Clear();
    if (way == 0) {
      filter_->SetEnabled(false);
    } else {
      filter_->SetEnabled(true);
      enable->SetValue(true);
      enable->SetValue(false);
    }
    EXPECT_FALSE(filter_->IsEnabled());
    chain_.source->Start(8, 4, vfYUY2);
    TIntf<TVLImageBuffer> frame = MakePatternFrame(8, 4, vfYUY2);
    ASSERT_TRUE(chain_.source->Send(frame.get()));
    const auto frames = chain_.sink->Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0]->GetFormat(), vfYUY2);
    EXPECT_EQ(frames[0]->DataContainer(), frame->DataContainer());
    EXPECT_EQ(filter_->processed, 0);
  }
  enable->SetValue(true);
  EXPECT_TRUE(filter_->IsEnabled());
  chain_.source->Send(MakePatternFrame(8, 4, vfYUY2).get());
  EXPECT_EQ(filter_->processed, 1);
}

TEST_F(CommonFilter, WithTheOutputUnlinkedTheHookDoesNotRun) {
  filter_->OutputPin()->Disconnect();
  chain_.source->Start(8, 4, vfYUY2);
  TIntf<TVLImageBuffer> frame = MakePatternFrame(8, 4, vfYUY2);
  EXPECT_TRUE(chain_.source->Send(frame.get()));
  EXPECT_EQ(filter_->processed, 0);
  EXPECT_EQ(frame->GetFormat(), vfYUY2);
  chain_.sink->InputPin()->Connect(filter_->OutputPin());
  chain_.source->Send(frame.get());
  EXPECT_EQ(filter_->processed, 1);
}

TEST_F(CommonFilter, AnUnchangedStartIsForwardedAsItselfAChangedOneIsReplaced) {
  TIntf<IOWNotifyOperation> start = chain_.source->Start(64, 48, vfRGB24, 1000);
  ASSERT_EQ(chain_.sink->Count<TOWStartFrameOperation>(), 1);
  EXPECT_EQ(chain_.sink->Operations()[0].get(), start.get());
  EXPECT_FALSE(filter_->OwnStartSent());
  EXPECT_TRUE(filter_->Started());

  filter_->halve = true;
  chain_.sink->Clear();
  chain_.source->Start(64, 48, vfYUY2, 1000);
  ASSERT_EQ(chain_.sink->Operations().size(), 1u);
  auto* replaced = OWOperationAs<TOWStartFrameOperation>(chain_.sink->Operations()[0].get());
  ASSERT_NE(replaced, nullptr);
  EXPECT_EQ(replaced->Width(), 32);
  EXPECT_EQ(replaced->Height(), 24);
  EXPECT_EQ(replaced->PixelFormat(), vfRGB24);
  EXPECT_EQ(replaced->AspectWidth(), 32u);
  EXPECT_EQ(replaced->AspectHeight(), 24u);
  EXPECT_EQ(replaced->FrameDuration(), 1000);
  EXPECT_TRUE(filter_->OwnStartSent());
  EXPECT_EQ(filter_->OutputSize(), QSize(32, 24));
  EXPECT_EQ(filter_->InputSize(), QSize(64, 48));
  EXPECT_EQ(filter_->PixelFormat(), vfRGB24);

  chain_.source->Stop();
  EXPECT_FALSE(filter_->OwnStartSent());
  EXPECT_FALSE(filter_->Started());
  EXPECT_EQ(chain_.sink->Count<TOWStopOperation>(), 1);
}

TEST_F(CommonFilter, PumpAndOtherOperationsAreHandledOrPassedOn) {
  TIntf<IOWNotifyOperation> pump = MakeIntf<TOWStartPumpOperation>();
  chain_.source->OutputPin()->Notify(pump);
  ASSERT_EQ(chain_.sink->Operations().size(), 1u);
  EXPECT_TRUE(OWOperationAs<TOWStartPumpOperation>(chain_.sink->Operations()[0].get()));
  EXPECT_NE(chain_.sink->Operations()[0].get(), pump.get());  // a new one of the filter's own

  TIntf<IOWNotifyOperation> request = MakeIntf<TOWPumpRequestOperation>();
  TIntf<IOWNotifyOperation> flush = MakeIntf<TOWFlushStreamOperation>();
  chain_.source->OutputPin()->Notify(request);
  chain_.source->OutputPin()->Notify(flush);
  ASSERT_EQ(chain_.sink->Operations().size(), 3u);
  EXPECT_EQ(chain_.sink->Operations()[1].get(), request.get());
  EXPECT_EQ(chain_.sink->Operations()[2].get(), flush.get());
}

TEST_F(CommonFilter, OperationsFromDownstreamGoUpOrStartTheHeadOfTheChain) {
  TIntf<IOWNotifyOperation> query = MakeIntf<TOWQueryStreamOperation>();
  chain_.sink->InputPin()->Notify(query);
  ASSERT_EQ(chain_.source->Upstream().size(), 1u);
  EXPECT_EQ(chain_.source->Upstream()[0].get(), query.get());

  // Without a source the filter is the head: a start from downstream makes
  // it ask for pumping and then handle the start as its own input.
  filter_->InputPin()->Disconnect();
  chain_.sink->Clear();
  TIntf<IOWNotifyOperation> start = MakeIntf<TOWStartOperation>();
  chain_.sink->InputPin()->Notify(start);
  const auto ops = chain_.sink->Operations();
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_TRUE(OWOperationAs<TOWPumpRequestOperation>(ops[0].get()));
  EXPECT_EQ(ops[1].get(), start.get());
  EXPECT_EQ(chain_.source->Upstream().size(), 1u);
}

TEST_F(CommonFilter, BadFramesNeitherCrashNorStopTheStream) {
  // A frame before any start.
  EXPECT_TRUE(chain_.source->Send(MakePatternFrame(4, 2, vfRGB24).get()));
  // A buffer that holds no picture: lost, reported to the sender.
  auto bytes = MakeIntf<TSLBlockBuffer>(64u);
  EXPECT_FALSE(chain_.source->OutputPin()->SubmitBuffer(bytes.get()));
  // A zero-sized frame and one smaller than its start says.
  chain_.source->Start(640, 480, vfYUY2);
  EXPECT_TRUE(chain_.source->Send(MakeIntf<TVLImageBuffer>(0, 0, vfYUY2).get()));
  EXPECT_TRUE(chain_.source->Send(MakePatternFrame(4, 2, vfYUY2).get()));
  const auto frames = chain_.sink->Frames();
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0]->GetTimeStamp()->End(), 0);
  EXPECT_EQ(frames[2]->GetWidth(), 4);
  EXPECT_EQ(filter_->processed, 3);
}

TEST(CommonFilterLifetime, DestroyedWhileLinkedItUnlinksAndPassesTheStopOn) {
  TFilterChain chain;
  auto* filter = NewComponent<TProbeFilter>(&chain.form);
  chain.Link(filter);
  chain.source->Start(8, 4, vfRGB24);
  chain.sink->Clear();
  delete filter;
  EXPECT_FALSE(chain.source->OutputPin()->IsConnected());
  EXPECT_FALSE(chain.sink->InputPin()->IsConnected());
  EXPECT_GE(chain.sink->Count<TOWStopOperation>(), 1);
  EXPECT_TRUE(chain.source->Send(MakePatternFrame(8, 4, vfRGB24).get()));
}

TEST(CommonFilterLifetime, AFilterLinkedIntoARunningStreamLearnsItsFormatFirst) {
  TFilterChain chain;
  auto* filter = NewComponent<TProbeFilter>(&chain.form);
  EXPECT_TRUE(filter->IsEnabled());
  // The input feeds the output: linking the two would loop.
  EXPECT_FALSE(filter->OutputPin()->CanConnectTo(filter->InputPin()));
  ASSERT_TRUE(filter->OutputPin()->Connect(chain.sink->InputPin()));
  TIntf<IOWNotifyOperation> start = chain.source->Start(16, 8, vfYUY2, 500);
  ASSERT_TRUE(chain.source->OutputPin()->Connect(filter->InputPin()));
  EXPECT_EQ(filter->FrameDuration(), 500);
  ASSERT_EQ(chain.sink->Operations().size(), 1u);
  EXPECT_EQ(chain.sink->Operations()[0].get(), start.get());
}

}  // namespace
}  // namespace lumicar::test
