// The viewer on a real X server (Xvfb, OpenGL through Mesa), looked at the
// way a user sees it: screenshots of the screen. The main window and the
// About window are put together as at start-up, the camera is the synthetic
// one; the picture appears, the flip turns the pattern's corner marker to
// the opposite corner and back, the full-screen view covers the screen and a
// double-click brings the 648 x 514 window back. The last screenshot of the
// window is kept for the README (viewer.png in the working directory).

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "app/startup.h"
#include "testing/event_pump.h"
#include "tests/app/viewer_test_support.h"
#include "tests/ui/qt_application.h"
#include "ui/application.h"

namespace lumicar::test {
namespace {

constexpr int kFramesPerSecond = 5;

class ViewerScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHandler = SetExceptionHandler([](const Exception& e) { ADD_FAILURE() << e.Message().toStdString(); });
    std::unique_ptr<TForm1> main = MakeMainWindow({kFramesPerSecond});
    std::unique_ptr<TForm2> about(NewComponent<TForm2>(nullptr));
    windows = AssembleViewerWindows(std::move(main), std::move(about));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Window(), static_cast<int>(testtools::kHangGuard.count())));
  }
  void TearDown() override {
    windows = TViewerWindows();
    TLPForm::SetMainForm(nullptr);
    SetExceptionHandler(previousHandler);
  }

  QWidget* Window() const { return windows.main->Widget(); }
  QWidget* Picture() const { return windows.main->VLDSImageDisplay1->Widget(); }
  // What the screen shows where the picture is.
  QImage ScreenOfPicture() const {
    const QPoint at = Picture()->mapToGlobal(QPoint(0, 0));
    QScreen* screen = Window()->screen();
    return screen->grabWindow(0, at.x(), at.y(), Picture()->width(), Picture()->height()).toImage();
  }
  // Waits until the screen shows the marker in the top-left (upright) or
  // bottom-right (turned) quarter of the picture.
  bool WaitForMarker(bool turned) const {
    return testtools::PumpUntil([&] {
      const QImage shot = ScreenOfPicture();
      const QPoint m = FindPatternMarker(shot);
      if (m.x() < 0) return false;
      const bool upright = m.x() < shot.width() / 2 && m.y() < shot.height() / 2;
      const bool upsideDown = m.x() > shot.width() / 2 && m.y() > shot.height() / 2;
      return turned ? upsideDown : upright;
    });
  }

  TExceptionHandler previousHandler;
  TViewerWindows windows;
};

TEST_F(ViewerScreenTest, ThePictureAppearsAndTheFlipTurnsIt) {
  // The camera starts with the window, and the picture follows.
  EXPECT_TRUE(WaitForMarker(false));
  EXPECT_EQ(Window()->frameGeometry().size(), QSize(648, 514));

  windows.main->hanten->Action()->trigger();
  EXPECT_TRUE(WaitForMarker(true));
  windows.main->hanten->Action()->trigger();
  EXPECT_TRUE(WaitForMarker(false));

  // Kept for the README: the window as the user sees it.
  const QRect frame = Window()->frameGeometry();
  const QImage shot = Window()->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage();
  EXPECT_TRUE(shot.save(QStringLiteral("viewer.png")));
}

TEST_F(ViewerScreenTest, FullScreenCoversTheScreenAndADoubleClickReturns) {
  ASSERT_TRUE(WaitForMarker(false));
  QTest::mouseDClick(Picture(), Qt::LeftButton, Qt::NoModifier, Picture()->rect().center());
  const QRect screen = Window()->screen()->geometry();
  EXPECT_TRUE(testtools::PumpUntil([&] { return Window()->frameGeometry() == screen; }));
  EXPECT_TRUE(testtools::PumpUntil([&] { return Picture()->size() == screen.size(); }));
  // The picture fills the screen (4:3 on a 16:9 screen: pillar bands at the
  // sides, the marker in the picture's top-left).
  EXPECT_TRUE(WaitForMarker(false));
  const QImage whole = Window()->screen()->grabWindow(0).toImage();
  EXPECT_EQ(whole.size(), screen.size());
  EXPECT_GE(FindPatternMarker(whole).x(), 0);

  QTest::mouseDClick(Picture(), Qt::LeftButton, Qt::NoModifier, Picture()->rect().center());
  EXPECT_TRUE(testtools::PumpUntil([&] { return Window()->frameGeometry().size() == QSize(648, 514); }));
  const QRect area = Window()->screen()->availableGeometry();
  EXPECT_LE((Window()->frameGeometry().center() - area.center()).manhattanLength(), 2);
  EXPECT_FALSE(Window()->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(WaitForMarker(false));
}

TEST_F(ViewerScreenTest, TheAboutWindowOpensOnceOverTheViewer) {
  windows.main->About1->Action()->trigger();
  windows.main->About1->Action()->trigger();
  QWidget* about = windows.about->Widget();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(about, static_cast<int>(testtools::kHangGuard.count())));
  int shown = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->windowTitle() == QString::fromUtf8("バージョン情報")) ++shown;
  }
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(testtools::PumpUntil(
      [&] { return (about->frameGeometry().center() - Window()->frameGeometry().center()).manhattanLength() <= 2; }));
  // Stay-on-top on the viewer still leaves About above it (it belongs to the viewer).
  windows.main->Top->Action()->trigger();
  EXPECT_TRUE(about->isVisible());
  EXPECT_EQ(about->parentWidget(), Window());
}

}  // namespace
}  // namespace lumicar::test
