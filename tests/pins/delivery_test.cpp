// Delivery of operations: downstream, upstream, the new-link notice, the
// order of receivers and its weights, the depth limits and exceptions.

#include <gtest/gtest.h>

#include "pins/ow_exception.h"
#include "tests/pins/support/pin_test_support.h"

namespace lumicar::test {
namespace {

class DeliveryTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTestStreams(); }
};

TOWDispatchResult ChangedData(TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState) { return drDataChanged; }

TEST_F(DeliveryTest, ASourceWithoutLinksDeliversToNobody) {
  TTestSource source;
  EXPECT_EQ(source.OutputPin()->Notify(MakeIntf<TOWStartOperation>()), TOWDispatchResult());
  EXPECT_EQ(source.OutputPin()->SendingDepth(), 0);
}

TEST_F(DeliveryTest, TheLastReceiverIsFlagged) {
  TRecorder recorder;
  TTestSource source;
  TTestSink k1, k2, k3;
  for (TTestSink* k : {&k1, &k2, &k3}) {
    k->InputPin()->SetDispatchEvent(recorder.Event());
    ASSERT_TRUE(source.OutputPin()->Connect(k->InputPin()));
  }
  recorder.Clear();
  TIntf<TOWNotifyOperation> op = MakeIntf<TOWStartOperation>();
  EXPECT_EQ(source.OutputPin()->Notify(op), TOWDispatchResult());
  const auto calls = recorder.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].pin, k1.InputPin());
  EXPECT_EQ(calls[0].state, TOWNotifyState());
  EXPECT_EQ(calls[1].state, TOWNotifyState());
  EXPECT_EQ(calls[2].pin, k3.InputPin());
  EXPECT_EQ(calls[2].state, TOWNotifyState(nsLastReceiver));
  for (const auto& c : calls) {
    EXPECT_EQ(c.operationId, op->OperationID());
    EXPECT_TRUE(c.streamId == kStreamA);
  }

  recorder.Clear();
  source.OutputPin()->NotifyPin(k2.InputPin(), op);
  const auto one = recorder.Calls();
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].pin, k2.InputPin());
  EXPECT_EQ(one[0].state, TOWNotifyState());
}

TEST_F(DeliveryTest, ANewLinkHearsABareConnectionNotice) {
  TRecorder recorder;
  TTestSource source;
  TTestSink sink;
  sink.InputPin()->SetDispatchEvent(recorder.Event());
  ASSERT_TRUE(sink.InputPin()->Connect(source.OutputPin()));
  const auto calls = recorder.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].state, TOWNotifyState(nsConnectionNotice) | nsLastReceiver);
  EXPECT_EQ(calls[0].state.toInt(), 3);
  EXPECT_TRUE(calls[0].bare);
  EXPECT_TRUE(calls[0].streamId == kStreamA);
}

TEST_F(DeliveryTest, AStreamWithoutHandlerDeliversNothing) {
  TRecorder recorder;
  TTestSource source;
  source.OutputPin()->ClearTypes();
  source.OutputPin()->AddType(kStreamNoHandler);
  TTestSink sink;
  sink.InputPin()->ClearTypes();
  sink.InputPin()->AddType(kStreamNoHandler);
  sink.InputPin()->SetDispatchEvent(recorder.Event());
  ASSERT_TRUE(sink.InputPin()->Connect(source.OutputPin()));
  source.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
  EXPECT_TRUE(recorder.Calls().empty());
}

