// The display tools and the remembered settings, worked the way a user works
// them: through the window's keys and its menu items, on the synthetic
// camera, checked on the picture the display shows (the test pattern's
// corner marker after turning and zooming, the frame counter while frozen),
// the snapshot file and the clipboard; then the choices of one window coming
// back in the next one, a damaged settings file, a remembered camera that is
// not plugged in.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "app/viewer_settings.h"
#include "testing/event_pump.h"
#include "tests/app/viewer_test_support.h"
#include "tests/ui/qt_application.h"
#include "ui/application.h"

namespace lumicar::test {
namespace {

// Low enough for a sanitizer build to paint the synthetic camera's largest
// frames in time.
constexpr int kToolsTestRate = 5;

// The picture turned back by quarter turns (clockwise), so that the pattern's
// bars stand upright again for FindPatternMarker.
QImage TurnedBack(const QImage& picture, int quarterTurns) {
  return picture.transformed(QTransform().rotate(-90.0 * quarterTurns));
}

bool InTopLeftQuarter(const QPoint& p, const QSize& size) {
  return p.x() >= 0 && p.x() < size.width() / 2 && p.y() < size.height() / 2;
}

class ViewerToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHandler = SetExceptionHandler([](const Exception& e) { ADD_FAILURE() << e.Message().toStdString(); });
    form = MakeMainWindow({kToolsTestRate});
    form->SetSnapshotFolder(pictures.filePath(QStringLiteral("Lumicar")));
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget(), static_cast<int>(testtools::kHangGuard.count())));
    ASSERT_TRUE(WaitForUpright(0));
  }
  void TearDown() override {
    form.reset();
    SetExceptionHandler(previousHandler);
  }

  TVLDSImageDisplay* Display() const { return form->VLDSImageDisplay1; }
  QImage Shown() const { return Display()->Widget()->grab().toImage(); }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
    QTest::keyClick(form->Widget(), key, modifiers);
  }
  // Waits until the display shows the marker in the top-left quarter once the
  // picture is turned back by the quarter turns.
  bool WaitForUpright(int quarterTurns) const {
    return testtools::PumpUntil([&] {
      const QImage back = TurnedBack(Shown(), quarterTurns);
      return InTopLeftQuarter(FindPatternMarker(back), back.size());
    });
  }
  // Frames reach the display while the test looks.
  bool WaitForFrames(int count) const {
    const uint64_t before = Display()->FrameCounts().received;
    return testtools::PumpUntil([&] { return Display()->FrameCounts().received >= before + uint64_t(count); });
  }
  // The marker in the picture's left half (the frozen mark sits at its top
  // right).
  QPoint MarkerInLeftHalf() const {
    const QImage shown = Shown();
    return FindPatternMarker(shown.copy(0, 0, shown.width() / 2, shown.height()));
  }
  QStringList Snapshots() const {
    return QDir(form->SnapshotFolder()).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
  }

  QTemporaryDir pictures;
  TExceptionHandler previousHandler;
  std::unique_ptr<TTestForm1> form;
};

TEST_F(ViewerToolsTest, RAndShiftRTurnThePictureAQuarterEachWay) {
  Key(Qt::Key_R);
  EXPECT_EQ(Display()->QuarterTurns(), 1);
  EXPECT_TRUE(WaitForUpright(1));
  form->RotateRight1->Action()->trigger();
  EXPECT_TRUE(WaitForUpright(2));
  Key(Qt::Key_R, Qt::ShiftModifier);
  Key(Qt::Key_R, Qt::ShiftModifier);
  EXPECT_EQ(Display()->QuarterTurns(), 0);
  EXPECT_TRUE(WaitForUpright(0));
  form->RotateLeft1->Action()->trigger();
  EXPECT_EQ(Display()->QuarterTurns(), 3);
  EXPECT_TRUE(WaitForUpright(3));
}

TEST_F(ViewerToolsTest, TheTurnAddsToTheFlip) {
  form->hanten->Action()->trigger();  // the chain turns the frame by 180°
  Key(Qt::Key_R);
  // 180° in the chain and 90° at drawing: 270° in all.
  EXPECT_TRUE(WaitForUpright(3));
}

