// Reading form designs: every value kind, nested objects and property objects, dotted
// paths, stored-property hooks, events, collections, forward references, the loading
// state and Loaded order, and errors with their positions and clean-up.
#include "runtime/form_reader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <cmath>

#include "runtime/exception.h"
#include "tests/runtime/support/test_components.h"

namespace lumicar {
namespace {

using test::Log;
using test::TTestContainer;
using test::TTestForm;
using test::TTestItem;
using test::TTestKinds;
using test::TTestLinked;

class FormReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::RegisterTestClasses();
    Log().clear();
  }
};

TEST_F(FormReaderTest, ReadsEveryValueKindFromAResourceDesign) {
  TTestForm form;
  ReadComponentResource(&form, QStringLiteral(":/designs/kinds.form"));
  EXPECT_EQ(form.Name(), QStringLiteral("Form1"));
  EXPECT_EQ(form.Caption(), QStringLiteral("Kinds form"));
  ASSERT_EQ(form.ComponentCount(), 4);
  auto* k = qobject_cast<TTestKinds*>(form.Components(0));
  auto* linked = qobject_cast<TTestLinked*>(form.Components(1));
  auto* menu = qobject_cast<TTestContainer*>(form.Components(2));
  auto* item = qobject_cast<TTestContainer*>(form.Components(3));
  ASSERT_TRUE(k && linked && menu && item);
  EXPECT_EQ(k->Name(), QStringLiteral("Kinds1"));
  EXPECT_EQ(item->Name(), QStringLiteral("Item1"));
  EXPECT_EQ(k->Tag(), 42);
  EXPECT_EQ(k->Int8(), -128);
  EXPECT_EQ(k->UInt8(), 255);
  EXPECT_EQ(k->Int16(), -32768);
  EXPECT_EQ(k->UInt16(), 65535);
  EXPECT_EQ(k->Int32(), std::numeric_limits<qint32>::min());
  EXPECT_EQ(k->UInt32(), 0xFFFFFFFFu);
  EXPECT_EQ(k->Int64(), std::numeric_limits<qint64>::min());
  EXPECT_EQ(k->UInt64(), 18446744073709551614ull);
  EXPECT_EQ(k->Single(), 1.5f);
  EXPECT_EQ(k->Double(), -2.25e-10);
  EXPECT_EQ(k->When().Value, 45000.75);
  EXPECT_FALSE(k->Flag());
  EXPECT_EQ(k->Color(), TTestKinds::tcBlue);
  EXPECT_EQ(k->Options(), TTestKinds::TTestOptions(TTestKinds::toItalic | TTestKinds::toBold));
  EXPECT_EQ(k->Text(), QString::fromUtf8("It's \u263A ＭＳ Ｐゴシック\r\n"));
  EXPECT_EQ(k->Lines(), (QStringList{"one", "two"}));
  EXPECT_EQ(k->Blob(), QByteArray::fromHex("00FF10"));
  EXPECT_EQ(k->Size()->Width(), 1600);
  EXPECT_EQ(k->Size()->Height(), 1200);
  EXPECT_FALSE(k->Size()->Current());
  // Forward references are completed once the whole design is read.
  EXPECT_EQ(k->Buddy(), linked);
  EXPECT_EQ(form.PopupMenu(), menu);
  // The event is bound to the form's method.
  ASSERT_TRUE(static_cast<bool>(k->OnClick()));
  k->OnClick()(k);
  EXPECT_EQ(form.clicks, (std::vector<QObject*>{k}));
  ASSERT_EQ(k->Items()->Count(), 2);
  auto* first = qobject_cast<TTestItem*>(k->Items()->Items(0));
  auto* second = qobject_cast<TTestItem*>(k->Items()->Items(1));
  EXPECT_EQ(first->Caption(), QStringLiteral("first"));
  EXPECT_EQ(first->Value(), 1);
  EXPECT_EQ(second->Caption(), QStringLiteral("second"));
  EXPECT_EQ(second->Size()->Width(), 3);
  // Stored-property hooks, reached through dotted paths.
  EXPECT_EQ(linked->InputPin()->form, QStringLiteral("Form1"));
  EXPECT_TRUE(linked->InputPin()->saw_reader_root);
  EXPECT_EQ(linked->InputPin()->source, QStringLiteral("Form1.Kinds1.OutputPin"));
  EXPECT_EQ(linked->OutputPin()->sinks,
            (QStringList{"Form1.Pin1", "(Form1.Pin2 Form1.Pin1)", "(Form1.Pin3 'Pin [0]')"}));
  EXPECT_EQ(linked->OutputPin()->Priority(), 3);
  EXPECT_EQ(linked->data, QByteArray::fromHex("DEADBEEF"));
  // Nested object blocks: owned by the root, parented by the enclosing component.
  EXPECT_EQ(menu->GetParentComponent(), &form);
  EXPECT_EQ(item->GetParentComponent(), menu);
  EXPECT_EQ(item->Owner(), &form);
}

