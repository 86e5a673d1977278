// The graph manager and the capture graph builder: membership and names,
// direct and intelligent connection, state changes and the clock, and the
// capture build sequence with a temporary renderer replaced by a grabber.

#include <gtest/gtest.h>

#include "dsbase/com/class_factory.h"
#include "dsbase/filters/null_renderer.h"
#include "dsbase/filters/sample_grabber.h"
#include "dsbase/graph/capture_graph_builder.h"
#include "dsbase/graph/device_enumerator.h"
#include "dsbase/graph/system_clock.h"
#include "tests/dsbase/graph_test_support.h"

namespace lumicar::dstest {
namespace {

class GraphTest : public DSLeakCheck {
 protected:
  void SetUp() override {
    DSRegisterSystemClasses();
    DSLeakCheck::SetUp();
  }
};

const std::vector<TGUID> kRgbFirst = {MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32};

TEST_F(GraphTest, ClassIdsCreateTheirServicesAndRefuseTheRest) {
  auto creates = [](const TGUID& clsid, auto* as, const TGUID& iid) {
    using I = std::remove_pointer_t<decltype(as)>;
    void* object = nullptr;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, &object), S_OK)
        << clsid.ToString().toStdString();
    static_cast<I*>(object)->Release();
  };
  creates(CLSID_FilterGraph, static_cast<IGraphBuilder*>(nullptr), IID_IGraphBuilder);
  creates(CLSID_FilterGraph, static_cast<IMediaControl*>(nullptr), IID_IMediaControl);
  creates(CLSID_FilterGraph, static_cast<IMediaEventEx*>(nullptr), IID_IMediaEventEx);
  creates(CLSID_CaptureGraphBuilder2, static_cast<ICaptureGraphBuilder2*>(nullptr), IID_ICaptureGraphBuilder2);
  creates(CLSID_SystemDeviceEnum, static_cast<ICreateDevEnum*>(nullptr), IID_ICreateDevEnum);
  creates(CLSID_SampleGrabber, static_cast<IBaseFilter*>(nullptr), IID_IBaseFilter);
  creates(CLSID_NullRenderer, static_cast<IBaseFilter*>(nullptr), IID_IBaseFilter);
  creates(CLSID_ColourSpaceConverter, static_cast<IBaseFilter*>(nullptr), IID_IBaseFilter);
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(TGUID::FromString("{01234567-89AB-CDEF-0123-456789ABCDEF}"), nullptr, 3, IID_IBaseFilter,
                             &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
  TIntf<TDSFilterGraph> outer = NewGraph();
  EXPECT_EQ(CoCreateInstance(CLSID_SampleGrabber, outer.get(), 3, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  void* grabber = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_SampleGrabber, nullptr, 3, IID_ISampleGrabber, &grabber), S_OK);
  static_cast<ISampleGrabber*>(grabber)->Release();
}

TEST_F(GraphTest, FiltersKeepTheirNamesUniqueAndLeaveDisconnected) {
  TIntf<TDSFilterGraph> graph = NewGraph();
  TIntf<TCountingSource> a = MakeIntf<TCountingSource>(), b = MakeIntf<TCountingSource>();
  TIntf<TCollectingRenderer> r = MakeIntf<TCollectingRenderer>();
  EXPECT_EQ(graph->AddFilter(a.get(), u"Video Capture Filter"), S_OK);
  EXPECT_EQ(graph->AddFilter(b.get(), u"Video Capture Filter"), VFW_S_DUPLICATE_NAME);
  EXPECT_EQ(b->FilterName(), u"Video Capture Filter 0001"_qs);
  EXPECT_EQ(graph->AddFilter(a.get(), u"again"), E_INVALIDARG);
  EXPECT_EQ(graph->AddFilter(nullptr, u"x"), E_POINTER);
  EXPECT_EQ(graph->AddFilter(r.get(), nullptr), S_OK);
  EXPECT_EQ(r->FilterName(), u"Collector"_qs);  // the filter's own name

  TIntf<TDSFilterGraph> other = NewGraph();
  EXPECT_EQ(other->AddFilter(a.get(), u"stolen"), E_INVALIDARG);  // one graph at a time

  IBaseFilter* found = nullptr;
  EXPECT_EQ(graph->FindFilterByName(u"Video Capture Filter 0001", &found), S_OK);
  EXPECT_EQ(found, static_cast<IBaseFilter*>(b.get()));
  found->Release();
  EXPECT_EQ(graph->FindFilterByName(u"nobody", &found), VFW_E_NOT_FOUND);
  EXPECT_EQ(found, nullptr);

  IEnumFilters* rawEnum = nullptr;
  ASSERT_EQ(graph->EnumFilters(&rawEnum), S_OK);
  TIntf<IEnumFilters> e = TIntf<IEnumFilters>::Adopt(rawEnum);
  IBaseFilter* three[3] = {};
  uint32_t fetched = 0;
  EXPECT_EQ(e->Next(3, three, &fetched), S_OK);
  EXPECT_EQ(three[0], static_cast<IBaseFilter*>(a.get()));
  EXPECT_EQ(three[2], static_cast<IBaseFilter*>(r.get()));
  for (IBaseFilter* f : three) f->Release();
  EXPECT_EQ(e->Next(1, three, &fetched), S_FALSE);

  // Removing disconnects both sides; a running graph keeps its filters.
  ASSERT_EQ(graph->ConnectDirect(PinOf(a.get(), 0).get(), PinOf(r.get(), 0).get(), nullptr), S_OK);
  ASSERT_EQ(graph->Run(), S_OK);
  EXPECT_EQ(graph->RemoveFilter(r.get()), VFW_E_NOT_STOPPED);
  EXPECT_TRUE(a->Pin()->IsConnected());
  ASSERT_EQ(graph->Stop(), S_OK);
  EXPECT_EQ(graph->RemoveFilter(r.get()), S_OK);
  EXPECT_FALSE(a->Pin()->IsConnected());
  EXPECT_FALSE(r->InputPin()->IsConnected());
  EXPECT_EQ(r->Graph(), nullptr);
  EXPECT_EQ(graph->RemoveFilter(r.get()), VFW_E_NOT_FOUND);
  EXPECT_EQ(graph->FilterCount(), 2);
}

TEST_F(GraphTest, ConnectionsAreCheckedBeforeAnythingChanges) {
  TIntf<TDSFilterGraph> g1 = NewGraph(), g2 = NewGraph();
  TIntf<TCountingSource> src = MakeIntf<TCountingSource>();
  TIntf<TCollectingRenderer> r = MakeIntf<TCollectingRenderer>();
  g1->AddFilter(src.get(), u"src");
  g2->AddFilter(r.get(), u"r");
  TIntf<IPin> out = PinOf(src.get(), 0), in = PinOf(r.get(), 0);
  EXPECT_EQ(g1->ConnectDirect(out.get(), in.get(), nullptr), VFW_E_NOT_IN_GRAPH);
  EXPECT_EQ(g1->Connect(out.get(), in.get()), VFW_E_NOT_IN_GRAPH);
  EXPECT_EQ(g1->ConnectDirect(nullptr, in.get(), nullptr), E_POINTER);
  g2->RemoveFilter(r.get());
  g1->AddFilter(r.get(), u"r");
  EXPECT_EQ(g1->ConnectDirect(in.get(), out.get(), nullptr), VFW_E_INVALID_DIRECTION);
  EXPECT_FALSE(src->Pin()->IsConnected());

  // No type and no converter bridges YUY2 to MJPG: the graph stays as it was.
  src->Pin()->offered_.push_back(Yuy2Type(32, 16));
  TIntf<TPreferenceRenderer> mjpg = MakeIntf<TPreferenceRenderer>(std::vector<TGUID>{MEDIASUBTYPE_MJPG});
  g1->AddFilter(mjpg.get(), u"mjpg");
  EXPECT_EQ(g1->Connect(out.get(), PinOf(mjpg.get(), 0).get()), VFW_E_CANNOT_CONNECT);
  EXPECT_EQ(g1->FilterCount(), 3);
  EXPECT_FALSE(src->Pin()->IsConnected());
  EXPECT_EQ(g1->Render(out.get()), VFW_E_CANNOT_RENDER);  // no default renderer is registered here
  EXPECT_EQ(g1->FilterCount(), 3);
}

TEST_F(GraphTest, IntelligentConnectInsertsTheConverterTheInputPrefers) {
  TIntf<TDSFilterGraph> graph = NewGraph();
  TIntf<TCameraSource> cam = MakeIntf<TCameraSource>(64, 8);
  TIntf<TPreferenceRenderer> tmp = MakeIntf<TPreferenceRenderer>(kRgbFirst);
  graph->AddFilter(cam.get(), u"Video Capture Filter");
  graph->AddFilter(tmp.get(), u"Video Tmp Render");
  TIntf<IPin> capture(cam->Capture());
  ASSERT_EQ(graph->Connect(capture.get(), PinOf(tmp.get(), 0).get()), S_OK);
  EXPECT_EQ(graph->FilterCount(), 3);
  EXPECT_EQ(tmp->InputPin()->CurrentMediaType().subtype, MEDIASUBTYPE_RGB24);
  const BITMAPINFOHEADER* bmi = DSBitmapHeader(tmp->InputPin()->CurrentMediaType());
  ASSERT_NE(bmi, nullptr);
  EXPECT_EQ(bmi->biWidth, 64);
  EXPECT_EQ(bmi->biHeight, 8);  // RGB travels bottom-up
  IBaseFilter* conv = nullptr;
  ASSERT_EQ(graph->FindFilterByName(u"Colour Space Converter", &conv), S_OK);
  TGUID clsid;
  conv->GetClassID(&clsid);
  EXPECT_EQ(clsid, CLSID_ColourSpaceConverter);
  conv->Release();
}

// The capture build: render the capture pin into the temporary renderer,
// hand its connection type to a grabber, swap the two, end in a null renderer.
TEST_F(GraphTest, CaptureBuildReplacesTheTemporaryRendererByAGrabber) {
  TIntf<TDSFilterGraph> graph = NewGraph();
  void* raw = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, 3, IID_ICaptureGraphBuilder2, &raw), S_OK);
  TIntf<ICaptureGraphBuilder2> builder = TIntf<ICaptureGraphBuilder2>::Adopt(static_cast<ICaptureGraphBuilder2*>(raw));
  EXPECT_EQ(builder->RenderStream(nullptr, nullptr, nullptr, nullptr, nullptr), E_POINTER);
  ASSERT_EQ(builder->SetFiltergraph(graph.get()), S_OK);
  EXPECT_EQ(builder->SetFiltergraph(graph.get()), E_UNEXPECTED);

  TIntf<TCameraSource> cam = MakeIntf<TCameraSource>(64, 8);
  graph->AddFilter(cam.get(), u"Video Capture Filter");
  IPin* found = nullptr;
  ASSERT_EQ(builder->FindPin(static_cast<IBaseFilter*>(cam.get()), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, nullptr, false,
                             0, &found),
            S_OK);
  EXPECT_EQ(found, static_cast<IPin*>(cam->Capture()));
  found->Release();
  EXPECT_EQ(builder->FindPin(static_cast<IBaseFilter*>(cam.get()), PINDIR_OUTPUT, &PIN_CATEGORY_PREVIEW, nullptr, false,
                             0, &found),
            E_FAIL);
  // Interleaved first, then video: only the second finds the capture pin's interface.
  void* props = nullptr;
  EXPECT_TRUE(FAILED(
      builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, cam.get(), IID_IKsPropertySet, &props)));
  ASSERT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, cam.get(), IID_IKsPropertySet, &props),
            S_OK);
  EXPECT_EQ(props, static_cast<IKsPropertySet*>(cam->Capture()));
  static_cast<IKsPropertySet*>(props)->Release();

  TIntf<TPreferenceRenderer> tmp = MakeIntf<TPreferenceRenderer>(kRgbFirst);
  graph->AddFilter(tmp.get(), u"Video Tmp Render");
  EXPECT_TRUE(FAILED(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved,
                                           static_cast<IBaseFilter*>(cam.get()), nullptr, tmp.get())));
  ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, static_cast<IBaseFilter*>(cam.get()),
                                  nullptr, tmp.get()),
            S_OK);
  TDSMediaType connected;
  ASSERT_EQ(tmp->InputPin()->ConnectionMediaType(&connected.Get()), S_OK);
  EXPECT_EQ(connected->subtype, MEDIASUBTYPE_RGB24);
  IPin* upstreamRaw = nullptr;
  ASSERT_EQ(tmp->InputPin()->ConnectedTo(&upstreamRaw), S_OK);
  TIntf<IPin> upstream = TIntf<IPin>::Adopt(upstreamRaw);

  TIntf<TDSSampleGrabber> grabber = MakeIntf<TDSSampleGrabber>();
  TIntf<TDSNullRenderer> null = MakeIntf<TDSNullRenderer>();
  graph->AddFilter(null.get(), u"VLDS_NullRender");
  ASSERT_EQ(grabber->SetMediaType(&connected.Get()), S_OK);
  ASSERT_EQ(graph->RemoveFilter(tmp.get()), S_OK);
  ASSERT_EQ(graph->AddFilter(grabber.get(), u"VLDS_VideoGrabber"), S_OK);
  const int before = graph->FilterCount();
  ASSERT_EQ(graph->Connect(upstream.get(), PinOf(grabber.get(), 0).get()), S_OK);
  EXPECT_EQ(graph->FilterCount(), before);  // direct: no second converter
  TDSMediaType negotiated;
  ASSERT_EQ(grabber->GetConnectedMediaType(&negotiated.Get()), S_OK);
  EXPECT_TRUE(DSIsEqualMediaType(negotiated.Get(), connected.Get()));
  ASSERT_EQ(
      builder->RenderStream(nullptr, &MEDIATYPE_Video, static_cast<IBaseFilter*>(grabber.get()), nullptr, null.get()),
      S_OK);

  TIntf<TRecordingCallback> cb = MakeIntf<TRecordingCallback>();
  grabber->SetBufferSamples(false);
  grabber->SetOneShot(false);
  ASSERT_EQ(grabber->SetCallback(cb.get(), 0), S_OK);
  ASSERT_EQ(graph->SetSyncSource(nullptr), S_OK);  // frames render at once
  ASSERT_EQ(graph->Run(), S_OK);
  ASSERT_EQ(cam->PushFrame(), S_OK);
  ASSERT_EQ(cam->PushFrame(), S_OK);
  EXPECT_EQ(cb->calls_.load(), 2);
  EXPECT_EQ(cb->lastBytes_.size(), size_t(64 * 8 * 3));
  ASSERT_EQ(graph->Stop(), S_OK);
  grabber->SetCallback(nullptr, 0);
}

