// The main window read from the viewer's design, on the synthetic camera, with
// the plain painter display standing in for the display class: the chain and
// its stored links, the menu as the user sees it, and what every command does
// to the components, the window, the captions and the check marks, including
// which commands restart the capture.

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <cmath>

#include "runtime/class_registry.h"
#include "runtime/properties.h"
#include "testing/event_pump.h"
#include "tests/app/viewer_test_support.h"
#include "tests/ui/qt_application.h"
#include "ui/application.h"

namespace lumicar::test {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Low enough for a sanitizer build to paint the synthetic camera's largest
// frames in time.
constexpr int kFramesPerSecond = 5;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHandler = SetExceptionHandler([](const Exception& e) { ADD_FAILURE() << e.Message().toStdString(); });
    form = MakeMainWindow({kFramesPerSecond});
    form->Show();
    // The user works a window that is on the screen.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget(), static_cast<int>(testtools::kHangGuard.count())));
    stops = std::make_unique<TStopCounter>(form->VLDSCapture1);
  }
  void TearDown() override {
    form.reset();
    SetExceptionHandler(previousHandler);
  }

  TVLDSCapture* Capture() const { return form->VLDSCapture1; }
  TVLOptionalVideoSize* Size() const { return form->VLDSCapture1->VideoSize(); }
  // The command was carried out between a stop and a start of the capture.
  void ExpectRestartedOnce(int stopsBefore) const {
    EXPECT_EQ(stops->Stops(), stopsBefore + 1);
    EXPECT_TRUE(Capture()->IsRunning());
  }
  void ExpectCaptions(const char* n11, const char* n2, bool n2Enabled) const {
    EXPECT_EQ(form->N11->Caption(), U(n11));
    EXPECT_EQ(form->N2->Caption(), U(n2));
    EXPECT_EQ(form->N2->Enabled(), n2Enabled);
  }
  // The test pattern's marker as the display shows it now.
  QPoint Marker() const { return FindPatternMarker(form->VLDSImageDisplay1->Widget()->grab().toImage()); }
  // Waits until the display shows the marker in the given half of the
  // picture (upright: the top-left quarter; turned: the bottom-right one).
  bool WaitForMarker(bool turned) const {
    const QSize size = form->VLDSImageDisplay1->Widget()->size();
    return testtools::PumpUntil([&] {
      const QPoint m = Marker();
      if (m.x() < 0) return false;
      const bool left = m.x() < size.width() / 2 && m.y() < size.height() / 2;
      const bool right = m.x() > size.width() / 2 && m.y() > size.height() / 2;
      return turned ? right : left;
    });
  }

  TExceptionHandler previousHandler;
  std::unique_ptr<TTestForm1> form;
  std::unique_ptr<TStopCounter> stops;
};

TEST(MainWindowDesign, TheCameraRunsAtTheStoredRateNotItsFastest) {
  // The synthetic camera runs 60 frames a second when asked for any rate.
  std::unique_ptr<TTestForm1> form = MakeMainWindow({});
  TVLDSCapture* capture = form->VLDSCapture1;
  ASSERT_TRUE(capture->IsRunning());
  EXPECT_EQ(capture->GetFramePeriod(), 333333);
}

