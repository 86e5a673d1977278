#pragma once
// Media time in 100 ns units and the clock a graph's filters share.

#include <cstdint>
#include <limits>

#include "runtime/interface.h"

namespace lumicar {

using REFERENCE_TIME = int64_t;
constexpr REFERENCE_TIME MAX_TIME = std::numeric_limits<int64_t>::max();

inline const TGUID IID_IReferenceClock = TGUID::FromString("{56A86897-0AD4-11CE-B03A-0020AF0BA770}");

class IReferenceClock : public virtual IUnknown {
 public:
  virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
  // Signals `event` (an opaque handle of the clock's choosing) at base + stream.
  virtual HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, void* event, uintptr_t* cookie) = 0;
  virtual HRESULT AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME period, void* semaphore,
                                 uintptr_t* cookie) = 0;
  virtual HRESULT Unadvise(uintptr_t cookie) = 0;
};

}  // namespace lumicar
