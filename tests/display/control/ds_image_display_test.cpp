// The image display with its own media graph, on the renderer path this
// program is built for (OpenGL under Xvfb, QPainter on the offscreen
// platform): frames through the input pin onto the picture rectangle, the
// bands, the graph's life over start, stop and clear, full screen and
// leaving it, the build's failures, and a display made from a design.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "buffers/sl_exception.h"
#include "display/control/display_classes.h"
#include "display/source/video_source_filter.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/live_objects.h"
#include "dsbase/render/video_render_path.h"
#include "runtime/class_registry.h"
#include "runtime/form_reader.h"
#include "tests/display/control/display_test_support.h"
#include "tests/display/control/ds_display_rig.h"
#include "tests/ui/qt_application.h"

namespace lumicar::test {
namespace {

#ifdef LUMICAR_EXPECT_GL
constexpr TDSVideoRenderPath kExpectedPath = TDSVideoRenderPath::kOpenGL;
#else
constexpr TDSVideoRenderPath kExpectedPath = TDSVideoRenderPath::kPainter;
#endif

// Scaling blends neighbouring pixels and 4:2:2 chroma rounds: the checks
// keep away from the edges, and allow this much per channel.
constexpr int kTolerance = 24;

// Counts the media objects alive, so that every graph a test builds is
// shown to be gone after it.
class DSImageDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterDisplayClasses();
    before_ = DSLiveObjectCount();
  }
  void TearDown() override {
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(DSLiveObjectCount(), before_) << "media objects left behind";
  }

 private:
  int64_t before_ = 0;
};

// 400 x 200 client, 4:3 frames: the proportional picture is 267 x 200 at (66, 0).
const QRect kPicture(66, 0, 267, 200);

class DSImageDisplayFormats : public DSImageDisplay, public ::testing::WithParamInterface<TVLVideoFormat> {};

TEST_P(DSImageDisplayFormats, QuadrantsLandOnThePictureRectangleWithBandsAround) {
  TDSDisplayRig rig(400, 200);
  rig.source->Start(80, 60, GetParam());
  TVLDSImageDisplay* d = rig.display;
  ASSERT_TRUE(d->GraphRunning());
  EXPECT_TRUE(d->Started());
  EXPECT_EQ(d->SourceFormat(), GetParam() == vfRGBA32 ? vfRGB24 : GetParam());
  ASSERT_NE(rig.Renderer(), nullptr);
  EXPECT_EQ(rig.RendererWindow()->Path(), kExpectedPath) << DSVideoRenderPathReason().toStdString();
  EXPECT_EQ(rig.Picture(), kPicture);
  // The renderer's window is a child of the control on the picture rectangle.
  EXPECT_EQ(rig.RendererWindow()->parentWidget(), d->Widget());
  EXPECT_EQ(rig.RendererWindow()->geometry(), kPicture);

  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  const QImage shot = ScreenShot(&rig.host);
  EXPECT_TRUE(ShowsQuadrants(shot, kPicture, kTolerance, KernelQuadrantColours(GetParam())));
  EXPECT_TRUE(ShowsColour(shot, QRect(0, 0, 66, 200), TDSDisplayRig::kBand, 0));
  EXPECT_TRUE(ShowsColour(shot, QRect(333, 0, 67, 200), TDSDisplayRig::kBand, 0));

  // A wider window: the picture stays 4:3 in the middle, the window follows.
  rig.host.resize(600, 200);
  ASSERT_TRUE(WaitFor([&] { return rig.RendererWindow()->geometry() == QRect(166, 0, 267, 200); }));
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  const QImage wider = ScreenShot(&rig.host);
  EXPECT_TRUE(ShowsQuadrants(wider, QRect(166, 0, 267, 200), kTolerance, KernelQuadrantColours(GetParam())));
  EXPECT_TRUE(ShowsColour(wider, QRect(0, 0, 166, 200), TDSDisplayRig::kBand, 0));
  EXPECT_TRUE(ShowsColour(wider, QRect(433, 0, 167, 200), TDSDisplayRig::kBand, 0));

  // Without proportions the window covers the control.
  d->SetProportional(false);
  ASSERT_TRUE(WaitFor([&] { return rig.RendererWindow()->geometry() == QRect(0, 0, 600, 200); }));
}