// One notch of the wheel at `at` over the picture.
void Wheel(QWidget* picture, const QPoint& at, int notches) {
  QWheelEvent wheel(QPointF(at), QPointF(picture->mapToGlobal(at)), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(picture, &wheel);
}

// A drag with the left button, in steps.
void Drag(QWidget* picture, const QPoint& from, const QPoint& to) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(from), QPointF(picture->mapToGlobal(from)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(picture, &press);
  for (int step = 1; step <= 4; ++step) {
    const QPoint at = from + (to - from) * step / 4;
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(picture->mapToGlobal(at)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(picture, &move);
  }
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(to), QPointF(picture->mapToGlobal(to)), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(picture, &release);
}

TEST_F(ViewerToolsTest, TheWheelZoomsAboutThePointerAndZeroUndoesIt) {
  QWidget* picture = Display()->Widget();
  Key(Qt::Key_Space);  // one frame for every look
  ASSERT_TRUE(WaitForFrames(1));
  const QPoint marker = MarkerInLeftHalf();
  ASSERT_GE(marker.x(), 0);
  // Near the picture's corner, so the marker and its counter stay in view,
  // and far from its centre, so zooming about the centre would show them
  // elsewhere.
  const QPoint pointer(24, 40);
  Wheel(picture, pointer, 1);
  EXPECT_DOUBLE_EQ(Display()->Zoom(), 1.25);
  // Every point of the picture moves away from the pointer by the zoom.
  const QPointF expected = QPointF(pointer) + (QPointF(marker) - QPointF(pointer)) * 1.25;
  QPoint zoomed;
  EXPECT_TRUE(testtools::PumpUntil([&] {
    zoomed = MarkerInLeftHalf();
    return (QPointF(zoomed) - expected).manhattanLength() <= 6.0;
  })) << zoomed.x()
      << "," << zoomed.y() << " expected " << expected.x() << "," << expected.y();
  Wheel(picture, pointer, -1);
  EXPECT_DOUBLE_EQ(Display()->Zoom(), 1.0);
  Wheel(picture, pointer, 20);
  EXPECT_DOUBLE_EQ(Display()->Zoom(), 8.0);

  Key(Qt::Key_0);
  EXPECT_DOUBLE_EQ(Display()->Zoom(), 1.0);
  EXPECT_TRUE(testtools::PumpUntil([&] { return (MarkerInLeftHalf() - marker).manhattanLength() <= 2; }));
}

TEST_F(ViewerToolsTest, DraggingAZoomedPictureMovesItWithTheMouse) {
  QWidget* picture = Display()->Widget();
  Key(Qt::Key_Space);
  ASSERT_TRUE(WaitForFrames(1));
  const QPoint marker = MarkerInLeftHalf();
  ASSERT_GE(marker.x(), 0);
  Display()->SetZoom(2);
  // The middle half is shown: the marker in the picture's corner is out of
  // view until the picture is dragged right and down by half the window.
  const QPoint from(picture->width() / 4, picture->height() / 4);
  Drag(picture, from, from + QPoint(picture->width() / 2, picture->height() / 2));
  EXPECT_DOUBLE_EQ(Display()->Zoom(), 2.0);
  // Now the top-left quarter of the picture fills the window: the marker is
  // twice as far from the corner as unzoomed.
  QPoint dragged;
  EXPECT_TRUE(testtools::PumpUntil([&] {
    dragged = MarkerInLeftHalf();
    const double ratio = QLineF(QPointF(), QPointF(dragged)).length() / QLineF(QPointF(), QPointF(marker)).length();
    return dragged.x() >= 0 && ratio > 1.6 && ratio < 2.4;
  })) << dragged.x()
      << "," << dragged.y() << " from " << marker.x() << "," << marker.y();
}

TEST_F(ViewerToolsTest, SpaceHoldsThePictureWhileFramesArriveAndLetsItGoAtOnce) {
  Key(Qt::Key_Space);
  EXPECT_TRUE(Display()->Frozen());
  EXPECT_TRUE(form->Freeze1->Checked());
  ASSERT_TRUE(testtools::PumpUntil([&] { return Display()->FrameCounts().presented > 0; }));
  const QImage held = Shown();
  // The counter under the marker would change with every frame.
  ASSERT_TRUE(WaitForFrames(3));
  EXPECT_EQ(Shown(), held);
  form->Freeze1->Action()->trigger();
  EXPECT_FALSE(Display()->Frozen());
  EXPECT_FALSE(form->Freeze1->Checked());
  EXPECT_TRUE(testtools::PumpUntil([&] { return Shown() != held; }));
}

TEST_F(ViewerToolsTest, CtrlSSavesTheFrameAsShownAtTheCamerasSize) {
  Key(Qt::Key_R);
  Key(Qt::Key_Space);  // the same frame for the file and for the comparison
  ASSERT_TRUE(WaitForUpright(1));
  Key(Qt::Key_S, Qt::ControlModifier);
  form->Snapshot1->Action()->trigger();
  const QStringList files = Snapshots();
  ASSERT_EQ(files.size(), 2);
  const QImage saved(QDir(form->SnapshotFolder()).filePath(files[0]));
  // Full camera resolution, turned: 1600 x 1200 stands up as 1200 x 1600.
  EXPECT_EQ(saved.size(), QSize(int(form->VLDSCapture1->GetHeight()), int(form->VLDSCapture1->GetWidth())));
  EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), Display()->Snapshot());
  EXPECT_TRUE(InTopLeftQuarter(FindPatternMarker(TurnedBack(saved, 1)), TurnedBack(saved, 1).size()));
  const QImage second(QDir(form->SnapshotFolder()).filePath(files[1]));
  EXPECT_EQ(second.convertToFormat(QImage::Format_RGB32), Display()->Snapshot());
}

