// The windowed-control layer: alignment in the parent window, colours,
// visibility, the pop-up menu, mouse events routed to the control's handlers,
// cursor hiding, and repaint requests from another thread.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <memory>
#include <thread>

#include "runtime/properties.h"
#include "tests/ui/qt_application.h"
#include "ui/lp_custom_control.h"

namespace lumicar::test {

// Counts paints and records the mouse handlers' calls.
class TRecordingControl : public TLPCustomControl {
  Q_OBJECT
 public:
  explicit TRecordingControl(TComponent* owner = nullptr) : TLPCustomControl(owner) {}
  int paints = 0;
  int clicks = 0;
  int resizes = 0;

 protected:
  bool PaintWindow(const QRect&) override {
    ++paints;
    return false;
  }
  void Resized() override { ++resizes; }
  void Click() override {
    ++clicks;
    TLPCustomControl::Click();
  }
};

// Stands in for the pop-up menu: anything with an invokable Popup(x, y).
class TTestMenu : public TComponent {
  Q_OBJECT
 public:
  using TComponent::TComponent;
  Q_INVOKABLE void Popup(int x, int y) {
    ++popups;
    at = QPoint(x, y);
  }
  int popups = 0;
  QPoint at;
};

namespace {

TEST(AlignRects, EdgesInOrderThenTheClientRest) {
  const QRect client(0, 0, 100, 80);
  const std::vector<TAlignItem> items = {{alClient, QRect(5, 5, 1, 1)}, {alTop, QRect(0, 0, 10, 20)},
                                         {alLeft, QRect(0, 0, 30, 5)},  {alBottom, QRect(0, 0, 10, 10)},
                                         {alNone, QRect(7, 8, 9, 10)},  {alRight, QRect(0, 0, 15, 5)},
                                         {alTop, QRect(0, 0, 10, 5)}};
  const std::vector<QRect> r = AlignRects(client, items);
  EXPECT_EQ(r[1], QRect(0, 0, 100, 20));
  EXPECT_EQ(r[6], QRect(0, 20, 100, 5));
  EXPECT_EQ(r[3], QRect(0, 70, 100, 10));
  EXPECT_EQ(r[2], QRect(0, 25, 30, 45));
  EXPECT_EQ(r[5], QRect(85, 25, 15, 45));
  EXPECT_EQ(r[0], QRect(30, 25, 55, 45));
  EXPECT_EQ(r[4], QRect(7, 8, 9, 10));
}

TEST(AlignRects, ASmallParentGivesEmptyNotInvertedControls) {
  const std::vector<QRect> r =
      AlignRects(QRect(0, 0, 10, 10), {{alTop, QRect(0, 0, 5, 30)}, {alLeft, QRect(0, 0, 40, 5)}, {alClient, {}}});
  EXPECT_EQ(r[0], QRect(0, 0, 10, 10));
  EXPECT_EQ(r[1], QRect(0, 10, 10, 0));
  EXPECT_EQ(r[2], QRect(10, 10, 0, 0));
}

TEST(WindowedControl, AlignedControlsFollowTheirParent) {
  QWidget parent;
  parent.resize(200, 100);
  TRecordingControl top;
  TRecordingControl rest;
  top.SetParent(&parent);
  rest.SetParent(&parent);
  top.SetHeight(20);
  top.SetAlign(alTop);
  rest.SetAlign(alClient);
  parent.show();
  QApplication::processEvents();
  EXPECT_EQ(top.Widget()->geometry(), QRect(0, 0, 200, 20));
  EXPECT_EQ(rest.Widget()->geometry(), QRect(0, 20, 200, 80));
  parent.resize(300, 50);
  QApplication::processEvents();
  EXPECT_EQ(rest.Widget()->geometry(), QRect(0, 20, 300, 30));
  EXPECT_GT(rest.resizes, 0);
  EXPECT_EQ(rest.ClientSize(), QSize(300, 30));
}

TEST(WindowedControl, ColoursVisibilityAndHint) {
  QWidget parent;
  TRecordingControl c;
  EXPECT_EQ(c.Color(), clWindow);
  c.SetParentColor(true);
  c.SetParent(&parent);
  EXPECT_EQ(c.ResolvedColor(), parent.palette().color(QPalette::Window));
  c.SetColor(TColor(0x0000FF));
  EXPECT_FALSE(c.ParentColor());
  EXPECT_EQ(c.ResolvedColor(), QColor(255, 0, 0));
  qint64 value = 0;
  ASSERT_TRUE(IdentToInt(QMetaType::fromType<TColor>(), "clBtnFace", &value));
  EXPECT_EQ(value, clBtnFace);

  // A control without a parent window never opens a window of its own.
  TRecordingControl lone;
  lone.SetVisible(false);
  lone.SetVisible(true);
  EXPECT_FALSE(lone.Widget()->isVisible());
  parent.show();
  EXPECT_TRUE(c.Widget()->isVisible());
  c.SetVisible(false);
  EXPECT_FALSE(c.Widget()->isVisible());

  c.SetHint("picture");
  EXPECT_TRUE(c.Widget()->toolTip().isEmpty());
  c.SetShowHint(true);
  EXPECT_EQ(c.Widget()->toolTip(), QStringLiteral("picture"));

  c.SetCursorVisible(false);
  EXPECT_EQ(c.Widget()->cursor().shape(), Qt::BlankCursor);
  c.SetCursorVisible(true);
  EXPECT_NE(c.Widget()->cursor().shape(), Qt::BlankCursor);
}

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::ControlModifier);
  QCoreApplication::sendEvent(w, &e);
}

