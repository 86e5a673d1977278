// Published properties: kinds, order, defaults, access by dotted path, range and
// name checks, events bound by name.
#include "runtime/properties.h"

#include <gtest/gtest.h>

#include <cmath>

#include "runtime/event.h"
#include "runtime/exception.h"
#include "tests/runtime/support/test_components.h"

namespace lumicar {
namespace {

using test::TTestKinds;

TEST(PropertiesTest, ListHasDeclarationOrderInheritedFirstWithKindsAndSizes) {
  const auto& list = GetPropList(&TTestKinds::staticMetaObject);
  struct Expected {
    const char* name;
    TPropKind kind;
    int size;
  };
  const Expected expected[] = {
      {"Name", pkString, 0},      {"Tag", pkInteger, 8},      {"Int8", pkInteger, 1},      {"UInt8", pkUnsigned, 1},
      {"Int16", pkInteger, 2},    {"UInt16", pkUnsigned, 2},  {"Int32", pkInteger, 4},     {"UInt32", pkUnsigned, 4},
      {"Int64", pkInteger, 8},    {"UInt64", pkUnsigned, 8},  {"Single", pkFloat, 4},      {"Double", pkFloat, 8},
      {"When", pkDateTime, 8},    {"Flag", pkBoolean, 0},     {"Color", pkEnumeration, 4}, {"Options", pkSet, 4},
      {"Text", pkString, 0},      {"Lines", pkStringList, 0}, {"Blob", pkBinary, 0},       {"Size", pkObject, 0},
      {"Buddy", pkObject, 0},     {"Items", pkObject, 0},     {"OnClick", pkEvent, 0},     {"Hidden", pkInteger, 4},
      {"ReadOnly", pkInteger, 4},
  };
  ASSERT_EQ(list.size(), std::size(expected));
  for (size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i].name, QLatin1String(expected[i].name)) << i;
    EXPECT_EQ(list[i].kind, expected[i].kind) << expected[i].name;
    if (expected[i].size != 0) {
      EXPECT_EQ(list[i].size, expected[i].size) << expected[i].name;
    }
  }
  EXPECT_FALSE(FindPropInfo(&TTestKinds::staticMetaObject, QStringLiteral("Name"))->IsStored());
  EXPECT_FALSE(FindPropInfo(&TTestKinds::staticMetaObject, QStringLiteral("hidden"))->IsStored());
  EXPECT_FALSE(FindPropInfo(&TTestKinds::staticMetaObject, QStringLiteral("ReadOnly"))->IsWritable());
  const TPropInfo* color = FindPropInfo(&TTestKinds::staticMetaObject, QStringLiteral("Color"));
  EXPECT_EQ(EnumName(*color, 2), QStringLiteral("tcBlue"));
  EXPECT_EQ(EnumName(*color, 9), QString());
}

TEST(PropertiesTest, DeclaredAndImplicitDefaults) {
  TTestKinds k;
  for (const char* name : {"Int32", "UInt64", "Double", "Flag", "Color", "Options", "Text", "Single", "When", "Lines",
                           "Blob", "Buddy", "OnClick", "Tag"}) {
    const TPropInfo* info = FindPropInfo(&k, QLatin1String(name));
    EXPECT_TRUE(IsDefaultValue(&k, *info)) << name;
  }
  // Ordinals without a declared default are always stored.
  EXPECT_FALSE(IsDefaultValue(&k, *FindPropInfo(&k, QStringLiteral("Int8"))));
  const TPropInfo* options = FindPropInfo(&k, QStringLiteral("Options"));
  EXPECT_EQ(options->defaultValue.toLongLong(), TTestKinds::toBold | TTestKinds::toUnderline);
  const TPropInfo* u64 = FindPropInfo(&k, QStringLiteral("UInt64"));
  EXPECT_EQ(u64->defaultValue.toULongLong(), ~quint64{0});
  k.SetSingle(-0.0f);  // a negative zero is not the implicit default
  EXPECT_FALSE(IsDefaultValue(&k, *FindPropInfo(&k, QStringLiteral("Single"))));
  k.SetText(QString());
  EXPECT_FALSE(IsDefaultValue(&k, *FindPropInfo(&k, QStringLiteral("Text"))));
  k.SetDouble(2.5000001);
  EXPECT_FALSE(IsDefaultValue(&k, *FindPropInfo(&k, QStringLiteral("Double"))));
}