TEST(MainWindowDesign, TheCaptureKeepsTheStoredSettings) {
  // Read without starting the camera: every setting as stored.
  std::unique_ptr<TTestForm1> form = MakeMainWindow({0, true});
  TVLDSCapture* capture = form->VLDSCapture1;
  EXPECT_FALSE(capture->IsRunning());
  EXPECT_EQ(capture->VideoSize()->Width(), 1600u);
  EXPECT_EQ(capture->VideoSize()->Height(), 1200u);
  EXPECT_FALSE(capture->VideoSize()->Current());
  EXPECT_EQ(capture->FrameRate()->Rate(), 30.0);
  EXPECT_FALSE(capture->FrameRate()->VariableRate());
  // The stored rate is the one asked for, not the camera's fastest.
  EXPECT_FALSE(capture->FrameRate()->Current());
  EXPECT_EQ(capture->OnCameraStatus().MethodName(), QStringLiteral("VLDSCapture1CameraStatus"));
  EXPECT_EQ(capture->VideoFormat(), vfYUY2);
  EXPECT_EQ(capture->TVTuner()->Format(), tvfCurrent);
  EXPECT_EQ(capture->TVTuner()->InputType(), tviCurrent);
  EXPECT_EQ(capture->TVTuner()->Mode(), tvmCurrent);
  EXPECT_EQ(capture->DVResolution(), dvrFull);
  EXPECT_EQ(capture->VideoCaptureDevice()->DeviceName(), QStringLiteral("Default"));
  TVLDSAdjustment* adjustment = capture->Adjustment();
  EXPECT_FALSE(adjustment->Enabled());
  for (int id = 0; id < TVLDSAdjustment::kControlCount; ++id) {
    EXPECT_EQ(adjustment->Control(id)->Mode(), amUseCurrent) << id;
  }
  EXPECT_EQ(adjustment->Brightness()->StoredValue(), 0);
  EXPECT_FALSE(adjustment->ColorEnable()->Value());
  EXPECT_TRUE(adjustment->BacklightCompensation()->Value());
  EXPECT_EQ(capture->Graph()->AdditionalFilters()->Count(), 0);
}

TEST_F(MainWindowTest, TheDesignMakesTheChainWithItsSettingsAndLinks) {
  // Created in design order: display, capture, menu (with its items), mirror.
  EXPECT_EQ(form->Components(0), form->VLDSImageDisplay1);
  EXPECT_EQ(form->Components(1), form->VLDSCapture1);
  EXPECT_EQ(form->Components(2), form->PopupMenu1);
  EXPECT_EQ(form->Components(form->ComponentCount() - 1), form->VLMirror1);

  TVLDSImageDisplay* display = form->VLDSImageDisplay1;
  EXPECT_TRUE(display->Stretch());
  EXPECT_TRUE(display->Proportional());
  EXPECT_EQ(display->Align(), alClient);
  EXPECT_EQ(display->AspectRatio()->Width(), 4u);
  EXPECT_EQ(display->AspectRatio()->Height(), 3u);
  EXPECT_EQ(display->OnDblClick().MethodName(), QStringLiteral("VLDSImageDisplay1DblClick"));
  EXPECT_EQ(display->Widget()->parentWidget(), form->Widget());
  EXPECT_EQ(display->Widget()->geometry(), form->Widget()->rect());
  EXPECT_FALSE(display->FullScreen());
  EXPECT_EQ(display->Graph()->AdditionalFilters()->Count(), 0);

  TVLDSCapture* capture = Capture();

  EXPECT_FALSE(form->VLMirror1->IsEnabled());
  EXPECT_EQ(form->VLMirror1->MirrorType(), mtBoth);
  EXPECT_TRUE(form->PopupMenu1->OwnerDraw());
  EXPECT_EQ(form->PopupMenu(), form->PopupMenu1);

  // Each link restored from the design, seen from both ends.
  EXPECT_TRUE(capture->OutputPin()->IsConnectedTo(form->VLMirror1->InputPin()));
  EXPECT_TRUE(form->VLMirror1->InputPin()->IsConnectedTo(capture->OutputPin()));
  EXPECT_TRUE(form->VLMirror1->OutputPin()->IsConnectedTo(display->InputPin()));
  EXPECT_TRUE(display->InputPin()->IsConnectedTo(form->VLMirror1->OutputPin()));

  // The camera started with the window, and its frames reach the display.
  EXPECT_TRUE(capture->IsRunning());
  EXPECT_EQ(capture->GetWidth(), 1600);
  EXPECT_EQ(capture->GetHeight(), 1200);
  EXPECT_TRUE(display->GraphRunning());
  EXPECT_TRUE(WaitForMarker(false));
}

