// Starting components (CreateStart), NotifyProp, Assign between components and the
// "_Floats" stored property of components.

#include "components/lp_component.h"

#include <gtest/gtest.h>

#include <memory>

#include "runtime/exception.h"
#include "runtime/form_reader.h"
#include "runtime/form_writer.h"
#include "tests/components/test_classes.h"

namespace lumicar::test {
namespace {

class LPComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestClasses();
    Log().clear();
  }
};

TEST_F(LPComponentTest, MadeByCodeStartsOnceRightAfterConstruction) {
  std::unique_ptr<TTestComponent> c(NewComponent<TTestComponent>(nullptr));
  EXPECT_EQ(c->starts, 1);
  EXPECT_TRUE(c->Started());
  EXPECT_FALSE(c->loadingAtStart);
  // A later Loaded (say, a design read into it) does not start it again.
  c->Loaded();
  EXPECT_EQ(c->starts, 1);
}

TEST_F(LPComponentTest, ReadFromADesignStartsFromLoadedAfterTheLoadingState) {
  TTestForm form;
  ReadComponentDesign(&form,
                      "object Form1: TTestForm\n"
                      "  object Comp1: TTestComponent\n"
                      "    Count = 4\n"
                      "  end\n"
                      "end\n");
  auto* comp = qobject_cast<TTestComponent*>(form.FindComponent("Comp1"));
  ASSERT_NE(comp, nullptr);
  EXPECT_EQ(comp->starts, 1);
  EXPECT_EQ(comp->Count(), 4);
  // The start saw the component itself done loading (the root is still loading then).
  EXPECT_FALSE(comp->IsLoading());
  EXPECT_EQ(Log(), QStringList({"notify:Comp1", "start:Comp1", "loaded:Form1", "start:Form1"}));
}

TEST_F(LPComponentTest, MadeByCodeInsideALoadingFormStartsWhenTheFormsLoadedRuns) {
  TTestForm form;
  ReadComponentDesign(&form,
                      "object Form1: TTestForm\n"
                      "  object Comp1: TTestComponent\n"
                      "    MakeHelper = True\n"
                      "  end\n"
                      "  object Comp2: TTestComponent\n"
                      "  end\n"
                      "end\n");
  auto* helper = qobject_cast<TTestComponent*>(form.FindComponent("Comp1Helper"));
  ASSERT_NE(helper, nullptr);
  EXPECT_EQ(helper->starts, 1);
  EXPECT_FALSE(helper->loadingAtStart);
  EXPECT_FALSE(helper->StartPending());
  // Not while the design was read, not from the other components' Loaded: only once
  // the form's own loading ended.
  EXPECT_EQ(Log(), QStringList({"made:Comp1Helper started=no", "start:Comp1", "start:Comp2", "loaded:Form1",
                                "start:Form1", "start:Comp1Helper"}));
}

TEST_F(LPComponentTest, UnderAPlainRootTheWaitingComponentStartsThroughStartPendingComponents) {
  TPlainForm form;
  ReadComponentDesign(&form,
                      "object Form1: TPlainForm\n"
                      "  object Comp1: TTestComponent\n"
                      "    MakeHelper = True\n"
                      "  end\n"
                      "end\n");
  auto* helper = qobject_cast<TTestComponent*>(form.FindComponent("Comp1Helper"));
  ASSERT_NE(helper, nullptr);
  // The plain runtime root does not know about waiting components; the windowing
  // layer's form calls this after its Loaded.
  EXPECT_TRUE(helper->StartPending());
  EXPECT_EQ(helper->starts, 0);
  StartPendingComponents(&form);
  EXPECT_EQ(helper->starts, 1);
  StartPendingComponents(&form);
  EXPECT_EQ(helper->starts, 1);
}

TEST_F(LPComponentTest, NeverStartsWhileDesigning) {
  TTestForm form;
  form.MakeDesigning();
  auto* c = NewComponent<TTestComponent>(&form);
  EXPECT_TRUE(c->IsDesigning());
  c->Loaded();
  form.Loaded();
  EXPECT_EQ(c->starts, 0);
  EXPECT_FALSE(c->Started());
}

TEST_F(LPComponentTest, LockedSetterCallsNotifyPropOnlyOnChange) {
  std::unique_ptr<TTestComponent> c(NewComponent<TTestComponent>(nullptr));
  c->SetCount(3);
  c->SetCount(3);
  c->SetCaption(QStringLiteral("a"));
  EXPECT_EQ(c->notifications, 2);
  // A property object's setter reaches the property object, not the component, but
  // locks the component's lock.
  EXPECT_EQ(c->Size()->Lock()->Instance(), c->Lock()->Instance());
  c->Size()->SetWidth(640);
  EXPECT_EQ(c->Size()->notifications, 1);
  EXPECT_EQ(c->notifications, 2);
  // Clamped: SetterMin(0).
  c->SetRate(-4);
  EXPECT_EQ(c->Rate(), 0.0);
}

