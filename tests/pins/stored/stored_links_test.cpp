// Pin links stored in window designs: reading them in any component order,
// under another window name, towards pins that never load, writing them back,
// and refusing malformed values.

#include "pins/stored/stored_links.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "pins/stored/unloaded_pin.h"
#include "runtime/design_access.h"
#include "runtime/exception.h"
#include "runtime/form_reader.h"
#include "runtime/form_writer.h"
#include "tests/pins/support/pin_test_support.h"

namespace lumicar::test {
namespace {

class StoredLinksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestStreams();
    RegisterTestDesignClasses();
    placeholdersBefore_ = OWGetUnloadedPinCount();
  }
  void TearDown() override { EXPECT_EQ(OWGetUnloadedPinCount(), placeholdersBefore_); }

  static QByteArray Design(const std::vector<QByteArray>& blocks, const char* window = "Form1") {
    QByteArray text = QByteArray("object ") + window + ": TTestDesignWindow\n";
    for (const QByteArray& b : blocks) text += b;
    return text + "end\n";
  }

  template <typename T>
  static T* Find(TComponent* root, const char* name) {
    return dynamic_cast<T*>(root->FindComponent(QString::fromLatin1(name)));
  }

  int placeholdersBefore_ = 0;
};

// The viewer's three components (and its menu), each link stored on both ends.
const QByteArray kDisplay =
    "  object VLDSImageDisplay1: TTestSink\n"
    "    InputPin.Form = Form1\n"
    "    InputPin.SourcePin = Form1.VLMirror1.OutputPin\n"
    "  end\n";
const QByteArray kCapture =
    "  object VLDSCapture1: TTestSource\n"
    "    OutputPin.Form = Form1\n"
    "    OutputPin.SinkPins = (Form1.VLMirror1.InputPin)\n"
    "  end\n";
const QByteArray kMenu =
    "  object PopupMenu1: TTestMenu\n"
    "  end\n";
const QByteArray kMirror =
    "  object VLMirror1: TTestFilter\n"
    "    InputPin.Form = Form1\n"
    "    InputPin.SourcePin = Form1.VLDSCapture1.OutputPin\n"
    "    OutputPin.Form = Form1\n"
    "    OutputPin.SinkPins = (Form1.VLDSImageDisplay1.InputPin)\n"
    "  end\n";

void ExpectViewerChain(TComponent* root) {
  auto* display = dynamic_cast<TTestSink*>(root->FindComponent("VLDSImageDisplay1"));
  auto* capture = dynamic_cast<TTestSource*>(root->FindComponent("VLDSCapture1"));
  auto* mirror = dynamic_cast<TTestFilter*>(root->FindComponent("VLMirror1"));
  ASSERT_TRUE(display && capture && mirror);
  ASSERT_EQ(capture->OutputPin()->GetSinkCount(), 1);
  EXPECT_EQ(capture->OutputPin()->GetSink(0), mirror->InputPin());
  EXPECT_TRUE(capture->OutputPin()->GetConnectionID(mirror->InputPin()) == kStreamA);
  EXPECT_EQ(mirror->InputPin()->GetSourcePin(), capture->OutputPin());
  ASSERT_EQ(mirror->OutputPin()->GetSinkCount(), 1);
  EXPECT_EQ(mirror->OutputPin()->GetSink(0), display->InputPin());
  EXPECT_TRUE(mirror->OutputPin()->GetConnectionID(display->InputPin()) == kStreamA);
  EXPECT_EQ(display->InputPin()->GetSourcePin(), mirror->OutputPin());
  EXPECT_TRUE(display->InputPin()->GetConnectedStreamID() == kStreamA);
}

TEST_F(StoredLinksTest, ViewerDesignGivesTwoLinksInEveryReadingOrder) {
  std::vector<int> order{0, 1, 2, 3};
  const std::vector<QByteArray> blocks{kDisplay, kCapture, kMenu, kMirror};
  int designs = 0;
  do {
    SCOPED_TRACE(::testing::Message() << "order " << order[0] << order[1] << order[2] << order[3]);
    std::vector<QByteArray> ordered;
    for (int i : order) ordered.push_back(blocks[size_t(i)]);
    TTestDesignWindow window;
    ReadComponentDesign(&window, Design(ordered));
    ExpectViewerChain(&window);
    // Every placeholder made on the way was replaced by its pin.
    EXPECT_EQ(OWGetUnloadedPinCount(), placeholdersBefore_);
    ++designs;
  } while (std::next_permutation(order.begin(), order.end()));
  EXPECT_EQ(designs, 24);
}