TEST(WindowedControl, MouseEventsReachTheHandlersAndEvents) {
  TRecordingControl c;
  c.SetBounds(0, 0, 50, 40);
  std::vector<QString> log;
  c.SetOnMouseDown(TMouseEvent([&](TObject* sender, TMouseButton b, TShiftState s, int x, int y) {
    EXPECT_EQ(sender, &c);
    log.push_back(QStringLiteral("down %1 %2 %3,%4").arg(int(b)).arg(int(s)).arg(x).arg(y));
  }));
  c.SetOnMouseUp(TMouseEvent([&](TObject*, TMouseButton b, TShiftState, int x, int y) {
    log.push_back(QStringLiteral("up %1 %2,%3").arg(int(b)).arg(x).arg(y));
  }));
  c.SetOnMouseMove(TMouseMoveEvent(
      [&](TObject*, TShiftState, int x, int y) { log.push_back(QStringLiteral("move %1,%2").arg(x).arg(y)); }));
  QWidget* w = c.Widget();
  Mouse(w, QEvent::MouseButtonPress, {3, 4}, Qt::LeftButton, Qt::LeftButton);
  Mouse(w, QEvent::MouseMove, {5, 6}, Qt::NoButton, Qt::LeftButton);
  Mouse(w, QEvent::MouseButtonRelease, {7, 8}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(c.clicks, 1);
  // Released outside the control: no click.
  Mouse(w, QEvent::MouseButtonPress, {3, 4}, Qt::LeftButton, Qt::LeftButton);
  Mouse(w, QEvent::MouseButtonRelease, {70, 8}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(c.clicks, 1);
  // Right button: no click either.
  Mouse(w, QEvent::MouseButtonPress, {1, 1}, Qt::RightButton, Qt::RightButton);
  Mouse(w, QEvent::MouseButtonRelease, {1, 1}, Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(c.clicks, 1);
  ASSERT_EQ(log.size(), 7u);
  EXPECT_EQ(log[0], QStringLiteral("down 0 %1 3,4").arg(int(ssCtrl | ssLeft)));
  EXPECT_EQ(log[1], QStringLiteral("move 5,6"));
  EXPECT_EQ(log[2], QStringLiteral("up 0 7,8"));
  EXPECT_EQ(log[5], QStringLiteral("down 1 %1 1,1").arg(int(ssCtrl | ssRight)));
}

TEST(WindowedControl, PopupMenuIsCalledAndForgottenWhenFreed) {
  TComponent form;
  auto* menu = new TTestMenu(&form);
  TRecordingControl c;
  c.SetBounds(0, 0, 50, 40);
  c.setProperty("PopupMenu", QVariant::fromValue<TComponent*>(menu));
  EXPECT_EQ(c.PopupMenu(), menu);
  QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 6), QPoint(105, 206));
  QCoreApplication::sendEvent(c.Widget(), &e);
  EXPECT_EQ(menu->popups, 1);
  EXPECT_EQ(menu->at, QPoint(105, 206));
  delete menu;
  EXPECT_EQ(c.PopupMenu(), nullptr);
  QCoreApplication::sendEvent(c.Widget(), &e);
}

TEST(WindowedControl, InvalidateFromAnotherThreadPaintsOnTheWindowThread) {
  TRecordingControl c;
  c.SetBounds(0, 0, 20, 20);
  c.Widget()->show();
  QApplication::processEvents();
  const int before = c.paints;
  std::thread other([&] {
    EXPECT_FALSE(c.InWindowThread());
    for (int i = 0; i < 100; ++i) c.Invalidate();
  });
  other.join();
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_GT(c.paints, before);
}

}  // namespace
}  // namespace lumicar::test

#include "windowed_control_test.moc"
