// State groups: joining, naming, leaving, delivery between members, and the
// converters a group puts in front of sinks.

#include <gtest/gtest.h>

#include <algorithm>

#include "pins/notify_operation.h"
#include "pins/pin_notifier.h"
#include "pins/state/state_dispatcher.h"
#include "tests/pins/support/pin_test_support.h"

namespace lumicar::test {
namespace {

// A component with one state pin of kStreamA whose receptions are recorded.
class TStateHolder : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TOWStatePin* StatePin READ Pin)

 public:
  TStateHolder(TComponent* owner, const QString& name, TRecorder& recorder, const TGUID& type = kStreamA)
      : TComponent(owner), pin_(new TOWStatePin(this)) {
    SetName(name);
    pin_->AddType(type);
    pin_->SetDispatchEvent(recorder.Event());
  }
  ~TStateHolder() override = default;
  TOWStatePin* Pin() const { return pin_.get(); }
  void FreePin() { pin_.reset(); }

 private:
  TOWPinPtr<TOWStatePin> pin_;
};

class StateGroupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestStreams();
    form_.SetName(QStringLiteral("Form1"));
  }
  TComponent form_;
  TRecorder recorder_;
};

TEST_F(StateGroupTest, GroupsAreNamedAfterTheWindowAndKeepTheirNameAsTheyGrow) {
  TStateHolder a(&form_, "A", recorder_), b(&form_, "B", recorder_), c(&form_, "C", recorder_),
      d(&form_, "D", recorder_), e(&form_, "E", recorder_);
  ASSERT_TRUE(a.Pin()->Connect(b.Pin()));
  ASSERT_TRUE(c.Pin()->ConnectByState(d.Pin()));
  TOWStateDispatcherRef first = a.Pin()->Dispatcher();
  TOWStateDispatcherRef second = c.Pin()->Dispatcher();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->Name(), "Form1Link1");
  EXPECT_EQ(second->Name(), "Form1Link2");
  EXPECT_EQ(first, b.Pin()->Dispatcher());
  EXPECT_EQ(TOWStateDispatcher::GetByName("Form1Link2", false), second);
  EXPECT_EQ(TOWStateDispatcher::GetByName("form1link2", false), nullptr);  // names compare exactly
  EXPECT_EQ(TOWStateDispatcher::GetByName("Form1Link2", true), nullptr);   // design groups are apart

  // A third pin joins the existing group, whichever side asks.
  EXPECT_TRUE(e.Pin()->Connect(b.Pin()));
  EXPECT_EQ(e.Pin()->Dispatcher(), first);
  EXPECT_EQ(first->Name(), "Form1Link1");
  EXPECT_EQ(first->GetPinCount(), 3);
  EXPECT_TRUE(a.Pin()->IsConnectedTo(e.Pin()));
  EXPECT_EQ(a.Pin()->GetDispatcherCount(), 1);
  EXPECT_EQ(a.Pin()->GetEditorString(), "Form1Link1");
  EXPECT_EQ(c.Pin()->GetEditorString(), "D.StatePin");
  EXPECT_TRUE(c.Pin()->IsLinkedTo("Form1.D.StatePin"));
}

TEST_F(StateGroupTest, ARemovalThatLeavesOneMemberDissolvesAndFreesTheGroup) {
  TStateHolder a(&form_, "A", recorder_), b(&form_, "B", recorder_);
  ASSERT_TRUE(a.Pin()->Connect(b.Pin()));
  std::weak_ptr<TOWStateDispatcher> group = a.Pin()->Dispatcher();
  const int count = OWGetDispatcherCount();
  b.Pin()->Disconnect();
  EXPECT_FALSE(a.Pin()->IsStateConnected());
  EXPECT_FALSE(b.Pin()->IsStateConnected());
  EXPECT_TRUE(group.expired());
  EXPECT_EQ(OWGetDispatcherCount(), count - 1);
  EXPECT_EQ(a.Pin()->GetEditorString(), "(Disconnected)");
  // The name is free again.
  ASSERT_TRUE(b.Pin()->Connect(a.Pin()));
  EXPECT_EQ(b.Pin()->Dispatcher()->Name(), "Form1Link1");
}

