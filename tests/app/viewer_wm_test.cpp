// The viewer under a real stacking window manager (tests/run-under-xvfb-wm.sh
// starts one on the Xvfb server): full-screen round trips in every way a
// user makes them, in random order, each checked against what the X server
// and the screen show, not only against Qt's view; maximising through the
// window manager and full screen after it; stay-on-top on the same native
// window. Every wait is for a state of the window, bounded only as a guard
// against a hang.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <random>

#include "app/startup.h"
#include "testing/event_pump.h"
#include "tests/app/viewer_test_support.h"
#include "tests/ui/qt_application.h"
#include "ui/application.h"
#include "ui/x11_window.h"

namespace lumicar::test {
namespace {

constexpr int kFramesPerSecond = 5;
const QSize kNormalSize(TForm1::kNormalWidth, TForm1::kNormalHeight);

class ViewerWindowManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(X11WindowManagerRunning()) << "run this under tests/run-under-xvfb-wm.sh";
    previousHandler = SetExceptionHandler([](const Exception& e) { ADD_FAILURE() << e.Message().toStdString(); });
    std::unique_ptr<TForm1> main = MakeMainWindow({kFramesPerSecond});
    std::unique_ptr<TForm2> about(NewComponent<TForm2>(nullptr));
    windows = AssembleViewerWindows(std::move(main), std::move(about));
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window(), static_cast<int>(testtools::kHangGuard.count())));
    ASSERT_TRUE(WaitNormalCentred()) << Describe();
  }
  void TearDown() override {
    windows = TViewerWindows();
    TLPForm::SetMainForm(nullptr);
    SetExceptionHandler(previousHandler);
  }

  TForm1& Form() const { return *windows.main; }
  QWidget* Window() const { return windows.main->Widget(); }
  QWidget* Picture() const { return windows.main->VLDSImageDisplay1->Widget(); }
  TX11WindowState Native() const { return ReadX11WindowState(Window()->windowHandle()); }
  QRect Screen() const { return Window()->screen()->geometry(); }

  std::string Describe() const {
    const TX11WindowState s = Native();
    const auto rect = [](const QRect& r) {
      return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    return QStringLiteral(
               "server: client %1 frame %2/%3/%4/%5 full screen %6 maximised %7; Qt: %8, picture %9x%10, "
               "caption %11, settled %12")
        .arg(rect(s.client))
        .arg(s.frame.left())
        .arg(s.frame.top())
        .arg(s.frame.right())
        .arg(s.frame.bottom())
        .arg(s.fullScreen)
        .arg(s.maximized)
        .arg(rect(Window()->geometry()))
        .arg(Picture()->width())
        .arg(Picture()->height())
        .arg(Form().N11->Caption())
        .arg(Form().PresentationSettled())
        .toStdString();
  }

  // The server, Qt and the picture agree on the client area.
  bool Consistent(const TX11WindowState& s) const {
    return s.known && s.mapped && Window()->geometry() == s.client && Picture()->size() == s.client.size();
  }
  bool WaitNormalCentred() const {
    const QRect area = Window()->screen()->availableGeometry();
    return testtools::PumpUntil([&] {
      const TX11WindowState s = Native();
      return Form().PresentationSettled() && Consistent(s) && !s.fullScreen && !s.maximized && s.frame != QMargins() &&
             s.Outer().size() == kNormalSize && (s.Outer().center() - area.center()).manhattanLength() <= 1 &&
             Form().N11->Caption() == QString::fromUtf8(TForm1::kFullScreenCaption);
    });
  }
  bool WaitFullScreen() const {
    return testtools::PumpUntil([&] {
      const TX11WindowState s = Native();
      return Form().PresentationSettled() && Consistent(s) && s.fullScreen && s.client == Screen() &&
             Form().N11->Caption() == QString::fromUtf8(TForm1::kReturnCaption);
    });
  }
  // The screen shows the pattern in the window's client area: its marker in
  // the top-left quarter, and no black left where the picture should be.
  bool WaitForPictureInWindow() const {
    return testtools::PumpUntil([&] {
      const QRect client = Native().client;
      const QImage shot =
          Window()->screen()->grabWindow(0, client.x(), client.y(), client.width(), client.height()).toImage();
      const QPoint m = FindPatternMarker(shot);
      if (m.x() < 0 || m.x() >= shot.width() / 2 || m.y() >= shot.height() / 2) return false;
      qint64 black = 0;
      const QImage rgb = shot.convertToFormat(QImage::Format_RGB32);
      for (int y = 0; y < rgb.height(); y += 4) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); x += 4) black += (qRed(row[x]) + qGreen(row[x]) + qBlue(row[x]) < 24);
      }
      // One of the pattern's eight bars is black.
      return black * 16 < qint64(rgb.width()) * rgb.height() * 3 / 10;
    });
  }

  enum class TWay { kDoubleClick, kMenu, kF11, kEscape };
  void Toggle(TWay way) {
    switch (way) {
      case TWay::kDoubleClick:
        QTest::mouseDClick(Picture(), Qt::LeftButton, Qt::NoModifier, Picture()->rect().center());
        break;
      case TWay::kMenu:
        Form().N11->Action()->trigger();
        break;
      case TWay::kF11:
      case TWay::kEscape:
        // Keys reach the active window only.
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window(), static_cast<int>(testtools::kHangGuard.count())));
        QTest::keyClick(Window(), way == TWay::kF11 ? Qt::Key_F11 : Qt::Key_Escape);
        break;
    }
  }

  TExceptionHandler previousHandler;
  TViewerWindows windows;
};

