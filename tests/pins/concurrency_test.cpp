// Deliveries and link changes on several threads: receivers destroyed while
// they are being called, receivers that call back into their sender, the
// owner lock given up around calls and a stopping component that does not
// block a delivering thread.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "runtime/sync/lock_section.h"
#include "testing/hang_guard.h"
#include "tests/pins/support/pin_test_support.h"

namespace lumicar::test {
namespace {

using namespace std::chrono_literals;

// A one-shot signal between two threads.
class TSignal {
 public:
  void Set() {
    std::lock_guard lock(mutex_);
    set_ = true;
    cv_.notify_all();
  }
  bool WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return set_; });
  }
  bool IsSet() {
    std::lock_guard lock(mutex_);
    return set_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool set_ = false;
};

class ConcurrencyTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTestStreams(); }
};

TEST_F(ConcurrencyTest, DestroyingASinkWaitsForTheDeliveryIntoIt) {
  TTestSource source;
  auto* sink = new TTestSink();
  TSignal entered, release, destroyed;
  std::atomic<bool> calledAfterDestruction{false};
  sink->InputPin()->SetDispatchEvent([&](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState state) {
    if (state.testFlag(nsConnectionNotice)) return TOWDispatchResult();
    entered.Set();
    release.WaitFor(testtools::kHangGuard);
    if (destroyed.IsSet()) calledAfterDestruction = true;
    return TOWDispatchResult();
  });
  TTestSink other;
  ASSERT_TRUE(sink->InputPin()->Connect(source.OutputPin()));
  ASSERT_TRUE(other.InputPin()->Connect(source.OutputPin()));

  std::thread sender([&] { source.OutputPin()->Notify(MakeIntf<TOWStartOperation>()); });
  ASSERT_TRUE(entered.WaitFor(testtools::kHangGuard));
  std::thread destroyer([&] {
    delete sink;
    destroyed.Set();
  });
  // While the receiver is being called its destruction cannot finish.
  EXPECT_FALSE(destroyed.WaitFor(50ms));
  release.Set();
  sender.join();
  destroyer.join();
  EXPECT_TRUE(destroyed.IsSet());
  EXPECT_FALSE(calledAfterDestruction);
  EXPECT_EQ(source.OutputPin()->GetSinkCount(), 1);
  EXPECT_EQ(source.OutputPin()->SendingDepth(), 0);
  // The source goes on delivering to what is left.
  EXPECT_EQ(source.OutputPin()->Notify(MakeIntf<TOWStartOperation>()), TOWDispatchResult());
}

TEST_F(ConcurrencyTest, DestroyingASourceWaitsForAnUpstreamDeliveryIntoIt) {
  auto* source = new TTestSource();
  TTestSink sink;
  TSignal entered, release, destroyed;
  std::atomic<bool> calledAfterDestruction{false};
  source->OutputPin()->SetDispatchEvent([&](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState) {
    entered.Set();
    release.WaitFor(testtools::kHangGuard);
    if (destroyed.IsSet()) calledAfterDestruction = true;
    return TOWDispatchResult();
  });
  ASSERT_TRUE(sink.InputPin()->Connect(source->OutputPin()));
  std::thread sender([&] { sink.InputPin()->Notify(MakeIntf<TOWStopOperation>()); });
  ASSERT_TRUE(entered.WaitFor(testtools::kHangGuard));
  std::thread destroyer([&] {
    delete source;
    destroyed.Set();
  });
  EXPECT_FALSE(destroyed.WaitFor(50ms));
  release.Set();
  sender.join();
  destroyer.join();
  EXPECT_FALSE(calledAfterDestruction);
  EXPECT_EQ(sink.InputPin()->GetSourcePin(), nullptr);
  EXPECT_EQ(sink.InputPin()->Notify(MakeIntf<TOWStopOperation>()), TOWDispatchResult());
}

