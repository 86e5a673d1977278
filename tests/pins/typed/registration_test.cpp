// The standard stream types, default handler and converters are registered
// in their fixed order and names, and the value conversions are defined for
// every input.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pins/pin.h"
#include "pins/stream_registry.h"
#include "pins/typed/standard_streams.h"
#include "pins/typed/value_conversions.h"

namespace lumicar::test {
namespace {

TEST(Registration, StandardStreamsHaveTheirNames) {
  OWRegisterStandardStreams();
  OWRegisterStandardStreams();  // runs once
  const std::pair<const TGUID*, const char*> names[] = {
      {&IID_IOWClockStream, "Clock"},
      {&IID_IOWIntegerStream, "32 bit Integer single"},
      {&IID_IOWInt64Stream, "64 bit Integer single"},
      {&IID_IOWFloatStream, "Float single"},
      {&IID_IOWRealStream, "Real single"},
      {&IID_IOWRealComplexStream, "Real Complex single"},
      {&IID_IOWBoolStream, "Boolean single"},
      {&IID_IOWCharStream, "Character single"},
      {&IID_IOWStringStream, "Sting"},
      {&IID_IOWIntRangedStream, "Ranged 32 bit Integer single"},
      {&IID_IOWInt64RangedStream, "Ranged 64 bit Integer single"},
      {&IID_IOWRealRangedStream, "Ranged Real single"},
      {&IID_IOWDateTimeStream, "Date/Time"},
  };
  for (const auto& [id, name] : names) EXPECT_EQ(OWGetStreamTypeFromID(*id), QString::fromLatin1(name));
  EXPECT_EQ(OWGetStreamTypeFromID(IID_IOWDateTimeRangedStream),
            QStringLiteral("{92419B6E-F281-455A-852F-8253D761E30B}"));
  EXPECT_EQ(OWGetDefaultHandler(IID_IOWDataStream), &OWStandardDefaultHandler);
}

TEST(Registration, TheSevenConvertersAreRegisteredInOrder) {
  OWRegisterStandardStreams();
  const std::pair<const TGUID*, const TGUID*> pairs[] = {
      {&IID_IOWIntegerStream, &IID_IOWFloatStream},
      {&IID_IOWIntegerStream, &IID_IOWRealStream},
      {&IID_IOWInt64Stream, &IID_IOWFloatStream},
      {&IID_IOWInt64Stream, &IID_IOWRealStream},
      {&IID_IOWFloatStream, &IID_IOWRealStream},
      {&IID_IOWIntRangedStream, &IID_IOWRealRangedStream},
      {&IID_IOWInt64RangedStream, &IID_IOWRealRangedStream},
  };
  const auto registrations = OWGetConverterRegistrations();
  int last = -1;
  for (const auto& [from, to] : pairs) {
    EXPECT_NE(OWGetConverter(*from, *to), nullptr);
    int found = -1;
    for (int i = 0; i < static_cast<int>(registrations.size()); ++i)
      if (registrations[size_t(i)].fromId == *from && registrations[size_t(i)].toId == *to) found = i;
    EXPECT_GT(found, last);
    last = found;
  }
  EXPECT_EQ(OWGetConverter(IID_IOWRealStream, IID_IOWIntegerStream), nullptr);
}

TEST(Registration, ConversionsAreDefinedForEveryInput) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(OWNarrowToSingle(0.1), 0.1f);
  EXPECT_EQ(OWNarrowToSingle(1e300), std::numeric_limits<float>::infinity());
  EXPECT_EQ(OWNarrowToSingle(-1e39), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(OWNarrowToSingle(3.40282350e38 * (1 + 1e-12)), std::numeric_limits<float>::max());
  EXPECT_TRUE(std::isnan(OWNarrowToSingle(nan)));
  EXPECT_EQ(OWNarrowToSingle(-inf), -std::numeric_limits<float>::infinity());

  EXPECT_EQ(OWRoundToInt32(2.5), 3);
  EXPECT_EQ(OWRoundToInt32(-2.5), -3);
  EXPECT_EQ(OWRoundToInt32(1e20), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(OWRoundToInt32(-inf), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(OWRoundToInt32(nan), 0);
  EXPECT_EQ(OWRoundToInt64(9.3e18), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(OWRoundToInt64(-9223372036854775808.0), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(OWRoundToInt64(nan), 0);

  EXPECT_EQ(OWTicksToDateTime(864000000000), 1.0);
  EXPECT_EQ(OWDateTimeToTicks(0.5), 432000000000);
  EXPECT_EQ(OWDateTimeToTicks(1e300), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(OWRealToText(0.1), QStringLiteral("0.1"));
  EXPECT_EQ(OWRealToText(-2.25), QStringLiteral("-2.25"));
}

}  // namespace
}  // namespace lumicar::test
