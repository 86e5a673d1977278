#pragma once
// The camera layer's log category, and a gate that lets a repeating message
// through at most once a second (a bad stream must not flood the log).

#include <QLoggingCategory>
#include <atomic>
#include <cstdint>

namespace lumicar {

Q_DECLARE_LOGGING_CATEGORY(lcCamera)

class TDSLogGate {
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