TEST_F(GraphTest, StatesRunRenderersFirstOnOneMonotonicClock) {
  TIntf<TDSFilterGraph> graph = NewGraph();
  TIntf<TCountingSource> src = MakeIntf<TCountingSource>();
  TIntf<TPassThroughTransform> mid = MakeIntf<TPassThroughTransform>();
  TIntf<TCollectingRenderer> r = MakeIntf<TCollectingRenderer>();
  graph->AddFilter(src.get(), u"src");  // upstream first in the graph's own list
  graph->AddFilter(mid.get(), u"mid");
  graph->AddFilter(r.get(), u"r");
  ASSERT_EQ(graph->Connect(PinOf(src.get(), 0).get(), PinOf(mid.get(), 0).get()), S_OK);
  ASSERT_EQ(graph->Connect(PinOf(mid.get(), 1).get(), PinOf(r.get(), 0).get()), S_OK);

  // A transform left without input while its output stays connected cannot run.
  ASSERT_EQ(mid->InputPin()->Disconnect(), S_OK);
  EXPECT_EQ(graph->Run(), VFW_E_NOT_CONNECTED);
  FILTER_STATE state;
  graph->GetState(0u, &state);
  EXPECT_EQ(state, State_Stopped);
  EXPECT_TRUE(r->IsStopped());
  src->Pin()->Disconnect();
  ASSERT_EQ(graph->Connect(PinOf(src.get(), 0).get(), PinOf(mid.get(), 0).get()), S_OK);

  const REFERENCE_TIME t0 = TDSSystemClock::Now();
  ASSERT_EQ(graph->Pause(), S_OK);
  EXPECT_EQ(src->State(), State_Paused);
  IReferenceClock* c1 = nullptr;
  IReferenceClock* c2 = nullptr;
  ASSERT_EQ(src->GetSyncSource(&c1), S_OK);
  ASSERT_EQ(r->GetSyncSource(&c2), S_OK);
  ASSERT_NE(c1, nullptr);
  EXPECT_EQ(c1, c2);
  REFERENCE_TIME a = 0, b = 0;
  c1->GetTime(&a);
  c1->GetTime(&b);
  EXPECT_LE(a, b);
  EXPECT_GE(a, t0);
  EXPECT_LT(a - t0, 600'000'000);  // 100 ns units, not ns: a minute is plenty
  c1->Release();
  c2->Release();
  ASSERT_EQ(graph->Run(), S_OK);
  EXPECT_EQ(r->State(), State_Running);
  EXPECT_EQ(mid->starts_.load(), 1);
  ASSERT_EQ(graph->Stop(), S_OK);
  EXPECT_TRUE(src->IsStopped() && mid->IsStopped() && r->IsStopped());
  EXPECT_EQ(mid->stops_.load(), 1);
  EXPECT_EQ(graph->SetSyncSource(nullptr), S_OK);
}