TEST_F(StateGroupTest, DisconnectFromRemovesOnlyTheOtherMember) {
  TStateHolder a(&form_, "A", recorder_), b(&form_, "B", recorder_), c(&form_, "C", recorder_);
  ASSERT_TRUE(a.Pin()->Connect(b.Pin()));
  ASSERT_TRUE(c.Pin()->Connect(a.Pin()));
  TOWStateDispatcherRef group = a.Pin()->Dispatcher();
  a.Pin()->DisconnectFrom(b.Pin());
  EXPECT_FALSE(b.Pin()->IsStateConnected());
  EXPECT_EQ(a.Pin()->Dispatcher(), group);
  EXPECT_EQ(c.Pin()->Dispatcher(), group);
  EXPECT_EQ(group->GetPinCount(), 2);
  // Joining the group a pin is in already changes nothing and says so.
  EXPECT_FALSE(c.Pin()->ConnectToState(group));
  EXPECT_EQ(group->GetPinCount(), 2);
}

TEST_F(StateGroupTest, APinThatJoinsAnotherGroupLeavesItsOldOneFirst) {
  TStateHolder a(&form_, "A", recorder_), b(&form_, "B", recorder_), c(&form_, "C", recorder_),
      d(&form_, "D", recorder_), e(&form_, "E", recorder_);
  ASSERT_TRUE(a.Pin()->Connect(b.Pin()));
  ASSERT_TRUE(a.Pin()->Connect(c.Pin()));
  ASSERT_TRUE(d.Pin()->Connect(e.Pin()));
  TOWStateDispatcherRef first = a.Pin()->Dispatcher();
  TOWStateDispatcherRef second = d.Pin()->Dispatcher();
  EXPECT_TRUE(c.Pin()->ConnectToState(second));
  EXPECT_EQ(first->GetPinCount(), 2);
  EXPECT_EQ(second->GetPinCount(), 3);
  EXPECT_TRUE(c.Pin()->IsConnectedTo(d.Pin()));
  EXPECT_FALSE(c.Pin()->IsConnectedTo(a.Pin()));
  // With no group given a pin only leaves.
  EXPECT_FALSE(c.Pin()->ConnectToState(nullptr));
  EXPECT_FALSE(c.Pin()->IsStateConnected());
}

TEST_F(StateGroupTest, AfterPinsMayNotRunInACircle) {
  TStateHolder a(&form_, "A", recorder_), b(&form_, "B", recorder_), c(&form_, "C", recorder_),
      outside(&form_, "X", recorder_);
  ASSERT_TRUE(a.Pin()->Connect(b.Pin()));
  ASSERT_TRUE(a.Pin()->ConnectAfter(c.Pin(), b.Pin()));
  TOWStateDispatcherRef group = a.Pin()->Dispatcher();
  EXPECT_TRUE(group->CanConnectAfter(outside.Pin(), c.Pin()));
  EXPECT_FALSE(group->CanConnectAfter(outside.Pin(), outside.Pin()));
  // The after pin must be a member.
  EXPECT_FALSE(group->CanConnectAfter(c.Pin(), outside.Pin()));
  // b placed after c would close the circle c -> b -> c.
  EXPECT_TRUE(group->CanConnectAfter(b.Pin(), nullptr));
  EXPECT_FALSE(group->CanConnectAfter(b.Pin(), c.Pin()));
  EXPECT_FALSE(outside.Pin()->CanConnectAfter(a.Pin(), b.Pin()));  // no group, no after pin
  EXPECT_TRUE(a.Pin()->CanConnectAfter(outside.Pin(), c.Pin()));

  // A dying member no longer orders anybody.
  EXPECT_TRUE(a.Pin()->IsConnectedToAfter(c.Pin(), b.Pin()));
  b.FreePin();
  EXPECT_EQ(group->GetConnectedAfterForPin(c.Pin()), nullptr);
  EXPECT_EQ(group->GetPinCount(), 2);
}

