// The video renderer's window on the screen, on the path this program is
// built for (OpenGL under Xvfb, QPainter on the offscreen platform): the
// picture of four quadrants in its place for each layout, the exact colours
// of the kernels at the frame's own size, full screen on and off, leaving it
// by Esc or by losing the window, input reaching the message drain, the idle
// pointer, only the newest frame painted after a blocked painter, and the
// last frame kept after a stop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <chrono>
#include <future>
#include <random>
#include <thread>

#include "dsbase/com/media_event_sink.h"
#include "dsbase/render/render_classes.h"
#include "dsbase/render/video_render_path.h"
#include "testing/dsbase/ds_test_filters.h"
#include "testing/event_pump.h"
#include "tests/dsbase/render/video_renderer_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::rendertest {
namespace {

#ifdef LUMICAR_EXPECT_GL
constexpr TDSVideoRenderPath kExpectedPath = TDSVideoRenderPath::kOpenGL;
#else
constexpr TDSVideoRenderPath kExpectedPath = TDSVideoRenderPath::kPainter;
#endif

const QColor kBackground(90, 90, 90);
const QRect kPlace(40, 30, 200, 150);

// The owner and message drain: records the input that reaches it.
class TOwner : public QWidget {
 public:
  TOwner() {
    QPalette p = palette();
    p.setColor(QPalette::Window, kBackground);
    setPalette(p);
    setAutoFillBackground(true);
    resize(320, 240);
  }
  int doubleClicks = 0;
  int presses = 0;
  QPoint lastPosition;
  std::vector<int> keys;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    ++doubleClicks;
    lastPosition = e->position().toPoint();
  }
  void mousePressEvent(QMouseEvent* e) override {
    ++presses;
    lastPosition = e->position().toPoint();
  }
  void keyPressEvent(QKeyEvent* e) override { keys.push_back(e->key()); }
};

int Count(const std::vector<int32_t>& events, int32_t code) {
  return int(std::count(events.begin(), events.end(), code));
}

class VideoWindowTest : public dstest::DSLeakCheck {
 protected:
  void SetUp() override {
    DSRegisterRenderClasses();
    dstest::DSLeakCheck::SetUp();
    owner_ = std::make_unique<TOwner>();
    owner_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(owner_.get(), static_cast<int>(testtools::kHangGuard.count())));
  }
  void TearDown() override {
    KeepOpenGLDriverLoaded();
    rig_.reset();
    owner_.reset();
    QCoreApplication::sendPostedEvents();
    dstest::DSLeakCheck::TearDown();
  }

  // A running graph whose renderer window is a visible child of the owner
  // at `place`, the owner also its message drain.
  TRendererRig& Attach(const TDSMediaType& type, const QRect& place = kPlace) {
    rig_ = std::make_unique<TRendererRig>(type);
    EXPECT_NE(rig_->renderer, nullptr);
    IVideoWindow* w = rig_->window.get();
    EXPECT_EQ(w->put_Owner(owner_.get()), S_OK);
    EXPECT_EQ(w->put_MessageDrain(owner_.get()), S_OK);
    EXPECT_EQ(w->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS), S_OK);
    EXPECT_EQ(w->SetWindowPosition(place.x(), place.y(), place.width(), place.height()), S_OK);
    EXPECT_EQ(w->put_Visible(OATRUE), S_OK);
    return *rig_;
  }
  TDSVideoWindow* Window() { return rig_->renderer->Window(); }
  // Sends and waits until the window has presented that frame.
  bool SendAndShow(const std::vector<uint8_t>& frame) {
    if (rig_->source->Send(frame) != S_OK) return false;
    const uint64_t sent = rig_->renderer->FrameCounts().received;
    return WaitUntil([&] { return rig_->renderer->FrameCounts().lastPresented >= sent; });
  }

  std::unique_ptr<TOwner> owner_;
  std::unique_ptr<TRendererRig> rig_;
};

TEST_F(VideoWindowTest, DrawsThroughTheExpectedPath) {
  Attach(FrameType(vfRGB24, 32, 16));
  EXPECT_EQ(Window()->Path(), kExpectedPath) << DSVideoRenderPathReason().toStdString();
}

// ---- the picture ----

struct TLayout {
  TVLVideoFormat format;
  bool bottomUp;
  const char* name;
};