TEST_F(ConcurrencyTest, AReceiverMayWaitForAThreadThatUsesTheSender) {
  // The sending thread holds its component's lock while it sends. Inside
  // the call, the receiver waits for another thread that needs both the
  // sending pin and the sending component: this only finishes because the
  // delivery gave both up for the call.
  TTestSource source;
  TTestSink sink;
  std::atomic<bool> helperDone{false};
  sink.InputPin()->SetDispatchEvent([&](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState state) {
    if (state.testFlag(nsConnectionNotice)) return TOWDispatchResult();
    std::thread helper([&] {
      auto pinSection = source.OutputPin()->WriteLock();
      TIntf<IOWLockSection> componentSection = source.Lock()->WriteLock();
      helperDone = componentSection != nullptr && source.OutputPin()->GetSinkCount() == 1;
    });
    helper.join();
    return TOWDispatchResult();
  });
  ASSERT_TRUE(sink.InputPin()->Connect(source.OutputPin()));

  std::thread sender([&] {
    TIntf<IOWLockSection> l1 = source.Lock()->WriteLock();
    TIntf<IOWLockSection> l2 = source.Lock()->WriteLock();
    TIntf<IOWLockSection> l3 = source.Lock()->ReadLock();
    source.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
    // The sender holds its component lock three levels deep again.
    EXPECT_EQ(source.Lock()->Instance()->LockCount(), 3);
    EXPECT_EQ(source.Lock()->Instance()->OwningThread(), std::this_thread::get_id());
  });
  sender.join();
  EXPECT_TRUE(helperDone);
  EXPECT_TRUE(source.Lock()->Instance()->IsFree());
}

TEST_F(ConcurrencyTest, AStoppingComponentDoesNotBlockTheDeliveringThread) {
  TTestSource source;
  TTestSink sink;
  std::atomic<int> worked{0}, skipped{0};
  sink.InputPin()->SetDispatchEvent([&](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState state) {
    if (state.testFlag(nsConnectionNotice)) return TOWDispatchResult();
    // What a component does on every operation: take its own lock, or skip
    // the work when the component is being stopped.
    if (TIntf<IOWLockSection> section = sink.Lock()->WriteLock())
      ++worked;
    else
      ++skipped;
    return TOWDispatchResult();
  });
  ASSERT_TRUE(sink.InputPin()->Connect(source.OutputPin()));

  TSignal stopped, done;
  std::thread stopper([&] {
    TIntf<IOWLockSection> stop = sink.Lock()->StopLock();
    stopped.Set();
    done.WaitFor(testtools::kHangGuard);
  });
  ASSERT_TRUE(stopped.WaitFor(testtools::kHangGuard));
  std::thread sender([&] {
    for (int i = 0; i < 5; ++i) source.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
  });
  sender.join();
  done.Set();
  stopper.join();
  EXPECT_EQ(skipped, 5);
  EXPECT_EQ(worked, 0);
  source.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
  EXPECT_EQ(worked, 1);
  EXPECT_TRUE(sink.Lock()->Instance()->IsFree());
}

TEST_F(ConcurrencyTest, TwoThreadsSendThroughTheSamePins) {
  TTestSource source;
  TTestSink k1, k2;
  std::atomic<int> c1{0}, c2{0};
  k1.InputPin()->SetDispatchEvent([&](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState state) {
    if (!state.testFlag(nsConnectionNotice)) ++c1;
    return TOWDispatchResult(drDataChanged);
  });
  k2.InputPin()->SetDispatchEvent([&](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState state) {
    if (!state.testFlag(nsConnectionNotice)) ++c2;
    return TOWDispatchResult();
  });
  ASSERT_TRUE(source.OutputPin()->Connect(k1.InputPin()));
  ASSERT_TRUE(source.OutputPin()->Connect(k2.InputPin()));
  constexpr int kPerThread = 300;
  auto send = [&] {
    for (int i = 0; i < kPerThread; ++i) source.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
  };
  std::thread a(send), b(send);
  a.join();
  b.join();
  EXPECT_EQ(c1, 2 * kPerThread);
  EXPECT_EQ(c2, 2 * kPerThread);
  EXPECT_EQ(source.OutputPin()->SendingDepth(), 0);
  EXPECT_EQ(source.OutputPin()->GetEntries()[1].realPin, k1.InputPin());
}