TEST_F(FormReaderTest, ComponentsLoadInDesignOrderAndStartAfterTheWholeDesign) {
  TTestForm form;
  form.SetName(QStringLiteral("Form2"));  // a root with a name keeps it
  const QByteArray design =
      "object Form1: TTestForm\n"
      "  object A: TTestKinds\n"
      "    Text = 'a'\n"
      "  end\n"
      "  object B: TTestLinked\n"
      "  end\n"
      "  object C: TTestKinds\n"
      "  end\n"
      "end\n";
  ReadComponentDesign(&form, design);
  EXPECT_EQ(form.Name(), QStringLiteral("Form2"));
  // The root sees the whole design read before anything of it starts.
  EXPECT_EQ(Log(), (std::vector<QString>{"DesignRead:Form2", "Loaded:A", "Loaded:B", "Loaded:C", "Loaded:Form2"}));
  auto* a = qobject_cast<TTestKinds*>(form.FindComponent(QStringLiteral("a")));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->loaded_calls, 1);
  for (int i = 0; i < form.ComponentCount(); ++i) {
    EXPECT_FALSE(form.Components(i)->IsLoading());
    EXPECT_FALSE(form.Components(i)->IsReading());
  }
  EXPECT_FALSE(form.IsLoading());
}

TEST_F(FormReaderTest, PropertiesAndHooksRunWhileTheComponentIsLoading) {
  TTestForm form;
  ReadComponentDesign(&form,
                      "object F: TTestForm\n object K: TTestKinds\n Text = 'x'\n end\n"
                      " object L: TTestLinked\n Data = {01}\n end\nend");
  auto* k = qobject_cast<TTestKinds*>(form.FindComponent(QStringLiteral("K")));
  auto* l = qobject_cast<TTestLinked*>(form.FindComponent(QStringLiteral("L")));
  ASSERT_TRUE(k && l);
  EXPECT_TRUE(k->was_loading_when_text_set);
  EXPECT_TRUE(l->data_read_while_loading);
  EXPECT_FALSE(k->IsLoading());
  // Unnamed objects: "object TClass".
  ReadComponentDesign(&form, "object TTestForm\n object TTestKinds\n end\nend");
  EXPECT_EQ(form.ComponentCount(), 3);
  EXPECT_EQ(form.Components(2)->Name(), QString());
  EXPECT_EQ(form.Name(), QStringLiteral("F"));
}

struct BadDesign {
  const char* design;
  const char* message;
};

class FormReaderErrorTest : public FormReaderTest, public ::testing::WithParamInterface<BadDesign> {};