TEST_F(StoredLinksTest, EitherEndAloneMakesTheLink) {
  // Links stored on one end only, and the reading end comes first.
  TTestDesignWindow window;
  ReadComponentDesign(&window, Design({"  object VLDSCapture1: TTestSource\n"
                                       "    OutputPin.Form = Form1\n"
                                       "    OutputPin.SinkPins = (Form1.VLMirror1.InputPin)\n"
                                       "  end\n",
                                       "  object VLDSImageDisplay1: TTestSink\n"
                                       "    InputPin.Form = Form1\n"
                                       "    InputPin.SourcePin = Form1.VLMirror1.OutputPin\n"
                                       "  end\n",
                                       // The mirror stores nothing but still has to pick up both links.
                                       "  object VLMirror1: TTestFilter\n"
                                       "    InputPin.Form = Form1\n"
                                       "    OutputPin.Form = Form1\n"
                                       "    OutputPin.SinkPins = (Form1.VLDSImageDisplay1.InputPin)\n"
                                       "    InputPin.SourcePin = Form1.VLDSCapture1.OutputPin\n"
                                       "  end\n"}));
  ExpectViewerChain(&window);
}

TEST_F(StoredLinksTest, WindowLoadedUnderAnotherNameLinksItsOwnComponents) {
  const QByteArray design = Design({kDisplay, kCapture, kMenu, kMirror});
  TTestDesignWindow live;
  ReadComponentDesign(&live, design);
  ASSERT_EQ(live.Name(), "Form1");

  TTestDesignWindow second;
  second.SetName("Form2");
  ReadComponentDesign(&second, design);
  ASSERT_EQ(second.Name(), "Form2");
  ExpectViewerChain(&second);
  // The live window's chain is untouched.
  ExpectViewerChain(&live);
  auto* display2 = Find<TTestSink>(&second, "VLDSImageDisplay1");
  EXPECT_EQ(display2->InputPin()->GetFullName(true), "Form2.VLDSImageDisplay1.InputPin");
  EXPECT_EQ(display2->InputPin()->GetSourcePin()->GetRoot(), &second);

  // The name correction itself.
  EXPECT_EQ(OWApplyFormName("Form1", "Form2", "Form1.A.B"), "Form2.A.B");
  EXPECT_EQ(OWApplyFormName("Form1", "Form2", "Form11.A.B"), "Form11.A.B");
  EXPECT_EQ(OWApplyFormName("", "Form2", "Form1.A.B"), "Form1.A.B");
}

