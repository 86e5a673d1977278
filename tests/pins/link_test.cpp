// The link rules: which pins may be linked, with which type, through which
// converter, in which order; what unlinking and destruction leave behind;
// names and editor texts.

#include <gtest/gtest.h>

#include "pins/link_type.h"
#include "tests/pins/support/pin_test_support.h"

namespace lumicar::test {
namespace {

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTestStreams(); }
};

TEST_F(LinkTest, SelfAndNoneAreRefused) {
  TTestSource source;
  TTestSink sink;
  EXPECT_FALSE(source.OutputPin()->Connect(source.OutputPin()));
  EXPECT_FALSE(sink.InputPin()->Connect(sink.InputPin()));
  EXPECT_FALSE(sink.InputPin()->Connect(nullptr));
  EXPECT_FALSE(source.OutputPin()->Connect(nullptr));
  EXPECT_FALSE(source.OutputPin()->IsConnected());
}

TEST_F(LinkTest, ASinkMovesToItsNewSource) {
  TTestSource s1, s2;
  TTestSink sink;
  ASSERT_TRUE(sink.InputPin()->Connect(s1.OutputPin()));
  ASSERT_TRUE(s2.OutputPin()->Connect(sink.InputPin()));
  EXPECT_EQ(s1.OutputPin()->GetSinkCount(), 0);
  EXPECT_EQ(s2.OutputPin()->GetSinkCount(), 1);
  EXPECT_EQ(sink.InputPin()->GetSourcePin(), s2.OutputPin());
  EXPECT_TRUE(sink.InputPin()->IsConnectedTo(s2.OutputPin()));
  EXPECT_FALSE(sink.InputPin()->IsConnectedTo(s1.OutputPin()));
}

TEST_F(LinkTest, RepeatedConnectMakesNoSecondEntry) {
  TTestSource source;
  TTestSink sink;
  EXPECT_TRUE(sink.InputPin()->Connect(source.OutputPin()));
  EXPECT_TRUE(sink.InputPin()->Connect(source.OutputPin()));
  EXPECT_TRUE(source.OutputPin()->Connect(sink.InputPin()));
  EXPECT_EQ(source.OutputPin()->GetSinkCount(), 1);
  EXPECT_EQ(sink.InputPin()->GetConnectedPinCount(), 1);
}

TEST_F(LinkTest, NoCommonTypeAndNoConverterMeansNoLink) {
  TTestSource source;
  source.OutputPin()->ClearTypes();
  source.OutputPin()->AddType(kStreamB);
  TTestSink sink;
  EXPECT_FALSE(source.OutputPin()->CanConnectTo(sink.InputPin()));
  EXPECT_FALSE(sink.InputPin()->Connect(source.OutputPin()));
  EXPECT_EQ(source.OutputPin()->GetSinkCount(), 0);
  EXPECT_EQ(sink.InputPin()->GetSourcePin(), nullptr);
  EXPECT_TRUE(OWDownStreamFindConnectionID(source.OutputPin(), sink.InputPin(), true, true).id.IsNull());
}

TEST_F(LinkTest, TheTypeAddedLastIsPreferred) {
  TTestSource source;
  source.OutputPin()->AddType(kStreamB);  // [A, B]
  TTestSink sink;
  sink.InputPin()->AddType(kStreamB);
  ASSERT_TRUE(sink.InputPin()->Connect(source.OutputPin()));
  EXPECT_TRUE(source.OutputPin()->GetConnectionID(sink.InputPin()) == kStreamB);
  EXPECT_TRUE(sink.InputPin()->GetConnectionID(source.OutputPin()) == kStreamB);
  EXPECT_TRUE(sink.InputPin()->GetConnectedStreamID() == kStreamB);

  // Re-adding A keeps its place, so B stays preferred; swapping changes it.
  TTestSource other;
  other.OutputPin()->AddType(kStreamB);
  other.OutputPin()->AddType(kStreamA);
  TTestSink sink2;
  sink2.InputPin()->AddType(kStreamB);
  ASSERT_TRUE(sink2.InputPin()->Connect(other.OutputPin()));
  EXPECT_TRUE(other.OutputPin()->GetConnectionID(sink2.InputPin()) == kStreamB);
}

