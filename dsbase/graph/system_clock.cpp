#include "dsbase/graph/system_clock.h"

#include <time.h>

#include <chrono>
#include <vector>

#include "dsbase/base/am_event.h"

namespace lumicar {

TDSSystemClock::TDSSystemClock() : TDSDualUnknown(QStringLiteral("System clock"), nullptr) {}

TDSSystemClock::~TDSSystemClock() {
  {
    std::lock_guard guard(lock_);
    quit_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

HRESULT TDSSystemClock::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IReferenceClock) return GetInterface<IReferenceClock>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

REFERENCE_TIME TDSSystemClock::Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return REFERENCE_TIME(ts.tv_sec) * 10'000'000 + ts.tv_nsec / 100;
}

HRESULT TDSSystemClock::GetTime(REFERENCE_TIME* time) {
  if (!time) return E_POINTER;
  *time = Now();
  return S_OK;
}

HRESULT TDSSystemClock::AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, void* event, uintptr_t* cookie) {
  if (!event || !cookie) return E_POINTER;
  *cookie = 0;
  if (baseTime < 0 || streamTime < 0 || baseTime > MAX_TIME - streamTime) return E_INVALIDARG;
  return AddAdvise({baseTime + streamTime, 0, event}, cookie);
}

HRESULT TDSSystemClock::AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME period, void* semaphore,
                                       uintptr_t* cookie) {
  if (!semaphore || !cookie) return E_POINTER;
  *cookie = 0;
  if (startTime < 0 || period <= 0) return E_INVALIDARG;
  return AddAdvise({startTime, period, semaphore}, cookie);
}

HRESULT TDSSystemClock::AddAdvise(const TAdvise& advise, uintptr_t* cookie) {
  {
    std::lock_guard guard(lock_);
    const uintptr_t id = nextCookie_++;
    advises_.emplace(id, advise);
    *cookie = id;
    if (!thread_.joinable()) thread_ = std::thread([this] { AdviseLoop(); });
  }
  changed_.notify_all();
  return S_OK;
}

HRESULT TDSSystemClock::Unadvise(uintptr_t cookie) {
  std::unique_lock guard(lock_);
  const bool known = advises_.erase(cookie) != 0;
  // An event being set right now may be the caller's: wait, so that it can
  // destroy the event as soon as this returns.
  changed_.wait(guard, [this] { return !firing_; });
  return known ? S_OK : S_FALSE;
}

void TDSSystemClock::AdviseLoop() {
  std::unique_lock guard(lock_);
  while (!quit_) {
    const REFERENCE_TIME now = Now();
    REFERENCE_TIME next = MAX_TIME;
    std::vector<void*> due;
    for (auto it = advises_.begin(); it != advises_.end();) {
      TAdvise& a = it->second;
      if (a.due <= now) {
        due.push_back(a.event);
        if (a.period == 0) {
          it = advises_.erase(it);
          continue;
        }
        // A late clock fires once, then resumes on the period grid.
        const REFERENCE_TIME missed = (now - a.due) / a.period + 1;
        a.due = a.period > (MAX_TIME - a.due) / missed ? MAX_TIME : a.due + missed * a.period;
      }
      next = std::min(next, a.due);
      ++it;
    }
    if (!due.empty()) {
      firing_ = true;
      guard.unlock();
      for (void* e : due) static_cast<TDSAMEvent*>(e)->SetEv();
      guard.lock();
      firing_ = false;
      changed_.notify_all();
      continue;
    }
    if (next == MAX_TIME) {
      changed_.wait(guard);
    } else {
      changed_.wait_for(guard, std::chrono::microseconds((next - now + 9) / 10));
    }
  }
}

}  // namespace lumicar
