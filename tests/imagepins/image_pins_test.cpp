// Image pins over real links: link types, frame delivery, late joiners,
// stops on unlink, raw and image traffic kept apart, failing receivers,
// upstream traffic and the image-to-binary converter.

#include <gtest/gtest.h>

#include <QStringList>

#include "buffers/block_buffer.h"
#include "buffers/sl_exception.h"
#include "imagepins/image_streams.h"
#include "imagepins/image_to_binary_converter.h"
#include "tests/imagepins/frame_test_support.h"

namespace lumicar::test {
namespace {

// An input that takes raw bytes only (not the universal data stream).
class TBinaryOnlySinkPin : public TSLOWSinkPin {
 public:
  TBinaryOnlySinkPin(TComponent* owner, TOWDispatchEvent event) : TSLOWSinkPin(owner, nullptr, std::move(event)) {
    AddType(IID_SLBinaryArrayStream, TOWSubmitFunction::Bind<&TSLOWSinkPin::NotificationHandler>(this));
  }
  ~TBinaryOnlySinkPin() override { BeforeDestruction(); }
  bool ImplementsStream(const TGUID& id) override {
    return id == IID_SLBinaryArrayStream || id == IID_IOWSLGenericStream;
  }
};

struct TBinaryRecorder {
  std::vector<TIntf<IOWNotifyOperation>> operations;
  TOWDispatchEvent Event() {
    return [this](TOWPin*, const TGUID&, IOWNotifyOperation* operation, TOWNotifyState) {
      operations.emplace_back(operation);
      return TOWDispatchResult();
    };
  }
};

template <typename T>
int CountOf(const std::vector<TIntf<IOWNotifyOperation>>& operations) {
  int n = 0;
  for (const auto& op : operations) n += OWOperationAs<T>(op.get()) ? 1 : 0;
  return n;
}

// Collects what the data pins write to their log category while it lives.
class TDataPinsLog {
 public:
  TDataPinsLog() {
    lines().clear();
    previous_ = qInstallMessageHandler(&Handler);
  }
  ~TDataPinsLog() { qInstallMessageHandler(previous_); }
  QStringList Lines() const { return lines(); }

 private:
  static QStringList& lines() {
    static QStringList all;
    return all;
  }
  static void Handler(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (context.category && QByteArray(context.category) == "lumicar.datapins") lines() << message;
  }
  QtMessageHandler previous_;
};

class ImagePins : public ::testing::Test {
 protected:
  TComponent form_;
  TTestFrameSource* source_ = new TTestFrameSource(&form_);
};

TEST_F(ImagePins, LinkTypesFollowTheTypeLists) {
  auto* sink = new TTestFrameSink(&form_);
  auto* rawSink = new TTestFrameSink(&form_, true);
  TBinaryRecorder binary;
  TOWPinPtr<TBinaryOnlySinkPin> binarySink(new TBinaryOnlySinkPin(&form_, binary.Event()));
  TOWPinPtr<TVLOWImageSourcePin> imageSource(new TVLOWImageSourcePin(&form_));

  ASSERT_TRUE(source_->OutputPin()->Connect(sink->InputPin()));
  ASSERT_TRUE(source_->OutputPin()->Connect(rawSink->InputPin()));
  ASSERT_TRUE(source_->OutputPin()->Connect(binarySink.get()));
  EXPECT_EQ(source_->OutputPin()->GetConnectionID(sink->InputPin()), IID_VLImageStream);
  EXPECT_EQ(source_->OutputPin()->GetConnectionID(rawSink->InputPin()), IID_VLImageOrCompressedStream);
  EXPECT_EQ(source_->OutputPin()->GetConnectionID(binarySink.get()), IID_SLBinaryArrayStream);

  auto* filterInput = new TTestFrameSink(&form_);
  ASSERT_TRUE(imageSource->Connect(filterInput->InputPin()));
  EXPECT_EQ(imageSource->GetConnectionID(filterInput->InputPin()), IID_VLImageStream);
  // A new link is announced to image inputs by nothing at all.
  EXPECT_TRUE(sink->Entries().empty());
  EXPECT_TRUE(binary.operations.empty());
}

TEST_F(ImagePins, FramesArriveAsSecondHandlesOnTheSameContainer) {
  auto* sink = new TTestFrameSink(&form_);
  ASSERT_TRUE(source_->OutputPin()->Connect(sink->InputPin()));
  TIntf<TVLImageBuffer> frame = MakePatternFrame(16, 4, vfYUY2);
  ASSERT_TRUE(source_->Send(frame.get()));
  const auto entries = sink->Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].streamId, IID_VLImageStream);
  EXPECT_TRUE(entries[0].state.testFlag(nsLastReceiver));
  auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(entries[0].operation.get());
  ASSERT_NE(supplied, nullptr);
  EXPECT_NE(supplied->Buffer()->GetInstance(), frame->GetInstance());
  EXPECT_EQ(TSLGenericBuffer::FromData(supplied->Buffer())->DataContainer(), frame->DataContainer());
  EXPECT_EQ(sink->Frames()[0]->GetFormat(), vfYUY2);
}