TEST_F(ViewerToolsTest, CtrlCPutsTheFrameOnTheClipboard) {
  Key(Qt::Key_Space);
  ASSERT_TRUE(testtools::PumpUntil([&] { return !Display()->Snapshot().isNull(); }));
  Key(Qt::Key_C, Qt::ControlModifier);
  const QImage copied = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(copied, Display()->Snapshot());
  EXPECT_EQ(copied.size(), QSize(form->VLDSCapture1->GetWidth(), form->VLDSCapture1->GetHeight()));
}

TEST_F(ViewerToolsTest, ASaveThatFailsSaysWhereAndWhyAndKeepsEarlierFiles) {
  form->Snapshot1->Action()->trigger();
  ASSERT_EQ(Snapshots().size(), 1);
  const QString earlier = QDir(form->SnapshotFolder()).filePath(Snapshots()[0]);
  const QByteArray earlierBytes = [&] {
    QFile f(earlier);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  // A plain file where the folder should be.
  const QString blocked = pictures.filePath(QStringLiteral("blocked"));
  {
    QFile f(blocked);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  form->SetSnapshotFolder(blocked + QStringLiteral("/Lumicar"));
  TDeviceChooser answers(QStringLiteral("no such camera"));
  form->Snapshot1->Action()->trigger();
  ASSERT_EQ(answers.Others(), 1);
  EXPECT_TRUE(answers.OtherTexts().value(0).contains(blocked)) << answers.OtherTexts().value(0).toStdString();
  QFile f(earlier);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), earlierBytes);
}

TEST_F(ViewerToolsTest, IShowsTheCountsAndHidesThemAgain) {
  Key(Qt::Key_I);
  EXPECT_TRUE(form->Info1->Checked());
  ASSERT_TRUE(WaitForFrames(2));
  const QString text = form->InfoText();
  EXPECT_TRUE(text.contains(QStringLiteral("frames/s shown"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("1600 × 1200 YUY2"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("dropped"))) << text.toStdString();
  Key(Qt::Key_I);
  EXPECT_FALSE(form->Info1->Checked());
}

// ---- Remembered settings ----

class RememberedSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHandler = SetExceptionHandler([](const Exception& e) { ADD_FAILURE() << e.Message().toStdString(); });
    store = std::make_unique<TViewerSettingsStore>(dir.filePath(QStringLiteral("lumicar.ini")));
    SetViewerSettingsStore(store.get());
  }
  void TearDown() override {
    SetViewerSettingsStore(nullptr);
    SetExceptionHandler(previousHandler);
  }

  QTemporaryDir dir;
  std::unique_ptr<TViewerSettingsStore> store;
  TExceptionHandler previousHandler;
};

TEST_F(RememberedSettingsTest, ChoicesMadeInOneRunComeBackInTheNext) {
  {
    std::unique_ptr<TTestForm1> form = MakeMainWindow({kToolsTestRate});
    form->hantenClick(form.get());
    form->SpeedClick(form.get());  // 640 x 480, proportional off
    form->N4Click(form.get());     // proportional on again
    form->N4Click(form.get());     // and off
    form->RGB241Click(form.get());
    form->RotateRight1Click(form.get());
    form->Info1Click(form.get());
  }
  std::unique_ptr<TTestForm1> form = MakeMainWindow({kToolsTestRate});
  TStopCounter stops(form->VLDSCapture1);
  EXPECT_TRUE(form->VLMirror1->IsEnabled());
  EXPECT_TRUE(form->Speed->Checked());
  EXPECT_EQ(form->Speed->Caption(), QString::fromUtf8(TForm1::kQualityCaption));
  EXPECT_FALSE(form->VLDSImageDisplay1->Proportional());
  EXPECT_EQ(form->N4->Caption(), QString::fromUtf8(TForm1::kKeepAspectCaption));
  EXPECT_EQ(form->VLDSCapture1->VideoFormat(), vfRGB24);
  EXPECT_TRUE(form->VGA1->Checked());
  EXPECT_EQ(form->VLDSImageDisplay1->QuarterTurns(), 1);
  EXPECT_TRUE(form->Info1->Checked());
  // The camera started once, already as chosen.
  ASSERT_TRUE(form->VLDSCapture1->IsRunning());
  EXPECT_EQ(form->VLDSCapture1->GetWidth(), 640);
  EXPECT_EQ(form->VLDSCapture1->GetHeight(), 480);
  EXPECT_EQ(stops.Stops(), 0);
}

