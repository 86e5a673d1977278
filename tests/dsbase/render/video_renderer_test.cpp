// The video renderer as a filter and as the graph's video window: which
// class ids give it, the types it takes, the graph's window interface that
// reaches it once the builder has added it, the frame counts, short samples,
// samples kept rather than copied when the source's allocator has some to
// spare (and copied when not), the window's owner going away, and calls
// made from the wrong thread.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <thread>

#include "buffers/image_buffer.h"
#include "display/source/video_source_filter.h"
#include "dsbase/com/class_factory.h"
#include "dsbase/com/media_event_sink.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/mem_allocator.h"
#include "dsbase/render/render_classes.h"
#include "dsbase/render/video_render_path.h"
#include "testing/dsbase/ds_test_filters.h"
#include "tests/dsbase/render/video_renderer_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::rendertest {
namespace {

class VideoRendererFilter : public dstest::DSLeakCheck {
 protected:
  void SetUp() override {
    DSRegisterRenderClasses();
    dstest::DSLeakCheck::SetUp();
  }
  void TearDown() override {
    // Windows freed by posted requests go before the leak count.
    QCoreApplication::sendPostedEvents();
    dstest::DSLeakCheck::TearDown();
  }
};

TIntf<IBaseFilter> Create(const TGUID& clsid) {
  void* raw = nullptr;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, &raw), S_OK);
  return TIntf<IBaseFilter>::Adopt(static_cast<IBaseFilter*>(raw));
}

