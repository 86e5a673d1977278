// The windowed member of the component bases: its window, lock, Assign and "_Floats".

#include "ui/lp_custom_control.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "runtime/exception.h"
#include "runtime/filer.h"
#include "runtime/form_writer.h"
#include "tests/components/test_classes.h"
#include "tests/ui/qt_application.h"

namespace lumicar::test {

class TTestControl : public TLPCustomControl {
  Q_OBJECT
  Q_PROPERTY(double Zoom READ Zoom WRITE SetZoom)
  Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
  Q_PROPERTY(lumicar::test::TTestSize* Size READ Size WRITE SetSize)
  Q_PROPERTY(lumicar::test::TTestPin* Pin READ Pin)
 public:
  Q_INVOKABLE explicit TTestControl(lumicar::TComponent* owner = nullptr)
      : TLPCustomControl(owner), size_(this), pin_() {}
  double Zoom() const { return Lock()->Getter(zoom_); }
  void SetZoom(double v) { Lock()->SetterMinMax(zoom_, v, 0.0, 8.0); }
  bool Stretch() const { return Lock()->Getter(stretch_); }
  void SetStretch(bool v) { Lock()->Setter(stretch_, v); }
  TTestSize* Size() { return &size_; }
  void SetSize(TTestSize* v) { size_.Assign(v); }
  TTestPin* Pin() { return &pin_; }
  void NotifyProp() override { ++notifications; }
  int notifications = 0;

 private:
  double zoom_ = 1.0;
  bool stretch_ = false;
  TTestSize size_;
  TTestPin pin_;
};

namespace {

TEST(LPCustomControl, OwnsAWindowThatMayBeFreedFirst) {
  auto control = std::make_unique<TTestControl>();
  ASSERT_NE(control->Widget(), nullptr);
  // A parent window that goes first takes the control's window with it.
  auto parent = std::make_unique<QWidget>();
  control->Widget()->setParent(parent.get());
  parent.reset();
  EXPECT_EQ(control->Widget(), nullptr);
  control.reset();  // and the control does not free it again
}

TEST(LPCustomControl, SettersNotifyAndPropertyObjectsShareTheLock) {
  TTestControl control;
  control.SetZoom(20.0);
  EXPECT_EQ(control.Zoom(), 8.0);
  control.SetZoom(8.0);
  EXPECT_EQ(control.notifications, 1);
  EXPECT_EQ(control.Size()->Lock()->Instance(), control.Lock()->Instance());
}

TEST(LPCustomControl, AssignCopiesValuesNotNameOrPins) {
  TTestControl a;
  TTestControl b;
  a.SetName("A");
  b.SetName("B");
  a.SetZoom(2.0);
  a.SetStretch(true);
  a.Size()->SetWidth(1024);
  a.Pin()->SetValue(5);
  b.Assign(&a);
  EXPECT_EQ(b.Zoom(), 2.0);
  EXPECT_TRUE(b.Stretch());
  EXPECT_EQ(b.Size()->Width(), 1024u);
  EXPECT_EQ(b.Name(), QStringLiteral("B"));
  EXPECT_EQ(b.Pin()->Value(), 0);
  TTestForm plain;
  EXPECT_THROW(b.Assign(&plain), EConvertError);
}

TEST(LPCustomControl, ZeroFloatIsListedInFloats) {
  TTestForm form;
  form.SetName("Form1");
  auto* control = NewComponent<TTestControl>(&form);
  control->SetName("Display1");
  control->SetZoom(0.0);
  const QString design = QString::fromUtf8(WriteComponentDesign(&form));
  EXPECT_TRUE(design.contains("_Floats = (Zoom 0")) << design.toStdString();
}

}  // namespace
}  // namespace lumicar::test

#include "lp_custom_control_test.moc"