TEST(PropertiesTest, GetAndSetByNameAndDottedPath) {
  TTestKinds k;
  SetPropValue(&k, QStringLiteral("size.WIDTH"), 1600);
  EXPECT_EQ(k.Size()->Width(), 1600);
  EXPECT_EQ(GetPropValue(&k, QStringLiteral("Size.Width")).toInt(), 1600);
  SetPropValue(&k, QStringLiteral("Color"), QStringLiteral("tcred"));
  EXPECT_EQ(k.Color(), TTestKinds::tcRed);
  SetPropValue(&k, QStringLiteral("Color"), 2);
  EXPECT_EQ(k.Color(), TTestKinds::tcBlue);
  SetPropValue(&k, QStringLiteral("Options"), QStringList{"toItalic", "toUnderline"});
  EXPECT_EQ(k.Options(), TTestKinds::TTestOptions(TTestKinds::toItalic | TTestKinds::toUnderline));
  SetPropValue(&k, QStringLiteral("Options"), QStringLiteral("[toBold]"));
  EXPECT_EQ(k.Options(), TTestKinds::TTestOptions(TTestKinds::toBold));
  SetPropValue(&k, QStringLiteral("UInt64"), QVariant::fromValue<quint64>(18446744073709551614ull));
  EXPECT_EQ(k.UInt64(), 18446744073709551614ull);
  SetPropValue(&k, QStringLiteral("Int64"), QVariant::fromValue<qint64>(std::numeric_limits<qint64>::min()));
  EXPECT_EQ(k.Int64(), std::numeric_limits<qint64>::min());
  SetPropValue(&k, QStringLiteral("When"), 45000.5);
  EXPECT_EQ(k.When().Value, 45000.5);
  SetPropValue(&k, QStringLiteral("Single"), 0.1);
  EXPECT_EQ(k.Single(), 0.1f);
  SetPropValue(&k, QStringLiteral("Flag"), false);
  EXPECT_FALSE(k.Flag());
  TComponent buddy;
  SetPropValue(&k, QStringLiteral("Buddy"), QVariant::fromValue(&buddy));
  EXPECT_EQ(k.Buddy(), &buddy);
  EXPECT_EQ(GetObjectValue(&k, *FindPropInfo(&k, QStringLiteral("Buddy"))), &buddy);
  SetPropValue(&k, QStringLiteral("Buddy"), QVariant());
  EXPECT_EQ(k.Buddy(), nullptr);
}

TEST(PropertiesTest, WrongNamesKindsAndRangesAreRefused) {
  TTestKinds k;
  const auto refuses = [&](const char* path, const QVariant& v) {
    EXPECT_THROW(SetPropValue(&k, QLatin1String(path), v), EPropertyError) << path << " " << v.toString().toStdString();
  };
  refuses("Nope", 1);
  refuses("Int32.Width", 1);   // not an object
  refuses("Buddy.Name", "x");  // nil on the way
  refuses("Int8", 128);
  refuses("Int8", -129);
  refuses("UInt8", 256);
  refuses("UInt8", -1);
  refuses("Int16", 40000);
  refuses("UInt32", QVariant::fromValue<qint64>(1ll << 32));
  refuses("Int64", QVariant::fromValue<quint64>(1ull << 63));
  refuses("Int32", 1.5);
  refuses("Color", QStringLiteral("tcPink"));
  refuses("Color", 7);
  refuses("Options", QStringList{"toBold", "toStrike"});
  refuses("Options", 8);
  refuses("Flag", QStringLiteral("maybe"));
  refuses("ReadOnly", 3);
  QObject plain;
  refuses("Buddy", QVariant::fromValue(&plain));  // not a component
  EXPECT_EQ(k.Int8(), 0);
  EXPECT_EQ(k.Color(), TTestKinds::tcGreen);
  EXPECT_THROW(GetPropValue(&k, QStringLiteral("Size.Depth")), EPropertyError);
}

TEST(PropertiesTest, EventsBindToInvokableMethodsByName) {
  const TEventTypeInfo* info = FindEventType(QMetaType::fromType<TNotifyEvent>());
  ASSERT_NE(info, nullptr);
  auto* form = new test::TTestForm;
  const QMetaObject* meta = form->metaObject();
  const QMetaMethod click = meta->method(meta->indexOfMethod("Button1Click(QObject*)"));
  const QMetaMethod wrong = meta->method(meta->indexOfMethod("WrongShape(int)"));
  EXPECT_TRUE(MethodMatchesEvent(*info, click));
  EXPECT_FALSE(MethodMatchesEvent(*info, wrong));
  TTestKinds k;
  SetPropValue(&k, QStringLiteral("OnClick"), info->bind(form, click));
  ASSERT_TRUE(static_cast<bool>(k.OnClick()));
  EXPECT_EQ(k.OnClick().MethodName(), QStringLiteral("Button1Click"));
  EXPECT_EQ(k.OnClick().Target(), form);
  k.OnClick()(&k);
  ASSERT_EQ(form->clicks.size(), 1u);
  EXPECT_EQ(form->clicks[0], &k);
  delete form;
  k.OnClick()(&k);  // the target is gone: nothing happens
  EXPECT_EQ(k.OnClick().Target(), nullptr);
  // Events set by code: a lambda, and a member function with its name.
  int calls = 0;
  k.SetOnClick(TNotifyEvent([&](TObject*) { ++calls; }));
  k.OnClick()(nullptr);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(k.OnClick().MethodName().isEmpty());
  test::TTestForm f2;
  k.SetOnClick(TNotifyEvent(&f2, &test::TTestForm::Button1Click, QStringLiteral("Button1Click")));
  k.OnClick()(&f2);
  EXPECT_EQ(f2.clicks.size(), 1u);
}

}  // namespace
}  // namespace lumicar