// The names seen from Mesa and SwiftShader on machines without a graphics
// driver, against those of real graphics processors.
TEST(VideoRenderPath, RasterisersOnTheProcessorAreToldApartByName) {
  for (const char* name :
       {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Mesa X11 swrast", "Software Rasterizer", "Google SwiftShader"})
    EXPECT_TRUE(DSIsSoftwareRasteriser(QString::fromLatin1(name))) << name;
  for (const char* name : {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "AMD Radeon RX 6600 (radeonsi, navi23)",
                           "NVIDIA GeForce RTX 3060/PCIe/SSE2", "unknown renderer", ""})
    EXPECT_FALSE(DSIsSoftwareRasteriser(QString::fromLatin1(name))) << name;
}

// Without a graphics device, or with Mesa told to draw in software, the choice
// is made without an OpenGL context; with a device only a context can tell.
TEST(VideoRenderPath, ProcessorOnlyOpenGLIsKnownWithoutAContext) {
  const QStringList node{QStringLiteral("renderD128")};
  EXPECT_FALSE(DSProcessorOnlyOpenGL({}, {}).isEmpty());
  EXPECT_FALSE(DSProcessorOnlyOpenGL(node, "1").isEmpty());
  EXPECT_FALSE(DSProcessorOnlyOpenGL(node, "true").isEmpty());
  EXPECT_TRUE(DSProcessorOnlyOpenGL(node, {}).isEmpty());
  EXPECT_TRUE(DSProcessorOnlyOpenGL(node, "0").isEmpty());
  EXPECT_TRUE(DSProcessorOnlyOpenGL(node, "false").isEmpty());
}

TEST_F(VideoRendererFilter, BothRendererClassesGiveThisRenderer) {
  {
    TRendererRig rig(FrameType(vfRGB24, 64, 48), false);
    ASSERT_EQ(rig.rendered, S_OK);
    ASSERT_NE(rig.renderer, nullptr) << "RenderStream without a sink did not add the system renderer";
    TGUID clsid;
    EXPECT_EQ(rig.rendererFilter->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_VideoRenderer);
    EXPECT_TRUE(rig.renderer->InputPin()->IsConnected());
    EXPECT_FALSE(QueryIntf<IVMRFilterConfig9>(rig.rendererFilter.get(), IID_IVMRFilterConfig9));
  }
  // The mixing renderer: the same renderer, configured for its one stream,
  // and the builder connects into it when it is named as the sink.
  TIntf<IBaseFilter> vmr = Create(CLSID_VideoMixingRenderer9);
  ASSERT_NE(DSVideoRendererOf(vmr.get()), nullptr);
  TIntf<IVMRFilterConfig9> config = QueryIntf<IVMRFilterConfig9>(vmr.get(), IID_IVMRFilterConfig9);
  ASSERT_TRUE(config);
  EXPECT_EQ(config->SetNumberOfStreams(1), S_OK);
  EXPECT_EQ(config->SetNumberOfStreams(0), E_INVALIDARG);
  EXPECT_EQ(config->SetNumberOfStreams(4), E_INVALIDARG);
  uint32_t streams = 0;
  EXPECT_EQ(config->GetNumberOfStreams(&streams), S_OK);
  EXPECT_EQ(streams, 1u);
  EXPECT_TRUE(QueryIntf<IVideoWindow>(vmr.get(), IID_IVideoWindow));

  TIntf<TDSFilterGraph> graph(new TDSFilterGraph);
  TIntf<TFrameSource> source(new TFrameSource(FrameType(vfYUY2, 32, 16)));
  ASSERT_EQ(graph->AddFilter(source.get(), u"Frame source"), S_OK);
  ASSERT_EQ(graph->AddFilter(vmr.get(), u"Video Mixing Renderer 9"), S_OK);
  void* raw = nullptr;
  ASSERT_EQ(
      CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2, &raw),
      S_OK);
  TIntf<ICaptureGraphBuilder2> builder = TIntf<ICaptureGraphBuilder2>::Adopt(static_cast<ICaptureGraphBuilder2*>(raw));
  builder->SetFiltergraph(graph.get());
  EXPECT_EQ(
      builder->RenderStream(nullptr, &MEDIATYPE_Video, static_cast<IBaseFilter*>(source.get()), nullptr, vmr.get()),
      S_OK);
  EXPECT_TRUE(DSVideoRendererOf(vmr.get())->InputPin()->IsConnected());
  EXPECT_EQ(graph->FilterCount(), 2) << "nothing else was needed between them";
}

TEST_F(VideoRendererFilter, DisplaySourcePushesIntoItWithoutWaitingForThePainter) {
  for (const TVLVideoFormat format : {vfYUY2, vfRGB24}) {
    TIntf<TDSFilterGraph> graph(new TDSFilterGraph);
    TIntf<TDSVideoSourceFilter> source(
        new TDSVideoSourceFilter(QStringLiteral("VideoSource"), GUID_NULL, format, false, 0));
    ASSERT_EQ(source->SetSizeDelay(64, 48, 333667), S_OK);
    ASSERT_EQ(graph->AddFilter(source.get(), u"VideoSource"), S_OK);
    void* raw = nullptr;
    ASSERT_EQ(
        CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2, &raw),
        S_OK);
    TIntf<ICaptureGraphBuilder2> builder =
        TIntf<ICaptureGraphBuilder2>::Adopt(static_cast<ICaptureGraphBuilder2*>(raw));
    builder->SetFiltergraph(graph.get());
    ASSERT_EQ(
        builder->RenderStream(nullptr, &MEDIATYPE_Video, static_cast<IBaseFilter*>(source.get()), nullptr, nullptr),
        S_OK);
    IBaseFilter* found = nullptr;
    ASSERT_EQ(graph->FindFilterByName(u"Video Renderer", &found), S_OK);
    TIntf<IBaseFilter> renderer = TIntf<IBaseFilter>::Adopt(found);
    ASSERT_NE(DSVideoRendererOf(renderer.get()), nullptr);
    EXPECT_EQ(source->Pin()->ConnectedFormat(), format) << "taken as it is, no converter between";
    ASSERT_EQ(graph->Run(), S_OK);
    // The renderer keeps the newest sample for the painter and gives the
    // one it overtakes back at once, so frame after frame goes through
    // while no event loop runs, none of them copied.
    EXPECT_TRUE(DSVideoRendererOf(renderer.get())->KeepsSamples());
    auto frame = MakeIntf<TVLImageBuffer>(64, 48, format);
    std::fill_n(frame->Write(), frame->GetSize(), uint8_t(0x80));
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(source->SendBuffer(frame.get(), 0, 0)) << i;
    const TDSVideoFrameCounts c = DSVideoRendererOf(renderer.get())->FrameCounts();
    EXPECT_EQ(c.received, 10u);
    EXPECT_EQ(c.copied, 0u);
    EXPECT_EQ(c.repaintRequests, 1u);
    EXPECT_EQ(source->Pin()->DeliveryAttempts(), 10) << "no sample had to be waited for";
    graph->Stop();
    QCoreApplication::sendPostedEvents();
  }
}

