// One lock section taken and released on an uncontended lock, for each kind
// of section, plus the destroy lock's shared claim and the raw primitives.

#include <benchmark/benchmark.h>

#include "runtime/sync/critical_section.h"
#include "runtime/sync/destroy_lock.h"
#include "runtime/sync/lock.h"
#include "runtime/sync/mutex.h"
#include "runtime/sync/simple_lock_sections.h"

using namespace lumicar;

namespace {

// A free lock: one critical-section round trip and one mutex wait per section.
void BM_WriteLockFree(benchmark::State& state) {
  TIntf<IOWLock> lock = MakeIntf<TOWLock>();
  for (auto _ : state) {
    TIntf<IOWLockSection> s = lock->WriteLock();
    benchmark::DoNotOptimize(s.get());
  }
}
BENCHMARK(BM_WriteLockFree);

void BM_ReadLockFree(benchmark::State& state) {
  TIntf<IOWLock> lock = MakeIntf<TOWLock>();
  for (auto _ : state) {
    TIntf<IOWLockSection> s = lock->ReadLock();
    benchmark::DoNotOptimize(s.get());
  }
}
BENCHMARK(BM_ReadLockFree);

// The owning thread re-entering.
void BM_WriteLockReentered(benchmark::State& state) {
  TIntf<IOWLock> lock = MakeIntf<TOWLock>();
  TIntf<IOWLockSection> outer = lock->WriteLock();
  for (auto _ : state) {
    TIntf<IOWLockSection> s = lock->WriteLock();
    benchmark::DoNotOptimize(s.get());
  }
}
BENCHMARK(BM_WriteLockReentered);

// A pin's write section with its component's lock as deadlock breaker.
void BM_WriteLockWithOwnerLock(benchmark::State& state) {
  TIntf<IOWLock> owner = MakeIntf<TOWLock>();
  TIntf<IOWLock> lock = MakeIntf<TOWLock>();
  for (auto _ : state) {
    auto s = MakeIntf<TOWSimpleWriteLockSection>(lock->Instance(), owner.get());
    benchmark::DoNotOptimize(s.get());
  }
}
BENCHMARK(BM_WriteLockWithOwnerLock);

void BM_StopLockFree(benchmark::State& state) {
  TIntf<IOWLock> lock = MakeIntf<TOWLock>();
  for (auto _ : state) {
    TIntf<IOWLockSection> s = lock->StopLock();
    benchmark::DoNotOptimize(s.get());
  }
}
BENCHMARK(BM_StopLockFree);

// A delivery's unlock-all around a call out, the thread holding one level.
void BM_UnlockAllOneLevel(benchmark::State& state) {
  TIntf<IOWLock> lock = MakeIntf<TOWLock>();
  TIntf<IOWLockSection> held = lock->WriteLock();
  for (auto _ : state) {
    TIntf<IOWLockSection> s = lock->UnlockAll();
    benchmark::DoNotOptimize(s.get());
  }
}
BENCHMARK(BM_UnlockAllOneLevel);

void BM_DestroyLockClaim(benchmark::State& state) {
  TIntf<IOWDestroyLock> lock = MakeIntf<TOWDestroyLock>();
  for (auto _ : state) {
    TIntf<IOWDestroyLockSection> s = lock->Lock();
    benchmark::DoNotOptimize(s.get());
  }
}
BENCHMARK(BM_DestroyLockClaim);

void BM_MutexAcquireRelease(benchmark::State& state) {
  TOWMutex m;
  for (auto _ : state) {
    m.Acquire(0);
    m.Release();
  }
}
BENCHMARK(BM_MutexAcquireRelease);

void BM_CriticalSectionEnterLeave(benchmark::State& state) {
  TOWCriticalSection cs;
  for (auto _ : state) {
    cs.Enter();
    cs.Leave();
  }
}
BENCHMARK(BM_CriticalSectionEnterLeave);

}  // namespace
