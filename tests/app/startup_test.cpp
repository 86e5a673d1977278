// Start-up decisions that need no running program: which Qt platform to ask
// for on which session, the windows made at start-up and the icon.

#include "app/startup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "app/about_form.h"
#include "app/icon.h"
#include "app/main_form.h"
#include "tests/app/viewer_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::test {
namespace {

TEST(PlatformChoice, AWaylandSessionWithXWaylandUsesX11) {
  EXPECT_EQ(PreferredPlatform("", "wayland-0", ":0", true), QStringLiteral("xcb"));
  // The user's own choice stands.
  EXPECT_EQ(PreferredPlatform("wayland", "wayland-0", ":0", true), QString());
  EXPECT_EQ(PreferredPlatform("xcb", "wayland-0", ":0", true), QString());
  // No X server next to Wayland, or no X11 plugin: Qt decides.
  EXPECT_EQ(PreferredPlatform("", "wayland-0", "", true), QString());
  EXPECT_EQ(PreferredPlatform("", "wayland-0", ":0", false), QString());
  // Not a Wayland session.
  EXPECT_EQ(PreferredPlatform("", "", ":0", true), QString());
  EXPECT_EQ(PreferredPlatform("", "", "", true), QString());
}

TEST(PlatformChoice, NoDisplayIsKnownBeforeQtStarts) {
  EXPECT_TRUE(NoGraphicalDisplay("", "", ""));
  EXPECT_TRUE(NoGraphicalDisplay("xcb", "wayland-0", ""));
  EXPECT_TRUE(NoGraphicalDisplay("wayland", "", ":0"));
  EXPECT_FALSE(NoGraphicalDisplay("", "", ":0"));
  EXPECT_FALSE(NoGraphicalDisplay("", "wayland-0", ""));
  EXPECT_FALSE(NoGraphicalDisplay("xcb:nomitshm", "", ":1"));
  // Platforms without a display server start anyway.
  EXPECT_FALSE(NoGraphicalDisplay("offscreen", "", ""));
  EXPECT_TRUE(NoGraphicalDisplayMessage().contains(QStringLiteral("no graphical display")));
}

// The test machine has the Japanese face installed (tools/install-deps.sh);
// no font has a character of the private use area.
TEST(CaptionFont, TheInstalledFontsAreAskedCharacterByCharacter) {
  EXPECT_TRUE(InstalledFontCovers(QString::fromUtf8(TForm1::kFullScreenCaption)));
  EXPECT_FALSE(InstalledFontCovers(QString::fromUtf8("フルスクリーン") + QChar(0xE000)));
}

TEST(ViewerIcon, EverySizeIsPaintedFromTheSameArtwork) {
  const std::vector<int>& sizes = ViewerIconSizes();
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(sizes.front(), 16);
  EXPECT_EQ(sizes.back(), 256);
  for (int size : sizes) {
    const QImage image = PaintViewerIcon(size);
    EXPECT_EQ(image.size(), QSize(size, size));
    // Transparent corners, an opaque middle.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
  }
  EXPECT_EQ(ViewerIcon().availableSizes().size(), static_cast<qsizetype>(sizes.size()));
}

TEST(ViewerWindows, TheMainWindowComesFirstAndOwnsTheHiddenAboutWindow) {
  std::unique_ptr<TForm1> main = MakeMainWindow({0, true});
  std::unique_ptr<TForm2> about(NewComponent<TForm2>(nullptr));
  TViewerWindows windows = AssembleViewerWindows(std::move(main), std::move(about));
  ASSERT_TRUE(windows.main && windows.about);
  EXPECT_EQ(TLPForm::MainForm(), windows.main.get());
  EXPECT_TRUE(windows.main->Widget()->isVisible());
  EXPECT_FALSE(windows.about->Widget()->isVisible());
  EXPECT_EQ(windows.about->OwnerForm(), windows.main.get());
  EXPECT_EQ(windows.main->AboutForm(), windows.about.get());
  windows.main->About1->Action()->trigger();
  EXPECT_TRUE(windows.about->Widget()->isVisible());

  // Closing the main window while About is open ends the event loop.
  bool timedOut = false;
  QTimer::singleShot(0, [&] { windows.main->Close(); });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    timedOut = true;
    QCoreApplication::quit();
  });
  watchdog.start(10000);
  QApplication::exec();
  EXPECT_FALSE(timedOut);
  TLPForm::SetMainForm(nullptr);
}

}  // namespace
}  // namespace lumicar::test