TEST_F(VideoRendererFilter, TakesTheSixDrawableLayoutsOnly) {
  TIntf<IBaseFilter> filter = Create(CLSID_VideoRenderer);
  TDSVideoRenderer* renderer = DSVideoRendererOf(filter.get());
  ASSERT_NE(renderer, nullptr);
  for (TVLVideoFormat f : {vfRGB24, vfRGBA32, vfRGB565, vfRGB555, vfYUY2, vfUYVY}) {
    EXPECT_EQ(renderer->CheckMediaType(&FrameType(f, 64, 48).Get()), S_OK) << int(f);
    EXPECT_EQ(renderer->CheckMediaType(&FrameType(f, 64, 48, false).Get()), S_OK) << int(f);
  }
  EXPECT_EQ(renderer->CheckMediaType(&FrameType(vfGrayScale, 64, 48).Get()), VFW_E_TYPE_NOT_ACCEPTED);
  // 4:2:2 pairs pixels: an odd width cannot be one.
  EXPECT_EQ(renderer->CheckMediaType(&FrameType(vfYUY2, 63, 48).Get()), VFW_E_TYPE_NOT_ACCEPTED);
  TDSMediaType audio = FrameType(vfRGB24, 64, 48);
  audio->majortype = MEDIATYPE_Audio;
  EXPECT_EQ(renderer->CheckMediaType(&audio.Get()), VFW_E_TYPE_NOT_ACCEPTED);
  TDSMediaType shortBlock = FrameType(vfRGB24, 64, 48);
  shortBlock->cbFormat = 20;
  EXPECT_EQ(renderer->CheckMediaType(&shortBlock.Get()), VFW_E_TYPE_NOT_ACCEPTED);
  TDSMediaType huge = FrameType(vfRGB24, 64, 48);
  reinterpret_cast<VIDEOINFOHEADER*>(huge->pbFormat)->bmiHeader.biWidth = 1 << 20;
  EXPECT_EQ(renderer->CheckMediaType(&huge.Get()), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(renderer->CheckMediaType(nullptr), E_POINTER);
}

TEST_F(VideoRendererFilter, GraphWindowReachesTheRendererOnceTheBuilderAddedIt) {
  TIntf<TDSFilterGraph> graph(new TDSFilterGraph);
  // Held before any renderer is in the graph, as the display does.
  TIntf<IVideoWindow> window = QueryIntf<IVideoWindow>(static_cast<IFilterGraph*>(graph.get()), IID_IVideoWindow);
  ASSERT_TRUE(window);
  QWidget owner;
  EXPECT_EQ(window->put_Owner(&owner), E_NOINTERFACE);
  TIntf<TFrameSource> source(new TFrameSource(FrameType(vfRGB24, 32, 16)));
  ASSERT_EQ(graph->AddFilter(source.get(), u"Frame source"), S_OK);
  ASSERT_EQ(graph->Render(source->Pin()), S_OK);
  EXPECT_EQ(window->put_Owner(&owner), S_OK);
  EXPECT_EQ(window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS), S_OK);
  EXPECT_EQ(window->SetWindowPosition(5, 6, 70, 80), S_OK);
  IBaseFilter* raw = nullptr;
  ASSERT_EQ(graph->FindFilterByName(u"Video Renderer", &raw), S_OK);
  TIntf<IBaseFilter> renderer = TIntf<IBaseFilter>::Adopt(raw);
  TIntf<IVideoWindow> own = QueryIntf<IVideoWindow>(renderer.get(), IID_IVideoWindow);
  OAHWND got = nullptr;
  EXPECT_EQ(own->get_Owner(&got), S_OK);
  EXPECT_EQ(got, &owner);
  int32_t l = 0, t = 0, w = 0, h = 0;
  EXPECT_EQ(window->GetWindowPosition(&l, &t, &w, &h), S_OK);
  EXPECT_EQ(QRect(l, t, w, h), QRect(5, 6, 70, 80));
  EXPECT_EQ(DSVideoRendererOf(renderer.get())->Window()->parentWidget(), &owner);
  // The graph's interface is the graph's: the same object answers.
  TIntf<IFilterGraph> back = QueryIntf<IFilterGraph>(window.get(), IID_IFilterGraph);
  EXPECT_EQ(back.get(), static_cast<IFilterGraph*>(graph.get()));
  EXPECT_EQ(window->NotifyOwnerMessage(&owner, nullptr), E_POINTER);
}

