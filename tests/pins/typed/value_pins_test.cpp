// Standard value pins: a new link delivers the source's value, SetValue sends
// only changes, each family carries its values, Real narrows for single-only
// receivers, Send splits text, ranged pins carry their bounds, state pins
// keep and pass values.

#include <gtest/gtest.h>

#include "pins/operations.h"
#include "pins/typed/bool_pins.h"
#include "pins/typed/char_pins.h"
#include "pins/typed/combo_pins.h"
#include "pins/typed/complex_pins.h"
#include "pins/typed/date_time_pins.h"
#include "pins/typed/float_int_pins.h"
#include "pins/typed/float_pins.h"
#include "pins/typed/int64_pins.h"
#include "pins/typed/integer_pins.h"
#include "pins/typed/ranged_pins.h"
#include "pins/typed/real_pins.h"
#include "pins/typed/string_pins.h"
#include "pins/typed/time_ranged_pins.h"
#include "pins/typed/value_conversions.h"
#include "runtime/component.h"
#include "tests/pins/typed/typed_pins_test_support.h"

namespace lumicar::test {
namespace {

TEST(ValuePins, ANewLinkGivesTheSinkTheSourceValueWithOneCallback) {
  TComponent owner;
  TOWBoolSourcePin source(&owner);
  source.SetValue(true);  // no link yet: nobody hears it
  TValueLog<TOWBoolSinkPin, bool> values;
  TOperationLog log;
  TOWBoolSinkPin sink(&owner, nullptr, values.Event());
  sink.SetDispatchEvent(log.Event());

  ASSERT_TRUE(source.Connect(&sink));
  EXPECT_TRUE(source.GetConnectionID(&sink) == IID_IOWBoolStream);
  EXPECT_TRUE(sink.GetValue());
  ASSERT_EQ(values.values.size(), 1u);
  EXPECT_TRUE(values.values[0]);
  EXPECT_EQ(values.pins[0], &sink);
  ASSERT_EQ(log.Size(), 1u);
  EXPECT_EQ(log.Entries()[0].state, TOWNotifyState(nsConnectionNotice) | nsLastReceiver);
  ASSERT_NE(log.Entries()[0].As<TOWSuppliedBoolOperation>(), nullptr);
}

TEST(ValuePins, SetValueSendsOnlyChangesAndSubmitSendsAlways) {
  TComponent owner;
  TOWBoolSourcePin source(&owner);
  TValueLog<TOWBoolSinkPin, bool> values;
  TOWBoolSinkPin sink(&owner, nullptr, values.Event());
  ASSERT_TRUE(source.Connect(&sink));
  values.values.clear();

  source.SetValue(true);
  source.SetValue(false);
  source.SetValue(false);
  EXPECT_EQ(values.values, (std::vector<bool>{true, false}));
  EXPECT_FALSE(source.GetValue());

  source.Submit(false);
  EXPECT_EQ(values.values, (std::vector<bool>{true, false, false}));
}

TEST(ValuePins, ASecondSinkHearsTheValueWithoutDisturbingTheFirst) {
  TComponent owner;
  TOWIntegerSourcePin source(&owner);
  TValueLog<TOWIntegerSinkPin, int32_t> first, second;
  TOWIntegerSinkPin a(&owner, nullptr, first.Event());
  TOWIntegerSinkPin b(&owner, nullptr, second.Event());
  ASSERT_TRUE(source.Connect(&a));
  source.SetValue(17);
  ASSERT_TRUE(source.Connect(&b));
  EXPECT_EQ(first.values, (std::vector<int32_t>{0, 17}));
  EXPECT_EQ(second.values, (std::vector<int32_t>{17}));
  // Moving a sink to another source gives it that source's value.
  TOWIntegerSourcePin other(&owner);
  other.SetValue(-4);
  ASSERT_TRUE(other.Connect(&b));
  EXPECT_EQ(source.GetSinkCount(), 1);
  EXPECT_EQ(b.GetValue(), -4);
}

// Every simple family carries its values unchanged.
template <typename Source, typename Sink>
void ExpectCarried(const typename Source::Value& initial, const typename Source::Value& next) {
  TComponent owner;
  Source source(&owner);
  source.SetValue(initial);
  TValueLog<Sink, typename Source::Value> values;
  Sink sink(&owner, nullptr, values.Event());
  ASSERT_TRUE(source.Connect(&sink));
  EXPECT_EQ(sink.GetValue(), initial);
  source.SetValue(next);
  EXPECT_EQ(sink.GetValue(), next);
  EXPECT_EQ(values.values, (std::vector<typename Source::Value>{initial, next}));
  EXPECT_EQ(sink.GetConnectedPinCount(), 1);
}

TEST(ValuePins, EachFamilyCarriesItsValues) {
  ExpectCarried<TOWCharSourcePin, TOWCharSinkPin>(QChar(u'x'), QChar(0x263A));
  ExpectCarried<TOWStringSourcePin, TOWStringSinkPin>(QStringLiteral("first"), QString());
  ExpectCarried<TOWIntegerSourcePin, TOWIntegerSinkPin>(-2147483647 - 1, 2147483647);
  ExpectCarried<TOWInt64SourcePin, TOWInt64SinkPin>(int64_t(1) << 62, -(int64_t(1) << 40) - 3);
  ExpectCarried<TOWFloatSourcePin, TOWFloatSinkPin>(1.5f, -0.1f);
  ExpectCarried<TOWRealSourcePin, TOWRealSinkPin>(0.1, 1e300);
  ExpectCarried<TOWComplexSourcePin, TOWComplexSinkPin>({1.25, -2}, {0, 1e-9});
  ExpectCarried<TOWDateTimeSourcePin, TOWDateTimeSinkPin>(45000.5, 36526.25);
  ExpectCarried<TOWFloatIntSourcePin, TOWFloatIntSinkPin>(2.75f, -0.5f);
}

TEST(ValuePins, RealToAFloatOnlySinkDeliversNearestSingles) {
  TComponent owner;
  TOWRealSourcePin source(&owner);
  source.SetValue(0.1);
  TOperationLog log;
  TOWFloatSinkPin sink(&owner);
  sink.SetDispatchEvent(log.Event());
  ASSERT_TRUE(source.Connect(&sink));
  EXPECT_TRUE(source.GetConnectionID(&sink) == IID_IOWFloatStream);
  EXPECT_EQ(sink.GetValue(), 0.1f);
  EXPECT_EQ(static_cast<double>(sink.GetValue()), 0.10000000149011612);

  source.SubmitReal(1e300);  // beyond the single range
  EXPECT_EQ(sink.GetValue(), std::numeric_limits<float>::infinity());
  source.Notify(MakeIntf<TOWSuppliedRealOperation>(-2.5));  // any real passing through is narrowed
  EXPECT_EQ(sink.GetValue(), -2.5f);
  ASSERT_EQ(log.Size(), 3u);
  for (const auto& d : log.Entries()) {
    EXPECT_NE(d.As<TOWSuppliedSingleOperation>(), nullptr);
    EXPECT_TRUE(d.streamId == IID_IOWFloatStream);
  }
  // Operations that are no real values pass unchanged.
  source.Notify(MakeIntf<TOWStopOperation>());
  ASSERT_EQ(log.Size(), 4u);
  EXPECT_NE(log.Entries()[3].As<TOWStopOperation>(), nullptr);
}

TEST(ValuePins, RealSinksTakeDoublesAndWidenSingles) {
  TComponent owner;
  TOWRealSourcePin real(&owner);
  TOWFloatSourcePin single(&owner);
  TOperationLog log;
  TOWRealSinkPin a(&owner), b(&owner);
  a.SetDispatchEvent(log.Event());
  real.SetValue(0.1);
  single.SetValue(0.1f);
  ASSERT_TRUE(real.Connect(&a));
  ASSERT_TRUE(single.Connect(&b));
  EXPECT_TRUE(real.GetConnectionID(&a) == IID_IOWRealStream);
  EXPECT_EQ(a.GetValue(), 0.1);
  ASSERT_EQ(log.Size(), 1u);
  EXPECT_NE(log.Entries()[0].As<TOWSuppliedRealOperation>(), nullptr);
  EXPECT_EQ(b.GetValue(), static_cast<double>(0.1f));
}

TEST(ValuePins, SendGivesOneDeliveryPerCharacterInOrder) {
  TComponent owner;
  TOWCharSourcePin source(&owner);
  TValueLog<TOWCharSinkPin, QChar> values;
  TOWCharSinkPin sink(&owner, nullptr, values.Event());
  ASSERT_TRUE(source.Connect(&sink));
  values.values.clear();

  source.Send(QStringLiteral("abc"));
  EXPECT_EQ(values.values, (std::vector<QChar>{u'a', u'b', u'c'}));
  EXPECT_EQ(source.GetValue(), QChar(u'c'));
  source.Send(QString());
  EXPECT_EQ(values.values.size(), 3u);
  // Repeated characters are each sent.
  source.Send(QStringLiteral("cc"));
  EXPECT_EQ(values.values.size(), 5u);
}

TEST(ValuePins, StringSendKeepsSurrogatePairsWhole) {
  TComponent owner;
  TOWStringSourcePin source(&owner);
  TValueLog<TOWStringSinkPin, QString> values;
  TOWStringSinkPin sink(&owner, nullptr, values.Event());
  ASSERT_TRUE(source.Connect(&sink));
  values.values.clear();

  const QString smile = QString::fromUcs4(U"\U0001F600");
  source.Send(QStringLiteral("a") + smile + QStringLiteral("b"));
  EXPECT_EQ(values.values, (std::vector<QString>{QStringLiteral("a"), smile, QStringLiteral("b")}));
  EXPECT_EQ(source.GetValue(), QStringLiteral("b"));
  // A lone half is sent as it stands.
  values.values.clear();
  source.Send(QString(QChar(0xD800)));
  ASSERT_EQ(values.values.size(), 1u);
  EXPECT_EQ(values.values[0].size(), 1);
}

TEST(ValuePins, NotificationDeliversNothingToAReceiverOfAnotherType) {
  TComponent owner;
  TOWBoolSourcePin source(&owner);
  TValueLog<TOWIntegerSinkPin, int32_t> values;
  TOWIntegerSinkPin other(&owner, nullptr, values.Event());
  EXPECT_FALSE(source.Connect(&other));
  TIntf<IOWNotifyOperation> op = MakeIntf<TOWSuppliedBoolOperation>(true);
  EXPECT_EQ(source.Notification(&other, IID_IOWBoolStream, op.get(), TOWNotifyState()), TOWDispatchResult());
  EXPECT_EQ(source.Notification(nullptr, IID_IOWBoolStream, op.get(), TOWNotifyState()), TOWDispatchResult());
  EXPECT_TRUE(values.values.empty());
}

TEST(ValuePins, ACustomNotificationReplacesTheStandardDelivery) {
  TComponent owner;
  TOWIntegerSourcePin source(&owner);
  source.SetValue(5);
  int custom = 0;
  TOWNotifyState seen;
  source.SetOnCustomNotification(
      [&](TOWIntegerSourcePin* pin, IOWStream*, const TGUID&, IOWNotifyOperation*, TOWNotifyState state) {
        EXPECT_EQ(pin, &source);
        ++custom;
        seen = state;
        return TOWDispatchResult();
      });
  TValueLog<TOWIntegerSinkPin, int32_t> values;
  TOWIntegerSinkPin sink(&owner, nullptr, values.Event());
  ASSERT_TRUE(source.Connect(&sink));
  EXPECT_EQ(custom, 1);
  EXPECT_EQ(seen, TOWNotifyState(nsConnectionNotice) | nsLastReceiver);
  EXPECT_TRUE(values.values.empty());
  // A callback may fall back on the standard delivery.
  source.SetOnCustomNotification([&](TOWIntegerSourcePin* pin, IOWStream* receiver, const TGUID& id,
                                     IOWNotifyOperation* op, TOWNotifyState state) {
    ++custom;
    return pin->StandardNotification(receiver, id, op, state);
  });
  source.SetValue(6);
  EXPECT_EQ(custom, 2);
  EXPECT_EQ(values.values, (std::vector<int32_t>{6}));
}

TEST(ValuePins, SinksPassUpstreamNotificationsToTheSource) {
  TComponent owner;
  TOperationLog upstream;
  TOWBoolSourcePin source(&owner, nullptr, upstream.Event());
  TOWBoolSinkPin sink(&owner);
  ASSERT_TRUE(source.Connect(&sink));
  TIntf<IOWNotifyOperation> op = MakeIntf<TOWStartOperation>();
  sink.Notify(op);
  ASSERT_EQ(upstream.Size(), 1u);
  EXPECT_EQ(upstream.Entries()[0].operation, op);
  EXPECT_TRUE(upstream.Entries()[0].streamId == IID_IOWBoolStream);
  EXPECT_EQ(upstream.Entries()[0].state, TOWNotifyState(nsLastReceiver));
}

TEST(ValuePins, SinksIgnoreOtherOperationsButTheOwnerStillHearsThem) {
  TComponent owner;
  TOWBoolSourcePin source(&owner);
  TValueLog<TOWBoolSinkPin, bool> values;
  TOperationLog log;
  TOWBoolSinkPin sink(&owner, nullptr, values.Event());
  sink.SetDispatchEvent(log.Event());
  ASSERT_TRUE(source.Connect(&sink));
  source.Notify(MakeIntf<TOWSuppliedIntegerOperation>(1));
  source.Notify(MakeIntf<TOWStopOperation>());
  EXPECT_EQ(values.values.size(), 1u);  // the connection notice only
  EXPECT_EQ(log.Size(), 3u);
  EXPECT_FALSE(sink.GetValue());
}

TEST(ValuePins, FloatIntServesIntegerReceiversRoundedAndFloatIntSinksExactly) {
  TComponent owner;
  TOWFloatIntSourcePin source(&owner);
  source.SetValue(2.5f);
  TOWIntegerSinkPin integer(&owner);
  TOWFloatIntSinkPin both(&owner);
  ASSERT_TRUE(source.Connect(&integer));
  ASSERT_TRUE(source.Connect(&both));
  EXPECT_EQ(integer.GetValue(), 3);
  EXPECT_EQ(both.GetValue(), 2.5f);
  source.SetValue(-2.5f);
  EXPECT_EQ(integer.GetValue(), -3);
  source.SetValue(1e30f);
  EXPECT_EQ(integer.GetValue(), 2147483647);
  EXPECT_EQ(both.GetValue(), 1e30f);
  // A FloatInt sink takes integers too.
  TOWIntegerSourcePin plain(&owner);
  plain.SetValue(9);
  ASSERT_TRUE(plain.Connect(&both));
  EXPECT_EQ(both.GetValue(), 9.0f);
}

TEST(ValuePins, TheComboSourceServesEverySimpleReceiver) {
  TComponent owner;
  TOWStdComboSourcePin source(&owner);
  source.SetValue(2.25);
  TOWRealSinkPin real(&owner);
  TOWIntegerSinkPin integer(&owner);
  TOWStringSinkPin text(&owner);
  TOWBoolSinkPin flag(&owner);
  for (TOWBasicPin* sink : std::initializer_list<TOWBasicPin*>{&real, &integer, &text, &flag})
    ASSERT_TRUE(source.Connect(sink));
  EXPECT_EQ(real.GetValue(), 2.25);
  EXPECT_EQ(integer.GetValue(), 2);
  EXPECT_EQ(text.GetValue(), QStringLiteral("2.25"));
  EXPECT_TRUE(flag.GetValue());
  source.SetValue(0.1);
  EXPECT_EQ(real.GetValue(), 0.1);
  EXPECT_EQ(text.GetValue(), QStringLiteral("0.1"));
  source.SetValue(0);
  EXPECT_FALSE(flag.GetValue());
  EXPECT_EQ(integer.GetValue(), 0);
}

TEST(ValuePins, RangedPinsCarryValueAndBounds) {
  TComponent owner;
  TOWIntRangedSourcePin source(&owner);
  source.SubmitValueRange(5, 0, 10);
  TValueLog<TOWIntRangedSinkPin, TOWIntRangedValue> values;
  TOWIntRangedSinkPin ranged(&owner, nullptr, values.Event());
  TOWIntegerSinkPin plain(&owner);
  TOWIntAndRangedSinkPin both(&owner);
  ASSERT_TRUE(source.Connect(&ranged));
  ASSERT_TRUE(source.Connect(&plain));
  ASSERT_TRUE(source.Connect(&both));
  EXPECT_TRUE(source.GetConnectionID(&plain) == IID_IOWIntegerStream);
  EXPECT_TRUE(source.GetConnectionID(&both) == IID_IOWIntRangedStream);
  EXPECT_EQ(ranged.GetValue(), (TOWIntRangedValue{5, 0, 10}));
  EXPECT_EQ(plain.GetValue(), 5);

  source.SetMin(-1);
  EXPECT_EQ(ranged.GetValue(), (TOWIntRangedValue{5, -1, 10}));
  source.SetMax(10);  // unchanged: nothing sent
  source.SetValue(7);
  EXPECT_EQ(ranged.GetValue(), (TOWIntRangedValue{7, -1, 10}));
  EXPECT_EQ(both.GetValue(), (TOWIntRangedValue{7, -1, 10}));
  EXPECT_EQ(plain.GetValue(), 7);
  source.SubmitRange(1, 2);
  EXPECT_EQ(ranged.GetValue(), (TOWIntRangedValue{7, 1, 2}));
  EXPECT_EQ(plain.GetValue(), 7);
  EXPECT_EQ(source.GetMin(), 1);
  EXPECT_EQ(source.GetMax(), 2);
  EXPECT_EQ(values.values.size(), 4u);  // the link, SetMin, SetValue, SubmitRange
  // A plain integer source feeds the "And" sink the value only.
  TOWIntegerSourcePin integer(&owner);
  integer.SetValue(3);
  ASSERT_TRUE(integer.Connect(&both));
  EXPECT_EQ(both.GetValue(), (TOWIntRangedValue{3, 1, 2}));
}

TEST(ValuePins, RangedRealAndInt64AndTimeRangedReachTheirReceivers) {
  TComponent owner;
  TOWRealRangedSourcePin real(&owner);
  real.SubmitValueRange(0.1, -1, 1);
  TOWFloatSinkPin single(&owner);
  TOWRealAndRangedSinkPin both(&owner);
  ASSERT_TRUE(real.Connect(&single));
  ASSERT_TRUE(real.Connect(&both));
  EXPECT_EQ(single.GetValue(), 0.1f);
  EXPECT_EQ(both.GetValue(), (TOWRealRangedValue{0.1, -1, 1}));

  TOWInt64RangedSourcePin big(&owner);
  big.SubmitValueRange(int64_t(1) << 40, 0, int64_t(1) << 41);
  TOWInt64AndRangedSinkPin bigSink(&owner);
  TOWInt64SinkPin bigPlain(&owner);
  ASSERT_TRUE(big.Connect(&bigSink));
  ASSERT_TRUE(big.Connect(&bigPlain));
  EXPECT_EQ(bigSink.GetValue(), (TOWInt64RangedValue{int64_t(1) << 40, 0, int64_t(1) << 41}));
  EXPECT_EQ(bigPlain.GetValue(), int64_t(1) << 40);

  // One day in 100-ns units is one date-time day.
  TOWInt64TimeRangedSourcePin time(&owner);
  time.SubmitValueRange(int64_t(864000000000) * 3 / 2, 0, int64_t(864000000000) * 2);
  TOWDateTimeSinkPin date(&owner);
  TOWInt64SinkPin ticks(&owner);
  ASSERT_TRUE(time.Connect(&date));
  ASSERT_TRUE(time.Connect(&ticks));
  EXPECT_EQ(date.GetValue(), 1.5);
  EXPECT_EQ(ticks.GetValue(), int64_t(864000000000) * 3 / 2);
  time.SetValue(int64_t(864000000000) / 4);
  EXPECT_EQ(date.GetValue(), 0.25);
}

TEST(ValuePins, StatePinsKeepTheirValueAndTellOnlyTheirGroup) {
  TComponent owner;
  TValueLog<TOWBoolStatePin, bool> values;
  TOWBoolStatePin state(&owner, nullptr, values.Event());
  EXPECT_FALSE(state.GetValue());
  // Outside any group SetValue reaches nobody (no callback of its own either).
  state.SetValue(true);
  EXPECT_TRUE(state.GetValue());
  EXPECT_TRUE(values.values.empty());
  EXPECT_EQ(state.Notify(MakeIntf<TOWSuppliedBoolOperation>(false)), TOWDispatchResult());

  // What other members send arrives through DispatchData.
  TIntf<IOWNotifyOperation> op = MakeIntf<TOWSuppliedBoolOperation>(false);
  EXPECT_EQ(state.DispatchData(IID_IOWBoolStream, op.get(), TOWNotifyState()), TOWDispatchResult());
  EXPECT_FALSE(state.GetValue());
  EXPECT_EQ(values.values, (std::vector<bool>{false}));
  TIntf<IOWNotifyOperation> other = MakeIntf<TOWSuppliedIntegerOperation>(1);
  state.DispatchData(IID_IOWBoolStream, other.get(), TOWNotifyState());
  EXPECT_EQ(values.values.size(), 1u);
}

TEST(ValuePins, AStatePinNotificationRecordsPassingValuesAndAnswersNoticesWithItsValue) {
  TComponent owner;
  TOWBoolStatePin state(&owner);
  TValueLog<TOWBoolSinkPin, bool> values;
  TOWBoolSinkPin member(&owner, nullptr, values.Event());

  TIntf<IOWNotifyOperation> op = MakeIntf<TOWSuppliedBoolOperation>(true);
  state.Notification(&member, IID_IOWBoolStream, op.get(), TOWNotifyState(nsLastReceiver));
  EXPECT_TRUE(state.GetValue());
  EXPECT_EQ(values.values, (std::vector<bool>{true}));

  TIntf<IOWNotifyOperation> notice = MakeIntf<TOWNotifyOperation>();
  state.SetValue(false);
  state.Notification(&member, IID_IOWBoolStream, notice.get(), TOWNotifyState(nsConnectionNotice));
  EXPECT_EQ(values.values, (std::vector<bool>{true, false}));
  EXPECT_FALSE(state.GetValue());
}

TEST(ValuePins, TheRealStatePinNarrowsForSingleMembers) {
  TComponent owner;
  TOWRealStatePin state(&owner);
  TOWFloatSinkPin member(&owner);
  state.SetValue(0.1);
  TIntf<IOWNotifyOperation> notice = MakeIntf<TOWNotifyOperation>();
  state.Notification(&member, IID_IOWFloatStream, notice.get(), TOWNotifyState(nsConnectionNotice));
  EXPECT_EQ(member.GetValue(), 0.1f);
  TIntf<IOWNotifyOperation> single = MakeIntf<TOWSuppliedSingleOperation>(0.5f);
  state.DispatchData(IID_IOWFloatStream, single.get(), TOWNotifyState());
  EXPECT_EQ(state.GetValue(), 0.5);
}

TEST(ValuePins, RangedStatePinsChangeOnePartAtATime) {
  TComponent owner;
  TOWIntRangedStatePin state(&owner);
  state.SetMin(-5);
  state.SetMax(5);
  state.SetValue(3);
  EXPECT_EQ(state.GetValue(), (TOWIntRangedValue{3, -5, 5}));
  TOWInt64TimeRangedStatePin time(&owner);
  TIntf<IOWNotifyOperation> op = MakeIntf<TOWSuppliedDateTimeOperation>(2.0);
  time.DispatchData(IID_IOWDateTimeStream, op.get(), TOWNotifyState());
  EXPECT_EQ(time.GetValue().value, int64_t(864000000000) * 2);
  TOWRealAndRangedStatePin real(&owner);
  real.SubmitRange(0, 1);
  EXPECT_EQ(real.GetValue(), (TOWRealRangedValue{0, 0, 1}));
}

TEST(ValuePins, DestroyingASourceLeavesTheSinkUnlinkedWithItsLastValue) {
  TComponent owner;
  TOWStringSinkPin sink(&owner);
  {
    TOWStringSourcePin source(&owner);
    source.SetValue(QStringLiteral("kept"));
    ASSERT_TRUE(source.Connect(&sink));
  }
  EXPECT_EQ(sink.GetSourcePin(), nullptr);
  EXPECT_EQ(sink.GetValue(), QStringLiteral("kept"));
}

TEST(ValuePins, PublishedPinsAreNamedAndCastByTheirClasses) {
  TComponent form;
  form.SetName(QStringLiteral("Form1"));
  TSwitchComponent a(&form, QStringLiteral("Switch1"));
  TSwitchComponent b(&form, QStringLiteral("Switch2"));
  EXPECT_EQ(a.EnablePin()->GetFullName(true), QStringLiteral("Form1.Switch1.EnablePin"));
  EXPECT_EQ(a.StatePin()->GetName(), QStringLiteral("StatePin"));
  EXPECT_EQ(QString::fromLatin1(a.OutputPin()->metaObject()->className()), QStringLiteral("lumicar::TOWBoolSourcePin"));
  QObject* pin = a.EnablePin();
  EXPECT_EQ(qobject_cast<TOWBoolSinkPin*>(pin), a.EnablePin());
  EXPECT_NE(qobject_cast<TOWSinkPin*>(pin), nullptr);
  EXPECT_EQ(qobject_cast<TOWBoolSourcePin*>(pin), nullptr);
  EXPECT_EQ(a.StatePin()->GetPinType(), ptState);

  a.OutputPin()->SetValue(true);
  ASSERT_TRUE(a.OutputPin()->Connect(b.EnablePin()));
  EXPECT_TRUE(b.EnablePin()->GetValue());
  EXPECT_EQ(b.EnablePin()->GetEditorString(), QStringLiteral("Switch1.OutputPin"));
}

}  // namespace
}  // namespace lumicar::test