TEST_P(FormReaderErrorTest, NamesLineAndColumnAndLeavesNothingBehind) {
  TTestForm form;
  form.SetCaption(QStringLiteral("before"));
  try {
    ReadComponentDesign(&form, QByteArray(GetParam().design));
    FAIL() << "read without error";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), QString::fromUtf8(GetParam().message));
  }
  EXPECT_EQ(form.ComponentCount(), 0);
  EXPECT_EQ(form.Name(), QString());
  EXPECT_FALSE(form.IsLoading());
  EXPECT_FALSE(form.IsReading());
  int destroyed = 0;
  for (const QString& line : Log()) {
    EXPECT_FALSE(line.startsWith(QLatin1String("Loaded:"))) << line.toStdString();
    destroyed += line.startsWith(QLatin1String("Destroyed:")) ? 1 : 0;
  }
  EXPECT_GE(destroyed, 0);
}

#define HEAD "object Form1: TTestForm\n  object K: TTestKinds\n"
INSTANTIATE_TEST_SUITE_P(
    Errors, FormReaderErrorTest,
    ::testing::Values(
        BadDesign{"", "Line 1, column 1: 'object' expected, found the end of the design"},
        BadDesign{"object Form1: TOther\nend",
                  "Line 1, column 15: the design is for class TOther, not for a TTestForm"},
        BadDesign{"object Form1: TTestForm\n  object X: TNope\n  end\nend", "Line 2, column 13: unknown class TNope"},
        BadDesign{HEAD "    Nope = 1\n  end\nend", "Line 3, column 5: unknown property Nope in TTestKinds"},
        BadDesign{HEAD "    Size.Depth = 1\n  end\nend", "Line 3, column 5: unknown property Depth in TTestSize"},
        BadDesign{HEAD "    Buddy.Tag = 1\n  end\nend", "Line 3, column 5: property Buddy of TTestKinds is nil"},
        BadDesign{HEAD "    Int32 = 'x'\n  end\nend", "Line 3, column 13: integer expected, found a string"},
        BadDesign{HEAD "    Int8 = 128\n  end\nend", "Line 3, column 12: 128 is out of range for property Int8"},
        BadDesign{HEAD "    UInt8 = -1\n  end\nend", "Line 3, column 13: integer out of range"},
        BadDesign{HEAD "    Int64 = 9223372036854775808\n  end\nend", "Line 3, column 13: integer out of range"},
        BadDesign{HEAD "    UInt64 = 18446744073709551616\n  end\nend", "Line 3, column 14: integer out of range"},
        BadDesign{HEAD "    Flag = 1\n  end\nend", "Line 3, column 12: True or False expected, found a number"},
        BadDesign{HEAD "    Color = tcPink\n  end\nend",
                  "Line 3, column 13: 'tcPink' is not a value of property Color"},
        BadDesign{HEAD "    Options = [toBold, toStrike]\n  end\nend",
                  "Line 3, column 15: 'toStrike' is not an element of property Options"},
        BadDesign{HEAD "    Options = [toBold toItalic]\n  end\nend",
                  "Line 3, column 23: ',' or ']' expected, found 'toItalic'"},
        BadDesign{HEAD "    Text = 'abc\n  end\nend", "Line 3, column 12: unterminated string"},
        BadDesign{HEAD "    Text = 'ＭＳ' + \n  end\nend", "Line 4, column 3: string expected after '+'"},
        BadDesign{HEAD "    Text = 'ＭＳ' @\n  end\nend", "Line 3, column 17: unexpected character '@'"},
        BadDesign{HEAD "    Text = '\xff'\n  end\nend", "Line 3, column 12: invalid UTF-8 in string"},
        BadDesign{HEAD "    Blob = {0A1\n  end\nend", "Line 4, column 4: hexadecimal digit expected in binary value"},
        BadDesign{HEAD "    Blob = {0A", "Line 3, column 12: unterminated binary value"},
        BadDesign{HEAD "    Lines = ('a' 'b'\n  end\nend", "Line 4, column 3: string expected, found 'end'"},
        BadDesign{"object Form1: TTestForm\n  object L: TTestLinked\n    OutputPin.SinkPins = (A (B C)\n  end\nend",
                  "Line 5, column 4: unterminated list"},
        BadDesign{"object Form1: TTestForm\n  object L: TTestLinked\n    OutputPin.Nope = A\n  end\nend",
                  "Line 3, column 5: unknown property Nope in TTestPin"},
        BadDesign{"object Form1: TTestForm\n  object L: TTestLinked\n    Data = 'text'\n  end\nend",
                  "Line 3, column 12: binary value expected, found a string"},
        BadDesign{HEAD "    OnClick = Nope\n  end\nend", "Line 3, column 15: unknown method Nope in TTestForm"},
        BadDesign{HEAD "    OnClick = WrongShape\n  end\nend",
                  "Line 3, column 15: method WrongShape of TTestForm does not fit event OnClick"},
        BadDesign{HEAD "    Buddy = Nobody\n  end\nend", "Line 3, column 13: unknown component Nobody"},
        BadDesign{HEAD "    ReadOnly = 3\n  end\nend", "Line 3, column 16: property ReadOnly is read-only"},
        BadDesign{HEAD "    Items = <\n      item\n        Value = 'v'\n      end>\n  end\nend",
                  "Line 5, column 17: integer expected, found a string"},
        BadDesign{HEAD "    Items = <\n      thing\n  end\nend",
                  "Line 4, column 7: 'item' or '>' expected, found 'thing'"},
        BadDesign{HEAD "  end\n  object K: TTestKinds\n  end\nend",
                  "Line 4, column 10: A component named K already exists"},
        BadDesign{HEAD "  end\n", "Line 4, column 1: 'end' expected for the object opened at line 1"},
        BadDesign{HEAD "  end\nend\nend", "Line 5, column 1: text after the end of the design"},
        BadDesign{HEAD "    Tag 1\n  end\nend", "Line 3, column 9: '=' expected, found a number"},
        BadDesign{HEAD "    = 1\n  end\nend",
                  "Line 3, column 5: property name, 'object' or 'end' expected, found '='"}));