INSTANTIATE_TEST_SUITE_P(Formats, DSImageDisplayFormats, ::testing::Values(vfRGB24, vfYUY2, vfRGBA32),
                         [](const auto& param) {
                           switch (param.param) {
                             case vfYUY2:
                               return std::string("YUY2");
                             case vfRGBA32:
                               return std::string("RGBA32");
                             default:
                               return std::string("RGB24");
                           }
                         });

TEST_F(DSImageDisplay, AStoppedStreamKeepsItsLastFrameUntilCleared) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  rig.source->Start(80, 60, vfRGB24);
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  TDSVideoRenderer* renderer = rig.Renderer();
  rig.source->Stop();
  EXPECT_FALSE(d->Started());
  EXPECT_TRUE(d->GraphRunning()) << "the graph stays after a stop";
  // Frames after the stop are dropped at the pin; the last one stays shown.
  const uint64_t received = renderer->FrameCounts().received;
  rig.source->Send(SolidFrame(80, 60, Qt::black).get());
  EXPECT_EQ(renderer->FrameCounts().received, received);
  EXPECT_TRUE(ShowsQuadrants(ScreenShot(&rig.host), kPicture, kTolerance));

  // Clear removes the graph: the control shows its colour only.
  d->Clear();
  EXPECT_FALSE(d->GraphRunning());
  EXPECT_EQ(d->Graph()->Graph(), nullptr);
  EXPECT_EQ(d->VideoWindow(), nullptr);
  EXPECT_EQ(d->SourceFilter(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return ShowsColour(ScreenShot(&rig.host), QRect(0, 0, 400, 200), rig.kBand, 0); }));

  // With AutoClear the stop itself clears; a start in between rebuilds.
  d->SetAutoClear(true);
  rig.source->Start(80, 60, vfRGB24);
  ASSERT_TRUE(d->GraphRunning());
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  rig.source->Stop();
  EXPECT_FALSE(d->GraphRunning());
  EXPECT_EQ(d->Graph()->Graph(), nullptr);
  ASSERT_TRUE(WaitFor([&] { return ShowsColour(ScreenShot(&rig.host), QRect(0, 0, 400, 200), rig.kBand, 0); }));
}

TEST_F(DSImageDisplay, EveryStartBuildsAGraphOfItsOwnAndClearWaitsForTheStop) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  rig.source->Start(80, 60, vfRGB24);
  TIntf<TDSVideoSourceFilter> first = d->SourceFilter();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Pin()->Width(), 80);
  // A start of another size and format: a new source filter of that size.
  rig.source->Start(64, 64, vfYUY2);
  TIntf<TDSVideoSourceFilter> second = d->SourceFilter();
  ASSERT_TRUE(second);
  EXPECT_NE(first.get(), second.get());
  EXPECT_EQ(second->Pin()->Width(), 64);
  EXPECT_EQ(second->Pin()->PreferredFormat(), vfYUY2);
  first.reset();
  second.reset();
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(64, 64).get()));
  EXPECT_TRUE(
      ShowsQuadrants(ScreenShot(&rig.host), QRect(100, 0, 200, 200), kTolerance, KernelQuadrantColours(vfYUY2)));
  // Clear during a stream changes nothing.
  d->Clear();
  EXPECT_TRUE(d->GraphRunning());
  // A stream started without a pin, 29.97 frames a second.
  d->Start(32, 24, vfRGB24);
  EXPECT_EQ(d->FrameDuration(), 333667);
  EXPECT_EQ(d->SourceFilter()->Pin()->FrameDuration(), 333667);
  EXPECT_EQ(d->AutoAspect(), QSize(32, 24));
  EXPECT_TRUE(d->Started());
}