TEST_F(MainWindowTest, TheWindowStartsCentredAt648By514WithItsCaptionAndFont) {
  QWidget* window = form->Widget();
  EXPECT_TRUE(testtools::PumpUntil([&] { return window->frameGeometry().size() == QSize(648, 514); }));
  EXPECT_EQ(form->Width(), 648);
  EXPECT_EQ(form->Height(), 514);
  const QRect area = window->screen()->availableGeometry();
  EXPECT_LE((window->frameGeometry().center() - area.center()).manhattanLength(), 2);
  EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("Lumicar ")));
  EXPECT_GT(window->windowTitle().size(), 8);
  EXPECT_EQ(window->font().pixelSize(), 12);
  EXPECT_EQ(window->font().family(), MapFontFamily(U("ＭＳ Ｐゴシック"), SHIFTJIS_CHARSET));
  EXPECT_EQ(form->Color(), clBtnFace);
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(form->BorderStyle(), bsSizeable);
}

struct TExpectedItem {
  const char* name;
  const char* caption;
  const char* handler;  // empty: none
  int depth;
  int radioGroup;  // -1: no radio item
  bool checked;
};

// The menu as the user sees it, top to bottom.
const TExpectedItem kMenu[] = {
    {"N11", "フルスクリーン", "N11Click", 0, -1, false},
    {"N2", "サイズを最大化", "N2Click", 0, -1, false},
    {"hanten", "上下反転", "hantenClick", 0, -1, false},
    {"Top", "常に手前に表示する", "TopClick", 0, -1, false},
    {"Speed", "速度優先", "SpeedClick", 0, -1, false},
    {"N5", "ビデオ設定", "", 0, -1, false},
    {"N8", "カメラ設定", "", 1, -1, false},
    {"N9", "明るさ", "N9Click", 2, -1, false},
    {"N12", "自動", "N12Click", 3, -1, false},
    {"N13", "-3", "N13Click", 3, -1, false},
    {"N21", "-2", "N21Click", 3, -1, false},
    {"N14", "-1", "", 3, -1, false},
    {"N01", "0", "N01Click", 3, -1, false},
    {"N15", "1", "", 3, -1, false},
    {"N22", "2", "N22Click", 3, -1, false},
    {"N31", "3", "", 3, -1, false},
    {"N10", "コントラスト", "N10Click", 2, -1, false},
    {"N6", "ビデオフォーマット", "", 1, -1, false},
    {"YUY21", "YUY2", "YUY21Click", 2, 0, false},
    {"UYVY1", "UYVY", "UYVY1Click", 2, 0, false},
    {"RGB241", "RGB24", "RGB241Click", 2, 0, false},
    {"RGB5551", "RGB555", "RGB5551Click", 2, 0, false},
    {"RGBA321", "RGBA32", "RGBA321Click", 2, 0, false},
    {"N7", "ビデオサイズ固定", "N7Click", 1, -1, false},
    {"VGA1", "VGA(640*480)", "VGA1Click", 2, 1, false},
    {"SVGA1", "SVGA(800*600)", "SVGA1Click", 2, 1, false},
    {"SXGA1", "SXGA(1280*1024)", "SXGA1Click", 2, 1, false},
    {"UXGA1", "UXGA(1600*1200)", "UXGA1Click", 2, 1, false},
    {"N4", "縦横比を固定しない", "N4Click", 0, -1, true},
    {"N1", "ビデオデバイスの選択", "N1Click", 0, -1, false},
    {"Tools1", "表示ツール", "", 0, -1, false},
    {"Freeze1", "一時停止", "Freeze1Click", 1, -1, false},
    {"Snapshot1", "画像を保存", "Snapshot1Click", 1, -1, false},
    {"Copy1", "画像をコピー", "Copy1Click", 1, -1, false},
    {"N16", "-", "", 1, -1, false},
    {"RotateRight1", "右に90度回転", "RotateRight1Click", 1, -1, false},
    {"RotateLeft1", "左に90度回転", "RotateLeft1Click", 1, -1, false},
    {"ZoomReset1", "拡大を元に戻す", "ZoomReset1Click", 1, -1, false},
    {"N17", "-", "", 1, -1, false},
    {"Info1", "情報を表示", "Info1Click", 1, -1, false},
    {"About1", "バージョン情報", "About1Click", 0, -1, false},
    {"N3", "-", "", 0, -1, false},
    {"Exit1", "終了", "Exit1Click", 0, -1, false},
};