TEST_F(ImagePins, ALateJoinerGetsTheRunningStartFirstAndThenFrames) {
  auto* early = new TTestFrameSink(&form_);
  ASSERT_TRUE(source_->OutputPin()->Connect(early->InputPin()));
  TIntf<IOWNotifyOperation> start = source_->Start(32, 24, vfYUY2);
  source_->Send(MakePatternFrame(32, 24, vfYUY2).get());

  auto* late = new TTestFrameSink(&form_);
  ASSERT_TRUE(source_->OutputPin()->Connect(late->InputPin()));
  ASSERT_EQ(late->Entries().size(), 1u);
  EXPECT_EQ(late->Operations()[0].get(), start.get());  // exactly that operation
  source_->Send(MakePatternFrame(32, 24, vfYUY2).get());
  ASSERT_EQ(late->Entries().size(), 2u);
  EXPECT_TRUE(OWOperationAs<TOWSuppliedBufferOperation>(late->Operations()[1].get()));
  EXPECT_EQ(early->Count<TOWStartFrameOperation>(), 1);  // the early sink is not told again

  // Once stopped, nothing is remembered.
  source_->Stop();
  EXPECT_FALSE(source_->OutputPin()->LastStartOperation());
  auto* afterStop = new TTestFrameSink(&form_);
  ASSERT_TRUE(source_->OutputPin()->Connect(afterStop->InputPin()));
  EXPECT_TRUE(afterStop->Entries().empty());
}

TEST_F(ImagePins, ASinkLinkedWhileTheStartIsOnItsWayStillGetsItOnce) {
  auto* first = new TTestFrameSink(&form_);
  auto* joiner = new TTestFrameSink(&form_);
  ASSERT_TRUE(source_->OutputPin()->Connect(first->InputPin()));
  first->onOperation = [&](IOWNotifyOperation* operation) {
    if (OWOperationAs<TOWStartFrameOperation>(operation)) source_->OutputPin()->Connect(joiner->InputPin());
  };
  source_->Start(8, 8, vfRGB24);
  first->onOperation = nullptr;
  EXPECT_TRUE(source_->OutputPin()->IsConnectedTo(joiner->InputPin()));
  EXPECT_EQ(joiner->Count<TOWStartFrameOperation>(), 1);
}

TEST_F(ImagePins, UnlinkingARunningSinkSendsItOneStopAndNobodyElseAnything) {
  auto* a = new TTestFrameSink(&form_);
  auto* b = new TTestFrameSink(&form_);
  ASSERT_TRUE(source_->OutputPin()->Connect(a->InputPin()));
  ASSERT_TRUE(source_->OutputPin()->Connect(b->InputPin()));
  source_->Start(8, 8, vfRGB24);
  a->Clear();
  b->Clear();
  b->InputPin()->Disconnect();
  EXPECT_TRUE(a->Entries().empty());
  ASSERT_EQ(b->Entries().size(), 1u);
  EXPECT_TRUE(OWOperationAs<TOWStopOperation>(b->Operations()[0].get()));
  // The source keeps running for the others.
  EXPECT_TRUE(source_->OutputPin()->LastStartOperation());
  source_->Send(MakePatternFrame(8, 8, vfRGB24).get());
  EXPECT_EQ(a->Count<TOWSuppliedBufferOperation>(), 1);
  EXPECT_EQ(b->Entries().size(), 1u);

  // From the source's side too.
  source_->OutputPin()->DisconnectFrom(a->InputPin());
  EXPECT_EQ(a->Count<TOWStopOperation>(), 1);
}