TEST_F(DSImageDisplay, AStartWithoutASizeBuildsNoGraph) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  rig.source->Start(0, 60, vfRGB24);
  EXPECT_EQ(d->Graph()->Graph(), nullptr);
  EXPECT_FALSE(d->GraphRunning());
  d->Start(80, 0, vfRGB24);
  EXPECT_EQ(d->Graph()->Graph(), nullptr);
  // Frames only tell their size; nothing is shown but the colour.
  rig.source->Send(QuadrantFrame(80, 60).get());
  EXPECT_EQ(d->FrameSize(), QSize(80, 60));
  EXPECT_TRUE(d->HasFrameSize());
  ASSERT_TRUE(WaitFor([&] { return ShowsColour(ScreenShot(&rig.host), QRect(0, 0, 400, 200), rig.kBand, 0); }));
}

TEST_F(DSImageDisplay, FullScreenCoversTheScreenAndComesBackOntoThePicture) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  rig.source->Start(80, 60, vfRGB24);
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  TDSVideoWindow* window = rig.RendererWindow();
  const QRect screen = rig.host.screen()->geometry();

  d->SetFullScreen(true);
  EXPECT_TRUE(d->FullScreen());
  EXPECT_TRUE(window->FullScreen());
  EXPECT_TRUE(window->isWindow());
  ASSERT_TRUE(WaitFor([&] { return window->geometry() == screen; })) << "geometry " << window->geometry().width();
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  // Stretched over the whole screen (the frame's 4:3 scaled to it).
  EXPECT_TRUE(ShowsQuadrants(ScreenShot(window), QRect(QPoint(0, 0), screen.size()), kTolerance));
  // Meanwhile the control paints its colour all over, no bands around a
  // window that is not there (drawn by itself: on the screen the full-screen
  // window covers it).
  EXPECT_TRUE(ShowsColour(d->Widget()->grab().toImage(), QRect(0, 0, 400, 200), rig.kBand, 0));

  // The control changes size during full screen; leaving puts the window on
  // the picture as it is then.
  rig.host.resize(300, 300);
  ASSERT_TRUE(WaitFor([&] { return d->Width() == 300; }));
  EXPECT_EQ(window->geometry(), screen);
  d->SetFullScreen(false);
  EXPECT_FALSE(window->FullScreen());
  EXPECT_EQ(window->parentWidget(), d->Widget());
  ASSERT_TRUE(WaitFor([&] { return window->geometry() == QRect(0, 37, 300, 225); }));
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  EXPECT_TRUE(ShowsQuadrants(ScreenShot(&rig.host), QRect(0, 37, 300, 225), kTolerance));
}

TEST_F(DSImageDisplay, FullScreenSetBeforeTheStartSwitchesOnceTheGraphRuns) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  d->SetFullScreen(true);
  EXPECT_TRUE(d->FullScreen());
  EXPECT_EQ(d->VideoWindow(), nullptr);
  rig.source->Start(80, 60, vfRGB24);
  TDSVideoWindow* window = rig.RendererWindow();
  ASSERT_NE(window, nullptr);
  // The switch waits for the event loop.
  EXPECT_FALSE(window->FullScreen());
  ASSERT_TRUE(WaitFor([&] { return window->FullScreen(); }));
  EXPECT_TRUE(WaitFor([&] { return window->geometry() == rig.host.screen()->geometry(); }));
  d->SetFullScreen(false);
  EXPECT_TRUE(WaitFor([&] { return window->geometry() == kPicture; }));
}

