// Value converters: links between families that share no type go through a
// new converter of the registered class, which delivers converted values and
// is freed with its last link.

#include <gtest/gtest.h>

#include "pins/operations.h"
#include "pins/stream_registry.h"
#include "pins/typed/float_pins.h"
#include "pins/typed/format_converters.h"
#include "pins/typed/int64_pins.h"
#include "pins/typed/integer_pins.h"
#include "pins/typed/ranged_pins.h"
#include "pins/typed/real_pins.h"
#include "runtime/component.h"
#include "tests/pins/typed/typed_pins_test_support.h"

namespace lumicar::test {
namespace {

// A sink that answers the real stream only, so that only a converter can
// feed it from a float source.
class TRealOnlySinkPin : public TOWValueSinkPinT<TRealOnlySinkPin, TOWRealTraits> {
 public:
  explicit TRealOnlySinkPin(TComponent* owner)
      : TOWValueSinkPinT(owner, nullptr, {}, nullptr, TOWStreamIds(&IID_IOWRealStream, 1)) {}
  ~TRealOnlySinkPin() override { BeforeDestruction(); }
};

TEST(Converters, IntegerToRealGoesThroughANewConverterAndDeliversDoubles) {
  TComponent owner;
  TOWIntegerSourcePin source(&owner);
  source.SetValue(42);
  TValueLog<TOWRealSinkPin, double> values;
  TOperationLog log;
  TOWRealSinkPin sink(&owner, nullptr, values.Event());
  sink.SetDispatchEvent(log.Event());

  ASSERT_TRUE(source.Connect(&sink));
  EXPECT_TRUE(sink.IsConnectedByConverterTo(&source));
  EXPECT_EQ(sink.GetSourcePin(), &source);
  ASSERT_EQ(source.GetConverterCount(), 1);
  EXPECT_NE(qobject_cast<TOWIntToRealFormatConverter*>(source.GetConverter(0)), nullptr);
  EXPECT_EQ(sink.GetFormatConverter(), source.GetConverter(0));
  EXPECT_TRUE(source.GetConnectionID(&sink) == IID_IOWIntegerStream);
  // The new link brings the source's value once, as a double.
  EXPECT_EQ(values.values, (std::vector<double>{42.0}));

  source.SetValue(-7);
  source.SetValue(2147483647);
  EXPECT_EQ(values.values, (std::vector<double>{42.0, -7.0, 2147483647.0}));
  for (const auto& d : log.Entries()) {
    ASSERT_NE(d.As<TOWSuppliedRealOperation>(), nullptr);
    EXPECT_TRUE(d.streamId == IID_IOWRealStream);
  }

  sink.Disconnect();
  EXPECT_EQ(source.GetConverterCount(), 0);
  EXPECT_EQ(source.GetSinkCount(), 0);
}

TEST(Converters, OneConverterServesSeveralSinksOncePerValue) {
  TComponent owner;
  TOWIntegerSourcePin source(&owner);
  TValueLog<TOWRealSinkPin, double> first, second;
  TOWRealSinkPin a(&owner, nullptr, first.Event());
  TOWRealSinkPin b(&owner, nullptr, second.Event());
  ASSERT_TRUE(source.Connect(&a));
  ASSERT_TRUE(source.Connect(&b));
  EXPECT_EQ(source.GetConverterCount(), 1);
  first.values.clear();
  second.values.clear();
  source.SetValue(3);
  EXPECT_EQ(first.values, (std::vector<double>{3.0}));
  EXPECT_EQ(second.values, (std::vector<double>{3.0}));
  a.Disconnect();
  EXPECT_EQ(source.GetConverterCount(), 1);
  b.Disconnect();
  EXPECT_EQ(source.GetConverterCount(), 0);
}

TEST(Converters, IntegerAndInt64ReachFloatAndRealSinks) {
  TComponent owner;
  TOWIntegerSourcePin integer(&owner);
  // Two 64-bit sources: a source reuses a converter it already has when that
  // converter's output suits a new sink, so one source would feed both sinks
  // through the same converter.
  TOWInt64SourcePin big(&owner), bigger(&owner);
  integer.SetValue(16777217);  // not a single: rounds to the nearest
  big.SetValue(int64_t(1) << 53);
  bigger.SetValue((int64_t(1) << 53) + 1);
  TOWFloatSinkPin intToFloat(&owner), bigToFloat(&owner);
  TOWRealSinkPin bigToReal(&owner);
  ASSERT_TRUE(integer.Connect(&intToFloat));
  ASSERT_TRUE(big.Connect(&bigToFloat));
  ASSERT_TRUE(bigger.Connect(&bigToReal));
  EXPECT_NE(qobject_cast<TOWIntToFloatFormatConverter*>(intToFloat.GetFormatConverter()), nullptr);
  EXPECT_NE(qobject_cast<TOWInt64ToFloatFormatConverter*>(bigToFloat.GetFormatConverter()), nullptr);
  EXPECT_NE(qobject_cast<TOWInt64ToRealFormatConverter*>(bigToReal.GetFormatConverter()), nullptr);
  EXPECT_EQ(intToFloat.GetValue(), 16777216.0f);
  EXPECT_EQ(bigToFloat.GetValue(), 9007199254740992.0f);
  EXPECT_EQ(bigToReal.GetValue(), 9007199254740992.0);  // the nearest double
  big.SetValue(-3);
  bigger.SetValue(-(int64_t(1) << 40));
  EXPECT_EQ(bigToFloat.GetValue(), -3.0f);
  EXPECT_EQ(bigToReal.GetValue(), -1099511627776.0);
}

TEST(Converters, FloatToRealFeedsARealOnlySink) {
  TComponent owner;
  TOWFloatSourcePin source(&owner);
  source.SetValue(0.1f);
  TRealOnlySinkPin sink(&owner);
  ASSERT_TRUE(source.Connect(&sink));
  EXPECT_NE(qobject_cast<TOWFloatToRealFormatConverter*>(sink.GetFormatConverter()), nullptr);
  EXPECT_EQ(sink.GetValue(), static_cast<double>(0.1f));
}

TEST(Converters, RangedIntegersBecomeRangedReals) {
  TComponent owner;
  TOWIntRangedSourcePin source(&owner);
  source.SubmitValueRange(5, 0, 10);
  TValueLog<TOWRealRangedSinkPin, TOWRealRangedValue> values;
  TOperationLog log;
  TOWRealRangedSinkPin sink(&owner, nullptr, values.Event());
  sink.SetDispatchEvent(log.Event());
  ASSERT_TRUE(source.Connect(&sink));
  EXPECT_NE(qobject_cast<TOWIntToRealRangedFormatConverter*>(sink.GetFormatConverter()), nullptr);
  EXPECT_EQ(sink.GetValue(), (TOWRealRangedValue{5, 0, 10}));
  ASSERT_EQ(log.Size(), 1u);
  EXPECT_NE(log.Entries()[0].As<TOWSuppliedRealValueRangeOperation>(), nullptr);

  // A value without its range arrives as a single.
  source.Notify(MakeIntf<TOWSuppliedIntegerOperation>(3));
  ASSERT_EQ(log.Size(), 2u);
  EXPECT_NE(log.Entries()[1].As<TOWSuppliedSingleOperation>(), nullptr);
  EXPECT_EQ(sink.GetValue(), (TOWRealRangedValue{3, 0, 10}));
  // The bounds alone arrive as a real range.
  source.SubmitRange(-2, 2);
  EXPECT_NE(log.Entries().back().As<TOWSuppliedRealRangeOperation>(), nullptr);
  EXPECT_EQ(sink.GetValue(), (TOWRealRangedValue{3, -2, 2}));

  TOWInt64RangedSourcePin big(&owner);
  big.SubmitValueRange(int64_t(1) << 40, -1, 1);
  TOWRealRangedSinkPin bigSink(&owner);
  ASSERT_TRUE(big.Connect(&bigSink));
  EXPECT_NE(qobject_cast<TOWInt64ToRealRangedFormatConverter*>(bigSink.GetFormatConverter()), nullptr);
  EXPECT_EQ(bigSink.GetValue(), (TOWRealRangedValue{1099511627776.0, -1, 1}));
}

TEST(Converters, ARegisteredClassMakesAWorkingConverter) {
  OWRegisterStandardStreams();
  TOWFormatConverterClass make = OWGetConverter(IID_IOWIntegerStream, IID_IOWRealStream);
  ASSERT_NE(make, nullptr);
  std::unique_ptr<TOWFormatConverter> converter(make());
  auto* typed = qobject_cast<TOWIntToRealFormatConverter*>(converter.get());
  ASSERT_NE(typed, nullptr);
  EXPECT_FALSE(typed->HasValue());
  EXPECT_TRUE(typed->InputPin()->ImplementsStream(IID_IOWIntegerStream));
  EXPECT_TRUE(typed->OutputPin()->ImplementsStream(IID_IOWRealStream));
  EXPECT_TRUE(typed->OutputPin()->FunctionSinkPins().Contains(typed->InputPin()));
}

}  // namespace
}  // namespace lumicar::test
