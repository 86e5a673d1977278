#include "runtime/log_gate.h"

#include <chrono>

namespace lumicar {

bool TLogGate::Open() {
  const int64_t now =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count();
  int64_t last = last_.load();
  if (last != INT64_MIN && now - last < 1000) {
    suppressed_.fetch_add(1);
    return false;
  }
  return last_.compare_exchange_strong(last, now);
}

}  // namespace lumicar