class VideoWindowPicture : public VideoWindowTest, public ::testing::WithParamInterface<TLayout> {};

TEST_P(VideoWindowPicture, QuadrantsAppearInTheWindowsPlaceOnTheScreen) {
  const TDSMediaType type = FrameType(GetParam().format, 64, 48, GetParam().bottomUp);
  Attach(type);
  const TDSFrameFormat format = FormatOf(type);
  const std::vector<uint8_t> frame = QuadrantFrame(format);
  // What the kernels make of the frame: the colours to see.
  const QImage kernel = KernelPicture(frame, format);
  const QColor expected[4] = {kernel.pixelColor(16, 12), kernel.pixelColor(48, 12), kernel.pixelColor(16, 36),
                              kernel.pixelColor(48, 36)};
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(Near(expected[i], kQuadrants[i], 24)) << "frame made wrongly";
  ASSERT_TRUE(SendAndShow(frame));
  QImage shot;
  const bool seen = WaitUntil([&] {
    shot = ScreenShot(owner_.get());
    return ShowsQuadrants(shot, kPlace, expected, 3) && Near(shot.pixelColor(10, 10), kBackground, 3) &&
           Near(shot.pixelColor(kPlace.right() + 20, kPlace.bottom() + 20), kBackground, 3);
  });
  EXPECT_TRUE(seen);
  EXPECT_TRUE(ShowsQuadrants(shot, kPlace, expected, 3));
  EXPECT_TRUE(Near(shot.pixelColor(10, 10), kBackground, 3)) << shot.pixelColor(10, 10).name().toStdString();
  // The picture's corners sit on the place's corners, the owner's colour
  // right outside them.
  const QPoint inside[4] = {kPlace.topLeft() + QPoint(2, 2), kPlace.topRight() + QPoint(-2, 2),
                            kPlace.bottomLeft() + QPoint(2, -2), kPlace.bottomRight() + QPoint(-2, -2)};
  const QPoint outside[4] = {kPlace.topLeft() + QPoint(-2, 2), kPlace.topRight() + QPoint(2, 2),
                             kPlace.bottomLeft() + QPoint(2, 2), kPlace.bottomRight() + QPoint(2, -2)};
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(Near(shot.pixelColor(inside[i]), expected[i], 3)) << "corner " << i;
    EXPECT_TRUE(Near(shot.pixelColor(outside[i]), kBackground, 3)) << "outside corner " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, VideoWindowPicture,
                         ::testing::Values(TLayout{vfYUY2, false, "YUY2"}, TLayout{vfUYVY, false, "UYVY"},
                                           TLayout{vfRGB24, true, "RGB24BottomUp"},
                                           TLayout{vfRGB24, false, "RGB24TopDown"},
                                           TLayout{vfRGBA32, true, "RGB32BottomUp"}, TLayout{vfRGB565, true, "RGB565"},
                                           TLayout{vfRGB555, true, "RGB555"}),
                         [](const ::testing::TestParamInfo<TLayout>& layout) {
                           return std::string(layout.param.name);
                         });

TEST_F(VideoWindowTest, AtItsOwnSizeThePictureHasTheKernelsColoursExactly) {
  std::mt19937 random(7);
  for (const TVLVideoFormat f : {vfYUY2, vfUYVY, vfRGB565, vfRGB24}) {
    const TDSMediaType type = FrameType(f, 64, 32);
    Attach(type, QRect(0, 0, 64, 32));
    const TDSFrameFormat format = FormatOf(type);
    std::vector<uint8_t> frame(size_t(DSFrameBytes(format)));
    for (uint8_t& b : frame) b = uint8_t(random());
    ASSERT_TRUE(SendAndShow(frame)) << int(f);
    const QImage shown = Window()->GrabPicture().convertToFormat(QImage::Format_RGB32);
    const QImage kernel = KernelPicture(frame, format);
    ASSERT_EQ(shown.size(), kernel.size());
    int wrong = 0;
    QPoint first;
    for (int y = 0; y < kernel.height(); ++y) {
      for (int x = 0; x < kernel.width(); ++x) {
        if ((shown.pixel(x, y) & 0xFFFFFF) == (kernel.pixel(x, y) & 0xFFFFFF)) continue;
        if (wrong++ == 0) first = QPoint(x, y);
      }
    }
    EXPECT_EQ(wrong, 0) << "format " << int(f) << ", first at (" << first.x() << ", " << first.y()
                        << "): " << shown.pixelColor(first).name().toStdString() << " instead of "
                        << kernel.pixelColor(first).name().toStdString();
    rig_.reset();
  }
}