// A sending thread that can be asked how far it has got: the link changes of
// the tests below wait until it has sent more than before, so that it has
// demonstrably sent before, during and after the changes whatever the speed
// of the build.
class TCountingSender {
 public:
  explicit TCountingSender(std::function<void()> send)
      : thread_([this, send = std::move(send)] {
          while (!stop_.load()) {
            send();
            sent_.fetch_add(1);
          }
        }) {}
  ~TCountingSender() { Stop(); }
  // Returns once at least one more operation has been sent since the call.
  void WaitForProgress() {
    const int from = sent_.load();
    while (sent_.load() == from) std::this_thread::yield();
  }
  int Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return sent_.load();
  }
  int Sent() const { return sent_.load(); }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> sent_{0};
  std::thread thread_;
};

TEST_F(ConcurrencyTest, LinksChangeWhileAnotherThreadSends) {
  TTestSource source;
  TTestSink steady, second;
  std::atomic<int> steadyCount{0}, secondCount{0};
  auto counter = [](std::atomic<int>& count) {
    return [&count](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState state) {
      if (!state.testFlag(nsConnectionNotice)) ++count;
      return TOWDispatchResult();
    };
  };
  steady.InputPin()->SetDispatchEvent(counter(steadyCount));
  second.InputPin()->SetDispatchEvent(counter(secondCount));
  ASSERT_TRUE(steady.InputPin()->Connect(source.OutputPin()));
  TCountingSender sender([&] { source.OutputPin()->Notify(MakeIntf<TOWStartOperation>()); });
  sender.WaitForProgress();  // before
  for (int i = 0; i < 60; ++i) {
    auto transient = std::make_unique<TTestSink>();
    std::atomic<int> seen{0};
    transient->InputPin()->SetDispatchEvent(counter(seen));
    ASSERT_TRUE(transient->InputPin()->Connect(source.OutputPin()));
    sender.WaitForProgress();  // during: the transient link exists
    if (i == 20) {
      ASSERT_TRUE(second.InputPin()->Connect(source.OutputPin()));
    }
    if (i % 2) transient->InputPin()->Disconnect();
    if (i % 3 == 0) source.OutputPin()->DisconnectFrom(transient->InputPin());
    transient.reset();  // destroyed while the sender keeps going
  }
  sender.WaitForProgress();  // after
  const int sent = sender.Stop();
  // Not one operation lost for the sink that stayed linked throughout.
  EXPECT_EQ(steadyCount, sent);
  EXPECT_GT(secondCount, 0);
  EXPECT_LE(secondCount, sent);
  EXPECT_EQ(source.OutputPin()->GetSinkCount(), 2);
  EXPECT_EQ(source.OutputPin()->SendingDepth(), 0);
  source.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
  EXPECT_EQ(steadyCount, sent + 1);
}