TEST_F(ImagePins, RawBuffersAndImageBuffersKeepToTheirOwnLinks) {
  auto* image = new TTestFrameSink(&form_);
  TBinaryRecorder binary;
  TOWPinPtr<TBinaryOnlySinkPin> binarySink(new TBinaryOnlySinkPin(&form_, binary.Event()));
  ASSERT_TRUE(source_->OutputPin()->Connect(image->InputPin()));
  ASSERT_TRUE(source_->OutputPin()->Connect(binarySink.get()));

  source_->Start(4, 4, vfYUY2);
  TIntf<TVLImageBuffer> frame = MakePatternFrame(4, 4, vfYUY2);
  source_->Send(frame.get());
  auto raw = MakeIntf<TSLBlockBuffer>(frame->Read(), frame->GetSize());
  source_->OutputPin()->Notify(MakeIntf<TOWSuppliedRawBufferOperation>(raw.get()));
  source_->Stop();

  const auto images = image->Operations();
  EXPECT_EQ(CountOf<TOWStartFrameOperation>(images), 1);
  EXPECT_EQ(CountOf<TOWSuppliedBufferOperation>(images), 1);
  EXPECT_EQ(CountOf<TOWSuppliedRawBufferOperation>(images), 0);
  EXPECT_EQ(CountOf<TOWStopOperation>(images), 1);
  EXPECT_EQ(CountOf<TOWStartFrameOperation>(binary.operations), 1);
  EXPECT_EQ(CountOf<TOWSuppliedBufferOperation>(binary.operations), 1);
  EXPECT_EQ(CountOf<TOWSuppliedRawBufferOperation>(binary.operations), 1);
  EXPECT_EQ(CountOf<TOWStopOperation>(binary.operations), 1);
}

TEST_F(ImagePins, AFailingReceiverCostsOneFrameAndNothingMore) {
  auto* sink = new TTestFrameSink(&form_);
  ASSERT_TRUE(source_->OutputPin()->Connect(sink->InputPin()));
  int calls = 0;
  sink->onOperation = [&](IOWNotifyOperation*) {
    if (++calls == 1) throw ESLException(QStringLiteral("receiver failed"));
  };
  EXPECT_FALSE(source_->Send(MakePatternFrame(4, 4, vfRGB24).get()));
  EXPECT_TRUE(source_->Send(MakePatternFrame(4, 4, vfRGB24).get()));
  EXPECT_EQ(sink->Count<TOWSuppliedBufferOperation>(), 1);
  EXPECT_FALSE(source_->OutputPin()->SubmitBuffer(nullptr));
  EXPECT_EQ(calls, 2);
  sink->onOperation = nullptr;
}

TEST_F(ImagePins, ReceiverFailuresAreWrittenOncePerPinAndStartAndStopFailuresEachTime) {
  auto* sink = new TTestFrameSink(&form_);
  ASSERT_TRUE(source_->OutputPin()->Connect(sink->InputPin()));
  TDataPinsLog log;
  sink->onOperation = [](IOWNotifyOperation*) { throw ESLException(QStringLiteral("receiver failed")); };
  EXPECT_FALSE(source_->Send(MakePatternFrame(4, 4, vfRGB24).get()));
  EXPECT_FALSE(source_->Send(MakePatternFrame(4, 4, vfRGB24).get()));
  ASSERT_EQ(log.Lines().size(), 1) << "a receiver failing on every frame writes one line";
  EXPECT_TRUE(log.Lines()[0].contains(QStringLiteral("receiver failed")));
  // The stop a sink hears when it is unlinked fails too: written, the link goes.
  source_->OutputPin()->DisconnectFrom(sink->InputPin());
  EXPECT_FALSE(source_->OutputPin()->IsConnectedTo(sink->InputPin()));
  ASSERT_EQ(log.Lines().size(), 2);
  EXPECT_TRUE(log.Lines()[1].contains(QStringLiteral("stop"))) << log.Lines()[1].toStdString();
  EXPECT_TRUE(log.Lines()[1].contains(QStringLiteral("receiver failed")));
  sink->onOperation = nullptr;
}