TEST_F(VideoRendererFilter, CountsFramesAndKeepsOnlyTheNewestUntilAPaint) {
  TRendererRig rig(FrameType(vfRGB24, 32, 16));
  ASSERT_NE(rig.renderer, nullptr);
  const TDSFrameFormat format = FormatOf(FrameType(vfRGB24, 32, 16));
  for (int i = 0; i < 5; ++i) ASSERT_EQ(rig.source->Send(SolidFrame(format, QColor(i * 40, 0, 0))), S_OK);
  TDSVideoFrameCounts c = rig.renderer->FrameCounts();
  EXPECT_EQ(c.received, 5u);
  EXPECT_EQ(c.dropped, 4u) << "every frame but the newest was overtaken";
  EXPECT_EQ(c.repaintRequests, 1u) << "one request stands for the whole burst";
  EXPECT_LE(c.frameBuffers, 3);
  // Short samples are left out; the stream goes on.
  EXPECT_EQ(rig.source->Send(SolidFrame(format, Qt::red), 100), S_OK);
  EXPECT_EQ(rig.renderer->SamplesRefused(), 1u);
  EXPECT_EQ(rig.renderer->FrameCounts().received, 5u);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(rig.source->Send(SolidFrame(format, Qt::red)), S_OK);
  c = rig.renderer->FrameCounts();
  EXPECT_EQ(c.received, 6u);
  EXPECT_EQ(c.repaintRequests, 2u) << "the request arrived, so the next frame asks again";
}

// Samples of the source's allocator that the renderer still holds.
int32_t SamplesOut(TDSVideoRenderer* renderer) {
  TIntf<IMemAllocator> allocator = renderer->InputPin()->Allocator();
  auto* memory = dynamic_cast<TDSMemAllocator*>(allocator.get());
  return memory ? memory->OutstandingCount() : -1;
}

bool Shows(const TDSVideoFrame* frame, const std::vector<uint8_t>& bytes) {
  return frame && frame->size == int64_t(bytes.size()) && std::equal(bytes.begin(), bytes.end(), frame->pixels);
}