TEST_F(DeliveryTest, ChangingReceiversDriftToTheEndAndBack) {
  TRecorder recorder;
  TTestSource source;
  TTestSink k1, k2, k3;
  std::atomic<bool> k1Changes{true}, k2Changes{false};
  k1.InputPin()->SetDispatchEvent(recorder.Event([&](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState) {
    return k1Changes ? TOWDispatchResult(drDataChanged) : TOWDispatchResult();
  }));
  k2.InputPin()->SetDispatchEvent(recorder.Event([&](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState) {
    return k2Changes ? TOWDispatchResult(drDataChanged) : TOWDispatchResult();
  }));
  k3.InputPin()->SetDispatchEvent(recorder.Event());
  for (TTestSink* k : {&k1, &k2, &k3}) ASSERT_TRUE(source.OutputPin()->Connect(k->InputPin()));
  TOWSourcePin* s = source.OutputPin();
  auto deliver = [&] {
    recorder.Clear();
    s->Notify(MakeIntf<TOWStartOperation>());
    return recorder.TrafficOrder();
  };
  using Order = std::vector<TOWPin*>;
  EXPECT_EQ(deliver(), (Order{k1.InputPin(), k2.InputPin(), k3.InputPin()}));
  EXPECT_EQ(deliver(), (Order{k2.InputPin(), k3.InputPin(), k1.InputPin()}));
  deliver();
  // Three changes: +4 -1 each time.
  EXPECT_EQ(s->GetEntries()[2].weight, 9);
  k1Changes = false;
  for (int i = 0; i < 8; ++i) EXPECT_EQ(deliver().back(), k1.InputPin());
  EXPECT_EQ(s->GetEntries()[2].weight, 1);
  deliver();
  EXPECT_EQ(s->GetEntries()[2].weight, 0);
  // Back among equals: a receiver that starts changing now goes behind it.
  k2Changes = true;
  deliver();
  EXPECT_EQ(deliver(), (Order{k3.InputPin(), k1.InputPin(), k2.InputPin()}));
}

TEST_F(DeliveryTest, WeightsStayBelowTheirLimit) {
  TTestSource source;
  TTestSink sink;
  sink.InputPin()->SetDispatchEvent(&ChangedData);
  ASSERT_TRUE(sink.InputPin()->Connect(source.OutputPin()));
  for (int i = 0; i < 3400; ++i) source.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
  const int32_t w = source.OutputPin()->GetEntries()[0].weight;
  EXPECT_GE(w, 9990);
  EXPECT_LE(w, 10003);
}

TEST_F(DeliveryTest, AConnectAfterSinkAlwaysComesAfterItsPin) {
  TRecorder recorder;
  TTestSource source;
  TTestSink k1, k2, k3;
  k2.InputPin()->SetDispatchEvent(recorder.Event(&ChangedData));
  k1.InputPin()->SetDispatchEvent(recorder.Event());
  k3.InputPin()->SetDispatchEvent(recorder.Event());
  TOWSourcePin* s = source.OutputPin();
  ASSERT_TRUE(s->Connect(k2.InputPin()));
  ASSERT_TRUE(s->Connect(k3.InputPin()));
  ASSERT_TRUE(s->ConnectAfter(k1.InputPin(), k2.InputPin()));
  for (int round = 0; round < 6; ++round) {
    recorder.Clear();
    s->Notify(MakeIntf<TOWStartOperation>());
    const auto order = recorder.TrafficOrder();
    ASSERT_EQ(order.size(), 3u);
    const auto pos = [&](TOWPin* p) { return std::find(order.begin(), order.end(), p) - order.begin(); };
    EXPECT_GT(pos(k1.InputPin()), pos(k2.InputPin())) << "round " << round;
  }
  // k2 drifted to the end, k1 stays right behind it.
  recorder.Clear();
  s->Notify(MakeIntf<TOWStartOperation>());
  EXPECT_EQ(recorder.TrafficOrder(), (std::vector<TOWPin*>{k3.InputPin(), k2.InputPin(), k1.InputPin()}));
}

TEST_F(DeliveryTest, TheTwoHundredAndFirstNestedDeliveryRaises) {
  // Two filters feeding each other without function dependencies: every
  // operation an input receives is sent on from the output.
  TTestFilter a(nullptr, "A", false), b(nullptr, "B", false);
  int aOut = 0;
  a.InputPin()->SetDispatchEvent([&](TOWPin*, const TGUID&, IOWNotifyOperation* op, TOWNotifyState state) {
    if (state.testFlag(nsConnectionNotice)) return TOWDispatchResult();
    ++aOut;
    return a.OutputPin()->Notify(op);
  });
  b.InputPin()->SetDispatchEvent([&](TOWPin*, const TGUID&, IOWNotifyOperation* op, TOWNotifyState state) {
    if (state.testFlag(nsConnectionNotice)) return TOWDispatchResult();
    return b.OutputPin()->Notify(op);
  });
  ASSERT_TRUE(b.InputPin()->Connect(a.OutputPin()));
  ASSERT_TRUE(a.InputPin()->Connect(b.OutputPin()));
  try {
    a.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
    FAIL() << "no exception";
  } catch (const EOWException& e) {
    EXPECT_EQ(e.Message(), "The pin depends on itself. Please protect with functional dependency.");
  }
  // The first call and 200 nested ones were delivered; the input that tried
  // the 201st nested one saw it raise.
  EXPECT_EQ(aOut, 201);
  EXPECT_EQ(a.OutputPin()->SendingDepth(), 0);
  EXPECT_EQ(b.OutputPin()->SendingDepth(), 0);
  a.InputPin()->Disconnect();
}