TEST_F(StateGroupTest, OperationsReachEveryOtherMemberInOrder) {
  TRecorder other;
  TStateHolder a(&form_, "A", recorder_), b(&form_, "B", other), c(&form_, "C", other), d(&form_, "D", other);
  ASSERT_TRUE(a.Pin()->Connect(b.Pin()));
  ASSERT_TRUE(a.Pin()->Connect(c.Pin()));
  ASSERT_TRUE(a.Pin()->Connect(d.Pin()));
  recorder_.Clear();
  other.Clear();
  EXPECT_EQ(a.Pin()->Notify(MakeIntf<TOWNotifyOperation>()), TOWDispatchResult());
  const auto calls = other.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].pin, b.Pin());
  EXPECT_EQ(calls[1].pin, c.Pin());
  EXPECT_EQ(calls[2].pin, d.Pin());
  EXPECT_FALSE(calls[0].state.testFlag(nsLastReceiver));
  EXPECT_TRUE(calls[2].state.testFlag(nsLastReceiver));
  EXPECT_TRUE(recorder_.Calls().empty());  // the sender hears nothing of its own

  // The last member sending: the one before it is the last receiver.
  other.Clear();
  recorder_.Clear();
  d.Pin()->Notify(MakeIntf<TOWNotifyOperation>());
  ASSERT_EQ(other.Calls().size(), 2u);
  ASSERT_EQ(recorder_.Calls().size(), 1u);
  EXPECT_FALSE(recorder_.Calls()[0].state.testFlag(nsLastReceiver));
  EXPECT_TRUE(other.Calls()[1].state.testFlag(nsLastReceiver));
  EXPECT_EQ(other.Calls()[1].pin, c.Pin());

  // Delivery to one member only.
  other.Clear();
  a.Pin()->NotifyDispatcher(MakeIntf<TOWNotifyOperation>().get(), TOWNotifyState(), c.Pin());
  ASSERT_EQ(other.Calls().size(), 1u);
  EXPECT_EQ(other.Calls()[0].pin, c.Pin());
  EXPECT_TRUE(other.Calls()[0].state.testFlag(nsLastReceiver));
}

TEST_F(StateGroupTest, ANewMemberIsIntroducedByTheFirstSourceOrByEveryStatePin) {
  TRecorder joiner;
  TStateHolder a(&form_, "A", recorder_), b(&form_, "B", recorder_), c(&form_, "C", joiner);
  ASSERT_TRUE(a.Pin()->Connect(b.Pin()));
  recorder_.Clear();
  // No source member: every member that is not a sink speaks to the newcomer,
  // the newcomer itself to everybody else.
  ASSERT_TRUE(c.Pin()->ConnectToState(a.Pin()->Dispatcher()));
  std::vector<TCall> notices;
  for (const TCall& call : joiner.Calls())
    if (call.state.testFlag(nsConnectionNotice)) notices.push_back(call);
  EXPECT_EQ(notices.size(), 2u);  // from a and from b
  EXPECT_EQ(recorder_.Calls().size(), 2u);

  // With a source member only the source speaks.
  TTestSource source(&form_, "S");
  TTestSink sinkOwner(&form_, "K");
  TRecorder sourceSide;
  source.OutputPin()->AddType(kStreamA);
  ASSERT_TRUE(source.OutputPin()->Connect(a.Pin()));
  EXPECT_EQ(source.OutputPin()->Dispatcher(), a.Pin()->Dispatcher());
  recorder_.Clear();
  joiner.Clear();
  TStateHolder late(&form_, "Late", sourceSide);
  ASSERT_TRUE(late.Pin()->ConnectToState(a.Pin()->Dispatcher()));
  ASSERT_EQ(sourceSide.Calls().size(), 1u);
  EXPECT_TRUE(sourceSide.Calls()[0].state.testFlag(nsConnectionNotice));
  EXPECT_TRUE(recorder_.Calls().empty());
  EXPECT_TRUE(joiner.Calls().empty());
}