TEST_F(VideoWindowTest, StoppedGraphKeepsShowingTheLastFrame) {
  const TDSMediaType type = FrameType(vfYUY2, 32, 16);
  Attach(type);
  const std::vector<uint8_t> red = SolidFrame(FormatOf(type), Qt::red);
  const QColor shown = KernelPicture(red, FormatOf(type)).pixelColor(0, 0);
  ASSERT_TRUE(SendAndShow(red));
  ASSERT_EQ(rig_->graph->Stop(), S_OK);
  ASSERT_EQ(rig_->window->SetWindowPosition(0, 0, 300, 200), S_OK);
  const QImage picture = Window()->GrabPicture();
  EXPECT_TRUE(Near(picture.pixelColor(picture.width() / 2, picture.height() / 2), shown, 2))
      << picture.pixelColor(picture.width() / 2, picture.height() / 2).name().toStdString();
  EXPECT_EQ(picture.size(), QSize(300, 200));
}

// ---- full screen ----

TEST_F(VideoWindowTest, FullScreenCoversTheOwnersScreenAndComesBack) {
  const TDSMediaType type = FrameType(vfYUY2, 64, 48);
  Attach(type);
  TDSVideoWindow* window = Window();
  QScreen* screen = owner_->screen();
  ASSERT_NE(screen, nullptr);
  ASSERT_EQ(rig_->window->put_FullScreenMode(OATRUE), S_OK);
  OABOOL full = OAFALSE;
  EXPECT_EQ(rig_->window->get_FullScreenMode(&full), S_OK);
  EXPECT_EQ(full, OATRUE);
  EXPECT_TRUE(window->isWindow());
  EXPECT_TRUE(WaitUntil([&] { return window->isVisible() && window->geometry() == screen->geometry(); }))
      << "at " << window->geometry().x() << "," << window->geometry().y() << " " << window->geometry().width() << "x"
      << window->geometry().height();

  const TDSFrameFormat format = FormatOf(type);
  const std::vector<uint8_t> frame = QuadrantFrame(format);
  const QImage kernel = KernelPicture(frame, format);
  const QColor expected[4] = {kernel.pixelColor(16, 12), kernel.pixelColor(48, 12), kernel.pixelColor(16, 36),
                              kernel.pixelColor(48, 36)};
  ASSERT_TRUE(SendAndShow(frame));
  const QImage picture = Window()->GrabPicture();
  EXPECT_EQ(picture.size(), screen->geometry().size());
  EXPECT_TRUE(ShowsQuadrants(picture, picture.rect(), expected, 3));

  ASSERT_EQ(rig_->window->put_FullScreenMode(OAFALSE), S_OK);
  EXPECT_FALSE(window->isWindow());
  EXPECT_EQ(window->parentWidget(), owner_.get());
  EXPECT_EQ(window->geometry(), kPlace);
  EXPECT_TRUE(window->isVisible());
  int32_t l = 0, t = 0, w = 0, h = 0;
  EXPECT_EQ(rig_->window->GetWindowPosition(&l, &t, &w, &h), S_OK);
  EXPECT_EQ(QRect(l, t, w, h), kPlace);
  QImage shot;
  EXPECT_TRUE(WaitUntil([&] {
    shot = ScreenShot(owner_.get());
    return ShowsQuadrants(shot, kPlace, expected, 3);
  })) << ShowsQuadrants(shot, kPlace, expected, 3).message();
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Count(TakeEvents(rig_->graph.get()), EC_FULLSCREEN_LOST), 0) << "asked for, not lost";
}