TEST_F(ImagePins, UpstreamOperationsReachTheSourcesOperationEvent) {
  auto* sink = new TTestFrameSink(&form_);
  ASSERT_TRUE(source_->OutputPin()->Connect(sink->InputPin()));
  sink->InputPin()->MasterPump(nullptr);
  TIntf<IOWNotifyOperation> query = MakeIntf<TOWQueryStreamOperation>();
  sink->InputPin()->Notify(query);
  const auto upstream = source_->Upstream();
  ASSERT_EQ(upstream.size(), 2u);
  EXPECT_TRUE(OWOperationAs<TOWMasterPumpOperation>(upstream[0].get()));
  EXPECT_EQ(upstream[1].get(), query.get());
}

TEST_F(ImagePins, TheConnectEventFollowsEachNewLink) {
  std::vector<TOWBasicPin*> linked;
  source_->OutputPin()->SetOnConnect([&](TSLOWSourcePin* pin, TOWBasicPin* sink) {
    EXPECT_EQ(pin, source_->OutputPin());
    EXPECT_TRUE(pin->IsConnectedTo(sink));
    linked.push_back(sink);
  });
  auto* a = new TTestFrameSink(&form_);
  auto* b = new TTestFrameSink(&form_);
  source_->OutputPin()->Connect(a->InputPin());
  b->InputPin()->Connect(source_->OutputPin());
  EXPECT_EQ(linked, (std::vector<TOWBasicPin*>{a->InputPin(), b->InputPin()}));
}

TEST_F(ImagePins, AnImageOutputFeedsABinaryInputThroughTheConverter) {
  TOWPinPtr<TVLOWImageSourcePin> output(new TVLOWImageSourcePin(&form_));
  TBinaryRecorder binary;
  TOWPinPtr<TBinaryOnlySinkPin> binarySink(new TBinaryOnlySinkPin(&form_, binary.Event()));
  TIntf<IOWNotifyOperation> start = MakeIntf<TOWStartFrameOperation>(6, 2, 400000, vfRGB24, 0, 6, 2);
  output->Notify(start);
  ASSERT_TRUE(output->Connect(binarySink.get()));
  ASSERT_EQ(output->GetConverterCount(), 1);
  EXPECT_NE(qobject_cast<TSLOWImageToBinaryFormatConverter*>(output->GetConverter(0)), nullptr);
  // The late-join start passes the converter unchanged.
  ASSERT_EQ(binary.operations.size(), 1u);
  EXPECT_EQ(binary.operations[0].get(), start.get());

  TIntf<TVLImageBuffer> frame = MakePatternFrame(6, 2, vfRGB24, 9);
  ASSERT_TRUE(output->SubmitBuffer(frame.get()));
  ASSERT_EQ(binary.operations.size(), 2u);
  auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(binary.operations[1].get());
  ASSERT_NE(supplied, nullptr);
  TIntf<ISLBlockBuffer> bytes = QueryIntf<ISLBlockBuffer>(supplied->Buffer(), IID_ISLBlockBuffer);
  ASSERT_TRUE(bytes);
  ASSERT_EQ(bytes->GetByteSize(), frame->GetSize());
  EXPECT_EQ(std::vector<uint8_t>(bytes->Read(), bytes->Read() + bytes->GetByteSize()),
            std::vector<uint8_t>(frame->Read(), frame->Read() + frame->GetSize()));

  binarySink->Disconnect();
  EXPECT_EQ(CountOf<TOWStopOperation>(binary.operations), 1);
  EXPECT_EQ(output->GetConverterCount(), 0);
}

}  // namespace
}  // namespace lumicar::test