TEST_F(DeliveryTest, AReceiversExceptionEndsTheDelivery) {
  TRecorder recorder;
  TTestSource source;
  TTestSink k1, k2;
  bool raise = true;
  k1.InputPin()->SetDispatchEvent(
      recorder.Event([&](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState state) -> TOWDispatchResult {
        if (raise && !state.testFlag(nsConnectionNotice)) throw EOWException("receiver failed");
        return {};
      }));
  k2.InputPin()->SetDispatchEvent(recorder.Event());
  ASSERT_TRUE(source.OutputPin()->Connect(k1.InputPin()));
  ASSERT_TRUE(source.OutputPin()->Connect(k2.InputPin()));
  recorder.Clear();
  EXPECT_THROW(source.OutputPin()->Notify(MakeIntf<TOWStartOperation>()), EOWException);
  EXPECT_EQ(recorder.TrafficOrder(), std::vector<TOWPin*>{k1.InputPin()});
  EXPECT_EQ(source.OutputPin()->SendingDepth(), 0);
  raise = false;
  recorder.Clear();
  source.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
  EXPECT_EQ(recorder.TrafficOrder().size(), 2u);
}

TEST_F(DeliveryTest, NestedNewLinkNoticesAreLimited) {
  TTestSource source;
  std::vector<std::unique_ptr<TTestSink>> sinks;
  int notices = 0;
  std::function<TOWDispatchResult(TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState)> linkAnother;
  linkAnother = [&](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState state) {
    if (state.testFlag(nsConnectionNotice)) {
      ++notices;
      sinks.push_back(std::make_unique<TTestSink>());
      sinks.back()->InputPin()->SetDispatchEvent(linkAnother);
      sinks.back()->InputPin()->Connect(source.OutputPin());
    }
    return TOWDispatchResult();
  };
  sinks.push_back(std::make_unique<TTestSink>());
  sinks.back()->InputPin()->SetDispatchEvent(linkAnother);
  EXPECT_THROW(sinks.back()->InputPin()->Connect(source.OutputPin()), EOWException);
  EXPECT_EQ(notices, 11);
  EXPECT_EQ(source.OutputPin()->SendingDepth(), 0);
  EXPECT_EQ(source.OutputPin()->GetSinkCount(), 12);
}

TEST_F(DeliveryTest, UpstreamGoesToTheUserLinkedSource) {
  TRecorder recorder;
  TTestSource source;
  source.OutputPin()->SetDispatchEvent(recorder.Event());
  TTestSink sink;
  ASSERT_TRUE(sink.InputPin()->Connect(source.OutputPin()));
  TIntf<TOWNotifyOperation> stop = MakeIntf<TOWStopOperation>();
  sink.InputPin()->Notify(stop);
  auto calls = recorder.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].pin, source.OutputPin());
  EXPECT_EQ(calls[0].state, TOWNotifyState(nsLastReceiver));
  EXPECT_EQ(calls[0].operationId, stop->OperationID());

  // Through a converter: the source itself hears the sink, not the converter.
  recorder.Clear();
  TTestSource convSource;
  convSource.OutputPin()->ClearTypes();
  convSource.OutputPin()->AddType(kConvFrom);
  convSource.OutputPin()->SetDispatchEvent(recorder.Event());
  TAcceptingSink converted(nullptr, {kConvTo});
  converted.AddType(kConvFrom);  // its upstream type
  ASSERT_TRUE(converted.Connect(convSource.OutputPin()));
  ASSERT_NE(converted.GetFormatConverter(), nullptr);
  converted.Notify(MakeIntf<TOWStopOperation>());
  calls = recorder.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].pin, convSource.OutputPin());
  EXPECT_TRUE(calls[0].streamId == kConvFrom);

  TTestSink alone;
  EXPECT_EQ(alone.InputPin()->Notify(MakeIntf<TOWStopOperation>()), TOWDispatchResult());
}