TEST_F(VideoRendererFilter, KeepsTheNewestSampleUntilOvertakenOrReplacedOnTheScreen) {
  const TDSMediaType type = FrameType(vfYUY2, 32, 16);
  const TDSFrameFormat format = FormatOf(type);
  std::vector<std::vector<uint8_t>> colours;
  for (const QColor c : {QColor(Qt::red), QColor(Qt::green), QColor(Qt::blue), QColor(Qt::yellow), QColor(Qt::cyan)})
    colours.push_back(SolidFrame(format, c));
  std::shared_ptr<TDSVideoFrameExchange> frames;
  {
    TRendererRig rig(type, true, 4);
    ASSERT_NE(rig.renderer, nullptr);
    EXPECT_TRUE(rig.renderer->KeepsSamples());
    frames = rig.renderer->Frames();
    // Overtaken frames go back to the source at once: only the newest waits.
    for (int i = 0; i < 3; ++i) {
      ASSERT_EQ(rig.source->Send(colours[size_t(i)]), S_OK) << i;
      EXPECT_EQ(SamplesOut(rig.renderer), 1) << i;
    }
    // This thread paints: the newest becomes the one on the screen, still
    // the source's sample itself.
    ASSERT_TRUE(frames->TakeNewest());
    EXPECT_TRUE(Shows(frames->Current(), colours[2]));
    EXPECT_EQ(SamplesOut(rig.renderer), 1);
    // One on the screen, one waiting: the source still has one to fill, and
    // keeps going without waiting (Send does not wait for a sample).
    ASSERT_EQ(rig.source->Send(colours[3]), S_OK);
    EXPECT_EQ(SamplesOut(rig.renderer), 2);
    ASSERT_EQ(rig.source->Send(colours[4]), S_OK);
    EXPECT_EQ(SamplesOut(rig.renderer), 2) << "the waiting frame went back when overtaken";
    EXPECT_TRUE(Shows(frames->Current(), colours[2])) << "the frame on the screen is left alone";
    // The next paint lets go of the frame it replaces.
    ASSERT_TRUE(frames->TakeNewest());
    EXPECT_TRUE(Shows(frames->Current(), colours[4]));
    EXPECT_EQ(SamplesOut(rig.renderer), 1);
    EXPECT_FALSE(frames->TakeNewest()) << "nothing newer: the frame stays for repaints";
    EXPECT_EQ(SamplesOut(rig.renderer), 1);

    const TDSVideoFrameCounts c = rig.renderer->FrameCounts();
    EXPECT_EQ(c.received, 5u);
    EXPECT_EQ(c.dropped, 3u);
    EXPECT_EQ(c.copied, 0u);
    EXPECT_LE(c.frameBuffers, 3);
    // Stopped, the frame on the screen stays readable: its memory is the
    // allocator's until the sample comes back.
    ASSERT_EQ(rig.graph->Stop(), S_OK);
    EXPECT_EQ(SamplesOut(rig.renderer), 1);
    EXPECT_TRUE(Shows(frames->Current(), colours[4]));
    // Running again, the source finds the samples the renderer does not
    // hold.
    ASSERT_EQ(rig.graph->Run(), S_OK);
    ASSERT_EQ(rig.source->Send(colours[0]), S_OK);
    ASSERT_EQ(rig.source->Send(colours[1]), S_OK);
    EXPECT_EQ(SamplesOut(rig.renderer), 2);
  }
  // The graph is gone; the window's hand-over still holds the newest frame,
  // which keeps its allocator alive until the hand-over goes too (the leak
  // check at the end).
  ASSERT_TRUE(frames->TakeNewest());
  EXPECT_TRUE(Shows(frames->Current(), colours[1]));
  QCoreApplication::sendPostedEvents();
  frames.reset();
}

TEST_F(VideoRendererFilter, CopiesTheFramesOfASourceWithASingleSample) {
  const TDSMediaType type = FrameType(vfRGB24, 32, 16);
  const TDSFrameFormat format = FormatOf(type);
  TRendererRig rig(type, true, 1);
  ASSERT_NE(rig.renderer, nullptr);
  // Keeping its only sample would stop the source until the next paint.
  EXPECT_FALSE(rig.renderer->KeepsSamples());
  const std::vector<uint8_t> red = SolidFrame(format, Qt::red), green = SolidFrame(format, Qt::green);
  for (const auto* frame : {&red, &green, &red, &green}) {
    ASSERT_EQ(rig.source->Send(*frame), S_OK);
    EXPECT_EQ(SamplesOut(rig.renderer), 0);
  }
  std::shared_ptr<TDSVideoFrameExchange> frames = rig.renderer->Frames();
  ASSERT_TRUE(frames->TakeNewest());
  EXPECT_TRUE(Shows(frames->Current(), green));
  const TDSVideoFrameCounts c = rig.renderer->FrameCounts();
  EXPECT_EQ(c.copied, 4u);
  EXPECT_EQ(c.dropped, 3u);
  EXPECT_LE(c.frameBuffers, 3);
}