TEST_F(DSImageDisplay, EscLeavesFullScreenAndTellsOnce) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  int lost = 0;
  TObject* sender = nullptr;
  d->SetOnFullScreenLost(TNotifyEvent([&](TObject* s) {
    ++lost;
    sender = s;
  }));
  rig.source->Start(80, 60, vfRGB24);
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  TDSVideoWindow* window = rig.RendererWindow();
  d->SetFullScreen(true);
  ASSERT_TRUE(window->FullScreen());
  ASSERT_TRUE(WaitFor([&] { return window->geometry() == rig.host.screen()->geometry(); }));

  QTest::keyClick(window, Qt::Key_Escape);
  ASSERT_TRUE(WaitFor([&] { return lost > 0; }));
  EXPECT_EQ(sender, d);
  EXPECT_FALSE(d->FullScreen());
  EXPECT_FALSE(window->FullScreen());
  EXPECT_EQ(window->parentWidget(), d->Widget());
  EXPECT_EQ(window->Place(), kPicture);
  EXPECT_TRUE(window->isVisible());
  // The offscreen platform has no native child windows: the window that was
  // native for full screen keeps that platform's full-screen size there. On
  // a real window system it is back on the picture.
  if (QGuiApplication::platformName() != u"offscreen"_qs) {
    EXPECT_TRUE(WaitFor([&] { return window->geometry() == kPicture; }));
    ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
    EXPECT_TRUE(ShowsQuadrants(ScreenShot(&rig.host), kPicture, kTolerance));
  }
  // Nothing more arrives later.
  WaitFor([] { return false; }, 200);
  EXPECT_EQ(lost, 1);
  // Leaving by the property is no loss.
  d->SetFullScreen(true);
  d->SetFullScreen(false);
  WaitFor([] { return false; }, 200);
  EXPECT_EQ(lost, 1);
}

TEST_F(DSImageDisplay, InputOnTheFullScreenPictureReachesTheControl) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  int doubleClicks = 0;
  d->SetOnDblClick(TNotifyEvent([&](TObject*) { ++doubleClicks; }));
  rig.source->Start(80, 60, vfRGB24);
  TDSVideoWindow* window = rig.RendererWindow();
  d->SetShowCursor(false);
  EXPECT_TRUE(window->CursorHidden());
  d->SetShowCursor(true);
  EXPECT_FALSE(window->CursorHidden());
  d->SetFullScreen(true);
  ASSERT_TRUE(window->FullScreen());
  QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, window->rect().center());
  EXPECT_EQ(doubleClicks, 1);
  d->SetFullScreen(false);
}

TEST_F(DSImageDisplay, TheRendererWindowGoingIsReported) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  int destroyed = 0;
  d->SetOnWindowDestroyed(TNotifyEvent([&](TObject*) { ++destroyed; }));
  rig.source->Start(80, 60, vfRGB24);
  delete rig.RendererWindow();
  ASSERT_TRUE(WaitFor([&] { return destroyed > 0; }));
  EXPECT_EQ(destroyed, 1);
  // Destroying the graph with its window is no such report.
  d->Start(80, 60, vfRGB24);
  ASSERT_NE(rig.RendererWindow(), nullptr);
  d->IntStop();
  d->Clear();
  EXPECT_EQ(d->Graph()->Graph(), nullptr);
  WaitFor([] { return false; }, 100);
  EXPECT_EQ(destroyed, 1);
}

TEST_F(DSImageDisplay, AFailingRenderStepIsReportedAndLeavesNoGraph) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  {
    TBrokenRenderers broken;
    try {
      d->Start(80, 60, vfRGB24);
      ADD_FAILURE() << "no exception";
    } catch (const ESLException& e) {
      EXPECT_TRUE(e.Message().startsWith(u"Can't render video output. - "_qs)) << e.Message().toStdString();
    }
    EXPECT_FALSE(d->GraphRunning());
    EXPECT_FALSE(d->Started());
    EXPECT_EQ(d->Graph()->Graph(), nullptr);
    EXPECT_EQ(d->SourceFilter(), nullptr);

    // Handled by OnError: no exception, the same text, no graph.
    std::vector<QString> errors;
    d->Graph()->SetOnError(TDSErrorEvent([&](TObject* sender, QString message, HRESULT code, bool* handled) {
      EXPECT_EQ(sender, d);
      EXPECT_TRUE(FAILED(code));
      errors.push_back(message);
      *handled = true;
    }));
    EXPECT_NO_THROW(rig.source->Start(80, 60, vfRGB24));
    EXPECT_EQ(errors, std::vector<QString>{u"Can't render video output."_qs});
    EXPECT_FALSE(d->GraphRunning());
    EXPECT_EQ(d->Graph()->Graph(), nullptr);
    // Frames find nothing to go to.
    rig.source->Send(QuadrantFrame(80, 60).get());

    // With the mixing renderer asked for: it cannot be made either, the
    // default one is tried, and that failure is the one reported.
    errors.clear();
    d->SetUseVMR(true);
    EXPECT_EQ(errors, std::vector<QString>{u"Can't render video output."_qs});
    EXPECT_EQ(d->Renderer(), nullptr);
  }
  // The renderers are back: the next start works.
  rig.source->Start(80, 60, vfRGB24);
  EXPECT_TRUE(d->GraphRunning());
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
}