TEST_F(DeliveryTest, ConvertedDeliveryReachesTheSinkOnce) {
  TRecorder recorder;
  TTestSource source;
  source.OutputPin()->ClearTypes();
  source.OutputPin()->AddType(kConvFrom);
  TAcceptingSink k1(nullptr, {kConvTo}), k2(nullptr, {kConvTo});
  k1.SetDispatchEvent(recorder.Event());
  k2.SetDispatchEvent(recorder.Event());
  ASSERT_TRUE(source.OutputPin()->Connect(&k1));
  ASSERT_TRUE(source.OutputPin()->Connect(&k2));
  recorder.Clear();
  source.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
  // The shared converter was handed the operation once and fed both sinks.
  const auto calls = recorder.TrafficCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_TRUE(calls[0].streamId == kConvTo);
  EXPECT_EQ(calls[1].state, TOWNotifyState(nsLastReceiver));
}

TEST_F(DeliveryTest, AMultiSinkNotifiesEverySourceUpstream) {
  TRecorder recorder;
  TTestSource s1, s2;
  s1.OutputPin()->SetDispatchEvent(recorder.Event());
  s2.OutputPin()->SetDispatchEvent(recorder.Event());
  TOWMultiSinkPin multi(nullptr);
  multi.AddType(kStreamA);
  ASSERT_TRUE(multi.Connect(s1.OutputPin()));
  ASSERT_TRUE(multi.Connect(s2.OutputPin()));
  multi.Notify(MakeIntf<TOWStopOperation>());
  auto calls = recorder.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].pin, s1.OutputPin());
  EXPECT_EQ(calls[1].state, TOWNotifyState(nsLastReceiver));
  recorder.Clear();
  multi.NotifyPin(s2.OutputPin(), MakeIntf<TOWStopOperation>());
  calls = recorder.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].pin, s2.OutputPin());
}

class TTrackedOperation : public TOWNotifyOperation {
 public:
  explicit TTrackedOperation(bool* freed) : freed_(freed) {}
  ~TTrackedOperation() override { *freed_ = true; }

 private:
  bool* freed_;
};

TEST_F(DeliveryTest, OperationsLiveAsLongAsAReference) {
  TTestSource source;
  TTestSink sink;
  TIntf<IOWNotifyOperation> kept;
  sink.InputPin()->SetDispatchEvent([&](TOWPin*, const TGUID&, IOWNotifyOperation* op, TOWNotifyState state) {
    if (!state.testFlag(nsConnectionNotice)) kept = op;
    return TOWDispatchResult();
  });
  ASSERT_TRUE(sink.InputPin()->Connect(source.OutputPin()));
  bool freed = false;
  source.OutputPin()->Notify(new TTrackedOperation(&freed));
  EXPECT_FALSE(freed);
  kept.reset();
  EXPECT_TRUE(freed);
  freed = false;
  sink.InputPin()->Disconnect();
  source.OutputPin()->Notify(new TTrackedOperation(&freed));
  EXPECT_TRUE(freed);
}

TEST_F(DeliveryTest, AReceiverThatUnlinksItselfOnStopLetsTheOthersHearIt) {
  // What a display does when its stream ends: unlink from inside the stop.
  TRecorder recorder;
  TTestSource source;
  TTestSink first, leaving, last;
  bool raised = false;
  first.InputPin()->SetDispatchEvent(recorder.Event());
  last.InputPin()->SetDispatchEvent(recorder.Event());
  leaving.InputPin()->SetDispatchEvent(
      recorder.Event([&](TOWPin* pin, const TGUID&, IOWNotifyOperation* operation, TOWNotifyState) {
        if (OWOperationAs<TOWStopOperation>(operation)) {
          try {
            pin->Disconnect();
          } catch (const std::exception&) {
            raised = true;
          }
        }
        return TOWDispatchResult();
      }));
  for (TTestSink* k : {&first, &leaving, &last}) ASSERT_TRUE(source.OutputPin()->Connect(k->InputPin()));
  recorder.Clear();
  source.OutputPin()->Notify(MakeIntf<TOWStopOperation>());
  EXPECT_FALSE(raised);
  const std::vector<TOWPin*> expected{first.InputPin(), leaving.InputPin(), last.InputPin()};
  EXPECT_EQ(recorder.TrafficOrder(), expected);
  EXPECT_FALSE(leaving.InputPin()->IsConnectedTo(source.OutputPin()));
  EXPECT_EQ(source.OutputPin()->GetSinkCount(), 2);
  EXPECT_EQ(source.OutputPin()->SendingDepth(), 0);
  // The next delivery reaches the two that stayed.
  recorder.Clear();
  source.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
  const std::vector<TOWPin*> rest{first.InputPin(), last.InputPin()};
  EXPECT_EQ(recorder.TrafficOrder(), rest);
}

