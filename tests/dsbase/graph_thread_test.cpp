// The graph across threads: events raised on a streaming thread reach the Qt
// thread in order, Stop while samples stream leaves none in flight, and a
// thousand Run/Stop cycles leave neither objects nor threads behind.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <latch>

#include "dsbase/filters/null_renderer.h"
#include "dsbase/filters/sample_grabber.h"
#include "dsbase/graph/graph_notify_event.h"
#include "dsbase/graph/system_clock.h"
#include "dsbase/media/mem_allocator.h"
#include "testing/process_resources.h"
#include "tests/dsbase/graph_test_support.h"

namespace lumicar::dstest {
namespace {

class GraphThreadTest : public DSLeakCheck {
 protected:
  void SetUp() override {
    TestApp();
    DSRegisterSystemClasses();
    DSLeakCheck::SetUp();
  }
};

// Drains the graph's events each time it is notified, as the graph holder does.
class TEventReceiver : public QObject {
 public:
  explicit TEventReceiver(IMediaEventEx* events) : events_(events) {}
  bool event(QEvent* e) override {
    const TDSGraphNotifyEvent* n = TDSGraphNotifyEvent::From(e);
    if (n == nullptr) return QObject::event(e);
    messages_.push_back(n->Message());
    int32_t code;
    intptr_t p1, p2;
    while (events_->GetEvent(&code, &p1, &p2, 0) == S_OK) {
      codes_.push_back(code);
      params_.push_back(p1);
      threads_.push_back(QThread::currentThread());
      events_->FreeEventParams(code, p1, p2);
    }
    return true;
  }
  IMediaEventEx* events_;
  std::vector<int32_t> messages_, codes_;
  std::vector<intptr_t> params_;
  std::vector<QThread*> threads_;
};

TEST_F(GraphThreadTest, EventsFromAStreamingThreadArriveOnTheQtThreadInOrder) {
  TIntf<TDSFilterGraph> graph = NewGraph();
  TIntf<TCountingSource> src = MakeIntf<TCountingSource>();
  graph->AddFilter(src.get(), u"src");
  TEventReceiver receiver(graph.get());
  ASSERT_EQ(graph->SetNotifyWindow(&receiver, 0x8001, 0), S_OK);
  ASSERT_EQ(graph->SetNotifyFlags(0), S_OK);
  EXPECT_EQ(graph->SetNotifyFlags(7), E_INVALIDARG);

  const int32_t codes[] = {EC_ERRORABORT,      EC_STARVATION,       EC_DEVICE_LOST,
                           EC_FULLSCREEN_LOST, EC_WINDOW_DESTROYED, EC_QUALITY_CHANGE};
  std::latch raised(1);
  std::thread streaming([&] {
    intptr_t n = 0;
    for (int32_t code : codes) src->NotifyEvent(code, ++n, 0);
    raised.count_down();
  });
  raised.wait();
  streaming.join();
  EXPECT_TRUE(receiver.codes_.empty());  // posted, never called from the streaming thread
  QCoreApplication::sendPostedEvents(&receiver);
  ASSERT_EQ(receiver.codes_, std::vector<int32_t>(std::begin(codes), std::end(codes)));
  EXPECT_EQ(receiver.params_.back(), 6);
  for (QThread* t : receiver.threads_) EXPECT_EQ(t, QThread::currentThread());
  EXPECT_EQ(receiver.messages_.front(), 0x8001);

  // No notification once the target is cleared; the events still queue.
  graph->SetNotifyWindow(nullptr, 0, 0);
  src->NotifyEvent(EC_DEVICE_LOST, 0, 0);
  QCoreApplication::sendPostedEvents(&receiver);
  EXPECT_EQ(receiver.codes_.size(), std::size(codes));
  int32_t code;
  intptr_t p1, p2;
  EXPECT_EQ(graph->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(code, EC_DEVICE_LOST);
  EXPECT_EQ(graph->GetEvent(&code, &p1, &p2, 0), E_ABORT);
  EXPECT_EQ(graph->GetEvent(nullptr, &p1, &p2, 0), E_POINTER);
}

TEST_F(GraphThreadTest, CompletionIsReportedOnceEveryRendererHasFinished) {
  TIntf<TDSFilterGraph> graph = NewGraph();
  TIntf<TDSNullRenderer> a = MakeIntf<TDSNullRenderer>(), b = MakeIntf<TDSNullRenderer>();
  graph->AddFilter(a.get(), u"a");
  graph->AddFilter(b.get(), u"b");
  ASSERT_EQ(graph->Run(), S_OK);  // unconnected renderers finish at once
  int32_t code = 0;
  intptr_t p1, p2;
  ASSERT_EQ(graph->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_EQ(graph->GetEvent(&code, &p1, &p2, 0), E_ABORT);  // one, not two
  graph->Stop();
  graph->CancelDefaultHandling(EC_COMPLETE);
  graph->Run();
  EXPECT_EQ(graph->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(graph->GetEvent(&code, &p1, &p2, 0), S_OK);
  graph->Stop();
}

TEST_F(GraphThreadTest, StopWhileStreamingLeavesEverySampleDeliveredOrReleased) {
  TIntf<TDSFilterGraph> graph = NewGraph();
  TIntf<TCameraSource> cam = MakeIntf<TCameraSource>(64, 8);
  TIntf<TDSSampleGrabber> grabber = MakeIntf<TDSSampleGrabber>();
  TIntf<TDSNullRenderer> null = MakeIntf<TDSNullRenderer>();
  graph->AddFilter(cam.get(), u"cam");
  graph->AddFilter(grabber.get(), u"grabber");
  graph->AddFilter(null.get(), u"null");
  TDSMediaType rgb;
  rgb->majortype = MEDIATYPE_Video;
  rgb->subtype = MEDIASUBTYPE_RGB32;
  grabber->SetMediaType(&rgb.Get());
  ASSERT_EQ(graph->Connect(TIntf<IPin>(cam->Capture()).get(), PinOf(grabber.get(), 0).get()), S_OK);
  ASSERT_EQ(graph->Connect(PinOf(grabber.get(), 1).get(), PinOf(null.get(), 0).get()), S_OK);
  TIntf<TRecordingCallback> cb = MakeIntf<TRecordingCallback>();
  grabber->SetCallback(cb.get(), 0);
  graph->SetSyncSource(nullptr);
  ASSERT_EQ(graph->Run(), S_OK);

  std::latch streaming(20);
  std::atomic<int> delivered{0};
  std::thread pusher([&] {
    for (;;) {
      const HRESULT hr = cam->PushFrame();
      if (hr != S_OK) break;
      ++delivered;
      if (delivered.load() <= 20) streaming.count_down();
    }
  });
  streaming.wait();
  ASSERT_EQ(graph->Stop(), S_OK);
  pusher.join();
  EXPECT_GE(delivered.load(), 20);
  // Every accepted sample reached the callback; at most the one in flight
  // when the stop reached the renderer got there and was then refused.
  EXPECT_GE(cb->calls_.load(), delivered.load());
  EXPECT_LE(cb->calls_.load(), delivered.load() + 1);
  // And every buffer is back with its allocator.
  IBaseFilter* conv = nullptr;
  ASSERT_EQ(graph->FindFilterByName(u"Colour Space Converter", &conv), S_OK);
  TIntf<IBaseFilter> converter = TIntf<IBaseFilter>::Adopt(conv);
  auto* transform = dynamic_cast<TDSTransformFilter*>(converter.get());
  ASSERT_NE(transform, nullptr);
  for (TIntf<IMemAllocator> alloc : {cam->Capture()->Allocator(), transform->OutputPin()->Allocator()}) {
    auto* mem = dynamic_cast<TDSMemAllocator*>(alloc.get());
    ASSERT_NE(mem, nullptr);
    EXPECT_EQ(mem->OutstandingCount(), 0);
    EXPECT_FALSE(mem->IsCommitted());
  }
  grabber->SetCallback(nullptr, 0);
}

TEST_F(GraphThreadTest, ClockSignalsAdvisedEventsFromItsOwnThread) {
  TIntf<TDSSystemClock> clock(new TDSSystemClock());
  TDSAMEvent once, periodic;
  uintptr_t a = 0, b = 0;
  REFERENCE_TIME now = 0;
  ASSERT_EQ(clock->GetTime(&now), S_OK);
  EXPECT_EQ(clock->AdviseTime(now, -1, &once, &a), E_INVALIDARG);
  EXPECT_EQ(clock->AdviseTime(now, 0, nullptr, &a), E_POINTER);
  EXPECT_EQ(clock->AdvisePeriodic(now, 0, &periodic, &b), E_INVALIDARG);
  ASSERT_EQ(clock->AdviseTime(now, 20'000, &once, &a), S_OK);  // 2 ms on
  ASSERT_EQ(clock->AdvisePeriodic(now, 10'000, &periodic, &b), S_OK);
  ASSERT_TRUE(once.Wait(5000));
  REFERENCE_TIME fired = 0;
  clock->GetTime(&fired);
  EXPECT_GE(fired, now + 20'000);
  for (int i = 0; i < 3; ++i) {  // it keeps coming
    ASSERT_TRUE(periodic.Wait(5000));
    periodic.Reset();
  }
  EXPECT_EQ(clock->Unadvise(a), S_FALSE);  // a one-off is gone once fired
  EXPECT_EQ(clock->Unadvise(b), S_OK);
  periodic.Reset();
  EXPECT_FALSE(periodic.Check());  // nothing sets it after Unadvise returned
}

TEST_F(GraphThreadTest, AThousandRunStopCyclesLeaveNothingBehind) {
  const testtools::TProcessResources before = testtools::SettledProcessResources();
  {
    TIntf<TDSFilterGraph> graph = NewGraph();
    TIntf<TCameraSource> cam = MakeIntf<TCameraSource>(16, 4);
    TIntf<TDSSampleGrabber> grabber = MakeIntf<TDSSampleGrabber>();
    graph->AddFilter(cam.get(), u"cam");
    graph->AddFilter(grabber.get(), u"grabber");
    ASSERT_EQ(graph->Connect(TIntf<IPin>(cam->Capture()).get(), PinOf(grabber.get(), 0).get()), S_OK);
    for (int i = 0; i < 1000; ++i) {
      ASSERT_EQ(graph->Run(), S_OK);
      if (i % 100 == 0) {
        ASSERT_EQ(cam->PushFrame(), S_OK);
      }
      ASSERT_EQ(graph->Stop(), S_OK);
    }
  }
  EXPECT_EQ(testtools::DescribeGrowth(before, testtools::SettledProcessResources()), "");
}

}  // namespace
}  // namespace lumicar::dstest