TEST_F(ViewerWindowManagerTest, HundredFullScreenRoundTripsInRandomWays) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  std::mt19937 random(seed);
  const TWay enter[] = {TWay::kDoubleClick, TWay::kMenu, TWay::kF11};
  const TWay leave[] = {TWay::kDoubleClick, TWay::kMenu, TWay::kF11, TWay::kEscape};
  for (int trip = 0; trip < 100; ++trip) {
    SCOPED_TRACE(testing::Message() << "round trip " << trip);
    const TWay in = enter[random() % std::size(enter)];
    const TWay out = leave[random() % std::size(leave)];
    Toggle(in);
    ASSERT_TRUE(WaitFullScreen()) << "entering by " << int(in) << ": " << Describe();
    EXPECT_FALSE(Form().N2->Enabled());
    Toggle(out);
    ASSERT_TRUE(WaitNormalCentred()) << "leaving by " << int(out) << ": " << Describe();
    EXPECT_TRUE(Form().N2->Enabled());
    ASSERT_TRUE(WaitForPictureInWindow()) << Describe();
  }
}

TEST_F(ViewerWindowManagerTest, QuickCommandsEndInTheStateTheMenuShows) {
  // Commands faster than the window manager answers: an odd number of
  // toggles ends in full screen, one more back in the window.
  for (int i = 0; i < 7; ++i) Form().N11->Action()->trigger();
  EXPECT_TRUE(WaitFullScreen()) << Describe();
  Form().N11->Action()->trigger();
  EXPECT_TRUE(WaitNormalCentred()) << Describe();
  EXPECT_TRUE(WaitForPictureInWindow()) << Describe();
}

TEST_F(ViewerWindowManagerTest, MaximisedByTheWindowManagerThenFullScreenAndBack) {
  // The window manager's own maximise button makes this request.
  ASSERT_TRUE(RequestX11NetState(Window()->windowHandle(), TX11NetState::kMaximized, true));
  ASSERT_TRUE(testtools::PumpUntil([&] { return Native().maximized && Form().WindowState() == wsMaximized; }));
  // The captions still offer full screen; the command takes its way back.
  EXPECT_EQ(Form().N11->Caption(), QString::fromUtf8(TForm1::kFullScreenCaption));
  Form().N11->Action()->trigger();
  EXPECT_TRUE(WaitNormalCentred()) << Describe();
  Form().N11->Action()->trigger();
  EXPECT_TRUE(WaitFullScreen()) << Describe();
  Form().N11->Action()->trigger();
  EXPECT_TRUE(WaitNormalCentred()) << Describe();
  EXPECT_TRUE(WaitForPictureInWindow()) << Describe();
}

TEST_F(ViewerWindowManagerTest, MaximiseCommandRestoresTheNormalPlaceExactly) {
  const QRect before = Native().Outer();
  Form().N2->Action()->trigger();
  ASSERT_TRUE(testtools::PumpUntil([&] { return Form().PresentationSettled() && Native().maximized; })) << Describe();
  EXPECT_EQ(Form().N2->Caption(), QString::fromUtf8(TForm1::kRestoreCaption));
  Form().N2->Action()->trigger();
  EXPECT_TRUE(testtools::PumpUntil([&] {
    const TX11WindowState s = Native();
    return Form().PresentationSettled() && Consistent(s) && !s.maximized && s.Outer() == before;
  })) << Describe();
}

TEST_F(ViewerWindowManagerTest, StayOnTopKeepsTheNativeWindow) {
  const WId id = Window()->winId();
  Form().Top->Action()->trigger();
  EXPECT_TRUE(testtools::PumpUntil([&] { return Native().above; })) << Describe();
  EXPECT_EQ(Window()->winId(), id);
  Form().Top->Action()->trigger();
  EXPECT_TRUE(testtools::PumpUntil([&] { return !Native().above; })) << Describe();
  EXPECT_EQ(Window()->winId(), id);
  // Full screen and back keep it too.
  Form().N11->Action()->trigger();
  ASSERT_TRUE(WaitFullScreen()) << Describe();
  Form().N11->Action()->trigger();
  ASSERT_TRUE(WaitNormalCentred()) << Describe();
  EXPECT_EQ(Window()->winId(), id);
}

// The frame arrives after the dialog is mapped; its outer size is still the
// design's.
TEST_F(ViewerWindowManagerTest, TheDeviceDialogHasItsDesignOuterSize) {
  QSize outer;
  QTimer look;
  QDeadlineTimer guard(testtools::kHangGuard);
  QObject::connect(&look, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    const TX11WindowState s = ReadX11WindowState(dialog->windowHandle());
    outer = s.Outer().size();
    const bool framed = s.mapped && s.frame != QMargins();
    if ((framed && outer == QSize(346, 290)) || guard.hasExpired()) dialog->reject();
  });
  look.start(10);
  Form().N1->Action()->trigger();
  EXPECT_EQ(outer, QSize(346, 290));
}

}  // namespace
}  // namespace lumicar::test