#undef HEAD

TEST_F(FormReaderTest, FailingLoadedFreesTheWholeDesign) {
  TTestForm form;
  try {
    ReadComponentDesign(&form,
                        "object Form1: TTestForm\n  object F: TTestFailing\n  end\n  object K: TTestKinds\n  end\nend");
    FAIL() << "no error";
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("cannot start F"));
  }
  EXPECT_EQ(form.ComponentCount(), 0);  // the helper F made is gone too
  EXPECT_EQ(Log(), (std::vector<QString>{"DesignRead:Form1", "Destroyed:K", "Destroyed:F"}));
}

TEST_F(FormReaderTest, LinksStoredOnBothEndsReachEachPinsHooksInDesignOrder) {
  TTestForm form;
  ReadComponentResource(&form, QStringLiteral(":/designs/viewer_links.form"));
  auto* display = qobject_cast<TTestLinked*>(form.FindComponent(QStringLiteral("Display1")));
  auto* capture = qobject_cast<TTestLinked*>(form.FindComponent(QStringLiteral("Capture1")));
  auto* mirror = qobject_cast<TTestLinked*>(form.FindComponent(QStringLiteral("Mirror1")));
  ASSERT_TRUE(display && capture && mirror);
  // The display names a mirror that does not exist yet when it is read: hooks get
  // the stored text and resolve it themselves.
  EXPECT_EQ(display->InputPin()->source, QStringLiteral("Form1.Mirror1.OutputPin"));
  EXPECT_EQ(display->InputPin()->form, QStringLiteral("Form1"));
  EXPECT_EQ(capture->OutputPin()->sinks, QStringList{"Form1.Mirror1.InputPin"});
  EXPECT_EQ(mirror->InputPin()->source, QStringLiteral("Form1.Capture1.OutputPin"));
  EXPECT_EQ(mirror->OutputPin()->sinks, QStringList{"Form1.Display1.InputPin"});
  EXPECT_EQ(Log(), (std::vector<QString>{"DesignRead:Form1", "Loaded:Display1", "Loaded:Capture1", "Loaded:Mirror1",
                                         "Loaded:Form1"}));
}