TEST_F(StoredLinksTest, LinkToAComponentThatNeverLoadsStaysInert) {
  TRecorder recorder;
  {
    TTestDesignWindow window;
    ReadComponentDesign(&window, Design({"  object Cap1: TTestSource\n"
                                         "    OutputPin.Form = Form1\n"
                                         "    OutputPin.SinkPins = (Form1.Ghost1.InputPin)\n"
                                         "  end\n",
                                         "  object Disp1: TTestSink\n"
                                         "    InputPin.Form = Form1\n"
                                         "    InputPin.SourcePin = (Form1.Ghost2.OutputPin 'Form1.Ghost2.Out')\n"
                                         "  end\n",
                                         // A second link to the same missing pin reuses its placeholder.
                                         "  object Disp2: TTestSink\n"
                                         "    InputPin.Form = Form1\n"
                                         "    InputPin.SourcePin = Form1.Ghost2.OutputPin\n"
                                         "  end\n"}));
    EXPECT_EQ(OWGetUnloadedPinCount(), placeholdersBefore_ + 2);
    TOWSourcePin* out = Find<TTestSource>(&window, "Cap1")->OutputPin();
    TOWSinkPin* in1 = Find<TTestSink>(&window, "Disp1")->InputPin();
    TOWSinkPin* in2 = Find<TTestSink>(&window, "Disp2")->InputPin();
    in1->SetDispatchEvent(recorder.Event());

    EXPECT_TRUE(out->IsConnected());
    ASSERT_EQ(out->GetSinkCount(), 1);
    auto* ghost1 = qobject_cast<TOWUnloadedPin*>(out->GetSink(0));
    ASSERT_NE(ghost1, nullptr);
    EXPECT_EQ(ghost1->GetFullName(true), "Form1.Ghost1.InputPin");
    EXPECT_EQ(ghost1->GetPinType(), ptSink);
    EXPECT_TRUE(out->GetConnectionID(ghost1).IsNull());
    EXPECT_TRUE(ghost1->IsConnectedTo(out));

    EXPECT_TRUE(in1->IsConnected());
    EXPECT_EQ(in1->GetSourcePin(), nullptr);
    auto* ghost2 = qobject_cast<TOWUnloadedPin*>(in1->GetConnectedPin(0));
    ASSERT_NE(ghost2, nullptr);
    EXPECT_EQ(ghost2->GetPinType(), ptSource);
    EXPECT_EQ(ghost2->GetFullName(true), "Form1.Ghost2.Out");
    EXPECT_EQ(ghost2->GetFullIdentName(true), "Form1.Ghost2.OutputPin");
    EXPECT_EQ(in2->GetConnectedPin(0), ghost2);
    EXPECT_EQ(ghost2->GetConnectedPinCount(), 2);

    // Nothing is delivered through a placeholder, in either direction.
    out->Notify(MakeIntf<TOWNotifyOperation>());
    in1->Notify(MakeIntf<TOWNotifyOperation>());
    EXPECT_TRUE(recorder.TrafficCalls().empty());

    // A placeholder goes with its last link.
    in2->Disconnect();
    EXPECT_EQ(OWGetUnloadedPinCount(), placeholdersBefore_ + 2);
    in1->Disconnect();
    EXPECT_EQ(OWGetUnloadedPinCount(), placeholdersBefore_ + 1);
    EXPECT_FALSE(in1->IsConnected());
  }
  // Freeing the window frees the placeholder still linked to it (checked in TearDown).
}

TEST_F(StoredLinksTest, AnAfterPinThatNeverLoadsIsFreedWithItsWindow) {
  {
    TTestDesignWindow window;
    ReadComponentDesign(&window, Design({"  object Cap1: TTestSource\n"
                                         "    OutputPin.Form = Form1\n"
                                         "    OutputPin.SinkPins = ((Form1.K1.InputPin Form1.Ghost.InputPin))\n"
                                         "  end\n",
                                         "  object K1: TTestSink\n"
                                         "    InputPin.Form = Form1\n"
                                         "    InputPin.SourcePin = Form1.Cap1.OutputPin\n"
                                         "  end\n"}));
    TOWSourcePin* out = Find<TTestSource>(&window, "Cap1")->OutputPin();
    TOWSinkPin* in = Find<TTestSink>(&window, "K1")->InputPin();
    ASSERT_EQ(out->GetSinkCount(), 1);
    EXPECT_EQ(out->GetSink(0), in);
    // The after pin is kept (it may still load) for as long as the link names it.
    auto* ghost = qobject_cast<TOWUnloadedPin*>(out->GetConnectedAfterPin(0));
    ASSERT_NE(ghost, nullptr);
    EXPECT_EQ(ghost->GetFullName(true), "Form1.Ghost.InputPin");
  }
  // The window is closed: no placeholder is left over (checked in TearDown too).
  EXPECT_EQ(OWGetUnloadedPinCount(), placeholdersBefore_);
}

TEST_F(StoredLinksTest, AnAfterPinThatLoadsLaterOrdersTheLink) {
  TTestDesignWindow window;
  ReadComponentDesign(&window,
                      Design({"  object Cap1: TTestSource\n"
                              "    OutputPin.Form = Form1\n"
                              "    OutputPin.SinkPins = ((Form1.K1.InputPin Form1.K2.InputPin) Form1.K2.InputPin)\n"
                              "  end\n",
                              "  object K1: TTestSink\n"
                              "    InputPin.Form = Form1\n"
                              "    InputPin.SourcePin = Form1.Cap1.OutputPin\n"
                              "  end\n",
                              "  object K2: TTestSink\n"
                              "    InputPin.Form = Form1\n"
                              "    InputPin.SourcePin = Form1.Cap1.OutputPin\n"
                              "  end\n"}));
  TOWSourcePin* out = Find<TTestSource>(&window, "Cap1")->OutputPin();
  TOWSinkPin* k1 = Find<TTestSink>(&window, "K1")->InputPin();
  TOWSinkPin* k2 = Find<TTestSink>(&window, "K2")->InputPin();
  EXPECT_EQ(out->GetSinkCount(), 2);
  EXPECT_EQ(out->GetConnectedAfterForPin(k1), k2);
  EXPECT_EQ(OWGetUnloadedPinCount(), placeholdersBefore_);
}