TEST_F(VideoRendererFilter, WindowCallsOffTheUserInterfaceThreadAreRefused) {
  TIntf<IBaseFilter> filter = Create(CLSID_VideoRenderer);
  TIntf<IVideoWindow> window = QueryIntf<IVideoWindow>(filter.get(), IID_IVideoWindow);
  HRESULT elsewhere = S_OK;
  std::thread([&] { elsewhere = window->put_Visible(OATRUE); }).join();
  EXPECT_EQ(elsewhere, RPC_E_WRONG_THREAD);
  EXPECT_EQ(window->put_Visible(OAFALSE), S_OK);
  EXPECT_EQ(window->get_Visible(nullptr), E_POINTER);
  EXPECT_EQ(window->SetWindowPosition(0, 0, -1, 10), E_INVALIDARG);
  OAHWND self = DSVideoRendererOf(filter.get())->Window();
  EXPECT_EQ(window->put_Owner(self), E_INVALIDARG);
  EXPECT_EQ(window->put_MessageDrain(self), E_INVALIDARG);
}

TEST_F(VideoRendererFilter, OwnerGoingAwayTakesTheWindowAndTellsTheGraph) {
  TRendererRig rig(FrameType(vfRGB24, 32, 16));
  ASSERT_NE(rig.renderer, nullptr);
  auto* owner = new QWidget;
  ASSERT_EQ(rig.window->put_Owner(owner), S_OK);
  ASSERT_EQ(rig.window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS), S_OK);
  QPointer<QWidget> window = rig.renderer->Window();
  ASSERT_EQ(window->parentWidget(), owner);
  TakeEvents(rig.graph.get());
  delete owner;
  EXPECT_TRUE(window.isNull());
  const std::vector<int32_t> events = TakeEvents(rig.graph.get());
  EXPECT_EQ(std::count(events.begin(), events.end(), EC_WINDOW_DESTROYED), 1);
  // A new window stands ready for the next owner.
  QWidget sentinel;
  OAHWND got = &sentinel;
  EXPECT_EQ(rig.window->get_Owner(&got), S_OK);
  EXPECT_EQ(got, nullptr);
}

TEST_F(VideoRendererFilter, FreedRendererFreesItsWindowQuietly) {
  QPointer<QWidget> window;
  {
    TRendererRig rig(FrameType(vfRGB24, 32, 16));
    ASSERT_NE(rig.renderer, nullptr);
    window = rig.renderer->Window();
    ASSERT_FALSE(window.isNull());
    TakeEvents(rig.graph.get());
    rig.window.reset();
    rig.rendererFilter.reset();
    rig.graph->Stop();
    rig.graph.reset();
  }
  EXPECT_TRUE(window.isNull());
}

TEST_F(VideoRendererFilter, AutoShowShowsTheWindowWhenTheGraphStarts) {
  QWidget owner;
  owner.resize(200, 150);
  owner.show();
  for (const bool autoShow : {true, false}) {
    TRendererRig rig(FrameType(vfRGB24, 32, 16), false);
    ASSERT_NE(rig.renderer, nullptr);
    ASSERT_EQ(rig.window->put_Owner(&owner), S_OK);
    ASSERT_EQ(rig.window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS), S_OK);
    ASSERT_EQ(rig.window->put_AutoShow(autoShow ? OATRUE : OAFALSE), S_OK);
    ASSERT_EQ(rig.window->put_Visible(OAFALSE), S_OK);
    ASSERT_EQ(rig.graph->Run(), S_OK);
    QCoreApplication::sendPostedEvents();
    OABOOL visible = OAFALSE;
    EXPECT_EQ(rig.window->get_Visible(&visible), S_OK);
    EXPECT_EQ(visible, autoShow ? OATRUE : OAFALSE);
    EXPECT_EQ(rig.renderer->Window()->isVisible(), autoShow);
  }
}

}  // namespace
}  // namespace lumicar::rendertest