TEST_F(FormReaderTest, ValueStreamGivesKindsAndTypedValuesToHooks) {
  const std::vector<TFormToken> tokens = TokenizeFormDesign(
      "Null nil TRUE false -$10 2.5e3 'a'#66 {00 ff} [x, y] (1) <item end> A.b_1 NaN -Inf 18446744073709551615");
  TReader r(tokens, nullptr);
  const TValueType kinds[] = {vaNull,   vaNil,    vaTrue, vaFalse, vaInt,        vaFloat,
                              vaString, vaBinary, vaSet,  vaList,  vaCollection, vaIdent};
  std::vector<TValueType> seen;
  for (size_t i = 0; i < std::size(kinds); ++i) {
    seen.push_back(r.NextValue());
    if (i < 2) {
      EXPECT_EQ(r.ReadIdent(), i == 0 ? QStringLiteral("Null") : QStringLiteral("nil"));
    } else if (i < 4) {
      EXPECT_EQ(r.ReadBoolean(), i == 2);
    } else if (i == 4) {
      EXPECT_EQ(r.ReadInteger(), -16);
    } else if (i == 5) {
      EXPECT_EQ(r.ReadFloat(), 2500.0);
    } else if (i == 6) {
      EXPECT_EQ(r.ReadString(), QStringLiteral("aB"));
    } else if (i == 7) {
      EXPECT_EQ(r.ReadBinary(), QByteArray("\x00\xff", 2));
    } else if (i == 8) {
      EXPECT_EQ(r.ReadSet(), (QStringList{"x", "y"}));
    } else if (i == 9) {
      r.ReadListBegin();
      EXPECT_FALSE(r.EndOfList());
      EXPECT_EQ(r.ReadFloat(), 1.0);  // integers read as floats too
      EXPECT_TRUE(r.EndOfList());
      r.ReadListEnd();
    } else if (i == 10) {
      r.SkipValue();
    } else {
      EXPECT_EQ(r.ReadIdent(), QStringLiteral("A.b_1"));
    }
  }
  EXPECT_EQ(seen, std::vector<TValueType>(std::begin(kinds), std::end(kinds)));
  EXPECT_TRUE(std::isnan(r.ReadFloat()));
  EXPECT_EQ(r.ReadFloat(), -std::numeric_limits<double>::infinity());
  EXPECT_THROW(r.ReadInteger(), EReadError);  // beyond qint64
  EXPECT_EQ(r.ReadUInt64(), ~quint64{0});
  EXPECT_TRUE(r.AtEnd());
}

TEST_F(FormReaderTest, DeepNestingIsAnErrorNotAStackOverflow) {
  QByteArray design = "object Form1: TTestForm\n";
  for (int i = 0; i < 100; ++i) design += "object TTestContainer\n";
  TTestForm deep;
  EXPECT_THROW(ReadComponentDesign(&deep, design), EReadError);
  EXPECT_EQ(deep.ComponentCount(), 0);
  QByteArray lists = "object Form1: TTestForm\n object L: TTestLinked\n OutputPin.SinkPins = ";
  lists += QByteArray(100000, '(');
  TTestForm form;
  try {
    ReadComponentDesign(&form, lists);
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_TRUE(e.Message().endsWith(QLatin1String("values nested too deeply"))) << e.Message().toStdString();
  }
  EXPECT_EQ(form.ComponentCount(), 0);
}

TEST_F(FormReaderTest, MissingResourceIsAReadError) {
  TTestForm form;
  EXPECT_THROW(ReadComponentResource(&form, QStringLiteral(":/designs/none.form")), EReadError);
}

}  // namespace
}  // namespace lumicar
