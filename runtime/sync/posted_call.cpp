#include "runtime/sync/posted_call.h"

namespace lumicar::detail {

// Held only around a posting and for an instant at the start of a run: never
// while a posted call runs, so calls may post further calls.
std::mutex& PostedCallLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace lumicar::detail
