// Point data sent from a producer thread while the main thread unlinks the
// paired-buffers input behind the converter; synchronised with a latch and
// flags, no sleeps.

#include <gtest/gtest.h>

#include <QPointer>
#include <atomic>
#include <latch>
#include <thread>

#include "imagepins/buffer_operations.h"
#include "imagepins/real_buffer.h"
#include "pins/format_converter.h"
#include "tests/imagepins/xy_test_support.h"

namespace lumicar::test {
namespace {

std::vector<double> ValuesOf(ISLData* buffer) {
  TIntf<ISLRealBuffer> real = QueryIntf<ISLRealBuffer>(buffer, IID_ISLRealBuffer);
  if (!real) return {};
  return std::vector<double>(real->Read(), real->Read() + real->GetSize());
}

TEST(XYFloatPinThreads, AnUnlinkRacingADeliveryEndsTheStreamAtThatSinkOnly) {
  TXYTestWindow form;
  auto* source = new TXYPointSource(&form);
  auto* track = new TXYPointSink(&form);
  auto* pairs = new TPairsSink(&form);
  ASSERT_TRUE(source->OutputPin()->Connect(track->InputPin()));
  ASSERT_TRUE(source->OutputPin()->Connect(pairs->InputPin()));
  QPointer<TOWFormatConverter> converter = source->OutputPin()->GetConverter(0);
  ASSERT_FALSE(converter.isNull());
  source->OutputPin()->Notify(MakeIntf<TOWStartRateOperation>(30.0f));

  constexpr uint32_t kPoints = 16;
  TIntf<TVLXYFloatData> points = MakeLinePoints(kPoints);
  std::latch firstSent(1);
  std::atomic<bool> unlinked{false};
  int sent = 0;
  std::thread producer([&] {
    // Sends once before the unlink, then until it has sent one series that
    // started after the unlink returned.
    EXPECT_TRUE(source->OutputPin()->SubmitData(points.get()));
    ++sent;
    firstSent.count_down();
    for (;;) {
      const bool last = unlinked.load();
      EXPECT_TRUE(source->OutputPin()->SubmitData(points.get()));
      ++sent;
      if (last) break;
    }
  });
  firstSent.wait();
  pairs->InputPin()->Disconnect();
  const size_t atUnlink = pairs->log.Size();
  unlinked = true;
  producer.join();

  // Nothing reaches the unlinked input once its unlink has returned.
  EXPECT_EQ(pairs->log.Size(), atUnlink);
  EXPECT_EQ(pairs->log.Count<TOWStopOperation>(), 1);
  EXPECT_EQ(source->OutputPin()->GetConverterCount(), 0);
  EXPECT_TRUE(converter.isNull());
  // Every pair that arrived is whole.
  std::vector<double> xs, ys;
  for (uint32_t i = 0; i < kPoints; ++i) {
    xs.push_back(points->GetPoint(i).x);
    ys.push_back(points->GetPoint(i).y);
  }
  int pairCount = 0;
  for (const auto& op : pairs->log.Operations()) {
    auto* pair = OWOperationAs<TOWSuppliedPairedBuffersOperation>(op.get());
    if (!pair) continue;
    ++pairCount;
    EXPECT_EQ(ValuesOf(pair->First()), xs);
    EXPECT_EQ(ValuesOf(pair->Second()), ys);
  }
  EXPECT_GE(pairCount, 1);
  // The input that stayed linked got every series.
  EXPECT_EQ(track->log.Count<TOWVLSuppliedXYFloatDataOperation>(), sent);
  EXPECT_EQ(track->log.Count<TOWStopOperation>(), 0);
}

}  // namespace
}  // namespace lumicar::test