TEST_F(StoredLinksTest, LinkTheRulesRefuseIsNotMadeWhenThePinLoads) {
  // The stored sink is a source pin: the placeholder's link is dropped when it loads.
  TTestDesignWindow window;
  ReadComponentDesign(&window, Design({"  object Cap1: TTestSource\n"
                                       "    OutputPin.SinkPins = (Form1.Cap2.OutputPin)\n"
                                       "  end\n",
                                       "  object Cap2: TTestSource\n"
                                       "    OutputPin.SinkPins = (Form1.Cap1.OutputPin)\n"
                                       "  end\n"}));
  EXPECT_FALSE(Find<TTestSource>(&window, "Cap1")->OutputPin()->IsConnected());
  EXPECT_FALSE(Find<TTestSource>(&window, "Cap2")->OutputPin()->IsConnected());
}

TEST_F(StoredLinksTest, WrittenLinksReadBackToTheSameLinks) {
  TTestDesignWindow window;
  window.SetName("Form1");
  auto* source = new TTestSource(&window, "S1");
  auto* k1 = new TTestSink(&window, "K1");
  auto* k2 = new TTestSink(&window, "K2");
  auto* mixer = new TTestListOwner(&window);
  mixer->SetName("Mixer1");
  ASSERT_TRUE(source->OutputPin()->Connect(k1->InputPin()));
  ASSERT_TRUE(source->OutputPin()->ConnectAfter(k2->InputPin(), k1->InputPin()));
  mixer->Pins()->SetCount(2);
  mixer->Pins()->SetName(0, "Left");
  ASSERT_TRUE(source->OutputPin()->Connect(mixer->Pins()->Pins(0)));

  const QByteArray text = WriteComponentDesign(&window);
  SCOPED_TRACE(text.toStdString());
  EXPECT_TRUE(text.contains("OutputPin.Form = Form1\n"));
  EXPECT_TRUE(
      text.contains("OutputPin.SinkPins = (Form1.K1.InputPin (Form1.K2.InputPin Form1.K1.InputPin) "
                    "(Form1.Mixer1.Pins._Pin0 'Form1.Mixer1.Pins.Left'))"));
  EXPECT_TRUE(text.contains("InputPin.SourcePin = Form1.S1.OutputPin\n"));
  EXPECT_TRUE(text.contains("InputPin.SourcePin = ((Form1.S1.OutputPin Form1.K1.InputPin))\n"));
  EXPECT_TRUE(text.contains("Pins.Pins = (Form1.S1.OutputPin nil)"));

  TTestDesignWindow copy;
  ReadComponentDesign(&copy, text);
  auto* s = Find<TTestSource>(&copy, "S1");
  auto* c1 = Find<TTestSink>(&copy, "K1");
  auto* c2 = Find<TTestSink>(&copy, "K2");
  auto* m = Find<TTestListOwner>(&copy, "Mixer1");
  ASSERT_TRUE(s && c1 && c2 && m);
  ASSERT_EQ(s->OutputPin()->GetSinkCount(), 3);
  EXPECT_EQ(s->OutputPin()->GetSink(0), c1->InputPin());
  EXPECT_EQ(s->OutputPin()->GetSink(1), c2->InputPin());
  EXPECT_EQ(s->OutputPin()->GetConnectedAfterPin(1), c1->InputPin());
  EXPECT_EQ(s->OutputPin()->GetConnectedAfterPin(0), nullptr);
  ASSERT_EQ(m->Pins()->Count(), 2);
  EXPECT_EQ(s->OutputPin()->GetSink(2), m->Pins()->Pins(0));
  EXPECT_TRUE(s->OutputPin()->GetConnectionID(m->Pins()->Pins(0)) == kStreamA);
  EXPECT_FALSE(m->Pins()->Pins(1)->IsConnected());
  // The original window keeps its own links.
  EXPECT_EQ(source->OutputPin()->GetSinkCount(), 3);
  EXPECT_EQ(k1->InputPin()->GetSourcePin(), source->OutputPin());
}