TEST_F(LinkTest, AConverterBridgesTypesAndGoesWithItsLastLink) {
  const int before = TTestConverter::live;
  TTestSource source;
  source.OutputPin()->ClearTypes();
  source.OutputPin()->AddType(kConvFrom);
  TAcceptingSink k1(nullptr, {kConvTo}), k2(nullptr, {kConvTo});
  ASSERT_TRUE(source.OutputPin()->Connect(&k1));
  EXPECT_EQ(TTestConverter::live, before + 1);
  EXPECT_EQ(source.OutputPin()->GetConverterCount(), 1);
  EXPECT_TRUE(source.OutputPin()->IsConnectedByConverterTo(&k1));
  EXPECT_TRUE(k1.IsConnectedByConverterTo(source.OutputPin()));
  EXPECT_EQ(k1.GetSourcePin(), source.OutputPin());
  TOWFormatConverter* converter = k1.GetFormatConverter();
  ASSERT_NE(converter, nullptr);
  EXPECT_EQ(k1.GetConnectionSourcePin(), converter->OutputPin());
  EXPECT_TRUE(source.OutputPin()->GetConnectionID(&k1) == kConvFrom);
  EXPECT_TRUE(converter->OutputPin()->GetConnectionID(&k1) == kConvTo);

  // A second sink of the same kind goes through the converter the source has.
  ASSERT_TRUE(source.OutputPin()->Connect(&k2));
  EXPECT_EQ(TTestConverter::live, before + 1);
  EXPECT_EQ(k2.GetFormatConverter(), converter);

  source.OutputPin()->DisconnectFrom(&k1);
  EXPECT_EQ(TTestConverter::live, before + 1);
  EXPECT_EQ(k1.GetSourcePin(), nullptr);
  EXPECT_EQ(k1.GetConnectionSourcePin(), nullptr);
  k2.Disconnect();
  EXPECT_EQ(TTestConverter::live, before);
  EXPECT_EQ(source.OutputPin()->GetConverterCount(), 0);
  EXPECT_EQ(source.OutputPin()->GetSinkCount(), 0);

  // Without converters allowed the same pins cannot link.
  EXPECT_FALSE(source.OutputPin()->CanConnectTo(&k1, false));
  EXPECT_FALSE(source.OutputPin()->IsCompatible(&k1));
}

TEST_F(LinkTest, ASourceDestroyedWithItsConverterLinksLeavesNothing) {
  const int before = TTestConverter::live;
  TAcceptingSink sink(nullptr, {kConvTo});
  {
    TTestSource source;
    source.OutputPin()->ClearTypes();
    source.OutputPin()->AddType(kConvFrom);
    ASSERT_TRUE(sink.Connect(source.OutputPin()));
    EXPECT_EQ(TTestConverter::live, before + 1);
  }
  EXPECT_EQ(TTestConverter::live, before);
  EXPECT_EQ(sink.GetSourcePin(), nullptr);
  EXPECT_FALSE(sink.IsConnected());
}

TEST_F(LinkTest, FunctionDependenciesRefuseLoops) {
  TTestFilter f(nullptr, "F"), g(nullptr, "G");
  EXPECT_TRUE(f.OutputPin()->DependsOn(f.InputPin()));
  EXPECT_TRUE(f.OutputPin()->DirectDependsOn(f.InputPin()));
  EXPECT_FALSE(f.OutputPin()->Connect(f.InputPin()));
  ASSERT_TRUE(g.InputPin()->Connect(f.OutputPin()));
  EXPECT_TRUE(g.OutputPin()->DependsOn(f.InputPin()));
  EXPECT_FALSE(g.OutputPin()->Connect(f.InputPin()));
  EXPECT_FALSE(f.InputPin()->IsConnected());

  // Without the dependency nothing protects, and the loop can be made.
  TTestFilter h(nullptr, "H", false), j(nullptr, "J", false);
  EXPECT_TRUE(j.InputPin()->Connect(h.OutputPin()));
  EXPECT_TRUE(h.InputPin()->Connect(j.OutputPin()));
  h.InputPin()->Disconnect();
}

TEST_F(LinkTest, DestroyingEitherEndRemovesTheLink) {
  TTestSource source;
  auto sink = std::make_unique<TTestSink>();
  ASSERT_TRUE(sink->InputPin()->Connect(source.OutputPin()));
  sink.reset();
  EXPECT_EQ(source.OutputPin()->GetSinkCount(), 0);

  TTestSink survivor;
  auto src = std::make_unique<TTestSource>();
  ASSERT_TRUE(src->OutputPin()->Connect(survivor.InputPin()));
  src.reset();
  EXPECT_EQ(survivor.InputPin()->GetSourcePin(), nullptr);
  EXPECT_FALSE(survivor.InputPin()->IsConnected());
}