TEST_F(GraphTest, ReconnectIsCarriedOutOutsideTheCallersLocks) {
  TIntf<TDSFilterGraph> graph = NewGraph();
  TIntf<TCountingSource> src = MakeIntf<TCountingSource>(32, 16);
  TIntf<TCollectingRenderer> r = MakeIntf<TCollectingRenderer>();
  graph->AddFilter(src.get(), u"src");
  graph->AddFilter(r.get(), u"r");
  src->Pin()->offered_ = {VideoType(32, 16), VideoType(32, 8)};
  ASSERT_EQ(graph->ConnectDirect(PinOf(src.get(), 0).get(), PinOf(r.get(), 0).get(), nullptr), S_OK);
  EXPECT_EQ(DSBitmapHeader(r->InputPin()->CurrentMediaType())->biHeight, 16);
  TDSMediaType smaller = VideoType(32, 8);
  EXPECT_EQ(graph->ReconnectEx(PinOf(r.get(), 0).get(), nullptr), S_OK);
  ASSERT_EQ(graph->ReconnectEx(PinOf(src.get(), 0).get(), &smaller.Get()), S_OK);
  graph->FlushReconnects();
  EXPECT_EQ(DSBitmapHeader(r->InputPin()->CurrentMediaType())->biHeight, 8);
  EXPECT_TRUE(src->Pin()->IsConnected());
  graph->Disconnect(PinOf(r.get(), 0).get());
  graph->Disconnect(PinOf(src.get(), 0).get());
  EXPECT_EQ(graph->ReconnectEx(PinOf(src.get(), 0).get(), nullptr), VFW_E_NOT_CONNECTED);
}

}  // namespace
}  // namespace lumicar::dstest