TEST_F(StoredLinksTest, MalformedStoredValuesAreReadErrors) {
  const QByteArray deep = QByteArray(80, '(') + "Form1.A.B" + QByteArray(80, ')');
  const std::vector<QByteArray> sourceValues{
      "OutputPin.SinkPins = Form1.K1.InputPin",      // not a list
      "OutputPin.SinkPins = ()",                     // no entry
      "OutputPin.SinkPins = (())",                   // empty entry
      "OutputPin.SinkPins = ('Form1.K1.InputPin')",  // a string where a path belongs
      "OutputPin.SinkPins = (12)",
      "OutputPin.SinkPins = (nil)",
      "OutputPin.SinkPins = ((Form1.K1.InputPin A 'D' E))",
      "OutputPin.SinkPins = " + deep,
      "OutputPin.Form = 12",
      "OutputPin.Form = nil",
      "OutputPin.State = 12",
      "OutputPin.State = ''",
      "OutputPin.State = ()",
      "OutputPin.State = (Name)",
  };
  const std::vector<QByteArray> sinkValues{
      "InputPin.SourcePin = 'Form1.S1.OutputPin'",
      "InputPin.SourcePin = ()",
      "InputPin.SourcePin = (Form1.S1.OutputPin)",        // display name missing
      "InputPin.SourcePin = (Form1.S1.OutputPin A)",      // an after pin needs ((X A))
      "InputPin.SourcePin = ((Form1.S1.OutputPin))",      // after pin missing
      "InputPin.SourcePin = (((Form1.S1.OutputPin)) A)",  // nested too far
      "InputPin.SourcePin = (((Form1.S1.OutputPin 'D') A) B)",
      "InputPin.SourcePin = True",
      "InputPin.SourcePin = " + deep,
  };
  const std::vector<QByteArray> listValues{
      "Pins.Pins = Form1.S1.OutputPin",
      "Pins.Pins = (State 12)",
      "Pins.Pins = (State ())",
      "Pins.Pins = (Sinks)",
      "Pins.Pins = (Sinks ())",
      "Pins.Pins = (Sources Form1.S1.OutputPin)",
      "Pins.Pins = (True)",
      "Pins.Form = 'Form1'",
      "Pins.PinsOwner = 1",
  };
  auto expectError = [&](const char* cls, const QByteArray& line) {
    SCOPED_TRACE(line.toStdString());
    TTestDesignWindow window;
    const QByteArray design = Design({"  object X1: " + QByteArray(cls) + "\n    " + line + "\n  end\n"});
    EXPECT_THROW(ReadComponentDesign(&window, design), EReadError);
    EXPECT_EQ(window.ComponentCount(), 0);
    EXPECT_EQ(OWGetUnloadedPinCount(), placeholdersBefore_);
  };
  for (const QByteArray& v : sourceValues) expectError("TTestSource", v);
  for (const QByteArray& v : sinkValues) expectError("TTestSink", v);
  for (const QByteArray& v : listValues) expectError("TTestListOwner", v);
}