TEST_F(LPComponentTest, AssignCopiesPublishedValuesButNotNamePinsOrEvents) {
  TTestForm form;
  auto* src = NewComponent<TTestComponent>(&form);
  auto* dst = NewComponent<TTestComponent>(&form);
  src->SetName("Source");
  dst->SetName("Dest");
  src->SetCount(11);
  src->SetRate(12.5);
  src->SetGain(0.5f);
  src->SetStamp(TDateTime{44000.25});
  src->SetCaption(QStringLiteral("caption"));
  src->SetMode(TTestComponent::tmFast);
  src->SetFlag(true);
  src->SetTag(99);
  src->Size()->SetWidth(1600);
  src->Size()->SetScale(2.0);
  src->Pin()->SetValue(77);
  src->SetBuddy(&form);
  int fired = 0;
  src->SetOnChanged(TNotifyEvent([&](TObject*) { ++fired; }));
  TTestSize* dstSize = dst->Size();

  dst->Assign(src);

  EXPECT_EQ(dst->Count(), 11);
  EXPECT_EQ(dst->Rate(), 12.5);
  EXPECT_EQ(dst->Gain(), 0.5f);
  EXPECT_EQ(dst->Stamp().Value, 44000.25);
  EXPECT_EQ(dst->Caption(), QStringLiteral("caption"));
  EXPECT_EQ(dst->Mode(), TTestComponent::tmFast);
  EXPECT_TRUE(dst->Flag());
  EXPECT_EQ(dst->Tag(), 99);
  // The property object is copied into the component's own object.
  EXPECT_EQ(dst->Size(), dstSize);
  EXPECT_EQ(dst->Size()->Width(), 1600u);
  EXPECT_EQ(dst->Size()->Scale(), 2.0);
  // Not copied: the name, the pin, a referenced component, the event.
  EXPECT_EQ(dst->Name(), QStringLiteral("Dest"));
  EXPECT_EQ(dst->Pin()->Value(), 0);
  EXPECT_EQ(dst->Buddy(), nullptr);
  EXPECT_FALSE(static_cast<bool>(dst->OnChanged()));
  // Each changed value went through a locked setter.
  EXPECT_GT(dst->notifications, 0);
  EXPECT_TRUE(dst->Lock()->Instance()->IsFree());
}

TEST_F(LPComponentTest, AssignFromAnotherFamilyIsTheInheritedAssign) {
  std::unique_ptr<TTestComponent> dst(NewComponent<TTestComponent>(nullptr));
  TPlainForm other;
  EXPECT_THROW(dst->Assign(&other), EConvertError);
  EXPECT_THROW(dst->Assign(nullptr), EConvertError);
  // The write lock was given back on the way out.
  EXPECT_TRUE(dst->Lock()->Instance()->IsFree());
}

TEST_F(LPComponentTest, ZeroFloatsWithNonZeroDefaultsSurviveStoringAndReloading) {
  TTestForm form;
  form.SetName("Form1");
  auto* c = NewComponent<TTestComponent>(&form);
  c->SetName("Comp1");
  c->SetGain(0.0f);          // constructor default 1: a design would drop 0
  c->SetRate(0.0);           // declared default 30: written as usual, listed too
  c->Size()->SetScale(0.0);  // the same inside a property object
  c->SetStamp(TDateTime{0});
  const QByteArray text = WriteComponentDesign(&form);
  const QString design = QString::fromUtf8(text);
  EXPECT_TRUE(design.contains("_Floats")) << design.toStdString();
  EXPECT_TRUE(design.contains("Size._Floats")) << design.toStdString();
  EXPECT_FALSE(design.contains("Stamp")) << design.toStdString();
  EXPECT_FALSE(design.contains("ReadOnlyRate")) << design.toStdString();

  TTestForm copy;
  ReadComponentDesign(&copy, text);
  auto* back = qobject_cast<TTestComponent*>(copy.FindComponent("Comp1"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Gain(), 0.0f);
  EXPECT_EQ(back->Rate(), 0.0);
  EXPECT_EQ(back->Size()->Scale(), 0.0);
  EXPECT_EQ(back->Stamp().Value, 0.0);
}

TEST_F(LPComponentTest, NoZeroFloatsWritesNoFloatsProperty) {
  TTestForm form;
  form.SetName("Form1");
  auto* c = NewComponent<TTestComponent>(&form);
  c->SetName("Comp1");
  c->SetStamp(TDateTime{0});  // date-times never count
  const QString design = QString::fromUtf8(WriteComponentDesign(&form));
  EXPECT_FALSE(design.contains("_Floats")) << design.toStdString();
}

TEST_F(LPComponentTest, FloatsNamingSomethingElseIsADesignError) {
  const char* bad[] = {
      "object Form1: TTestForm\n  object Comp1: TTestComponent\n    _Floats = (Nothing 0)\n  end\nend\n",
      "object Form1: TTestForm\n  object Comp1: TTestComponent\n    _Floats = (Count 0)\n  end\nend\n",
      "object Form1: TTestForm\n  object Comp1: TTestComponent\n    _Floats = (ReadOnlyRate 0)\n  end\nend\n",
      "object Form1: TTestForm\n  object Comp1: TTestComponent\n    _Floats = (Stamp 0)\n  end\nend\n",
      "object Form1: TTestForm\n  object Comp1: TTestComponent\n    _Floats = (Gain 'x')\n  end\nend\n",
      "object Form1: TTestForm\n  object Comp1: TTestComponent\n    _Floats = (Gain\n  end\nend\n",
  };
  for (const char* text : bad) {
    TTestForm form;
    EXPECT_THROW(ReadComponentDesign(&form, text), EReadError) << text;
    EXPECT_EQ(form.ComponentCount(), 0);
  }
}

}  // namespace
}  // namespace lumicar::test