void Flatten(TMenuItem* item, int depth, std::vector<std::pair<TMenuItem*, int>>& out) {
  for (int i = 0; i < item->Count(); ++i) {
    out.emplace_back(item->Items(i), depth);
    Flatten(item->Items(i), depth + 1, out);
  }
}

TEST_F(MainWindowTest, TheMenuShowsEveryItemAsDesigned) {
  std::vector<std::pair<TMenuItem*, int>> items;
  Flatten(form->PopupMenu1->Items(), 0, items);
  ASSERT_EQ(items.size(), std::size(kMenu));
  for (std::size_t i = 0; i < items.size(); ++i) {
    const TExpectedItem& e = kMenu[i];
    TMenuItem* item = items[i].first;
    SCOPED_TRACE(e.name);
    EXPECT_EQ(item->Name(), QString::fromLatin1(e.name));
    EXPECT_EQ(item->Caption(), U(e.caption));
    EXPECT_EQ(items[i].second, e.depth);
    EXPECT_EQ(item->OnClick().MethodName(), QString::fromLatin1(e.handler));
    EXPECT_EQ(item->RadioItem(), e.radioGroup >= 0);
    if (e.radioGroup >= 0) {
      EXPECT_EQ(item->GroupIndex(), e.radioGroup);
    }
    EXPECT_EQ(item->Checked(), e.checked);
    EXPECT_TRUE(item->Enabled());
    EXPECT_TRUE(item->Visible());
    // What Qt shows: the caption as it stands, the separator as a line.
    if (item->IsLine()) {
      EXPECT_TRUE(item->Action()->isSeparator());
    } else {
      EXPECT_EQ(item->Action()->text(), U(e.caption));
    }
    EXPECT_EQ(item->Action()->isChecked(), e.checked);
  }
  // The main menu's lines are the top-level items.
  EXPECT_EQ(form->PopupMenu1->Menu()->actions().size(), 12);
}

TEST_F(MainWindowTest, EveryToolShowsAKeyOfItsOwnThatWorksWithTheMenuClosed) {
  QList<QKeySequence> keys;
  for (int i = 0; i < form->Tools1->Count(); ++i) {
    TMenuItem* item = form->Tools1->Items(i);
    if (item->IsLine()) continue;
    SCOPED_TRACE(item->Name().toStdString());
    const QKeySequence key = item->Action()->shortcut();
    EXPECT_FALSE(key.isEmpty());
    EXPECT_FALSE(keys.contains(key));
    keys.append(key);
    EXPECT_TRUE(form->Widget()->actions().contains(item->Action()));
  }
  // The keys the window had already keep their meaning.
  EXPECT_FALSE(keys.contains(QKeySequence(Qt::Key_F11)));
  EXPECT_FALSE(keys.contains(QKeySequence(Qt::Key_Escape)));
}

TEST_F(MainWindowTest, FullScreenAndBackRestartTheCaptureEachTime) {
  QWidget* window = form->Widget();
  const int before = stops->Stops();
  form->N11->Action()->trigger();
  ExpectRestartedOnce(before);
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_TRUE(form->IsFullScreenView());
  EXPECT_EQ(form->BorderStyle(), bsNone);
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
  ExpectCaptions("640X480", "サイズを最大化", false);
  EXPECT_TRUE(testtools::PumpUntil([&] { return window->geometry() == window->screen()->geometry(); }));
  // The display fills the whole view.
  EXPECT_TRUE(testtools::PumpUntil([&] { return form->VLDSImageDisplay1->Widget()->size() == window->size(); }));

  form->N11->Action()->trigger();
  ExpectRestartedOnce(before + 1);
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(form->BorderStyle(), bsSizeable);
  EXPECT_FALSE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
  ExpectCaptions("フルスクリーン", "サイズを最大化", true);
  EXPECT_TRUE(testtools::PumpUntil([&] { return window->frameGeometry().size() == QSize(648, 514); }));
  const QRect area = window->screen()->availableGeometry();
  EXPECT_TRUE(
      testtools::PumpUntil([&] { return (window->frameGeometry().center() - area.center()).manhattanLength() <= 2; }));
}