TEST_F(StateGroupTest, ASinkThatJoinsAGroupLosesItsStreamSource) {
  TTestSource feed(&form_, "Feed");
  TTestSink sink(&form_, "K");
  feed.OutputPin()->AddType(kStreamA);
  sink.InputPin()->AddType(kStreamA);
  ASSERT_TRUE(sink.InputPin()->Connect(feed.OutputPin()));
  TStateHolder a(&form_, "A", recorder_), b(&form_, "B", recorder_);
  ASSERT_TRUE(a.Pin()->Connect(b.Pin()));
  EXPECT_TRUE(sink.InputPin()->ConnectToState(a.Pin()->Dispatcher()));
  EXPECT_EQ(feed.OutputPin()->GetSinkCount(), 0);
  EXPECT_EQ(sink.InputPin()->GetSourcePin(), nullptr);
  EXPECT_TRUE(sink.InputPin()->IsStateConnected());
  EXPECT_EQ(a.Pin()->Dispatcher()->GetPinCount(), 3);

  // Linking a stream source again takes the sink out of the group.
  ASSERT_TRUE(sink.InputPin()->Connect(feed.OutputPin()));
  EXPECT_FALSE(sink.InputPin()->IsStateConnected());
  EXPECT_EQ(a.Pin()->Dispatcher()->GetPinCount(), 2);
}

TEST_F(StateGroupTest, ASinkOfAnotherTypeIsFedThroughAConverterTheGroupOwns) {
  TRecorder sinkSide;
  TStateHolder a(&form_, "A", recorder_, kConvFrom), b(&form_, "B", recorder_, kConvFrom);
  ASSERT_TRUE(a.Pin()->Connect(b.Pin()));
  TTestSink sink(&form_, "K");
  sink.InputPin()->AddType(kConvTo);
  sink.InputPin()->SetDispatchEvent(sinkSide.Event());
  const int converters = TTestConverter::live.load();
  ASSERT_TRUE(sink.InputPin()->ConnectToState(a.Pin()->Dispatcher()));
  TOWStateDispatcherRef group = a.Pin()->Dispatcher();
  ASSERT_EQ(group->GetConverterCount(), 1);
  EXPECT_EQ(TTestConverter::live.load(), converters + 1);
  EXPECT_TRUE(a.Pin()->IsConnectedTo(sink.InputPin()));
  EXPECT_EQ(group->GetConnectionPin(2), static_cast<TOWBasicPin*>(group->GetConverter(0)->InputPin()));

  sinkSide.Clear();
  a.Pin()->Notify(MakeIntf<TOWNotifyOperation>());
  const auto traffic = sinkSide.TrafficCalls();
  ASSERT_EQ(traffic.size(), 1u);
  EXPECT_EQ(traffic[0].streamId, kConvTo);

  // Leaving unlinks the sink from the converter as well.
  sink.InputPin()->Disconnect();
  sinkSide.Clear();
  a.Pin()->Notify(MakeIntf<TOWNotifyOperation>());
  EXPECT_TRUE(sinkSide.TrafficCalls().empty());
  EXPECT_EQ(group->GetConverter(0)->OutputPin()->GetSinkCount(), 0);
  // The converter goes with its group.
  group.reset();
  a.Pin()->Disconnect();
  EXPECT_EQ(TTestConverter::live.load(), converters);
}

TEST_F(StateGroupTest, IncompatiblePinsFormNoGroup) {
  TStateHolder a(&form_, "A", recorder_, kStreamA), b(&form_, "B", recorder_, kStreamB);
  EXPECT_FALSE(a.Pin()->Connect(b.Pin()));
  EXPECT_FALSE(a.Pin()->IsStateConnected());
  EXPECT_FALSE(b.Pin()->IsStateConnected());
  TStateHolder c(&form_, "C", recorder_, kStreamA);
  ASSERT_TRUE(a.Pin()->Connect(c.Pin()));
  // Joining by group checks every member.
  EXPECT_FALSE(b.Pin()->ConnectToState(a.Pin()->Dispatcher()));
  EXPECT_EQ(a.Pin()->Dispatcher()->GetPinCount(), 2);
}