TEST_F(VideoWindowTest, EscLeavesFullScreenAndReportsTheLossOnce) {
  Attach(FrameType(vfRGB24, 32, 16));
  TDSVideoWindow* window = Window();
  ASSERT_EQ(rig_->window->put_FullScreenMode(OATRUE), S_OK);
  TakeEvents(rig_->graph.get());
  QTest::keyClick(window, Qt::Key_Escape);
  EXPECT_FALSE(window->FullScreen());
  EXPECT_EQ(window->parentWidget(), owner_.get());
  EXPECT_EQ(window->geometry(), kPlace);
  EXPECT_TRUE(owner_->keys.empty()) << "Esc belongs to the full-screen window";
  // In its place the window passes Esc on like any other key.
  QTest::keyClick(window, Qt::Key_Escape);
  EXPECT_EQ(owner_->keys, std::vector<int>{Qt::Key_Escape});
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(Count(TakeEvents(rig_->graph.get()), EC_FULLSCREEN_LOST), 1);
}

TEST_F(VideoWindowTest, FullScreenWindowHiddenBySomeoneElseGivesUpTheScreen) {
  Attach(FrameType(vfRGB24, 32, 16));
  TDSVideoWindow* window = Window();
  ASSERT_EQ(rig_->window->put_FullScreenMode(OATRUE), S_OK);
  ASSERT_TRUE(WaitUntil([&] { return window->isVisible(); }));
  TakeEvents(rig_->graph.get());
  window->hide();
  EXPECT_TRUE(WaitUntil([&] { return !window->FullScreen(); }));
  EXPECT_EQ(window->parentWidget(), owner_.get());
  EXPECT_TRUE(window->isVisible());
  QCoreApplication::processEvents();
  EXPECT_EQ(Count(TakeEvents(rig_->graph.get()), EC_FULLSCREEN_LOST), 1);
  // The owner hidden while full screen takes the picture off the screen too.
  ASSERT_EQ(rig_->window->put_FullScreenMode(OATRUE), S_OK);
  QHideEvent hidden;
  EXPECT_EQ(rig_->window->NotifyOwnerMessage(owner_.get(), &hidden), S_OK);
  EXPECT_TRUE(WaitUntil([&] { return !window->FullScreen(); }));
  QCoreApplication::processEvents();
  EXPECT_EQ(Count(TakeEvents(rig_->graph.get()), EC_FULLSCREEN_LOST), 1);
}

// ---- input ----

TEST_F(VideoWindowTest, InputOnThePictureReachesTheMessageDrain) {
  Attach(FrameType(vfRGB24, 32, 16));
  TDSVideoWindow* window = Window();
  // In its place: the drain reads the point in its own coordinates.
  QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(10, 12));
  EXPECT_EQ(owner_->doubleClicks, 1);
  EXPECT_EQ(owner_->lastPosition, kPlace.topLeft() + QPoint(10, 12));

  // Full screen: a double-click on the picture arrives as one on the same
  // point of the picture in its place.
  ASSERT_EQ(rig_->window->put_FullScreenMode(OATRUE), S_OK);
  ASSERT_TRUE(WaitUntil([&] { return window->geometry() == owner_->screen()->geometry(); }));
  QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(window->width() / 4, window->height() / 2));
  EXPECT_EQ(owner_->doubleClicks, 2);
  const QPoint expected = kPlace.topLeft() + QPoint(kPlace.width() / 4, kPlace.height() / 2);
  EXPECT_LE((owner_->lastPosition - expected).manhattanLength(), 2)
      << owner_->lastPosition.x() << "," << owner_->lastPosition.y();
  QTest::keyClick(window, Qt::Key_A);
  EXPECT_EQ(owner_->keys, std::vector<int>{Qt::Key_A});
  ASSERT_EQ(rig_->window->put_FullScreenMode(OAFALSE), S_OK);

  // Without a drain the input goes to the window's parent as any child's.
  ASSERT_EQ(rig_->window->put_MessageDrain(nullptr), S_OK);
  const int presses = owner_->presses;
  QTest::mousePress(window, Qt::LeftButton, {}, QPoint(3, 4));
  QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(3, 4));
  EXPECT_EQ(owner_->presses, presses + 1);
  EXPECT_EQ(owner_->lastPosition, kPlace.topLeft() + QPoint(3, 4));
}