TEST_F(LinkTest, DestroyedDependencySinksAreForgotten) {
  TTestSource source;
  auto sink = std::make_unique<TTestSink>();
  source.OutputPin()->FunctionSinkPins().Add(sink->InputPin());
  source.OutputPin()->DataTypeSinkPins().Add(sink->InputPin());
  EXPECT_EQ(sink->InputPin()->FunctionDependants().size(), 1u);
  sink.reset();
  EXPECT_EQ(source.OutputPin()->FunctionSinkPins().Count(), 0);
  EXPECT_EQ(source.OutputPin()->DataTypeSinkPins().Count(), 0);
}

TEST_F(LinkTest, ConnectAfterAndItsChecks) {
  TTestSource source;
  TTestSink k1, k2, k3, loose;
  TOWSourcePin* s = source.OutputPin();
  ASSERT_TRUE(s->Connect(k1.InputPin()));
  ASSERT_TRUE(s->ConnectAfter(k2.InputPin(), k1.InputPin()));
  EXPECT_TRUE(s->IsConnectedToAfter(k2.InputPin(), k1.InputPin()));
  EXPECT_TRUE(k2.InputPin()->IsConnectedToAfter(s, k1.InputPin()));
  EXPECT_EQ(s->GetConnectedAfterForPin(k2.InputPin()), k1.InputPin());
  // The after pin must be linked; and no after chain may come back.
  EXPECT_FALSE(s->CanConnectAfter(k3.InputPin(), loose.InputPin()));
  EXPECT_FALSE(s->ConnectAfter(k3.InputPin(), loose.InputPin()));
  EXPECT_FALSE(s->CanConnectAfter(k1.InputPin(), k2.InputPin()));
  EXPECT_TRUE(s->CanConnectAfter(k3.InputPin(), k2.InputPin()));
  // Repeating with the same after pin changes nothing; with another it relinks.
  EXPECT_TRUE(s->ConnectAfter(k2.InputPin(), k1.InputPin()));
  EXPECT_EQ(s->GetSinkCount(), 2);
  ASSERT_TRUE(s->ConnectAfter(k3.InputPin(), k2.InputPin()));
  EXPECT_EQ(s->GetAfterPinDisplayName(k3.InputPin()), k2.InputPin()->GetFullName(true));
  // An after pin that dies is cleared.
  k1.FreeInput();
  EXPECT_EQ(s->GetConnectedAfterForPin(k2.InputPin()), nullptr);
  EXPECT_EQ(s->GetSinkCount(), 2);
}

TEST_F(LinkTest, AMultiSinkTakesManySources) {
  TTestSource s1, s2;
  TRecorder recorder;
  TOWMultiSinkPin multi(nullptr);
  multi.AddType(kStreamA);
  multi.SetDispatchEvent(recorder.Event());
  ASSERT_TRUE(multi.Connect(s1.OutputPin()));
  ASSERT_TRUE(s2.OutputPin()->Connect(&multi));
  EXPECT_EQ(multi.GetSourceCount(), 2);
  EXPECT_TRUE(multi.IsConnectedTo(s1.OutputPin()));
  EXPECT_TRUE(multi.GetConnectionID(s2.OutputPin()) == kStreamA);
  EXPECT_TRUE(multi.Connect(s1.OutputPin()));
  EXPECT_EQ(multi.GetSourceCount(), 2);
  recorder.Clear();
  s1.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
  s2.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
  EXPECT_EQ(recorder.TrafficCalls().size(), 2u);
  multi.DisconnectFrom(s1.OutputPin());
  EXPECT_EQ(multi.GetSourceCount(), 1);
  EXPECT_EQ(s1.OutputPin()->GetSinkCount(), 0);
  multi.Disconnect();
  EXPECT_EQ(s2.OutputPin()->GetSinkCount(), 0);
  EXPECT_FALSE(multi.IsConnected());
}

class TDesignSource : public TTestSource {
 public:
  TDesignSource() { IncludeState(csDesigning); }
};

TEST_F(LinkTest, DesignAndRunTimePinsDoNotMix) {
  TDesignSource design;
  TTestSink running;
  EXPECT_FALSE(running.InputPin()->Connect(design.OutputPin()));
  EXPECT_TRUE(design.OutputPin()->OwnerInDesigning());
}

// The output takes its type from the input: the input's source decides.
class TPassThrough : public TComponent {
 public:
  TPassThrough() {
    in_.reset(new TOWSinkPin(this));
    in_->AddType(kStreamA);
    in_->AddType(kStreamB);
    out_.reset(new TOWSourcePin(this));
    out_->AddType(kStreamA);
    out_->AddType(kStreamB);
    out_->DataTypeSinkPins().Add(in_.get());
  }
  ~TPassThrough() override {
    out_.reset();
    in_.reset();
  }
  TOWPinPtr<TOWSinkPin> in_;
  TOWPinPtr<TOWSourcePin> out_;
};