TEST_F(MainWindowTest, TheDoubleClickAndTheKeysAreTheFullScreenCommand) {
  QWidget* picture = form->VLDSImageDisplay1->Widget();
  const int before = stops->Stops();
  QWidget* window = form->Widget();
  const auto coversScreen = [&] { return window->geometry() == window->screen()->geometry(); };
  QTest::mouseDClick(picture, Qt::LeftButton, Qt::NoModifier, picture->rect().center());
  ExpectRestartedOnce(before);
  EXPECT_TRUE(form->IsFullScreenView());
  EXPECT_EQ(form->N11->Caption(), QStringLiteral("640X480"));
  // The user sees the full-screen view before clicking again.
  EXPECT_TRUE(testtools::PumpUntil(coversScreen));
  QTest::mouseDClick(picture, Qt::LeftButton, Qt::NoModifier, picture->rect().center());
  EXPECT_FALSE(form->IsFullScreenView());
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(form->N11->Caption(), U("フルスクリーン"));

  // F11 toggles; Esc only leaves the full-screen view.
  QApplication::setActiveWindow(form->Widget());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget(), static_cast<int>(testtools::kHangGuard.count())));
  QTest::keyClick(form->Widget(), Qt::Key_Escape);
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(stops->Stops(), before + 2);
  QTest::keyClick(form->Widget(), Qt::Key_F11);
  EXPECT_TRUE(form->IsFullScreenView());
  EXPECT_TRUE(testtools::PumpUntil(coversScreen));
  ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget(), static_cast<int>(testtools::kHangGuard.count())));
  QTest::keyClick(form->Widget(), Qt::Key_Escape);
  EXPECT_FALSE(form->IsFullScreenView());
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(stops->Stops(), before + 4);
}

TEST_F(MainWindowTest, MaximiseKeepsTheFrameAndNeedsNoRestart) {
  const int before = stops->Stops();
  form->N2->Action()->trigger();
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_FALSE(form->IsFullScreenView());
  EXPECT_EQ(form->BorderStyle(), bsSizeable);
  ExpectCaptions("640X480", "元のサイズに戻す", true);
  form->N2->Action()->trigger();
  EXPECT_EQ(form->WindowState(), wsNormal);
  ExpectCaptions("フルスクリーン", "サイズを最大化", true);
  EXPECT_EQ(stops->Stops(), before);

  // Maximised, the full-screen command goes back to the normal window.
  form->N2->Action()->trigger();
  form->N11->Action()->trigger();
  ExpectRestartedOnce(before);
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_FALSE(form->IsFullScreenView());
  ExpectCaptions("フルスクリーン", "サイズを最大化", true);
  EXPECT_TRUE(testtools::PumpUntil([&] { return form->Widget()->frameGeometry().size() == QSize(648, 514); }));
}

TEST_F(MainWindowTest, MaximisedThroughTheFrameTheCommandsFollowTheRealState) {
  // The desktop maximises the window: the captions still offer full screen.
  form->Widget()->showMaximized();
  EXPECT_EQ(form->WindowState(), wsMaximized);
  ExpectCaptions("フルスクリーン", "サイズを最大化", true);
  // Full screen then restores instead (648 x 514, centred, framed).
  const int before = stops->Stops();
  form->N11->Action()->trigger();
  ExpectRestartedOnce(before);
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_FALSE(form->IsFullScreenView());
  EXPECT_EQ(form->BorderStyle(), bsSizeable);
  EXPECT_TRUE(testtools::PumpUntil([&] { return form->Widget()->frameGeometry().size() == QSize(648, 514); }));

  // And the maximise command restores such a window.
  form->Widget()->showMaximized();
  form->N2->Action()->trigger();
  EXPECT_EQ(form->WindowState(), wsNormal);
  ExpectCaptions("フルスクリーン", "サイズを最大化", true);
  EXPECT_EQ(stops->Stops(), before + 1);
}

