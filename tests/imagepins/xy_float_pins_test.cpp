// Point-data pins over real links: the link type, late joiners, stops on
// unlink, failing receivers, the converter the framework puts in front of a
// paired-buffers input, and stored links read back from a window design.

#include <gtest/gtest.h>

#include <QPointer>

#include "buffers/sl_exception.h"
#include "imagepins/buffer_operations.h"
#include "imagepins/image_streams.h"
#include "imagepins/real_buffer.h"
#include "imagepins/xy_float_to_pairs_converter.h"
#include "runtime/form_reader.h"
#include "runtime/form_writer.h"
#include "tests/imagepins/xy_test_support.h"

namespace lumicar::test {
namespace {

std::vector<double> ValuesOf(ISLData* buffer) {
  TIntf<ISLRealBuffer> real = QueryIntf<ISLRealBuffer>(buffer, IID_ISLRealBuffer);
  if (!real) return {};
  return std::vector<double>(real->Read(), real->Read() + real->GetSize());
}

class XYFloatPins : public ::testing::Test {
 protected:
  TXYTestWindow form_;
  TXYPointSource* source_ = new TXYPointSource(&form_);
};

TEST_F(XYFloatPins, PointInputsLinkOverThePointStreamWithoutAConverter) {
  auto* sink = new TXYPointSink(&form_);
  ASSERT_TRUE(source_->OutputPin()->Connect(sink->InputPin()));
  EXPECT_EQ(source_->OutputPin()->GetConnectionID(sink->InputPin()), IID_VLXYFloatStream);
  EXPECT_EQ(source_->OutputPin()->GetConverterCount(), 0);

  TIntf<TVLXYFloatData> points = MakeLinePoints(3);
  ASSERT_TRUE(source_->OutputPin()->SubmitData(points.get()));
  const auto received = sink->log.Operations();
  ASSERT_EQ(received.size(), 1u);
  auto* supplied = OWOperationAs<TOWVLSuppliedXYFloatDataOperation>(received[0].get());
  ASSERT_NE(supplied, nullptr);
  // A handle of its own on the same points.
  ASSERT_NE(supplied->Data(), nullptr);
  EXPECT_NE(supplied->Data()->GetInstance(), points->GetInstance());
  EXPECT_EQ(TSLGenericBuffer::FromData(supplied->Data())->DataContainer(), points->DataContainer());
  EXPECT_EQ(supplied->Data()->GetPoint(2).y, -3.5f);
}

TEST_F(XYFloatPins, ALateJoinerGetsTheRunningStartAndAnUnlinkedSinkOneStop) {
  auto* early = new TXYPointSink(&form_);
  ASSERT_TRUE(source_->OutputPin()->Connect(early->InputPin()));
  TIntf<IOWNotifyOperation> start = MakeIntf<TOWStartRateOperation>(25.0f);
  source_->OutputPin()->Notify(start);

  auto* late = new TXYPointSink(&form_);
  ASSERT_TRUE(source_->OutputPin()->Connect(late->InputPin()));
  ASSERT_EQ(late->log.Size(), 1u);
  EXPECT_EQ(late->log.Operations()[0].get(), start.get());
  EXPECT_EQ(early->log.Count<TOWStartOperation>(), 1);

  early->log.Clear();
  late->InputPin()->Disconnect();
  ASSERT_EQ(late->log.Size(), 2u);
  EXPECT_TRUE(OWOperationAs<TOWStopOperation>(late->log.Operations()[1].get()));
  EXPECT_EQ(early->log.Size(), 0u);
  source_->OutputPin()->SubmitData(MakeLinePoints(1).get());
  EXPECT_EQ(late->log.Size(), 2u);
  EXPECT_EQ(early->log.Size(), 1u);
}

TEST_F(XYFloatPins, AFailingReceiverCostsOneSeriesAndNothingMore) {
  auto* sink = new TXYPointSink(&form_);
  ASSERT_TRUE(source_->OutputPin()->Connect(sink->InputPin()));
  int calls = 0;
  sink->log.onOperation = [&](IOWNotifyOperation*) {
    if (++calls == 1) throw ESLException(QStringLiteral("receiver failed"));
  };
  EXPECT_FALSE(source_->OutputPin()->SubmitData(MakeLinePoints(2).get()));
  EXPECT_TRUE(source_->OutputPin()->SubmitData(MakeLinePoints(2).get()));
  EXPECT_FALSE(source_->OutputPin()->SubmitData(nullptr));
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(sink->log.Count<TOWVLSuppliedXYFloatDataOperation>(), 1);
  sink->log.onOperation = nullptr;
}

TEST_F(XYFloatPins, APairedBuffersInputIsFedThroughTheConverter) {
  auto* pairs = new TPairsSink(&form_);
  TIntf<IOWNotifyOperation> start = MakeIntf<TOWStartRateOperation>(10.0f);
  source_->OutputPin()->Notify(start);
  ASSERT_TRUE(source_->OutputPin()->Connect(pairs->InputPin()));
  ASSERT_EQ(source_->OutputPin()->GetConverterCount(), 1);
  QPointer<TOWFormatConverter> converter = source_->OutputPin()->GetConverter(0);
  EXPECT_NE(qobject_cast<TOWVLXYFloatToPairsFormatConverter*>(converter.data()), nullptr);
  EXPECT_TRUE(source_->OutputPin()->IsConnectedByConverterTo(pairs->InputPin()));
  // The late-join start passes the converter unchanged.
  ASSERT_EQ(pairs->log.Size(), 1u);
  EXPECT_EQ(pairs->log.Operations()[0].get(), start.get());

  ASSERT_TRUE(source_->OutputPin()->SubmitData(MakeLinePoints(4).get()));
  ASSERT_TRUE(source_->OutputPin()->SubmitData(MakeIntf<TVLXYFloatData>().get()));
  const auto received = pairs->log.Operations();
  ASSERT_EQ(received.size(), 3u);
  auto* line = OWOperationAs<TOWSuppliedPairedBuffersOperation>(received[1].get());
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(ValuesOf(line->First()), (std::vector<double>{0, 1, 2, 3}));
  EXPECT_EQ(ValuesOf(line->Second()), (std::vector<double>{0.5, -1.5, -3.5, -5.5}));
  auto* none = OWOperationAs<TOWSuppliedPairedBuffersOperation>(received[2].get());
  ASSERT_NE(none, nullptr);
  ASSERT_TRUE(QueryIntf<ISLRealBuffer>(none->First(), IID_ISLRealBuffer));
  ASSERT_TRUE(QueryIntf<ISLRealBuffer>(none->Second(), IID_ISLRealBuffer));
  EXPECT_TRUE(ValuesOf(none->First()).empty());
  EXPECT_TRUE(ValuesOf(none->Second()).empty());

  // A stop passes as it is, and so does the next start.
  TIntf<IOWNotifyOperation> stop = MakeIntf<TOWStopOperation>();
  source_->OutputPin()->Notify(stop);
  source_->OutputPin()->Notify(start);
  ASSERT_EQ(pairs->log.Size(), 5u);
  EXPECT_EQ(pairs->log.Operations()[3].get(), stop.get());
  EXPECT_EQ(pairs->log.Operations()[4].get(), start.get());

  // Unlinked while running: one stop, and the converter goes with the link.
  pairs->InputPin()->Disconnect();
  ASSERT_EQ(pairs->log.Size(), 6u);
  EXPECT_TRUE(OWOperationAs<TOWStopOperation>(pairs->log.Operations()[5].get()));
  EXPECT_EQ(source_->OutputPin()->GetConverterCount(), 0);
  EXPECT_TRUE(converter.isNull());
}

TEST_F(XYFloatPins, StoredLinksReadBackToTheSameLinks) {
  RegisterXYTestClasses();
  form_.SetName("Form1");
  source_->SetName("Points1");
  auto* sink = new TXYPointSink(&form_);
  sink->SetName("Track1");
  auto* pairs = new TPairsSink(&form_);
  pairs->SetName("Plot1");
  ASSERT_TRUE(source_->OutputPin()->Connect(sink->InputPin()));
  ASSERT_TRUE(source_->OutputPin()->Connect(pairs->InputPin()));

  const QByteArray text = WriteComponentDesign(&form_);
  SCOPED_TRACE(text.toStdString());
  TXYTestWindow copy;
  ReadComponentDesign(&copy, text);
  auto* s = dynamic_cast<TXYPointSource*>(copy.FindComponent("Points1"));
  auto* k = dynamic_cast<TXYPointSink*>(copy.FindComponent("Track1"));
  auto* p = dynamic_cast<TPairsSink*>(copy.FindComponent("Plot1"));
  ASSERT_TRUE(s && k && p);
  ASSERT_EQ(s->OutputPin()->GetSinkCount(), 2);
  EXPECT_EQ(s->OutputPin()->GetSink(0), k->InputPin());
  EXPECT_EQ(s->OutputPin()->GetSink(1), p->InputPin());
  EXPECT_EQ(s->OutputPin()->GetConnectionID(k->InputPin()), IID_VLXYFloatStream);
  EXPECT_TRUE(s->OutputPin()->IsConnectedByConverterTo(p->InputPin()));
  ASSERT_EQ(s->OutputPin()->GetConverterCount(), 1);
  EXPECT_NE(qobject_cast<TOWVLXYFloatToPairsFormatConverter*>(s->OutputPin()->GetConverter(0)), nullptr);

  // The links read back carry data.
  ASSERT_TRUE(s->OutputPin()->SubmitData(MakeLinePoints(2).get()));
  EXPECT_EQ(k->log.Count<TOWVLSuppliedXYFloatDataOperation>(), 1);
  EXPECT_EQ(p->log.Count<TOWSuppliedPairedBuffersOperation>(), 1);
  // The original window keeps its own links.
  EXPECT_EQ(source_->OutputPin()->GetSinkCount(), 2);
  EXPECT_EQ(sink->InputPin()->GetSourcePin(), source_->OutputPin());
}

}  // namespace
}  // namespace lumicar::test
