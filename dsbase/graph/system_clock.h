#pragma once
// The graph's reference clock: CLOCK_MONOTONIC in 100 ns units. Advise
// requests signal a TDSAMEvent (the opaque event of IReferenceClock) from a
// thread of the clock's own, started with the first request and joined when
// the clock goes.

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "dsbase/com/dual_unknown.h"
#include "dsbase/com/reference_clock.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSSystemClock final : public TDSDualUnknown, public IReferenceClock {
 public:
  TDSSystemClock();

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  HRESULT GetTime(REFERENCE_TIME* time) override;
  // `event` is a TDSAMEvent*, set once at base + stream.
  HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, void* event, uintptr_t* cookie) override;
  // `semaphore` is a TDSAMEvent*, set at start and every period after.
  HRESULT AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME period, void* semaphore, uintptr_t* cookie) override;
  HRESULT Unadvise(uintptr_t cookie) override;

  static REFERENCE_TIME Now();

 private:
  ~TDSSystemClock() override;
  struct TAdvise {
    REFERENCE_TIME due;
    REFERENCE_TIME period;  // 0: once
    void* event;
  };
  HRESULT AddAdvise(const TAdvise& advise, uintptr_t* cookie);
  void AdviseLoop();

  TLeafMutex lock_{"system clock lock"};  // the advise list; events are set outside it
  std::condition_variable_any changed_;
  std::map<uintptr_t, TAdvise> advises_;
  uintptr_t nextCookie_ = 1;
  bool quit_ = false;
  bool firing_ = false;  // events are being set outside the lock
  std::thread thread_;
};

}  // namespace lumicar
