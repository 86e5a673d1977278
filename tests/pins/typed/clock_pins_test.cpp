// Clock pins: ticks reach clock sinks and multi-sinks, value operations count
// as ticks, connection notices do not, and upstream traffic reaches the
// clock source's callback.

#include "pins/typed/clock_pins.h"

#include <gtest/gtest.h>

#include "pins/operations.h"
#include "pins/typed/bool_pins.h"
#include "pins/typed/standard_streams.h"
#include "runtime/component.h"
#include "tests/pins/typed/typed_pins_test_support.h"

namespace lumicar::test {
namespace {

TEST(ClockPins, TicksFireTheClockCallbackAfterThePinNotification) {
  TComponent owner;
  TOWClockSourcePin source(&owner);
  std::vector<std::string> order;
  TOperationLog log;
  TOWClockSinkPin sink(
      &owner, nullptr,
      [&](TOWPin* pin, const TGUID& id, IOWNotifyOperation* op, TOWNotifyState state) {
        EXPECT_EQ(pin, &sink);
        order.push_back("notification");
        return log.Event()(pin, id, op, state);
      },
      [&](TOWPin* pin) {
        EXPECT_EQ(pin, &sink);
        order.push_back("clock");
      });
  ASSERT_TRUE(source.Connect(&sink));
  // The new link's bare notice is seen, but is no tick.
  EXPECT_EQ(order, (std::vector<std::string>{"notification"}));
  EXPECT_EQ(log.Entries()[0].state, TOWNotifyState(nsConnectionNotice) | nsLastReceiver);

  source.Clock();
  source.Clock();
  EXPECT_EQ(order, (std::vector<std::string>{"notification", "notification", "clock", "notification", "clock"}));
  ASSERT_EQ(log.Size(), 3u);
  EXPECT_NE(log.Entries()[1].As<TOWClockOperation>(), nullptr);
  EXPECT_TRUE(log.Entries()[1].streamId == IID_IOWClockStream);
  source.Notify(MakeIntf<TOWStopOperation>());
  EXPECT_EQ(order.size(), 6u);  // notification only
}

TEST(ClockPins, AValueSourceClocksAClockSinkWithEveryValue) {
  TComponent owner;
  TOWBoolSourcePin source(&owner);
  int ticks = 0;
  TOWClockSinkPin sink(&owner, nullptr, {}, [&](TOWPin*) { ++ticks; });
  ASSERT_TRUE(source.Connect(&sink));
  EXPECT_TRUE(source.GetConnectionID(&sink) == IID_IOWClockStream);
  EXPECT_EQ(ticks, 0);
  source.SetValue(true);
  source.SetValue(false);
  source.Clock();
  EXPECT_EQ(ticks, 3);
}

TEST(ClockPins, AMultiSinkHearsEverySource) {
  TComponent owner;
  TOWClockSourcePin a(&owner), b(&owner);
  std::vector<TOWPin*> clocked;
  TOWClockMultiSinkPin sink(&owner, nullptr, {}, [&](TOWPin* pin) { clocked.push_back(pin); });
  ASSERT_TRUE(a.Connect(&sink));
  ASSERT_TRUE(b.Connect(&sink));
  EXPECT_EQ(sink.GetSourceCount(), 2);
  a.Clock();
  b.Clock();
  EXPECT_EQ(clocked, (std::vector<TOWPin*>{&sink, &sink}));
  int later = 0;
  sink.SetOnClock([&](TOWPin*) { ++later; });
  a.Clock();
  EXPECT_EQ(later, 1);
  EXPECT_EQ(clocked.size(), 2u);
}

TEST(ClockPins, UpstreamNotificationsReachTheSourceCallback) {
  TComponent owner;
  TOperationLog upstream;
  TOWClockSourcePin a(&owner, nullptr, upstream.Event());
  TOWClockSourcePin b(&owner, nullptr, upstream.Event());
  TOWClockSinkPin sink(&owner);
  TOWClockMultiSinkPin multi(&owner);
  ASSERT_TRUE(a.Connect(&sink));
  ASSERT_TRUE(a.Connect(&multi));
  ASSERT_TRUE(b.Connect(&multi));
  sink.Notify(MakeIntf<TOWStartOperation>());
  EXPECT_EQ(upstream.Size(), 1u);
  multi.Notify(MakeIntf<TOWStartOperation>());
  ASSERT_EQ(upstream.Size(), 3u);
  EXPECT_TRUE(upstream.Entries()[2].streamId == IID_IOWClockStream);
}

TEST(ClockPins, ClockNotificationIgnoresReceiversWithoutTheClockStream) {
  TComponent owner;
  TOWClockSourcePin source(&owner);
  TValueLog<TOWBoolSinkPin, bool> values;
  TOWBoolSinkPin other(&owner, nullptr, values.Event());
  TIntf<IOWNotifyOperation> op = MakeIntf<TOWSuppliedBoolOperation>(true);
  EXPECT_EQ(source.ClockNotification(&other, IID_IOWClockStream, op.get(), TOWNotifyState()), TOWDispatchResult());
  EXPECT_TRUE(values.values.empty());
  EXPECT_FALSE(source.Connect(&other));
}

}  // namespace
}  // namespace lumicar::test