TEST_F(ConcurrencyTest, MembersComeAndGoWhileAnotherThreadSendsThroughTheGroup) {
  auto statePin = [](std::atomic<int>* count) {
    auto pin = std::make_unique<TOWStatePin>(nullptr);
    pin->AddType(kStreamA);
    pin->SetDispatchEvent([count](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState state) {
      if (count && !state.testFlag(nsConnectionNotice)) ++*count;
      return TOWDispatchResult();
    });
    return TOWPinPtr<TOWStatePin>(pin.release());
  };
  std::atomic<int> steadyCount{0};
  TOWPinPtr<TOWStatePin> sender = statePin(nullptr);
  TOWPinPtr<TOWStatePin> steady = statePin(&steadyCount);
  ASSERT_TRUE(sender->Connect(steady.get()));
  TCountingSender sending([&] { sender->Notify(MakeIntf<TOWNotifyOperation>()); });
  sending.WaitForProgress();  // before
  for (int i = 0; i < 60; ++i) {
    std::atomic<int> seen{0};
    TOWPinPtr<TOWStatePin> transient = statePin(&seen);
    ASSERT_TRUE(transient->ConnectToState(steady->Dispatcher()));
    sending.WaitForProgress();  // during: three members
    if (i % 3 == 0) steady->DisconnectFrom(transient.get());
    if (i % 3 == 1) transient->Disconnect();
    transient.reset();  // freed while the sender keeps going
  }
  sending.WaitForProgress();  // after
  const int sent = sending.Stop();
  EXPECT_EQ(steadyCount, sent);
  ASSERT_TRUE(sender->Dispatcher());
  EXPECT_EQ(sender->Dispatcher()->GetPinCount(), 2);
  sender->Notify(MakeIntf<TOWNotifyOperation>());
  EXPECT_EQ(steadyCount, sent + 1);
}

// A sink whose stream check can be held: a walk over its source's links that
// asks it stops there until released.
class THoldingSink : public TOWSinkPin {
 public:
  explicit THoldingSink(TComponent* owner) : TOWSinkPin(owner) { AddType(kStreamA); }
  ~THoldingSink() override { BeforeDestruction(); }
  bool ImplementsStream(const TGUID& id) override {
    if (armed.exchange(false)) {
      entered.Set();
      release.WaitFor(testtools::kHangGuard);
    }
    return TOWSinkPin::ImplementsStream(id);
  }
  std::atomic<bool> armed{false};
  TSignal entered, release;
};

TEST_F(ConcurrencyTest, ARenegotiationWalkOutlivesAnotherSinkFreedMeanwhile) {
  // A new link renegotiates the source's chain: the walk asks every linked
  // sink in turn. While it is inside the first sink, another thread frees the
  // second one; the walk must not call into the freed sink.
  TTestSource source;
  TComponent owner;
  TOWPinPtr<THoldingSink> first(new THoldingSink(&owner));
  TOWPinPtr<THoldingSink> second(new THoldingSink(&owner));
  TTestSink newcomer;
  ASSERT_TRUE(first->Connect(source.OutputPin()));
  ASSERT_TRUE(second->Connect(source.OutputPin()));
  first->armed = true;
  std::thread linker([&] { EXPECT_TRUE(newcomer.InputPin()->Connect(source.OutputPin())); });
  ASSERT_TRUE(first->entered.WaitFor(testtools::kHangGuard));
  TSignal freed;
  std::thread freer([&] {
    second.reset();
    freed.Set();
  });
  // The second sink is not being called: freeing it does not wait.
  EXPECT_TRUE(freed.WaitFor(testtools::kHangGuard));
  first->release.Set();
  linker.join();
  freer.join();
  EXPECT_EQ(source.OutputPin()->GetSinkCount(), 2);
  EXPECT_TRUE(source.OutputPin()->IsConnectedTo(newcomer.InputPin()));
}

TEST_F(ConcurrencyTest, APinFreedByItsOwnerKeepsItsNameForARunningDelivery) {
  // The sink sends upstream; the source's receiver names the sending pin while
  // the sink's owner frees it on another thread. The running delivery sees
  // the whole name: the owner's reference goes only after deliveries ended.
  TTestSource source(nullptr, QStringLiteral("Source1"));
  TTestSink sink(nullptr, QStringLiteral("Sink1"));
  TOWSinkPin* pin = sink.InputPin();
  TSignal entered;
  QString name;
  source.OutputPin()->SetDispatchEvent([&](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState) {
    entered.Set();
    // Wait until the owner has started to free the pin.
    for (int i = 0; i < 5000 && !pin->IsPinDestroying(); ++i) std::this_thread::sleep_for(1ms);
    name = pin->GetFullName(false);
    return TOWDispatchResult();
  });
  ASSERT_TRUE(pin->Connect(source.OutputPin()));
  std::thread sender([&] { pin->Notify(MakeIntf<TOWStopOperation>()); });
  ASSERT_TRUE(entered.WaitFor(testtools::kHangGuard));
  std::thread freer([&] { sink.FreeInput(); });
  sender.join();
  freer.join();
  EXPECT_EQ(name, "Sink1.InputPin");
  EXPECT_EQ(sink.InputPin(), nullptr);
  EXPECT_EQ(source.OutputPin()->GetSinkCount(), 0);
}