TEST_F(MainWindowTest, StayOnTopTogglesOnlyInTheNormalWindow) {
  QWidget* window = form->Widget();
  int before = stops->Stops();
  form->Top->Action()->trigger();
  ExpectRestartedOnce(before);
  EXPECT_EQ(form->Top->Caption(), U("常に手前に表示しない"));
  EXPECT_TRUE(form->Top->Checked());
  EXPECT_TRUE(form->Top->Action()->isChecked());
  EXPECT_EQ(form->FormStyle(), fsStayOnTop);
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

  // Maximised or full screen: nothing at all.
  form->N2->Action()->trigger();
  before = stops->Stops();
  form->Top->Action()->trigger();
  EXPECT_EQ(stops->Stops(), before);
  EXPECT_EQ(form->Top->Caption(), U("常に手前に表示しない"));
  EXPECT_EQ(form->FormStyle(), fsStayOnTop);
  form->N2->Action()->trigger();
  form->N11->Action()->trigger();
  before = stops->Stops();
  form->Top->Action()->trigger();
  EXPECT_EQ(stops->Stops(), before);
  EXPECT_TRUE(form->Top->Checked());
  form->N11->Action()->trigger();

  before = stops->Stops();
  form->Top->Action()->trigger();
  ExpectRestartedOnce(before);
  EXPECT_EQ(form->Top->Caption(), U("常に手前に表示する"));
  EXPECT_FALSE(form->Top->Checked());
  EXPECT_EQ(form->FormStyle(), fsNormal);
  EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, FlipTurnsThePictureAndKeepsItsCaption) {
  EXPECT_TRUE(WaitForMarker(false));
  const int before = stops->Stops();
  form->hanten->Action()->trigger();
  ExpectRestartedOnce(before);
  EXPECT_TRUE(form->VLMirror1->IsEnabled());
  EXPECT_EQ(form->hanten->Caption(), U("上下反転"));
  EXPECT_FALSE(form->hanten->Checked());
  EXPECT_TRUE(WaitForMarker(true));

  form->hanten->Action()->trigger();
  EXPECT_FALSE(form->VLMirror1->IsEnabled());
  EXPECT_TRUE(WaitForMarker(false));
}

TEST_F(MainWindowTest, SpeedAndQualityChangeTheStreamAndTurnProportionalOff) {
  const int before = stops->Stops();
  form->Speed->Action()->trigger();
  ExpectRestartedOnce(before);
  EXPECT_FALSE(form->VLDSImageDisplay1->Proportional());
  EXPECT_EQ(form->Speed->Caption(), U("画質優先"));
  EXPECT_TRUE(form->Speed->Checked());
  EXPECT_EQ(Size()->Width(), 640u);
  EXPECT_EQ(Size()->Height(), 480u);
  EXPECT_FALSE(Size()->Current());
  EXPECT_EQ(Capture()->GetWidth(), 640);
  EXPECT_EQ(Capture()->GetHeight(), 480);
  // The aspect item still offers what it offered.
  EXPECT_EQ(form->N4->Caption(), U("縦横比を固定しない"));
  // The size mark follows the chosen size.
  EXPECT_TRUE(form->VGA1->Checked());

  form->Speed->Action()->trigger();
  ExpectRestartedOnce(before + 1);
  EXPECT_EQ(form->Speed->Caption(), U("速度優先"));
  EXPECT_FALSE(form->Speed->Checked());
  EXPECT_EQ(Capture()->GetWidth(), 1600);
  EXPECT_EQ(Capture()->GetHeight(), 1200);
  EXPECT_TRUE(form->UXGA1->Checked());
  EXPECT_FALSE(form->VGA1->Checked());

  // The next aspect toggle turns proportional display on again.
  form->N4->Action()->trigger();
  EXPECT_TRUE(form->VLDSImageDisplay1->Proportional());
  EXPECT_EQ(form->N4->Caption(), U("縦横比を固定しない"));
}

