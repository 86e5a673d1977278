// The filter and pin bases, transform, in-place and renderer bases, driven
// through their interfaces by the tests' own filters connected by hand.

#include "dsbase/com/task_memory.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar::dstest {
namespace {

class FilterTest : public DSLeakCheck {};

// Source → transform → in-place inverter → renderer, all connected by Connect.
struct Chain {
  TIntf<TCountingSource> source{new TCountingSource(8, 4, 2)};
  TIntf<TPassThroughTransform> transform{new TPassThroughTransform};
  TIntf<TInverter> inverter{new TInverter};
  TIntf<TCollectingRenderer> renderer{new TCollectingRenderer};

  HRESULT Connect() {
    HRESULT hr = ConnectPins(source->Pin(), transform->GetPin(0));
    if (SUCCEEDED(hr)) hr = ConnectPins(transform->GetPin(1), inverter->GetPin(0));
    if (SUCCEEDED(hr)) hr = ConnectPins(inverter->GetPin(1), renderer->GetPin(0));
    return hr;
  }
  // Downstream first, as a graph does.
  void ForEachDownstreamFirst(const std::function<void(IBaseFilter*)>& f) {
    f(renderer.get());
    f(inverter.get());
    f(transform.get());
    f(source.get());
  }
  HRESULT Stop() {
    HRESULT result = S_OK;
    ForEachDownstreamFirst([&](IBaseFilter* x) {
      const HRESULT hr = x->Stop();
      if (FAILED(hr)) result = hr;
    });
    return result;
  }
  void Disconnect() {
    DisconnectPins(inverter->GetPin(1), renderer->GetPin(0));
    DisconnectPins(transform->GetPin(1), inverter->GetPin(0));
    DisconnectPins(source->Pin(), transform->GetPin(0));
  }
};

TEST_F(FilterTest, ChainStreamsThroughManyStateCycles) {
  Chain c;
  ASSERT_EQ(c.Connect(), S_OK);
  // The in-place filter shares the upstream allocator with downstream.
  EXPECT_TRUE(c.inverter->InputPin()->Allocator() == c.inverter->OutputPin()->Allocator());
  uint32_t pushed = 0;
  for (int cycle = 0; cycle < 25; ++cycle) {
    c.ForEachDownstreamFirst([](IBaseFilter* f) { EXPECT_EQ(f->Pause(), S_OK); });
    c.ForEachDownstreamFirst([](IBaseFilter* f) { EXPECT_EQ(f->Run(0), S_OK); });
    for (int i = 0; i < 4; ++i, ++pushed) ASSERT_EQ(c.source->Pin()->Push(), S_OK);
    ASSERT_EQ(c.Stop(), S_OK);
    // Stopped: a push is refused cleanly, nothing arrives.
    EXPECT_EQ(c.source->Pin()->Push(), VFW_E_NOT_COMMITTED);
    ++pushed;
  }
  EXPECT_EQ(c.transform->starts_.load(), 25);
  EXPECT_EQ(c.transform->stops_.load(), 25);
  ASSERT_EQ(c.renderer->rendered_.load(), 100);
  {
    std::lock_guard guard(c.renderer->lock_);
    // Sample numbers arrive in order, inverted once by the in-place filter.
    EXPECT_EQ(c.renderer->numbers_.front(), ~0u);
    EXPECT_EQ(c.renderer->numbers_[1], ~1u);
    EXPECT_EQ(c.renderer->numbers_.back(), ~uint32_t(pushed - 2));
  }
  AM_MEDIA_TYPE mt;
  ASSERT_EQ(c.renderer->GetPin(0)->ConnectionMediaType(&mt), S_OK);
  EXPECT_TRUE(DSIsEqualMediaType(mt, VideoType(8, 4).Get()));
  LPDSFreeMediaType(mt);
  c.Disconnect();
}

TEST_F(FilterTest, ConnectionRules) {
  TIntf<TCountingSource> a(new TCountingSource), b(new TCountingSource);
  TIntf<TCollectingRenderer> r(new TCollectingRenderer), r2(new TCollectingRenderer);
  EXPECT_EQ(a->Pin()->Connect(nullptr, nullptr), E_POINTER);
  // Two outputs cannot connect.
  EXPECT_EQ(ConnectPins(a->Pin(), b->Pin()), VFW_E_INVALID_DIRECTION);
  EXPECT_FALSE(a->Pin()->IsConnected());
  EXPECT_FALSE(b->Pin()->IsConnected());

  ASSERT_EQ(ConnectPins(a->Pin(), r->GetPin(0)), S_OK);
  // Connecting again answers ALREADY_CONNECTED and keeps the connection.
  EXPECT_EQ(ConnectPins(a->Pin(), r2->GetPin(0)), VFW_E_ALREADY_CONNECTED);
  EXPECT_EQ(ConnectPins(b->Pin(), r->GetPin(0)), VFW_E_ALREADY_CONNECTED);
  IPin* peer = nullptr;
  ASSERT_EQ(a->Pin()->ConnectedTo(&peer), S_OK);
  EXPECT_EQ(peer, static_cast<IPin*>(r->GetPin(0)));
  peer->Release();
  EXPECT_EQ(r2->GetPin(0)->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(peer, nullptr);

  // Disconnect while paused is refused; unconnected answers S_FALSE.
  ASSERT_EQ(a->Pause(), S_OK);
  EXPECT_EQ(a->Pin()->Disconnect(), VFW_E_NOT_STOPPED);
  EXPECT_EQ(ConnectPins(b->Pin(), r2->GetPin(0)), S_OK);
  a->Stop();
  EXPECT_EQ(r2->GetPin(0)->Disconnect(), S_OK);
  EXPECT_EQ(b->Pin()->Disconnect(), S_OK);
  EXPECT_EQ(b->Pin()->Disconnect(), S_FALSE);
  DisconnectPins(a->Pin(), r->GetPin(0));

  // Connecting while not stopped is refused.
  a->Pause();
  EXPECT_EQ(ConnectPins(a->Pin(), r->GetPin(0)), VFW_E_NOT_STOPPED);
  a->Stop();

  // A complete type the receiver refuses: TYPE_NOT_ACCEPTED, nothing kept.
  TDSMediaType yuy2 = VideoType(32, 16, MEDIASUBTYPE_YUY2, 16);
  EXPECT_EQ(ConnectPins(a->Pin(), r->GetPin(0), &yuy2.Get()), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_FALSE(a->Pin()->IsConnected());
  EXPECT_FALSE(r->GetPin(0)->IsConnected());
  // No type acceptable on either side.
  a->Pin()->offered_.push_back(yuy2);
  r->offered_.push_back(yuy2);
  EXPECT_EQ(ConnectPins(a->Pin(), r->GetPin(0)), VFW_E_NO_ACCEPTABLE_TYPES);
  AM_MEDIA_TYPE mt;
  EXPECT_EQ(a->Pin()->ConnectionMediaType(&mt), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(mt.lSampleSize, 1u);
  EXPECT_TRUE(mt.bFixedSizeSamples);
  EXPECT_EQ(mt.pbFormat, nullptr);
}

TEST_F(FilterTest, TryMyTypesFirstOffersTheOwnListFirst) {
  TDSMediaType tall = VideoType(32, 16), flat = VideoType(32, 8);
  for (bool mineFirst : {false, true}) {
    TIntf<TCountingSource> s(new TCountingSource(32, 16));
    TIntf<TCollectingRenderer> r(new TCollectingRenderer);
    s->Pin()->offered_ = {tall};
    r->offered_ = {flat};  // both sides accept both types
    s->Pin()->SetTryMyTypesFirst(mineFirst);
    ASSERT_EQ(ConnectPins(s->Pin(), r->GetPin(0)), S_OK);
    EXPECT_TRUE(DSIsEqualMediaType(s->Pin()->CurrentMediaType(), mineFirst ? tall.Get() : flat.Get()));
    DisconnectPins(s->Pin(), r->GetPin(0));
  }
  // A partial type filters the candidates of both rounds.
  TIntf<TCountingSource> s(new TCountingSource(32, 16));
  TIntf<TCollectingRenderer> r(new TCollectingRenderer);
  s->Pin()->offered_ = {tall};
  r->offered_ = {flat};
  AM_MEDIA_TYPE partial = tall.Get();  // shallow: same block, no ownership
  partial.subtype = GUID_NULL;
  partial.majortype = GUID_NULL;
  ASSERT_EQ(ConnectPins(s->Pin(), r->GetPin(0), &partial), S_OK);
  EXPECT_TRUE(DSIsEqualMediaType(r->GetPin(0)->CurrentMediaType(), tall.Get()));
  DisconnectPins(s->Pin(), r->GetPin(0));
}

// A filter of two pins whose Active/Inactive answers can be set.
class TTwoPinFilter : public TDSBaseFilter {
 public:
  class TPin : public TDSBaseOutputPin {
   public:
    TPin(TTwoPinFilter* f, const QString& name) : TDSBaseOutputPin(name, f, f->FilterLock(), name) {}
    HRESULT CheckMediaType(const AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* mt) override {
      if (position > 0) return VFW_S_NO_MORE_ITEMS;
      return LPDSCopyMediaType(*mt, VideoType(32, 16).Get());
    }
    HRESULT DecideBufferSize(IMemAllocator* a, ALLOCATOR_PROPERTIES* p) override {
      ALLOCATOR_PROPERTIES want{1, 64, 1, 0}, got;
      (void)p;
      return a->SetProperties(&want, &got);
    }
    HRESULT Active() override {
      ++actives;
      return activeResult;
    }
    HRESULT Inactive() override {
      ++inactives;
      TDSBaseOutputPin::Inactive();
      return inactiveResult;
    }
    HRESULT Run(REFERENCE_TIME) override {
      ++runs;
      return S_OK;
    }
    HRESULT activeResult = S_OK, inactiveResult = S_OK;
    int actives = 0, inactives = 0, runs = 0;
  };
  TTwoPinFilter() : TDSBaseFilter(QStringLiteral("Two"), nullptr, GUID_NULL) {
    pins_[0] = std::make_unique<TPin>(this, u"A"_qs);
    pins_[1] = std::make_unique<TPin>(this, u"B"_qs);
  }
  int GetPinCount() override { return 2; }
  TDSBasePin* GetPin(int i) override { return i >= 0 && i < 2 ? pins_[i].get() : nullptr; }
  TPin* P(int i) { return pins_[i].get(); }

 private:
  std::unique_ptr<TPin> pins_[2];
};

TEST_F(FilterTest, StateMachineCallsEveryPinAndReturnsTheFirstFailure) {
  TIntf<TTwoPinFilter> f(new TTwoPinFilter);
  TIntf<TCollectingRenderer> r0(new TCollectingRenderer), r1(new TCollectingRenderer);
  ASSERT_EQ(ConnectPins(f->P(0), r0->GetPin(0)), S_OK);
  ASSERT_EQ(ConnectPins(f->P(1), r1->GetPin(0)), S_OK);

  // Run from stopped pauses first: every pin is made active, then run.
  ASSERT_EQ(f->Run(5), S_OK);
  EXPECT_EQ(f->P(0)->actives, 1);
  EXPECT_EQ(f->P(1)->actives, 1);
  EXPECT_EQ(f->P(1)->runs, 1);
  FILTER_STATE st;
  f->GetState(0, &st);
  EXPECT_EQ(st, State_Running);
  EXPECT_EQ(f->GetState(0, nullptr), E_POINTER);

  // Stop: the first pin fails, the second is still asked, the first failure returned.
  f->P(0)->inactiveResult = E_FAIL;
  f->P(1)->inactiveResult = E_UNEXPECTED;
  EXPECT_EQ(f->Stop(), E_FAIL);
  EXPECT_EQ(f->P(1)->inactives, 1);
  EXPECT_TRUE(f->IsStopped());

  // A failing Active leaves the filter stopped and is Run's answer.
  f->P(0)->inactiveResult = S_OK;
  f->P(1)->inactiveResult = S_OK;
  f->P(1)->activeResult = VFW_E_NO_ALLOCATOR;
  EXPECT_EQ(f->Run(0), VFW_E_NO_ALLOCATOR);
  EXPECT_TRUE(f->IsStopped());
  EXPECT_EQ(f->P(1)->runs, 1);

  f->Stop();
  DisconnectPins(f->P(0), r0->GetPin(0));
  DisconnectPins(f->P(1), r1->GetPin(0));
}

class TFakeClock : public TDSDualUnknown, public IReferenceClock {
 public:
  TFakeClock() : TDSDualUnknown(QStringLiteral("Clock"), nullptr) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** o) override {
    if (!o) return E_POINTER;
    if (iid == IID_IReferenceClock) return GetInterface<IReferenceClock>(this, o);
    return TDSDualUnknown::NonDelegatingQueryInterface(iid, o);
  }
  HRESULT GetTime(REFERENCE_TIME* t) override {
    *t = now;
    return S_OK;
  }
  HRESULT AdviseTime(REFERENCE_TIME, REFERENCE_TIME, void*, uintptr_t*) override { return E_NOTIMPL; }
  HRESULT AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, void*, uintptr_t*) override { return E_NOTIMPL; }
  HRESULT Unadvise(uintptr_t) override { return E_NOTIMPL; }
  REFERENCE_TIME now = 0;
};

TEST_F(FilterTest, FilterInfoClockAndEvents) {
  TIntf<TCountingSource> s(new TCountingSource);
  REFERENCE_TIME t = 0;
  EXPECT_EQ(s->StreamTime(&t), VFW_E_NO_CLOCK);
  TIntf<TFakeClock> clock(new TFakeClock);
  clock->now = 1000;
  s->SetSyncSource(clock.get());
  s->Run(400);
  EXPECT_EQ(s->StreamTime(&t), S_OK);
  EXPECT_EQ(t, 600);
  IReferenceClock* got = nullptr;
  ASSERT_EQ(s->GetSyncSource(&got), S_OK);
  EXPECT_EQ(got, static_cast<IReferenceClock*>(clock.get()));
  got->Release();
  s->Stop();
  s->SetSyncSource(nullptr);

  TIntf<TEventGraph> graph(new TEventGraph);
  ASSERT_EQ(s->JoinFilterGraph(graph.get(), u"Camera source"), S_OK);
  EXPECT_EQ(graph->RefCount(), 1);  // membership is not counted
  FILTER_INFO info;
  ASSERT_EQ(s->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(QString::fromUtf16(info.achName), u"Camera source"_qs);
  EXPECT_EQ(info.pGraph, static_cast<IFilterGraph*>(graph.get()));
  info.pGraph->Release();
  s->NotifyEvent(EC_COMPLETE, S_OK, 0);
  ASSERT_EQ(graph->Count(EC_COMPLETE), 1);
  EXPECT_EQ(graph->param2_[0], reinterpret_cast<intptr_t>(static_cast<IBaseFilter*>(s.get())));
  EXPECT_EQ(s->ReconnectPin(s->Pin(), nullptr), E_NOTIMPL);  // the stand-in cannot reconnect
  s->JoinFilterGraph(nullptr, nullptr);
  EXPECT_EQ(s->ReconnectPin(s->Pin(), nullptr), E_NOINTERFACE);
  EXPECT_EQ(s->QueryVendorInfo(nullptr), E_NOTIMPL);
}

TEST_F(FilterTest, EnumeratorsAndOutOfSync) {
  TIntf<TCountingSource> s(new TCountingSource);
  IEnumPins* raw = nullptr;
  ASSERT_EQ(s->EnumPins(&raw), S_OK);
  TIntf<IEnumPins> pins = TIntf<IEnumPins>::Adopt(raw);
  IPin* got[3] = {};
  EXPECT_EQ(pins->Next(2, got, nullptr), E_INVALIDARG);
  auto* second = new TCountingPin(s.get(), 32, 16, 1);  // registers itself
  uint32_t fetched = 7;
  EXPECT_EQ(pins->Next(1, got, &fetched), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(pins->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
  ASSERT_EQ(pins->Reset(), S_OK);
  EXPECT_EQ(pins->Next(3, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(got[1], static_cast<IPin*>(second));
  got[0]->Release();
  got[1]->Release();
  EXPECT_EQ(pins->Skip(5), S_FALSE);
  IEnumPins* clone = nullptr;
  ASSERT_EQ(pins->Clone(&clone), S_OK);
  clone->Release();

  IEnumMediaTypes* rawTypes = nullptr;
  ASSERT_EQ(s->Pin()->EnumMediaTypes(&rawTypes), S_OK);
  TIntf<IEnumMediaTypes> types = TIntf<IEnumMediaTypes>::Adopt(rawTypes);
  AM_MEDIA_TYPE* mts[2] = {};
  EXPECT_EQ(types->Skip(0), S_OK);
  EXPECT_EQ(types->Next(2, mts, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_TRUE(DSIsEqualMediaType(*mts[0], VideoType(32, 16).Get()));
  LPDSDeleteMediaType(mts[0]);
  types->Reset();
  EXPECT_EQ(types->Skip(1), S_FALSE);  // nothing at position 1
  types->Reset();
  s->Pin()->IncrementTypeVersion();
  EXPECT_EQ(types->Next(1, mts, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
  types->Reset();
  EXPECT_EQ(types->Next(1, mts, nullptr), S_OK);
  LPDSDeleteMediaType(mts[0]);
}

TEST_F(FilterTest, NullArgumentsAndPinInformation) {
  TIntf<TPassThroughTransform> t(new TPassThroughTransform);
  TDSBasePin* in = t->GetPin(0);
  EXPECT_EQ(t->GetPin(2), nullptr);
  EXPECT_EQ(t->GetPin(-1), nullptr);
  IPin* pin = reinterpret_cast<IPin*>(1);
  EXPECT_EQ(t->FindPin(u"Input", &pin), VFW_E_NOT_FOUND);
  EXPECT_EQ(pin, nullptr);
  ASSERT_EQ(t->FindPin(u"In", &pin), S_OK);
  EXPECT_EQ(pin, static_cast<IPin*>(in));
  pin->Release();
  EXPECT_EQ(t->FindPin(u"Out", nullptr), E_POINTER);
  EXPECT_EQ(t->FindPin(nullptr, &pin), E_POINTER);
  char16_t* id = nullptr;
  ASSERT_EQ(t->GetPin(1)->QueryId(&id), S_OK);
  EXPECT_EQ(QString::fromUtf16(id), u"Out"_qs);
  CoTaskMemFree(id);
  PIN_INFO info;
  ASSERT_EQ(in->QueryPinInfo(&info), S_OK);
  EXPECT_EQ(QString::fromUtf16(info.achName), u"XForm In"_qs);
  EXPECT_EQ(info.dir, PINDIR_INPUT);
  info.pFilter->Release();

  EXPECT_EQ(in->QueryPinInfo(nullptr), E_POINTER);
  EXPECT_EQ(in->QueryDirection(nullptr), E_POINTER);
  EXPECT_EQ(in->ConnectedTo(nullptr), E_POINTER);
  EXPECT_EQ(in->ConnectionMediaType(nullptr), E_POINTER);
  EXPECT_EQ(in->EnumMediaTypes(nullptr), E_POINTER);
  EXPECT_EQ(in->QueryId(nullptr), E_POINTER);
  EXPECT_EQ(in->QueryAccept(nullptr), E_POINTER);
  EXPECT_EQ(in->ReceiveConnection(nullptr, nullptr), E_POINTER);
  EXPECT_EQ(t->EnumPins(nullptr), E_POINTER);
  EXPECT_EQ(t->GetClassID(nullptr), E_POINTER);
  EXPECT_EQ(t->GetSyncSource(nullptr), E_POINTER);
  EXPECT_EQ(t->StreamTime(nullptr), E_POINTER);
  auto* mem = dynamic_cast<IMemInputPin*>(in);
  EXPECT_EQ(mem->Receive(nullptr), E_POINTER);
  EXPECT_EQ(mem->GetAllocator(nullptr), E_POINTER);
  EXPECT_EQ(mem->NotifyAllocator(nullptr, false), E_POINTER);
  EXPECT_EQ(mem->ReceiveMultiple(nullptr, 1, nullptr), E_POINTER);
  void* o = nullptr;
  EXPECT_EQ(in->QueryInterface(IID_IMediaSample, &o), E_NOINTERFACE);
  EXPECT_EQ(o, nullptr);
  EXPECT_EQ(in->QueryInterface(IID_IPin, nullptr), E_POINTER);
  // An unbalanced Release on a pin must not take the filter with it.
  in->Release();
  EXPECT_EQ(t->RefCount(), 1);
}

TEST_F(FilterTest, DeliveryErrorsUnconnectedAndRaisingDownstream) {
  TIntf<TCountingSource> s(new TCountingSource);
  IMediaSample* sample = reinterpret_cast<IMediaSample*>(1);
  EXPECT_EQ(s->Pin()->GetDeliveryBuffer(&sample, nullptr, nullptr, 0), E_NOINTERFACE);
  EXPECT_EQ(sample, nullptr);
  EXPECT_EQ(s->Pin()->DeliverEndOfStream(), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(s->Pin()->EndOfStream(), E_UNEXPECTED);
  EXPECT_EQ(s->Pin()->Active(), VFW_E_NO_ALLOCATOR);

  TIntf<TCollectingRenderer> r(new TCollectingRenderer);
  ASSERT_EQ(ConnectPins(s->Pin(), r->GetPin(0)), S_OK);
  // Samples to a stopped renderer are refused with WRONG_STATE.
  s->Pin()->Active();
  EXPECT_EQ(s->Pin()->Push(), VFW_E_WRONG_STATE);
  s->Pin()->Inactive();
  r->Run(0);
  s->Run(0);
  ASSERT_EQ(s->Pin()->Push(), S_OK);
  // An exception downstream does not cross the pin and is not reported as delivered.
  r->throw_ = true;
  EXPECT_EQ(s->Pin()->Push(), E_UNEXPECTED);
  r->throw_ = false;
  EXPECT_EQ(r->rendered_.load(), 1);
  r->Stop();
  s->Stop();
  DisconnectPins(s->Pin(), r->GetPin(0));
}

TEST_F(FilterTest, SampleWithRefusedTypeAbortsTheStream) {
  TIntf<TEventGraph> graph(new TEventGraph);
  TIntf<TCountingSource> s(new TCountingSource);
  TIntf<TCollectingRenderer> r(new TCollectingRenderer);
  r->JoinFilterGraph(graph.get(), u"r");
  ASSERT_EQ(ConnectPins(s->Pin(), r->GetPin(0)), S_OK);
  r->Run(0);
  s->Run(0);
  IMediaSample* raw = nullptr;
  ASSERT_EQ(s->Pin()->GetDeliveryBuffer(&raw, nullptr, nullptr, 0), S_OK);
  TIntf<IMediaSample> sample = TIntf<IMediaSample>::Adopt(raw);
  TDSMediaType yuy2 = VideoType(32, 16, MEDIASUBTYPE_YUY2, 16);
  sample->SetMediaType(&yuy2.Get());
  EXPECT_EQ(s->Pin()->Deliver(sample.get()), VFW_E_INVALIDMEDIATYPE);
  EXPECT_EQ(graph->Count(EC_ERRORABORT), 1);
  // The runtime error holds until the pin is made inactive.
  sample->SetMediaType(nullptr);
  EXPECT_EQ(s->Pin()->Deliver(sample.get()), VFW_E_RUNTIME_ERROR);
  sample.reset();
  r->Stop();
  s->Stop();
  r->Run(0);
  s->Run(0);
  EXPECT_EQ(s->Pin()->Push(), S_OK);
  r->Stop();
  s->Stop();
  DisconnectPins(s->Pin(), r->GetPin(0));
  r->JoinFilterGraph(nullptr, nullptr);
}

TEST_F(FilterTest, TransformWithUnconnectedInput) {
  TIntf<TPassThroughTransform> t(new TPassThroughTransform);
  TIntf<TCollectingRenderer> r(new TCollectingRenderer);
  TIntf<TEventGraph> graph(new TEventGraph);
  r->JoinFilterGraph(graph.get(), u"r");
  // Output before input: E_UNEXPECTED for a complete type; without one the
  // second round's empty answer replaces the first round's error.
  TDSMediaType full = VideoType(32, 16);
  EXPECT_EQ(ConnectPins(t->GetPin(1), r->GetPin(0), &full.Get()), E_UNEXPECTED);
  EXPECT_EQ(ConnectPins(t->GetPin(1), r->GetPin(0)), VFW_E_NO_ACCEPTABLE_TYPES);
  EXPECT_FALSE(r->GetPin(0)->IsConnected());
  IEnumMediaTypes* raw = nullptr;
  ASSERT_EQ(t->GetPin(1)->EnumMediaTypes(&raw), S_OK);
  AM_MEDIA_TYPE* mt = nullptr;
  uint32_t fetched = 9;
  EXPECT_EQ(raw->Next(1, &mt, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  raw->Release();

  // Pause with the input unconnected: one end of stream downstream, paused.
  TIntf<TCountingSource> s(new TCountingSource);
  ASSERT_EQ(ConnectPins(s->Pin(), t->GetPin(0)), S_OK);
  ASSERT_EQ(ConnectPins(t->GetPin(1), r->GetPin(0)), S_OK);
  DisconnectPins(s->Pin(), t->GetPin(0));
  r->Pause();
  ASSERT_EQ(t->Pause(), S_OK);
  FILTER_STATE st;
  t->GetState(0, &st);
  EXPECT_EQ(st, State_Paused);
  EXPECT_TRUE(r->IsEndOfStream());
  r->Run(0);
  t->Run(0);
  EXPECT_EQ(graph->Count(EC_COMPLETE), 1);
  r->Stop();
  t->Stop();
  DisconnectPins(t->GetPin(1), r->GetPin(0));
  r->JoinFilterGraph(nullptr, nullptr);
}

TEST_F(FilterTest, QualityChangeIsReportedOncePerPause) {
  Chain c;
  TIntf<TEventGraph> graph(new TEventGraph);
  c.transform->JoinFilterGraph(graph.get(), u"t");
  ASSERT_EQ(c.Connect(), S_OK);
  c.ForEachDownstreamFirst([](IBaseFilter* f) { f->Run(0); });
  c.transform->skipNext_ = 2;
  EXPECT_EQ(c.source->Pin()->Push(), S_OK);  // skipped samples still answer S_OK
  EXPECT_EQ(c.source->Pin()->Push(), S_OK);
  EXPECT_EQ(graph->Count(EC_QUALITY_CHANGE), 1);
  EXPECT_EQ(c.renderer->rendered_.load(), 0);
  c.ForEachDownstreamFirst([](IBaseFilter* f) { f->Pause(); });
  c.ForEachDownstreamFirst([](IBaseFilter* f) { f->Run(0); });
  c.transform->skipNext_ = 1;
  c.source->Pin()->Push();
  EXPECT_EQ(graph->Count(EC_QUALITY_CHANGE), 2);
  c.source->Pin()->Push();
  EXPECT_EQ(c.renderer->rendered_.load(), 1);

  // Quality messages the transform does not handle go upstream: the source
  // pin takes none, so nothing is found.
  TIntf<IQualityControl> qc = QueryIntf<IQualityControl>(c.transform->GetPin(1), IID_IQualityControl);
  EXPECT_EQ(qc->Notify(c.renderer.get(), Quality{}), E_NOTIMPL);
  // Position requests pass upstream too; the source has none.
  TIntf<IMediaSeeking> seek = QueryIntf<IMediaSeeking>(c.transform->GetPin(1), IID_IMediaSeeking);
  ASSERT_TRUE(seek);
  int64_t d = 0;
  EXPECT_EQ(seek->GetDuration(&d), E_NOTIMPL);
  seek.reset();
  qc.reset();
  c.Stop();
  c.Disconnect();
  TIntf<IMediaSeeking> unconnected = QueryIntf<IMediaSeeking>(c.transform->GetPin(1), IID_IMediaSeeking);
  EXPECT_EQ(unconnected->GetDuration(&d), VFW_E_NOT_CONNECTED);
  c.transform->JoinFilterGraph(nullptr, nullptr);
}

TEST_F(FilterTest, FlushEndOfStreamAndNewSegmentPassDownstream) {
  Chain c;
  TIntf<TEventGraph> graph(new TEventGraph);
  c.renderer->JoinFilterGraph(graph.get(), u"r");
  EXPECT_EQ(c.transform->GetPin(0)->BeginFlush(), VFW_E_NOT_CONNECTED);
  ASSERT_EQ(c.Connect(), S_OK);
  c.ForEachDownstreamFirst([](IBaseFilter* f) { f->Run(0); });
  ASSERT_EQ(c.source->Pin()->DeliverBeginFlush(), S_OK);
  EXPECT_TRUE(c.renderer->InputPin()->IsFlushing());
  EXPECT_EQ(c.source->Pin()->Push(), S_FALSE);  // refused while flushing
  ASSERT_EQ(c.source->Pin()->DeliverEndFlush(), S_OK);
  EXPECT_FALSE(c.renderer->InputPin()->IsFlushing());
  ASSERT_EQ(c.source->Pin()->DeliverNewSegment(10, 20, 2.0), S_OK);
  EXPECT_EQ(c.renderer->InputPin()->SegmentStop(), 20);
  EXPECT_EQ(c.renderer->InputPin()->SegmentRate(), 2.0);
  ASSERT_EQ(c.source->Pin()->DeliverEndOfStream(), S_OK);
  EXPECT_EQ(graph->Count(EC_COMPLETE), 1);
  EXPECT_EQ(c.source->Pin()->Push(), S_FALSE);  // nothing after end of stream
  c.Stop();
  c.Disconnect();
  c.renderer->JoinFilterGraph(nullptr, nullptr);
}

}  // namespace
}  // namespace lumicar::dstest

namespace lumicar::dstest {
namespace {

// A sink whose input pin asks for a buffer prefix the upstream allocator
// was not made with.
class TPrefixSink : public TDSBaseFilter {
 public:
  class TPin : public TDSBaseInputPin {
   public:
    explicit TPin(TPrefixSink* f) : TDSBaseInputPin(u"Prefix pin"_qs, f, f->FilterLock(), u"In"_qs) {}
    HRESULT CheckMediaType(const AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override {
      if (!props) return E_POINTER;
      *props = ALLOCATOR_PROPERTIES{1, 1, 1, 32};
      return S_OK;
    }
  };
  TPrefixSink() : TDSBaseFilter(u"Prefix sink"_qs, nullptr, GUID_NULL), pin_(std::make_unique<TPin>(this)) {}
  int GetPinCount() override { return 1; }
  TDSBasePin* GetPin(int i) override { return i == 0 ? pin_.get() : nullptr; }

 private:
  std::unique_ptr<TPin> pin_;
};

TEST_F(FilterTest, InPlaceSharesTheUpstreamAllocatorOnlyWhenItMeetsDownstreamNeeds) {
  TIntf<TCountingSource> source(new TCountingSource(8, 4, 2));
  TIntf<TInverter> inverter(new TInverter);
  TIntf<TPrefixSink> sink(new TPrefixSink);
  ASSERT_EQ(ConnectPins(source->Pin(), inverter->GetPin(0)), S_OK);
  ASSERT_EQ(ConnectPins(inverter->GetPin(1), sink->GetPin(0)), S_OK);
  // Upstream made its buffers without a prefix: downstream gets its own.
  EXPECT_FALSE(inverter->InputPin()->Allocator() == inverter->OutputPin()->Allocator());
  ALLOCATOR_PROPERTIES props;
  ASSERT_EQ(inverter->OutputPin()->Allocator()->GetProperties(&props), S_OK);
  EXPECT_GE(props.cbPrefix, 32);
  DisconnectPins(inverter->GetPin(1), sink->GetPin(0));
  DisconnectPins(source->Pin(), inverter->GetPin(0));
}

}  // namespace
}  // namespace lumicar::dstest
