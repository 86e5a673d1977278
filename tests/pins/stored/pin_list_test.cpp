// Pin lists: entry names in pin paths, counts kept within limits by the
// owner's callbacks, and placeholders standing in for pins not made yet.

#include "pins/stored/pin_list.h"

#include <gtest/gtest.h>

#include "pins/stored/unloaded_pin.h"
#include "runtime/form_reader.h"
#include "tests/pins/support/pin_test_support.h"

namespace lumicar::test {
namespace {

class PinListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestStreams();
    RegisterTestDesignClasses();
    window_.SetName("Form1");
    mixer_ = new TTestListOwner(&window_);
    mixer_->SetName("Mixer1");
  }

  TTestDesignWindow window_;
  TTestListOwner* mixer_ = nullptr;
};

TEST_F(PinListTest, EntryNamesInPinPaths) {
  TOWPinList* list = mixer_->Pins();
  list->SetCount(2);
  TOWBasicPin* first = list->Pins(0);
  TOWBasicPin* second = list->Pins(1);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->PinList(), list);

  EXPECT_EQ(list->Names(0), "Pin [0]");
  EXPECT_EQ(first->GetFullName(true), "Form1.Mixer1.Pins._Pin0");
  list->SetName(0, "Left");
  EXPECT_EQ(list->Names(0), "Left");
  EXPECT_EQ(first->GetFullName(true), "Form1.Mixer1.Pins.Left");
  EXPECT_EQ(first->GetFullName(false), "Mixer1.Pins.Left");
  EXPECT_EQ(first->GetFullIdentName(true), "Form1.Mixer1.Pins._Pin0");
  EXPECT_EQ(first->GetName(), "Left");
  EXPECT_EQ(first->GetSaveName(), "Pins._Pin0");

  // A name equal to the default one is stored as none.
  list->SetName(1, "Pin [1]");
  EXPECT_EQ(list->StoredName(1), "");
  EXPECT_EQ(list->Names(1), "Pin [1]");
  EXPECT_EQ(second->GetFullName(true), "Form1.Mixer1.Pins._Pin1");

  // Names travel with their pins; identifier paths follow the index.
  list->Swap(0, 1);
  EXPECT_EQ(list->IndexOf(first), 1);
  EXPECT_EQ(first->GetFullName(true), "Form1.Mixer1.Pins.Left");
  EXPECT_EQ(first->GetFullIdentName(true), "Form1.Mixer1.Pins._Pin1");
  EXPECT_EQ(second->GetFullIdentName(true), "Form1.Mixer1.Pins._Pin0");
  EXPECT_EQ(list->Names(5), "");
  EXPECT_EQ(list->Pins(-1), nullptr);
}

TEST_F(PinListTest, OwnerCountStaysWithinItsLimits) {
  TOWPinListOwner* list = mixer_->Pins();
  list->SetCount(10);
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(mixer_->created, 3);
  TOWBasicPin* kept = list->Pins(0);
  list->SetCount(0);
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(mixer_->destroyed, 2);
  EXPECT_EQ(list->Pins(0), kept);  // removed from the end
  list->SetCount(2);
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(mixer_->created, 4);
  list->SetLimits(0, 1);
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(mixer_->destroyed, 3);
}

TEST_F(PinListTest, ListEditingAndPinsFreedElsewhere) {
  TOWPinList list(&window_, nullptr, false);
  TOWPinPtr<TOWSinkPin> a(new TOWSinkPin(&window_));
  TOWPinPtr<TOWSinkPin> b(new TOWSinkPin(&window_));
  TOWPinPtr<TOWSinkPin> c(new TOWSinkPin(&window_));
  EXPECT_EQ(list.Add(a.get()), 0);
  EXPECT_EQ(list.AddNamed(b.get(), "B"), 1);
  EXPECT_EQ(list.Add(a.get()), -1);  // a pin is in one list at most
  EXPECT_EQ(list.Insert(0, c.get()), 0);
  EXPECT_EQ(list.IndexOf(b.get()), 2);
  EXPECT_EQ(list.Names(2), "B");
  list.Remove(c.get());
  EXPECT_EQ(c->PinList(), nullptr);
  EXPECT_EQ(list.Count(), 2);
  // A pin its component frees leaves the list.
  a.reset();
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Pins(0), b.get());
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_NE(b->GetFullName(true), "");  // not freed: the list does not own it
}

const QByteArray kPlainDesign =
    "object Form1: TTestDesignWindow\n"
    "  object S1: TTestSource\n"
    "    OutputPin.Form = Form1\n"
    "    OutputPin.SinkPins = (Form1.Plain1.Pins._Pin0)\n"
    "  end\n"
    "  object Plain1: TTestPlainList\n"
    "    Pins.Form = Form1\n"
    "    Pins.Pins = (Form1.S1.OutputPin)\n"
    "  end\n"
    "end\n";

TEST(PinListPlaceholders, RealPinAddedLaterTakesOverTheLinks) {
  RegisterTestStreams();
  RegisterTestDesignClasses();
  const int before = OWGetUnloadedPinCount();
  TTestDesignWindow window;
  ReadComponentDesign(&window, kPlainDesign);
  auto* plain = dynamic_cast<TTestPlainList*>(window.FindComponent("Plain1"));
  auto* source = dynamic_cast<TTestSource*>(window.FindComponent("S1"));
  ASSERT_TRUE(plain && source);
  // The list's placeholder replaced the one the source made first.
  EXPECT_EQ(OWGetUnloadedPinCount(), before);
  ASSERT_EQ(plain->Pins()->PlaceholderCount(), 1);
  ASSERT_EQ(source->OutputPin()->GetSinkCount(), 1);
  EXPECT_TRUE(qobject_cast<TOWUnloadedPin*>(source->OutputPin()->GetSink(0)));

  auto* real = new TOWSinkPin(plain);
  real->AddType(kStreamA);
  EXPECT_EQ(plain->Pins()->Add(real), 0);
  EXPECT_EQ(plain->Pins()->PlaceholderCount(), 0);
  ASSERT_EQ(source->OutputPin()->GetSinkCount(), 1);
  EXPECT_EQ(source->OutputPin()->GetSink(0), real);
  EXPECT_TRUE(source->OutputPin()->GetConnectionID(real) == kStreamA);
  EXPECT_EQ(real->GetSourcePin(), source->OutputPin());
}

TEST(PinListPlaceholders, UnfilledPlaceholdersAreDroppedAfterLoading) {
  RegisterTestStreams();
  RegisterTestDesignClasses();
  TTestDesignWindow window;
  ReadComponentDesign(&window, kPlainDesign);
  auto* plain = dynamic_cast<TTestPlainList*>(window.FindComponent("Plain1"));
  auto* source = dynamic_cast<TTestSource*>(window.FindComponent("S1"));
  ASSERT_TRUE(plain && source);
  EXPECT_TRUE(source->OutputPin()->IsConnected());
  EXPECT_EQ(plain->Pins()->Count(), 0);
  EXPECT_FALSE(source->OutputPin()->IsConnected());
}

}  // namespace
}  // namespace lumicar::test