TEST_F(MainWindowTest, OpeningTheBrightnessSubmenuRestartsAtFullSize) {
  form->Speed->Action()->trigger();
  ASSERT_EQ(Capture()->GetWidth(), 640);
  const int before = stops->Stops();
  QMenu* brightness = form->N9->SubMenu();
  ASSERT_NE(brightness, nullptr);
  brightness->popup(QPoint(20, 20));
  brightness->hide();
  ExpectRestartedOnce(before);
  EXPECT_EQ(Capture()->GetWidth(), 1600);
  EXPECT_EQ(Capture()->GetHeight(), 1200);
  EXPECT_FALSE(form->VLDSImageDisplay1->Proportional());
  // The speed item is left as it was.
  EXPECT_EQ(form->Speed->Caption(), U("画質優先"));
  EXPECT_TRUE(form->Speed->Checked());
}

TEST_F(MainWindowTest, BrightnessPresetsOnlyStoreModesAndValues) {
  TVLDSAdjustment* adjustment = Capture()->Adjustment();
  const int before = stops->Stops();
  form->N13->Action()->trigger();
  EXPECT_EQ(adjustment->BacklightCompensation()->Mode(), amManual);
  EXPECT_EQ(adjustment->Brightness()->Mode(), amManual);
  const auto storedBrightness = [&] {
    // The stored value (the camera's own reading may differ while the graph is open).
    return GetPropValue(adjustment, QStringLiteral("Brightness.Value")).toInt();
  };
  const int minusThree = storedBrightness();
  form->N21->Action()->trigger();
  EXPECT_EQ(storedBrightness(), minusThree);

  form->N01->Action()->trigger();
  form->N22->Action()->trigger();
  form->N12->Action()->trigger();
  EXPECT_EQ(adjustment->Brightness()->Mode(), amAutomatic);
  // "-1", "1" and "3" do nothing.
  for (TMenuItem* item : {form->N14, form->N15, form->N31}) item->Action()->trigger();
  EXPECT_EQ(adjustment->Brightness()->Mode(), amAutomatic);
  EXPECT_FALSE(adjustment->Enabled());
  EXPECT_EQ(stops->Stops(), before);
  for (TMenuItem* item : {form->N12, form->N13, form->N21, form->N14, form->N01, form->N15, form->N22, form->N31}) {
    EXPECT_FALSE(item->Checked());
  }
}

TEST_F(MainWindowTest, FormatCommandsRestartWithTheFormatAndLeaveTheMarks) {
  struct {
    TMenuItem* item;
    TVLVideoFormat format;
  } const formats[] = {{form->UYVY1, vfUYVY},
                       {form->RGB241, vfRGB24},
                       {form->RGB5551, vfRGB555},
                       {form->RGBA321, vfRGBA32},
                       {form->YUY21, vfYUY2}};
  for (const auto& f : formats) {
    SCOPED_TRACE(f.item->Name().toStdString());
    const int before = stops->Stops();
    f.item->Action()->trigger();
    ExpectRestartedOnce(before);
    EXPECT_EQ(Capture()->VideoFormat(), f.format);
    EXPECT_EQ(Capture()->NegotiatedFormat(), f.format);
    for (const auto& g : formats) EXPECT_FALSE(g.item->Checked());
  }
}

TEST_F(MainWindowTest, SizeCommandsRestartAtTheirSizeAndMoveTheMark) {
  struct {
    TMenuItem* item;
    int width, height;
  } const sizes[] = {
      {form->VGA1, 640, 480}, {form->SVGA1, 800, 600}, {form->SXGA1, 1280, 1024}, {form->UXGA1, 1600, 1200}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(s.item->Name().toStdString());
    Size()->SetCurrent(true);
    const int before = stops->Stops();
    s.item->Action()->trigger();
    ExpectRestartedOnce(before);
    EXPECT_FALSE(Size()->Current());
    EXPECT_EQ(Capture()->GetWidth(), s.width);
    EXPECT_EQ(Capture()->GetHeight(), s.height);
    for (const auto& t : sizes) EXPECT_EQ(t.item->Checked(), t.item == s.item);
  }
  // The submenu's own handler does nothing.
  const int before = stops->Stops();
  form->N7->SubMenu()->popup(QPoint(10, 10));
  form->N7->SubMenu()->hide();
  EXPECT_EQ(stops->Stops(), before);
}