TEST_F(StateGroupTest, GroupsReadFromDesignsAreFoundByName) {
  TStateHolder a(&form_, "A", recorder_), b(&form_, "B", recorder_);
  a.Pin()->LinkToStateByName("Stored1");
  TOWStateDispatcherRef group = a.Pin()->Dispatcher();
  ASSERT_TRUE(group);
  EXPECT_EQ(group->GetPinCount(), 1);  // until the other members are read
  b.Pin()->LinkToStateByName("Stored1");
  EXPECT_EQ(b.Pin()->Dispatcher(), group);
  EXPECT_TRUE(a.Pin()->IsConnectedTo(b.Pin()));
  EXPECT_FALSE(TOWStateDispatcher::IsUniqueName("Stored1", false));
  // A pin made by code on the window takes the next free name after it.
  TStateHolder c(&form_, "C", recorder_), d(&form_, "D", recorder_);
  ASSERT_TRUE(c.Pin()->Connect(d.Pin()));
  EXPECT_EQ(c.Pin()->Dispatcher()->Name(), "Form1Link1");
}

TEST_F(StateGroupTest, DisconnectAllEmptiesAndFreesTheGroup) {
  TStateHolder a(&form_, "A", recorder_), b(&form_, "B", recorder_), c(&form_, "C", recorder_),
      d(&form_, "D", recorder_);
  ASSERT_TRUE(a.Pin()->Connect(b.Pin()));
  ASSERT_TRUE(a.Pin()->Connect(c.Pin()));
  ASSERT_TRUE(a.Pin()->Connect(d.Pin()));
  std::weak_ptr<TOWStateDispatcher> weak = a.Pin()->Dispatcher();
  weak.lock()->DisconnectAll();
  for (TStateHolder* h : {&a, &b, &c, &d}) EXPECT_FALSE(h->Pin()->IsStateConnected());
  EXPECT_TRUE(weak.expired());
}

TEST_F(StateGroupTest, DestroyingAMemberLeavesTheRestIntact) {
  auto a = std::make_unique<TStateHolder>(&form_, "A", recorder_);
  TStateHolder b(&form_, "B", recorder_), c(&form_, "C", recorder_);
  ASSERT_TRUE(a->Pin()->Connect(b.Pin()));
  ASSERT_TRUE(a->Pin()->Connect(c.Pin()));
  TOWStateDispatcherRef group = b.Pin()->Dispatcher();
  a.reset();
  EXPECT_EQ(group->GetPinCount(), 2);
  recorder_.Clear();
  b.Pin()->Notify(MakeIntf<TOWNotifyOperation>());
  ASSERT_EQ(recorder_.Calls().size(), 1u);
  EXPECT_EQ(recorder_.Calls()[0].pin, c.Pin());
  // Freeing a group's last two members frees the group.
  std::weak_ptr<TOWStateDispatcher> weak = group;
  group.reset();
  c.FreePin();
  b.FreePin();
  EXPECT_TRUE(weak.expired());
}

