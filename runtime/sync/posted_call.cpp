#include "runtime/sync/posted_call.h"

#include "runtime/sync/leaf_mutex.h"

namespace lumicar::detail {

// Held only around a posting and for an instant at the start of a run: never
// while a posted call runs, so calls may post further calls.
TLeafMutex& PostedCallLock() {
  static TLeafMutex lock{"posted call order lock"};
  return lock;
}

}  // namespace lumicar::detail
