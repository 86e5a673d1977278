// Sending a bare operation from a source pin to 1 and 3 linked sinks (and
// from a state pin to 1 and 3 other members of its group), with
// the owner locks components give their pins, and the parts one delivery is
// made of (lock sections, destroy-lock claims, the submit path).

#include <benchmark/benchmark.h>

#include "pins/delivery_claim.h"
#include "pins/notify_operation.h"
#include "pins/pin.h"
#include "pins/sink_pin.h"
#include "pins/source_pin.h"
#include "pins/state/state_pin.h"
#include "pins/stream_registry.h"
#include "runtime/sync/lock.h"

namespace lumicar {
namespace {

const TGUID kBenchStream = TGUID::FromString("{0B0E4C11-7A31-4E6B-9D21-5C1A00000001}");

struct TBenchChain {
  explicit TBenchChain(int sinks) {
    OWRegisterDefaultHandler(kBenchStream, OWStandardDefaultHandler);
    source.reset(new TOWSourcePin(nullptr, sourceLock.get()));
    source->AddType(kBenchStream);
    for (int i = 0; i < sinks; ++i) {
      TIntf<IOWLock> lock = MakeIntf<TOWLock>();
      auto* sink = new TOWSinkPin(nullptr, lock.get());
      sink->AddType(kBenchStream);
      sink->SetDispatchEvent([this](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState) {
        ++received;
        return TOWDispatchResult();
      });
      sink->Connect(source.get());
      sinkLocks.push_back(lock);
      this->sinks.emplace_back(sink);
    }
  }
  ~TBenchChain() {
    sinks.clear();
    source.reset();
  }
  TIntf<IOWLock> sourceLock = MakeIntf<TOWLock>();
  TOWPinPtr<TOWSourcePin> source;
  std::vector<TIntf<IOWLock>> sinkLocks;
  std::vector<TOWPinPtr<TOWSinkPin>> sinks;
  int64_t received = 0;
};

void BM_Notify(benchmark::State& state) {
  TBenchChain chain(static_cast<int>(state.range(0)));
  TIntf<IOWNotifyOperation> operation = MakeIntf<TOWNotifyOperation>();
  for (auto _ : state) benchmark::DoNotOptimize(chain.source->Notify(operation));
  state.counters["deliveries"] = benchmark::Counter(double(chain.received), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Notify)->Arg(1)->Arg(3);

// The same with a new operation object per send, as senders do.
void BM_NotifyNewOperation(benchmark::State& state) {
  TBenchChain chain(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(chain.source->Notify(MakeIntf<TOWNotifyOperation>()));
}
BENCHMARK(BM_NotifyNewOperation)->Arg(1)->Arg(3);

// A state pin sending to the 1 or 3 other members of its state group.
void BM_NotifyStateGroup(benchmark::State& state) {
  OWRegisterDefaultHandler(kBenchStream, OWStandardDefaultHandler);
  int64_t received = 0;
  std::vector<TIntf<IOWLock>> locks;
  std::vector<TOWPinPtr<TOWStatePin>> pins;
  for (int i = 0; i <= state.range(0); ++i) {
    locks.push_back(MakeIntf<TOWLock>());
    auto* pin = new TOWStatePin(nullptr, locks.back().get());
    pin->AddType(kBenchStream);
    pin->SetDispatchEvent([&received](TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState) {
      ++received;
      return TOWDispatchResult();
    });
    if (!pins.empty()) pin->Connect(pins.front().get());
    pins.emplace_back(pin);
  }
  TIntf<IOWNotifyOperation> operation = MakeIntf<TOWNotifyOperation>();
  for (auto _ : state) benchmark::DoNotOptimize(pins.front()->Notify(operation));
  state.counters["deliveries"] = benchmark::Counter(double(received), benchmark::Counter::kIsRate);
  pins.clear();
}
BENCHMARK(BM_NotifyStateGroup)->Arg(1)->Arg(3);

// ---- The parts ----

void BM_PinReadLockSection(benchmark::State& state) {
  TBenchChain chain(0);
  for (auto _ : state) benchmark::DoNotOptimize(chain.source->ReadLock());
}
BENCHMARK(BM_PinReadLockSection);

void BM_OwnerUnlockAllSection(benchmark::State& state) {
  TIntf<IOWLock> lock = MakeIntf<TOWLock>();
  for (auto _ : state) benchmark::DoNotOptimize(lock->UnlockAll());
}
BENCHMARK(BM_OwnerUnlockAllSection);

void BM_DeliveryClaim(benchmark::State& state) {
  TBenchChain chain(0);
  for (auto _ : state) {
    TOWDeliveryClaim claim(chain.source.get());
    benchmark::DoNotOptimize(bool(claim));
  }
}
BENCHMARK(BM_DeliveryClaim);

// Default submit function → registry lookup → standard handler →
// QueryInterface on the receiver → DispatchData → the owner's callback.
void BM_SubmitPath(benchmark::State& state) {
  TBenchChain chain(1);
  const TOWPinEntry entry = chain.source->GetEntries()[0];
  TIntf<IOWNotifyOperation> operation = MakeIntf<TOWNotifyOperation>();
  for (auto _ : state)
    benchmark::DoNotOptimize(
        entry.submit(static_cast<IOWStream*>(entry.connectionPin), entry.connectionId, operation.get(), {}));
}
BENCHMARK(BM_SubmitPath);

void BM_NewOperation(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(MakeIntf<TOWNotifyOperation>());
}
BENCHMARK(BM_NewOperation);

}  // namespace
}  // namespace lumicar