TEST_F(LinkTest, DataTypeDependenciesNarrowAndRenegotiate) {
  TPassThrough filter;
  TTestSink down;
  down.InputPin()->AddType(kStreamB);  // accepts A and B
  ASSERT_TRUE(down.InputPin()->Connect(filter.out_.get()));
  EXPECT_TRUE(filter.out_->GetConnectionID(down.InputPin()) == kStreamB);

  TRecorder recorder;
  down.InputPin()->SetDispatchEvent(recorder.Event());
  TTestSource onlyA;  // sends A only
  ASSERT_TRUE(filter.in_->Connect(onlyA.OutputPin()));
  EXPECT_TRUE(onlyA.OutputPin()->GetConnectionID(filter.in_.get()) == kStreamA);
  // The chain was renegotiated: the output now offers A only, and the sink
  // behind it heard of the changed link.
  EXPECT_TRUE(filter.out_->GetConnectionID(down.InputPin()) == kStreamA);
  const auto calls = recorder.Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_TRUE(calls.back().state.testFlag(nsConnectionNotice));
  EXPECT_TRUE(calls.back().streamId == kStreamA);
}

TEST_F(LinkTest, ASinkAcceptsOnlyWhatItsDependantsPassOn) {
  TPassThrough filter;
  TTestSink onlyA;  // below the filter, accepts A only
  ASSERT_TRUE(onlyA.InputPin()->Connect(filter.out_.get()));
  TTestSource both;
  both.OutputPin()->AddType(kStreamB);  // prefers B
  ASSERT_TRUE(filter.in_->Connect(both.OutputPin()));
  EXPECT_TRUE(both.OutputPin()->GetConnectionID(filter.in_.get()) == kStreamA);
}

TEST_F(LinkTest, NamesComeFromTheOwnersProperties) {
  TComponent form;
  form.SetName("Form1");
  auto* mirror = new TTestFilter(&form, "VLMirror1");
  TOWSourcePin* out = mirror->OutputPin();
  EXPECT_EQ(out->GetFullName(true), "Form1.VLMirror1.OutputPin");
  EXPECT_EQ(out->GetFullName(false), "VLMirror1.OutputPin");
  EXPECT_EQ(out->GetFullIdentName(true), "Form1.VLMirror1.OutputPin");
  EXPECT_EQ(out->GetName(), "OutputPin");
  EXPECT_EQ(out->GetSaveName(), "OutputPin");
  EXPECT_EQ(out->GetRootName(), "Form1");
  EXPECT_EQ(out->GetOwnerName(), "VLMirror1");
  EXPECT_EQ(out->GetRoot(), &form);

  auto* nested = new TTestNested(&form, "Nested1");
  EXPECT_EQ(nested->Pin()->GetFullName(false), "Nested1.Settings.ControlPin");
  EXPECT_EQ(nested->Pin()->GetName(), "ControlPin");

  TOWSinkPin orphan(nullptr);
  EXPECT_EQ(orphan.GetFullName(true), "(No owner)");
  EXPECT_EQ(orphan.GetOwnerName(), "(No owner)");
}

TEST_F(LinkTest, EditorStrings) {
  TComponent form1, form2;
  form1.SetName("Form1");
  form2.SetName("Form2");
  auto* src = new TTestSource(&form1, "Src1");
  auto* near = new TTestSink(&form1, "Near1");
  auto* far = new TTestSink(&form2, "Far1");
  EXPECT_EQ(src->OutputPin()->GetEditorString(), "(Disconnected)");
  ASSERT_TRUE(near->InputPin()->SetEditorString("Src1.OutputPin"));
  EXPECT_EQ(near->InputPin()->GetEditorString(), "Src1.OutputPin");
  EXPECT_EQ(src->OutputPin()->GetEditorString(), "Near1.InputPin");
  ASSERT_TRUE(far->InputPin()->SetEditorString("Form1.Src1.OutputPin"));
  EXPECT_EQ(far->InputPin()->GetEditorString(), "Form1.Src1.OutputPin");
  EXPECT_EQ(src->OutputPin()->GetEditorString(), "( 2 Links )");
  EXPECT_TRUE(src->OutputPin()->IsLinkedTo("Form2.Far1.InputPin"));
  EXPECT_FALSE(near->InputPin()->SetEditorString("Form1.Nobody.OutputPin"));
  near->InputPin()->SetEditorString("(Disconnected)");
  EXPECT_FALSE(near->InputPin()->IsConnected());
  far->InputPin()->SetEditorString("");
  EXPECT_EQ(src->OutputPin()->GetEditorString(), "(Disconnected)");
}

}  // namespace
}  // namespace lumicar::test