TEST_F(VideoWindowTest, IdlePointerHidesInFullScreenAndComesBackWhenMoved) {
  Attach(FrameType(vfRGB24, 32, 16));
  TDSVideoWindow* window = Window();
  EXPECT_FALSE(window->CursorIdlePending());
  ASSERT_EQ(rig_->window->put_FullScreenMode(OATRUE), S_OK);
  EXPECT_TRUE(window->CursorIdlePending());
  EXPECT_TRUE(window->CursorShown());
  window->CursorIdleElapsed();
  EXPECT_FALSE(window->CursorShown());
  QMouseEvent move(QEvent::MouseMove, QPointF(50, 60), window->mapToGlobal(QPointF(50, 60)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(window, &move);
  EXPECT_TRUE(window->CursorShown());
  EXPECT_TRUE(window->CursorIdlePending()) << "the wait starts again";
  window->CursorIdleElapsed();
  ASSERT_EQ(rig_->window->put_FullScreenMode(OAFALSE), S_OK);
  EXPECT_TRUE(window->CursorShown());
  EXPECT_FALSE(window->CursorIdlePending());
  // Asked to hide the pointer, it stays hidden in the window's place too.
  ASSERT_EQ(rig_->window->HideCursor(OATRUE), S_OK);
  OABOOL hidden = OAFALSE;
  EXPECT_EQ(rig_->window->IsCursorHidden(&hidden), S_OK);
  EXPECT_EQ(hidden, OATRUE);
  EXPECT_FALSE(window->CursorShown());
  window->CursorIdleElapsed();
  ASSERT_EQ(rig_->window->HideCursor(OAFALSE), S_OK);
  EXPECT_TRUE(window->CursorShown());
}

// ---- frame hand-over ----

TEST_F(VideoWindowTest, BlockedPainterGetsOnlyTheNewestFrame) {
  const TDSMediaType type = FrameType(vfYUY2, 64, 48);
  Attach(type);
  const TDSFrameFormat format = FormatOf(type);
  ASSERT_TRUE(SendAndShow(SolidFrame(format, Qt::black)));
  const TDSVideoFrameCounts before = rig_->renderer->FrameCounts();
  constexpr int kFrames = 60;
  std::vector<std::vector<uint8_t>> frames;
  for (int i = 0; i < kFrames; ++i) frames.push_back(SolidFrame(format, i + 1 == kFrames ? Qt::blue : Qt::green));
  std::promise<void> sent;
  std::future<void> allSent = sent.get_future();
  std::thread sender([&] {
    for (const std::vector<uint8_t>& f : frames) EXPECT_EQ(rig_->source->Send(f), S_OK);
    sent.set_value();
  });
  // This thread paints; it stays right here, out of the event loop, until
  // the sender is through.
  const bool finished = allSent.wait_for(testtools::kHangGuard) == std::future_status::ready;
  EXPECT_TRUE(finished) << "the sender waited for the painter";
  if (!finished) WaitUntil([&] { return allSent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
  sender.join();
  const TDSVideoFrameCounts blocked = rig_->renderer->FrameCounts();
  EXPECT_EQ(blocked.received - before.received, uint64_t(kFrames));
  EXPECT_EQ(blocked.dropped - before.dropped, uint64_t(kFrames - 1));
  EXPECT_EQ(blocked.repaintRequests - before.repaintRequests, 1u);
  EXPECT_EQ(blocked.presented, before.presented);
  EXPECT_LE(blocked.frameBuffers, 3);

  std::vector<uint64_t> hooked;
  rig_->renderer->Frames()->SetPresentHook([&](uint64_t sequence, int64_t receivedNs, int64_t presentedNs) {
    hooked.push_back(sequence);
    EXPECT_LE(receivedNs, presentedNs);
  });
  ASSERT_TRUE(WaitUntil([&] { return rig_->renderer->FrameCounts().lastPresented == blocked.received; }));
  rig_->renderer->Frames()->SetPresentHook(nullptr);
  EXPECT_EQ(hooked, std::vector<uint64_t>{blocked.received});
  EXPECT_EQ(rig_->renderer->FrameCounts().presented - before.presented, 1u) << "one paint, of the newest frame";
  const QImage picture = Window()->GrabPicture();
  const QColor blue = KernelPicture(frames.back(), format).pixelColor(0, 0);
  EXPECT_TRUE(Near(picture.pixelColor(picture.width() / 2, picture.height() / 2), blue, 2));
}

}  // namespace
}  // namespace lumicar::rendertest