TEST_F(DeliveryTest, AReceiverMayUnlinkItsWholeSourceFromInsideTheDelivery) {
  TRecorder recorder;
  TTestSource source;
  TTestSink a, b;
  b.InputPin()->SetDispatchEvent(recorder.Event());
  a.InputPin()->SetDispatchEvent(recorder.Event([&](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState state) {
    if (!state.testFlag(nsConnectionNotice)) source.OutputPin()->Disconnect();
    return TOWDispatchResult();
  }));
  ASSERT_TRUE(source.OutputPin()->Connect(a.InputPin()));
  ASSERT_TRUE(source.OutputPin()->Connect(b.InputPin()));
  recorder.Clear();
  source.OutputPin()->Notify(MakeIntf<TOWStopOperation>());
  // No exception ends the delivery; a link removed before its turn is not
  // delivered to (its sink may be gone already).
  EXPECT_EQ(recorder.TrafficOrder(), (std::vector<TOWPin*>{a.InputPin()}));
  EXPECT_EQ(source.OutputPin()->GetSinkCount(), 0);
  EXPECT_EQ(b.InputPin()->GetSourcePin(), nullptr);
}

TEST_F(DeliveryTest, AReceiverFreedByItsOwnerInsideItsDeliveryDoesNotEndTheProcess) {
  TRecorder recorder;
  TTestSource source;
  TTestSink first, last;
  auto* doomed = new TTestSink();
  bool freed = false;
  first.InputPin()->SetDispatchEvent(recorder.Event());
  last.InputPin()->SetDispatchEvent(recorder.Event());
  doomed->InputPin()->SetDispatchEvent([&](TOWPin*, const TGUID&, IOWNotifyOperation* operation, TOWNotifyState) {
    if (OWOperationAs<TOWStopOperation>(operation)) {
      delete doomed;  // the owner goes, and its pin with it
      freed = true;
    }
    return TOWDispatchResult();
  });
  ASSERT_TRUE(source.OutputPin()->Connect(first.InputPin()));
  ASSERT_TRUE(source.OutputPin()->Connect(doomed->InputPin()));
  ASSERT_TRUE(source.OutputPin()->Connect(last.InputPin()));
  recorder.Clear();
  source.OutputPin()->Notify(MakeIntf<TOWStopOperation>());
  EXPECT_TRUE(freed);
  EXPECT_EQ(recorder.TrafficOrder(), (std::vector<TOWPin*>{first.InputPin(), last.InputPin()}));
  EXPECT_EQ(source.OutputPin()->GetSinkCount(), 2);
  recorder.Clear();
  source.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
  EXPECT_EQ(recorder.TrafficCalls().size(), 2u);
}

TEST_F(DeliveryTest, AReceiverFreedThroughAConverterInsideItsDeliveryDoesNotEndTheProcess) {
  // The last link through a converter goes from inside the converter's own
  // delivery: the converter is freed once that delivery has returned.
  const int liveBefore = TTestConverter::live;
  TTestSource source;
  source.OutputPin()->ClearTypes();
  source.OutputPin()->AddType(kConvFrom);
  TOWPinPtr<TAcceptingSink> doomed(new TAcceptingSink(nullptr, {kConvTo}));
  bool freed = false;
  doomed->SetDispatchEvent([&](TOWPin*, const TGUID&, IOWNotifyOperation* operation, TOWNotifyState) {
    if (OWOperationAs<TOWStopOperation>(operation)) {
      doomed.reset();  // its owner frees it
      freed = true;
    }
    return TOWDispatchResult();
  });
  ASSERT_TRUE(source.OutputPin()->Connect(doomed.get()));
  ASSERT_EQ(TTestConverter::live, liveBefore + 1);
  source.OutputPin()->Notify(MakeIntf<TOWStopOperation>());
  EXPECT_TRUE(freed);
  EXPECT_EQ(source.OutputPin()->GetSinkCount(), 0);
  EXPECT_EQ(TTestConverter::live, liveBefore);
}

}  // namespace
}  // namespace lumicar::test