TEST_F(StateGroupTest, ADissolvedGroupIsNoLongerFoundWhileSomeoneStillHoldsIt) {
  TStateHolder a(&form_, "A", recorder_), b(&form_, "B", recorder_), c(&form_, "C", recorder_),
      d(&form_, "D", recorder_);
  ASSERT_TRUE(a.Pin()->Connect(b.Pin()));
  TOWStateDispatcherRef held = a.Pin()->Dispatcher();
  ASSERT_TRUE(held);
  ASSERT_EQ(held->Name(), "Form1Link1");
  const int count = OWGetDispatcherCount();
  b.Pin()->Disconnect();
  EXPECT_EQ(held->GetPinCount(), 0);
  // Gone from the lists at once, although `held` keeps its memory.
  EXPECT_EQ(TOWStateDispatcher::GetByName("Form1Link1", false), nullptr);
  EXPECT_TRUE(TOWStateDispatcher::IsUniqueName("Form1Link1", false));
  EXPECT_EQ(OWGetDispatcherCount(), count - 1);
  const auto all = OWGetAllDispatchers();
  EXPECT_EQ(std::find(all.begin(), all.end(), held), all.end());
  // The next group of the window takes the free name.
  ASSERT_TRUE(c.Pin()->Connect(d.Pin()));
  ASSERT_TRUE(c.Pin()->Dispatcher());
  EXPECT_EQ(c.Pin()->Dispatcher()->Name(), "Form1Link1");
  EXPECT_EQ(TOWStateDispatcher::GetByName("Form1Link1", false), c.Pin()->Dispatcher());
  // Nobody joins the dissolved group.
  EXPECT_FALSE(a.Pin()->ConnectToState(held));
  EXPECT_FALSE(a.Pin()->IsStateConnected());
  EXPECT_EQ(held->GetPinCount(), 0);
}

TEST_F(StateGroupTest, AMemberThatLeavesInsideAGroupDeliveryLetsTheOthersHearIt) {
  TRecorder others;
  TStateHolder sender(&form_, "S", recorder_), first(&form_, "F", others), leaving(&form_, "L", others),
      last(&form_, "Z", others);
  bool raised = false;
  leaving.Pin()->SetDispatchEvent(
      others.Event([&](TOWPin* pin, const TGUID&, IOWNotifyOperation*, TOWNotifyState state) {
        if (!state.testFlag(nsConnectionNotice)) {
          try {
            pin->Disconnect();
          } catch (const std::exception&) {
            raised = true;
          }
        }
        return TOWDispatchResult();
      }));
  ASSERT_TRUE(sender.Pin()->Connect(first.Pin()));
  for (TStateHolder* h : {&leaving, &last}) ASSERT_TRUE(h->Pin()->ConnectToState(sender.Pin()->Dispatcher()));
  others.Clear();
  sender.Pin()->Notify(MakeIntf<TOWStopOperation>());
  EXPECT_FALSE(raised);
  EXPECT_EQ(others.TrafficOrder(), (std::vector<TOWPin*>{first.Pin(), leaving.Pin(), last.Pin()}));
  EXPECT_FALSE(leaving.Pin()->IsStateConnected());
  ASSERT_TRUE(sender.Pin()->Dispatcher());
  EXPECT_EQ(sender.Pin()->Dispatcher()->GetPinCount(), 3);
}

TEST_F(StateGroupTest, AMemberFreedInsideAGroupDeliveryToItDoesNotEndTheProcess) {
  TRecorder others;
  TStateHolder sender(&form_, "S", recorder_), first(&form_, "F", others), last(&form_, "Z", others);
  auto* doomed = new TStateHolder(&form_, "D", others);
  bool freed = false;
  doomed->Pin()->SetDispatchEvent([&](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState state) {
    if (!state.testFlag(nsConnectionNotice)) {
      doomed->FreePin();
      freed = true;
    }
    return TOWDispatchResult();
  });
  ASSERT_TRUE(sender.Pin()->Connect(first.Pin()));
  for (TStateHolder* h : {doomed, &last}) ASSERT_TRUE(h->Pin()->ConnectToState(sender.Pin()->Dispatcher()));
  others.Clear();
  sender.Pin()->Notify(MakeIntf<TOWStopOperation>());
  EXPECT_TRUE(freed);
  EXPECT_EQ(others.TrafficOrder(), (std::vector<TOWPin*>{first.Pin(), last.Pin()}));
  ASSERT_TRUE(sender.Pin()->Dispatcher());
  EXPECT_EQ(sender.Pin()->Dispatcher()->GetPinCount(), 3);
  delete doomed;
}

}  // namespace
}  // namespace lumicar::test

#include "state_group_test.moc"
