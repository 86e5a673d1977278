#include "dsbase/com/live_objects.h"

#include <atomic>

namespace lumicar {

namespace {
std::atomic<int64_t> liveObjects{0};
}

int64_t DSLiveObjectCount() { return liveObjects.load(std::memory_order_acquire); }
void DSLiveObjectCreated() { liveObjects.fetch_add(1, std::memory_order_relaxed); }
void DSLiveObjectDestroyed() { liveObjects.fetch_sub(1, std::memory_order_acq_rel); }

}  // namespace lumicar