TEST_F(StoredLinksTest, EntryShapesReadAsWritten) {
  // Every shape with and without after pin and display name survives a write
  // and a read, and a display name of 300 characters too.
  const QString longName = QStringLiteral("Form1.Mixer1.Pins.") + QString(300, QLatin1Char('x'));
  TTestDesignWindow window;
  window.SetName("Form1");
  auto* source = new TTestSource(&window, "S1");
  auto* mixer = new TTestListOwner(&window);
  mixer->SetName("Mixer1");
  mixer->Pins()->SetCount(3);
  mixer->Pins()->SetName(1, longName.mid(18));
  mixer->Pins()->SetName(2, "Right");
  auto* k1 = new TTestSink(&window, "K1");
  ASSERT_TRUE(source->OutputPin()->Connect(mixer->Pins()->Pins(0)));
  ASSERT_TRUE(source->OutputPin()->ConnectAfter(mixer->Pins()->Pins(1), mixer->Pins()->Pins(0)));
  ASSERT_TRUE(source->OutputPin()->ConnectAfter(mixer->Pins()->Pins(2), mixer->Pins()->Pins(1)));
  ASSERT_TRUE(source->OutputPin()->ConnectAfter(k1->InputPin(), mixer->Pins()->Pins(2)));
  EXPECT_EQ(mixer->Pins()->Pins(1)->GetFullName(true), longName);

  const QByteArray text = WriteComponentDesign(&window);
  SCOPED_TRACE(text.toStdString());
  EXPECT_TRUE(text.contains("(Form1.Mixer1.Pins._Pin2 Form1.Mixer1.Pins._Pin1 'Form1.Mixer1.Pins.Right')"));
  EXPECT_TRUE(text.contains("((Form1.S1.OutputPin Form1.Mixer1.Pins._Pin1))"));

  TTestDesignWindow copy;
  ReadComponentDesign(&copy, text);
  TOWSourcePin* s = Find<TTestSource>(&copy, "S1")->OutputPin();
  TOWPinList* pins = Find<TTestListOwner>(&copy, "Mixer1")->Pins();
  ASSERT_EQ(s->GetSinkCount(), 4);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(s->GetSink(i), pins->Pins(i));
  EXPECT_EQ(s->GetSink(3), Find<TTestSink>(&copy, "K1")->InputPin());
  EXPECT_EQ(s->GetConnectedAfterPin(0), nullptr);
  EXPECT_EQ(s->GetConnectedAfterPin(1), pins->Pins(0));
  EXPECT_EQ(s->GetConnectedAfterPin(2), pins->Pins(1));
  EXPECT_EQ(s->GetConnectedAfterPin(3), pins->Pins(2));
}

TEST_F(StoredLinksTest, StateGroupsAreStoredByName) {
  TTestDesignWindow window;
  ReadComponentDesign(&window, Design({"  object A1: TTestSource\n"
                                       "    OutputPin.Form = Form1\n"
                                       "    OutputPin.State = 'Group1'\n"
                                       "  end\n",
                                       // The member descriptions after the name are skipped.
                                       "  object B1: TTestSource\n"
                                       "    OutputPin.Form = Form1\n"
                                       "    OutputPin.State = ('Group1' (Form1.A1.OutputPin 'x') 3)\n"
                                       "  end\n"}));
  TOWSourcePin* a = Find<TTestSource>(&window, "A1")->OutputPin();
  TOWSourcePin* b = Find<TTestSource>(&window, "B1")->OutputPin();
  ASSERT_TRUE(a->Dispatcher());
  EXPECT_EQ(a->Dispatcher(), b->Dispatcher());
  EXPECT_EQ(a->Dispatcher()->Name(), "Group1");
  EXPECT_EQ(a->Dispatcher()->Members().size(), 2u);

  const QByteArray text = WriteComponentDesign(&window);
  SCOPED_TRACE(text.toStdString());
  EXPECT_EQ(text.count("OutputPin.State = 'Group1'\n"), 2);
  EXPECT_EQ(text.count("OutputPin.Form = Form1\n"), 2);
  EXPECT_FALSE(text.contains("SinkPins"));
}

