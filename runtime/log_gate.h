#pragma once
// A gate that lets a repeating log message through at most once a second,
// counting the ones it holds back: a bad stream or a stream of refused frames
// must not flood the log. Lock-free; one gate per message.

#include <atomic>
#include <cstdint>

namespace lumicar {

class TLogGate {
 public:
  // True when a message may be written now; counts the ones held back.
  bool Open();
  // Messages held back since the last one let through.
  int64_t TakeSuppressed() { return suppressed_.exchange(0); }

 private:
  std::atomic<int64_t> last_{INT64_MIN};
  std::atomic<int64_t> suppressed_{0};
};

}  // namespace lumicar