TEST_F(MainWindowTest, TheAspectToggleNamesWhatItDoesNextAndMovesThePicture) {
  TVLDSImageDisplay* display = form->VLDSImageDisplay1;
  const auto picture = [&] {
    return QRect(display->GetVC_ImageLeft(), display->GetVC_ImageTop(), display->GetImageWidth(),
                 display->GetImageHeight());
  };
  const QSize client = display->Widget()->size();
  // Kept 4:3 in a window a little taller than that: bands above and below.
  const int height = static_cast<int>(std::lround(client.width() * 3.0 / 4.0));
  ASSERT_LT(height, client.height());
  const QRect kept(0, (client.height() - height) / 2, client.width(), height);
  EXPECT_EQ(picture(), kept);

  const int before = stops->Stops();
  form->N4->Action()->trigger();
  ExpectRestartedOnce(before);
  EXPECT_FALSE(display->Proportional());
  EXPECT_EQ(form->N4->Caption(), U("縦横比を固定する"));
  EXPECT_TRUE(form->N4->Checked());
  EXPECT_EQ(picture(), QRect(QPoint(0, 0), client));

  form->N4->Action()->trigger();
  EXPECT_TRUE(display->Proportional());
  EXPECT_EQ(form->N4->Caption(), U("縦横比を固定しない"));
  EXPECT_TRUE(form->N4->Checked());
  EXPECT_EQ(picture(), kept);
}

TEST_F(MainWindowTest, CancelledDialogsStillRestartTheCapture) {
  TModalAnswerer answerer;
  int before = stops->Stops();
  form->N1->Action()->trigger();
  ExpectRestartedOnce(before);
  EXPECT_EQ(answerer.Answered(), 1);
  EXPECT_EQ(Capture()->VideoCaptureDevice()->DeviceName(), QStringLiteral("Default"));

  // The camera's own settings page, when it has one, is shown and closed;
  // either way the capture is restarted.
  const bool hasPage = Capture()->GetVC_AvailableVideoDialogs().Contains(cdVideoSource);
  before = stops->Stops();
  form->N10->Action()->trigger();
  ExpectRestartedOnce(before);
  EXPECT_EQ(answerer.Answered(), hasPage ? 2 : 1);
}

TEST_F(MainWindowTest, ARightClickOnThePictureOpensTheMenu) {
  QWidget* picture = form->VLDSImageDisplay1->Widget();
  // Whatever window lies on top of the picture (the renderer's) passes it on.
  QWidget* top = picture->childAt(picture->rect().center());
  QWidget* target = top != nullptr ? top : picture;
  const QPoint at = target->mapFromGlobal(picture->mapToGlobal(picture->rect().center()));
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
  QApplication::sendEvent(target, &event);
  EXPECT_TRUE(form->PopupMenu1->Menu()->isVisible());
  EXPECT_EQ(form->PopupMenu1->PopupPoint(), picture->mapToGlobal(picture->rect().center()));
  form->PopupMenu1->Menu()->hide();
}

TEST_F(MainWindowTest, AboutIsOneWindowAndExitClosesTheViewer) {
  std::unique_ptr<TForm2> about(NewComponent<TForm2>(nullptr));
  about->SetOwnerForm(form.get());
  form->SetAboutForm(about.get());
  EXPECT_FALSE(about->Widget()->isVisible());
  const int before = stops->Stops();
  form->About1->Action()->trigger();
  EXPECT_TRUE(about->Widget()->isVisible());
  form->About1->Action()->trigger();
  EXPECT_TRUE(about->Widget()->isVisible());
  int shown = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->windowTitle() == U("バージョン情報")) ++shown;
  }
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(stops->Stops(), before);

  form->Exit1->Action()->trigger();
  EXPECT_FALSE(form->Widget()->isVisible());
  about.reset();
}

}  // namespace
}  // namespace lumicar::test
