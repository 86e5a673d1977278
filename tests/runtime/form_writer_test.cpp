// Writing form designs: only stored values that differ from their defaults, hooks,
// nesting, events, references; and reading back what was written gives the same.
#include "runtime/form_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "runtime/exception.h"
#include "runtime/form_reader.h"
#include "tests/runtime/support/test_components.h"

namespace lumicar {
namespace {

using test::TTestContainer;
using test::TTestForm;
using test::TTestItem;
using test::TTestKinds;
using test::TTestLinked;

class FormWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { test::RegisterTestClasses(); }
};

TEST_F(FormWriterTest, WritesOnlyValuesThatDifferFromTheirDefaults) {
  TTestForm form;
  form.SetName(QStringLiteral("Form1"));
  auto* k = new TTestKinds(&form);
  k->SetName(QStringLiteral("Kinds1"));
  k->SetInt8(0);             // no declared default: stored
  k->SetHidden(9);           // not stored
  k->SetSingle(0);           // the implicit default
  k->Size()->SetWidth(640);  // the declared default
  (new TTestLinked(&form))->SetName(QStringLiteral("Linked1"));
  EXPECT_EQ(QString::fromUtf8(WriteComponentDesign(&form)), QStringLiteral("object Form1: TTestForm\n"
                                                                           "  object Kinds1: TTestKinds\n"
                                                                           "    Int8 = 0\n"
                                                                           "    UInt8 = 0\n"
                                                                           "    Int16 = 0\n"
                                                                           "    UInt16 = 0\n"
                                                                           "    UInt32 = 0\n"
                                                                           "    Int64 = 0\n"
                                                                           "  end\n"
                                                                           "  object Linked1: TTestLinked\n"
                                                                           "  end\n"
                                                                           "end\n"));
  EXPECT_FALSE(form.ComponentState().testFlag(csWriting));
}

TEST_F(FormWriterTest, WritesHooksNestingEventsAndReferences) {
  TTestForm form;
  form.SetName(QStringLiteral("Form1"));
  auto* menu = new TTestContainer(&form);
  menu->SetName(QStringLiteral("Menu1"));
  auto* linked = new TTestLinked(&form);
  linked->SetName(QStringLiteral("VLMirror1"));
  auto* item = new TTestContainer(&form);
  item->SetName(QStringLiteral("Item1"));
  item->SetParentComponent(menu);
  form.SetPopupMenu(menu);
  linked->InputPin()->form = QStringLiteral("Form1");
  linked->InputPin()->source = QStringLiteral("Form1.VLDSCapture1.OutputPin");
  linked->OutputPin()->sinks = QStringList{"Form1.Pin1", "(Form1.Pin2 Form1.Pin1)"};
  linked->data = QByteArray("\x01\xAB", 2);
  const QString text = QString::fromUtf8(WriteComponentDesign(&form));
  EXPECT_EQ(text, QStringLiteral("object Form1: TTestForm\n"
                                 "  PopupMenu = Menu1\n"
                                 "  object Menu1: TTestContainer\n"
                                 "    object Item1: TTestContainer\n"
                                 "    end\n"
                                 "  end\n"
                                 "  object VLMirror1: TTestLinked\n"
                                 "    InputPin.Form = Form1\n"
                                 "    InputPin.SourcePin = Form1.VLDSCapture1.OutputPin\n"
                                 "    OutputPin.SinkPins = (Form1.Pin1 (Form1.Pin2 Form1.Pin1))\n"
                                 "    Data = {01AB}\n"
                                 "  end\n"
                                 "end\n"));
  // A hook that writes two values is refused.
  linked->InputPin()->source = QStringLiteral("A B");
  EXPECT_THROW(WriteComponentDesign(&form), EWriteError);
  EXPECT_FALSE(linked->ComponentState().testFlag(csWriting));
}

TEST_F(FormWriterTest, ReadingWhatWasWrittenGivesTheSameDesign) {
  TTestForm first;
  ReadComponentResource(&first, QStringLiteral(":/designs/kinds.form"));
  const QByteArray written = WriteComponentDesign(&first);
  TTestForm second;
  ReadComponentDesign(&second, written);
  EXPECT_EQ(QString::fromUtf8(WriteComponentDesign(&second)), QString::fromUtf8(written));
  ASSERT_EQ(second.ComponentCount(), first.ComponentCount());
  for (int i = 0; i < first.ComponentCount(); ++i) {
    EXPECT_EQ(second.Components(i)->Name(), first.Components(i)->Name());
    EXPECT_STREQ(second.Components(i)->metaObject()->className(), first.Components(i)->metaObject()->className());
  }
  auto* k = qobject_cast<TTestKinds*>(second.Components(0));
  EXPECT_EQ(k->OnClick().MethodName(), QStringLiteral("Button1Click"));
  EXPECT_EQ(k->OnClick().Target(), &second);
  EXPECT_EQ(k->Buddy(), second.Components(1));
  EXPECT_EQ(qobject_cast<TTestItem*>(k->Items()->Items(1))->Size()->Width(), 3);
}

TEST_F(FormWriterTest, ExtremeValuesSurviveTheRoundTripBitForBit) {
  TTestForm form;
  form.SetName(QStringLiteral("F"));
  auto* k = new TTestKinds(&form);
  k->SetName(QStringLiteral("K"));
  k->SetInt8(-128);
  k->SetUInt8(255);
  k->SetInt64(std::numeric_limits<qint64>::min());
  k->SetUInt64(0);
  k->SetUInt32(0xFFFFFFFF);
  k->SetSingle(std::nextafter(1.0f, 2.0f));
  k->SetDouble(-0.0);
  k->SetWhen(TDateTime{0.1 + 0.2});
  k->SetColor(TTestKinds::tcRed);
  k->SetOptions({});
  k->SetFlag(false);
  const QString text = QString::fromUtf8("q'uote ''\t\r\n#+ \u263A") + QChar(0xD800) + QStringLiteral("x") +
                       QString::fromUcs4(U"\U0001F600") + QString(200, QLatin1Char('z'));
  k->SetText(text);
  k->SetLines(QStringList{QString(), QStringLiteral("'"), QStringLiteral("two words")});
  QByteArray blob(100, '\0');
  for (int i = 0; i < blob.size(); ++i) blob[i] = static_cast<char>(i * 37);
  k->SetBlob(blob);
  k->Size()->SetRatio(std::numeric_limits<double>::quiet_NaN());
  k->Size()->SetWidth(std::numeric_limits<int>::max());
  k->TestItems()->AddItem<TTestItem>();  // an item with nothing but defaults
  k->TestItems()->AddItem<TTestItem>()->SetCaption(QStringLiteral("it''s"));
  auto* k2 = new TTestKinds(&form);  // unnamed
  k2->SetDouble(std::numeric_limits<double>::infinity());
  k2->SetSingle(-std::numeric_limits<float>::infinity());
  k2->SetBuddy(&form);
  const QByteArray written = WriteComponentDesign(&form);

  TTestForm back;
  ReadComponentDesign(&back, written);
  ASSERT_EQ(back.ComponentCount(), 2);
  auto* r = qobject_cast<TTestKinds*>(back.Components(0));
  auto* r2 = qobject_cast<TTestKinds*>(back.Components(1));
  ASSERT_TRUE(r && r2);
  EXPECT_EQ(r->Int8(), -128);
  EXPECT_EQ(r->UInt8(), 255);
  EXPECT_EQ(r->Int64(), std::numeric_limits<qint64>::min());
  EXPECT_EQ(r->UInt64(), 0u);
  EXPECT_EQ(r->UInt32(), 0xFFFFFFFFu);
  EXPECT_EQ(r->Single(), std::nextafter(1.0f, 2.0f));
  EXPECT_TRUE(r->Double() == 0 && std::signbit(r->Double()));
  EXPECT_EQ(r->When().Value, 0.1 + 0.2);
  EXPECT_EQ(r->Color(), TTestKinds::tcRed);
  EXPECT_EQ(r->Options(), TTestKinds::TTestOptions());
  EXPECT_FALSE(r->Flag());
  EXPECT_EQ(r->Text(), text);
  EXPECT_EQ(r->Lines(), k->Lines());
  EXPECT_EQ(r->Blob(), blob);
  EXPECT_TRUE(std::isnan(r->Size()->Ratio()));
  EXPECT_EQ(r->Size()->Width(), std::numeric_limits<int>::max());
  ASSERT_EQ(r->Items()->Count(), 2);
  EXPECT_EQ(qobject_cast<TTestItem*>(r->Items()->Items(1))->Caption(), QStringLiteral("it''s"));
  EXPECT_EQ(r2->Name(), QString());
  EXPECT_EQ(r2->Double(), std::numeric_limits<double>::infinity());
  EXPECT_EQ(r2->Single(), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(r2->Buddy(), &back);
  EXPECT_EQ(WriteComponentDesign(&back), written);
}

}  // namespace
}  // namespace lumicar
