// Value pins in state groups: a newcomer hears the group's value, a member's
// change reaches every other member, and sinks and sources take part.

#include <gtest/gtest.h>

#include "pins/state/state_dispatcher.h"
#include "pins/typed/bool_pins.h"
#include "pins/typed/integer_pins.h"
#include "pins/typed/real_pins.h"
#include "runtime/component.h"
#include "tests/pins/typed/typed_pins_test_support.h"

namespace lumicar::test {
namespace {

TEST(ValueStateGroups, AStatePinJoiningAGroupWithATrueSourceReceivesTrueAtOnce) {
  TComponent form;
  form.SetName("Form1");
  TOWBoolSourcePin source(&form);
  source.SetValue(true);
  TOWBoolStatePin first(&form);
  ASSERT_TRUE(first.Connect(&source));
  EXPECT_TRUE(first.GetValue());

  TValueLog<TOWBoolStatePin, bool> values;
  TOWBoolStatePin late(&form, nullptr, values.Event());
  ASSERT_TRUE(late.ConnectToState(first.Dispatcher()));
  EXPECT_TRUE(late.GetValue());
  EXPECT_EQ(values.values, (std::vector<bool>{true}));
}

TEST(ValueStateGroups, AChangeOfOneMemberReachesEveryOtherMember) {
  TComponent form;
  TValueLog<TOWBoolStatePin, bool> aValues, bValues, cValues;
  TOWBoolStatePin a(&form, nullptr, aValues.Event()), b(&form, nullptr, bValues.Event()),
      c(&form, nullptr, cValues.Event());
  ASSERT_TRUE(a.Connect(&b));
  ASSERT_TRUE(c.Connect(&a));
  aValues.values.clear();
  bValues.values.clear();
  cValues.values.clear();

  b.SetValue(true);
  EXPECT_TRUE(a.GetValue());
  EXPECT_TRUE(c.GetValue());
  EXPECT_EQ(aValues.values, (std::vector<bool>{true}));
  EXPECT_EQ(cValues.values, (std::vector<bool>{true}));
  EXPECT_TRUE(bValues.values.empty());  // the sender does not hear itself
  // An unchanged value is not sent again.
  b.SetValue(true);
  EXPECT_EQ(aValues.values.size(), 1u);
  // After leaving, a pin's changes stay its own.
  c.Disconnect();
  c.SetValue(false);
  EXPECT_TRUE(a.GetValue());
}

TEST(ValueStateGroups, ANewGroupTakesTheValueOfThePinThatAskedForIt) {
  TComponent form;
  TOWIntegerStatePin a(&form), b(&form);
  a.SetValue(7);
  b.SetValue(3);
  // Neither has a group: a's group is made and a speaks to it.
  ASSERT_TRUE(a.Connect(&b));
  EXPECT_EQ(b.GetValue(), 7);
  EXPECT_EQ(a.GetValue(), 7);
}

TEST(ValueStateGroups, SourcesFeedAndSinksFollowTheGroup) {
  TComponent form;
  TOWIntegerSourcePin source(&form);
  TOWIntegerStatePin state(&form);
  TValueLog<TOWRealSinkPin, double> values;
  TOWRealSinkPin sink(&form, nullptr, values.Event());
  ASSERT_TRUE(source.Connect(&state));
  ASSERT_TRUE(sink.ConnectToState(state.Dispatcher()));
  EXPECT_EQ(state.Dispatcher()->GetPinCount(), 3);
  source.SetValue(42);
  EXPECT_EQ(state.GetValue(), 42);
  EXPECT_DOUBLE_EQ(sink.GetValue(), 42.0);
  ASSERT_FALSE(values.values.empty());
  EXPECT_DOUBLE_EQ(values.values.back(), 42.0);
}

}  // namespace
}  // namespace lumicar::test