TEST_F(RememberedSettingsTest, TheWindowComesBackWhereItWasAndStaysOnTop) {
  const QRect place(120, 90, 700, 540);
  {
    std::unique_ptr<TTestForm1> form = MakeMainWindow({kToolsTestRate});
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget(), static_cast<int>(testtools::kHangGuard.count())));
    form->TopClick(form.get());
    form->SetBounds(place.left(), place.top(), place.width(), place.height());
    ASSERT_TRUE(testtools::PumpUntil([&] { return form->Width() == place.width(); }));
    form->Close();
  }
  std::unique_ptr<TTestForm1> form = MakeMainWindow({kToolsTestRate});
  EXPECT_TRUE(form->Top->Checked());
  EXPECT_EQ(form->Top->Caption(), QString::fromUtf8(TForm1::kStopOnTopCaption));
  EXPECT_EQ(form->FormStyle(), fsStayOnTop);
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget(), static_cast<int>(testtools::kHangGuard.count())));
  EXPECT_EQ(QSize(form->Width(), form->Height()), place.size());
  EXPECT_EQ(QPoint(form->Left(), form->TLPForm::Top()), place.topLeft());
}

TEST_F(RememberedSettingsTest, AFullScreenViewComesBackFullScreen) {
  TViewerSettings kept;
  kept.presentation = TViewerPresentation::kFullScreen;
  ASSERT_TRUE(store->Save(kept));
  std::unique_ptr<TTestForm1> form = MakeMainWindow({kToolsTestRate});
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget(), static_cast<int>(testtools::kHangGuard.count())));
  EXPECT_TRUE(testtools::PumpUntil([&] { return form->IsFullScreenView(); }));
  EXPECT_EQ(form->N11->Caption(), QString::fromUtf8(TForm1::kReturnCaption));
  EXPECT_FALSE(form->N2->Enabled());
  // And the command leads back to the normal window as always.
  form->N11Click(form.get());
  EXPECT_FALSE(form->IsFullScreenView());
  EXPECT_EQ(form->N11->Caption(), QString::fromUtf8(TForm1::kFullScreenCaption));
  EXPECT_EQ(store->Load().presentation, TViewerPresentation::kNormal);
}

TEST_F(RememberedSettingsTest, ADamagedFileStartsTheDesignAsItIs) {
  QByteArray garbage(2048, '\0');
  for (int i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 131) ^ 0x5a);
  {
    QFile file(store->Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(garbage);
  }
  std::unique_ptr<TTestForm1> form = MakeMainWindow({kToolsTestRate});
  EXPECT_TRUE(form->VLDSCapture1->IsRunning());
  EXPECT_FALSE(form->VLMirror1->IsEnabled());
  EXPECT_EQ(form->Speed->Caption(), QString::fromUtf8(TForm1::kSpeedCaption));
  EXPECT_EQ(form->VLDSCapture1->VideoSize()->Width(), 1600u);
}

TEST_F(RememberedSettingsTest, ACameraNotPluggedInIsWaitedFor) {
  TViewerSettings kept;
  kept.cameraName = QStringLiteral("Document Camera");
  kept.cameraIdentity = QStringLiteral("@device:pnp:/dev/v4l/by-id/usb-absent-video-index0");
  ASSERT_TRUE(store->Save(kept));
  std::unique_ptr<TTestForm1> form = MakeMainWindow({kToolsTestRate});
  EXPECT_EQ(form->VLDSCapture1->VideoCaptureDevice()->DeviceName(), *kept.cameraName);
  // The capture reports the absent camera on the window's thread.
  EXPECT_TRUE(testtools::PumpUntil([&] { return !form->VLDSCapture1->Recovery()->Awaited().isEmpty(); }));
  EXPECT_EQ(form->VLDSCapture1->Recovery()->Awaited(), *kept.cameraIdentity);
  // Still the user's choice when the window closes, not what it fell back to.
  form->Close();
  form.reset();
  EXPECT_EQ(store->Load().cameraIdentity, kept.cameraIdentity);
}

}  // namespace
}  // namespace lumicar::test
