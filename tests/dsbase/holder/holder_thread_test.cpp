// The graph holder's event route across threads: events raised on a
// streaming thread reach GraphEvent on the user-interface thread in order,
// and a holder destroyed while a streaming thread keeps raising events is
// never reached again.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <atomic>
#include <latch>
#include <thread>

#include "tests/dsbase/holder/holder_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::holdertest {
namespace {

using dstest::TCountingSource;

// Runs the user-interface thread's event loop until done() or 30 s passed;
// the loop sleeps only while no event is waiting.
template <typename Done>
bool ProcessEventsUntil(Done done) {
  QDeadlineTimer deadline(30000);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
  }
  return true;
}

TEST_F(HolderTest, EventsFromAStreamingThreadReachGraphEventOnTheUserInterfaceThreadInOrder) {
  constexpr int kEvents = 300;
  THolderHost host;
  std::vector<intptr_t> order;
  std::vector<std::string> log;
  bool offThread = false;
  TDSGraph holder(&host, [&](int32_t code, intptr_t param1, intptr_t) {
    offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
    order.push_back(param1);
    if (code == EC_DEVICE_LOST) log.push_back("raw " + std::to_string(param1));
  });
  holder.SetOnDeviceLost(TNotifyEvent([&](TObject*) { log.push_back("lost"); }));
  ASSERT_TRUE(holder.CreateGraph());
  auto source = MakeIntf<TCountingSource>();
  ASSERT_EQ(holder.Graph()->AddFilter(source.get(), u"Source"), S_OK);
  ASSERT_TRUE(holder.SetMediaEvent());

  std::thread streaming([&] {
    for (int i = 1; i <= kEvents; ++i) source->NotifyEvent(i % 100 == 0 ? EC_DEVICE_LOST : EC_STARVATION, i, 0);
  });
  const bool all = ProcessEventsUntil([&] { return order.size() >= size_t(kEvents); });
  streaming.join();
  ASSERT_TRUE(all) << order.size() << " events arrived";

  std::vector<intptr_t> expected(kEvents);
  for (int i = 0; i < kEvents; ++i) expected[size_t(i)] = i + 1;
  EXPECT_EQ(order, expected);
  EXPECT_FALSE(offThread);
  EXPECT_EQ(log, (std::vector<std::string>{"raw 100", "lost", "raw 200", "lost", "raw 300", "lost"}));
  holder.DestroyGraph();
}

TEST_F(HolderTest, AHolderDestroyedWhileAStreamingThreadRaisesEventsIsNeverReachedAgain) {
  THolderHost host;
  std::atomic<int> heard{0};
  auto holder = std::make_unique<TDSGraph>(&host, [&](int32_t, intptr_t, intptr_t) { ++heard; });
  ASSERT_TRUE(holder->CreateGraph());
  const TIntf<IGraphBuilder> graph = holder->Graph();  // outlives the holder
  auto source = MakeIntf<TCountingSource>();
  ASSERT_EQ(graph->AddFilter(source.get(), u"Source"), S_OK);
  ASSERT_TRUE(holder->SetMediaEvent());

  // The first batch is heard; the second is raised while the holder goes;
  // the third after it has gone.
  constexpr int kBatch = 100;
  std::latch firstRaised(1);
  std::latch holderGone(1);
  std::thread streaming([&] {
    for (intptr_t i = 0; i < kBatch; ++i) source->NotifyEvent(EC_STARVATION, i, 0);
    firstRaised.count_down();
    for (intptr_t i = 0; i < kBatch; ++i) source->NotifyEvent(EC_ERRORABORT, i, 0);
    holderGone.wait();
    for (intptr_t i = 0; i < kBatch; ++i) source->NotifyEvent(EC_DEVICE_LOST, i, 0);
  });
  firstRaised.wait();
  EXPECT_TRUE(ProcessEventsUntil([&] { return heard.load() >= kBatch; }));
  holder.reset();
  const int atDestruction = heard.load();
  holderGone.count_down();
  streaming.join();
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(heard.load(), atDestruction);
  graph->RemoveFilter(source.get());
}

}  // namespace
}  // namespace lumicar::holdertest