TEST_F(DSImageDisplay, AFrameSizeTheSourceCannotOfferIsReported) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  std::vector<QString> errors;
  d->Graph()->SetOnError(TDSErrorEvent([&](TObject*, QString message, HRESULT, bool* handled) {
    errors.push_back(message);
    *handled = true;
  }));
  d->Start(TDSVideoSourceStreamPin::kMaxSide + 1, 10, vfRGB24);
  EXPECT_EQ(errors, std::vector<QString>{u"Can't set video source filter."_qs});
  EXPECT_EQ(d->Graph()->Graph(), nullptr);
}

TEST_F(DSImageDisplay, TheMixingRendererIsOursAndItsAbsenceIsNoError) {
  TDSDisplayRig rig(400, 200);
  TVLDSImageDisplay* d = rig.display;
  d->SetUseVMR(true);  // no frame size yet: nothing is built
  EXPECT_EQ(d->Graph()->Graph(), nullptr);
  rig.source->Start(80, 60, vfRGB24);
  ASSERT_TRUE(d->Renderer());
  TGUID classId;
  ASSERT_EQ(d->Renderer()->GetClassID(&classId), S_OK);
  EXPECT_TRUE(classId == CLSID_VideoMixingRenderer9);
  EXPECT_EQ(rig.Renderer(), DSVideoRendererOf(d->Renderer().get()));
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
  EXPECT_TRUE(ShowsQuadrants(ScreenShot(&rig.host), kPicture, kTolerance));

  // Back to the default renderer: the stream is rebuilt at once.
  d->SetUseVMR(false);
  EXPECT_EQ(d->Renderer(), nullptr);
  ASSERT_NE(rig.Renderer(), nullptr);
  ASSERT_EQ(rig.Renderer()->GetClassID(&classId), S_OK);
  EXPECT_TRUE(classId == CLSID_VideoRenderer);

  // Without a mixing renderer to be had, the default one draws.
  TBrokenRenderers broken(/*failMixerOnly=*/true);
  std::vector<QString> errors;
  d->Graph()->SetOnError(TDSErrorEvent([&](TObject*, QString message, HRESULT, bool* handled) {
    errors.push_back(message);
    *handled = true;
  }));
  d->SetUseVMR(true);
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(d->GraphRunning());
  EXPECT_EQ(d->Renderer(), nullptr);
  ASSERT_TRUE(rig.SendAndShow(QuadrantFrame(80, 60).get()));
}

TEST_F(DSImageDisplay, MadeFromADesign) {
  TComponent form;
  form.SetName("Form1");
  ReadComponentDesign(&form, R"(object Form1: TComponent
  object Display1: TVLDSImageDisplay
    Width = 320
    Height = 200
    Stretch = True
    ShowCursor = False
    Graph.Register = True
  end
end
)");
  auto* d = qobject_cast<TVLDSImageDisplay*>(form.FindComponent("Display1"));
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->Stretch());
  EXPECT_FALSE(d->ShowCursor());
  EXPECT_FALSE(d->FullScreen());
  EXPECT_FALSE(d->UseVMR());
  EXPECT_TRUE(d->Graph()->Register());
  // The holder belongs to the display, which sends its events.
  EXPECT_EQ(d->Graph()->Owner(), d);
}

}  // namespace
}  // namespace lumicar::test