// Two threads move the same sinks between two sources (linking from either
// side, unlinking from either side) while two others send through both
// sources. After each round of moves, every link must look the same from
// both of its ends: a source lists exactly the sinks that name it as their
// source, each once, and an operation sent afterwards reaches exactly those.
TEST_F(ConcurrencyTest, BothEndsOfALinkAgreeAfterConcurrentRelinking) {
  TTestSource first, second;
  TOWSourcePin* sources[2] = {first.OutputPin(), second.OutputPin()};
  constexpr int kSinks = 4;
  std::vector<std::unique_ptr<TTestSink>> sinks;
  std::vector<std::unique_ptr<std::atomic<int>>> heard;
  for (int i = 0; i < kSinks; ++i) {
    sinks.push_back(std::make_unique<TTestSink>());
    heard.push_back(std::make_unique<std::atomic<int>>(0));
    std::atomic<int>* count = heard.back().get();
    sinks.back()->InputPin()->SetDispatchEvent([count](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState s) {
      if (!s.testFlag(nsConnectionNotice)) ++*count;
      return TOWDispatchResult();
    });
  }
  TCountingSender pushFirst([&] { first.OutputPin()->Notify(MakeIntf<TOWStartOperation>()); });
  TCountingSender pushSecond([&] { second.OutputPin()->Notify(MakeIntf<TOWStopOperation>()); });

  // Each mover walks its own sequence over the same sinks.
  auto move = [&](uint32_t seed, int steps) {
    uint32_t x = seed;
    for (int i = 0; i < steps; ++i) {
      x = x * 1664525u + 1013904223u;
      TOWSinkPin* sink = sinks[(x >> 8) % kSinks]->InputPin();
      TOWSourcePin* source = sources[(x >> 12) & 1];
      switch ((x >> 16) % 4) {
        case 0:
          sink->Connect(source);
          break;
        case 1:
          source->Connect(sink);
          break;
        case 2:
          sink->Disconnect();
          break;
        default:
          source->DisconnectFrom(sink);
          break;
      }
    }
  };
  constexpr int kRounds = 40, kSteps = 60;
  int disagreements = 0;
  for (int round = 0; round < kRounds && disagreements == 0; ++round) {
    std::thread a(move, 2 * round + 1, kSteps), b(move, 2 * round + 2, kSteps);
    a.join();
    b.join();
    for (int s = 0; s < 2; ++s) {
      int named = 0;
      for (const auto& sink : sinks) {
        const bool names = sink->InputPin()->GetSourcePin() == sources[s];
        named += names;
        if (names != sources[s]->IsConnectedTo(sink->InputPin())) ++disagreements;
      }
      if (sources[s]->GetSinkCount() != named) ++disagreements;
    }
  }
  pushFirst.Stop();
  pushSecond.Stop();
  EXPECT_EQ(disagreements, 0) << "links whose ends disagree";
  for (auto& count : heard) *count = 0;
  first.OutputPin()->Notify(MakeIntf<TOWStartOperation>());
  second.OutputPin()->Notify(MakeIntf<TOWStopOperation>());
  for (int i = 0; i < kSinks; ++i)
    EXPECT_EQ(*heard[size_t(i)], sinks[size_t(i)]->InputPin()->GetSourcePin() ? 1 : 0) << "sink " << i;
}

}  // namespace
}  // namespace lumicar::test