TEST_F(StoredLinksTest, LinksToAWindowClosedInDesignModeComeBackWithIt) {
  TTestDesignWindow form1;
  form1.SetName("Form1");
  TDesignAccess::Include(&form1, csDesigning);
  auto* source = new TTestSource(&form1, "S1");
  auto* local = new TTestSink(&form1, "L1");
  ASSERT_TRUE(source->IsDesigning());
  const QByteArray form2Design =
      "object Form2: TTestDesignWindow\n"
      "  object K1: TTestSink\n    InputPin.Form = Form2\n"
      "    InputPin.SourcePin = Form1.S1.OutputPin\n  end\n"
      "  object K2: TTestSink\n    InputPin.Form = Form2\n"
      "    InputPin.SourcePin = ((Form1.S1.OutputPin Form2.K1.InputPin))\n  end\n"
      "end\n";
  ASSERT_TRUE(source->OutputPin()->Connect(local->InputPin()));
  TOWSinkPin* keptSink;
  {
    auto form2 = std::make_unique<TTestDesignWindow>();
    TDesignAccess::Include(form2.get(), csDesigning);
    ReadComponentDesign(form2.get(), form2Design);
    auto* sink = Find<TTestSink>(form2.get(), "K1");
    auto* sink2 = Find<TTestSink>(form2.get(), "K2");
    ASSERT_TRUE(sink && sink2);
    ASSERT_EQ(source->OutputPin()->GetSinkCount(), 3);
    keptSink = sink->InputPin();
  }
  // The window is gone (its components freed last made first); its pins are
  // stood in for by placeholders that carry their names and order.
  ASSERT_EQ(source->OutputPin()->GetSinkCount(), 3);
  EXPECT_EQ(source->OutputPin()->GetSink(0), local->InputPin());
  TOWUnloadedPin* p1 = nullptr;
  TOWUnloadedPin* p2 = nullptr;
  for (int i = 1; i < 3; ++i)
    if (auto* p = qobject_cast<TOWUnloadedPin*>(source->OutputPin()->GetSink(i)))
      (p->GetFullName(true) == "Form2.K1.InputPin" ? p1 : p2) = p;
  ASSERT_TRUE(p1 && p2);
  EXPECT_NE(static_cast<TOWBasicPin*>(p1), keptSink);
  EXPECT_EQ(p2->GetFullName(true), "Form2.K2.InputPin");
  EXPECT_TRUE(source->OutputPin()->IsConnectedToAfter(p2, p1));
  EXPECT_EQ(OWGetUnloadedPinCount(), placeholdersBefore_ + 2);

  // Loaded again, the window's pins take their links back.
  TTestDesignWindow again;
  TDesignAccess::Include(&again, csDesigning);
  ReadComponentDesign(&again, form2Design);
  auto* k1 = Find<TTestSink>(&again, "K1");
  auto* k2 = Find<TTestSink>(&again, "K2");
  ASSERT_TRUE(k1 && k2);
  ASSERT_EQ(source->OutputPin()->GetSinkCount(), 3);
  EXPECT_TRUE(source->OutputPin()->IsConnectedTo(k1->InputPin()));
  EXPECT_TRUE(source->OutputPin()->IsConnectedToAfter(k2->InputPin(), k1->InputPin()));
  EXPECT_EQ(OWGetUnloadedPinCount(), placeholdersBefore_);
}

TEST_F(StoredLinksTest, MultiSinkKeepsEverySourceIncludingMissingOnes) {
  TTestDesignWindow window;
  ReadComponentDesign(&window, Design({"  object M1: TTestMultiSink\n"
                                       "    InputPin.Form = Form1\n"
                                       "    InputPin.SourcePin = (Form1.S1.OutputPin Form1.Ghost1.OutputPin)\n"
                                       "  end\n",
                                       "  object S1: TTestSource\n"
                                       "    OutputPin.Form = Form1\n"
                                       "    OutputPin.SinkPins = (Form1.M1.InputPin)\n"
                                       "  end\n"}));
  TOWMultiSinkPin* multi = Find<TTestMultiSink>(&window, "M1")->InputPin();
  TOWSourcePin* source = Find<TTestSource>(&window, "S1")->OutputPin();
  // The link made through the placeholder moved to the end when S1 loaded.
  ASSERT_EQ(multi->GetConnectedPinCount(), 2);
  EXPECT_TRUE(qobject_cast<TOWUnloadedPin*>(multi->GetEntries()[0].realPin));
  EXPECT_EQ(multi->GetSource(0), nullptr);  // a placeholder is no source
  EXPECT_EQ(multi->GetSource(1), source);
  EXPECT_EQ(source->GetSinkCount(), 1);
  EXPECT_TRUE(source->GetConnectionID(multi) == kStreamA);
  EXPECT_EQ(OWGetUnloadedPinCount(), placeholdersBefore_ + 1);
  // Upstream traffic reaches the real source only.
  TRecorder recorder;
  source->SetDispatchEvent(recorder.Event());
  multi->Notify(MakeIntf<TOWNotifyOperation>());
  ASSERT_EQ(recorder.TrafficCalls().size(), 1u);

  const QByteArray text = WriteComponentDesign(&window);
  EXPECT_TRUE(text.contains("InputPin.SourcePin = (Form1.Ghost1.OutputPin Form1.S1.OutputPin)\n"))
      << text.toStdString();
  multi->Disconnect();
  EXPECT_FALSE(source->IsConnected());
}

}  // namespace
}  // namespace lumicar::test
