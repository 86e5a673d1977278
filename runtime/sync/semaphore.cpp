#include "runtime/sync/semaphore.h"

#include <QString>

#include "runtime/exception.h"

namespace lumicar {

TOWSemaphore::TOWSemaphore(int32_t initialCount, int32_t maximumCount) : count_(initialCount), maximum_(maximumCount) {
  if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
    throw Exception(
        QStringLiteral("Invalid semaphore counts: initial %1, maximum %2").arg(initialCount).arg(maximumCount));
  }
}

bool TOWSemaphore::Increment(int32_t count) {
  {
    std::lock_guard lock(mutex_);
    if (count <= 0 || count > maximum_ - count_) return false;
    count_ += count;
  }
  if (count == 1) {
    available_.notify_one();
  } else {
    available_.notify_all();
  }
  return true;
}

bool TOWSemaphore::Decrement(uint32_t timeoutMs) {
  std::unique_lock lock(mutex_);
  auto hasUnit = [this] { return count_ > 0; };
  if (timeoutMs == kWaitForever) {
    available_.wait(lock, hasUnit);
  } else if (!available_.wait_until(lock, WaitDeadline(timeoutMs), hasUnit)) {
    return false;
  }
  --count_;
  return true;
}

int32_t TOWSemaphore::Count() const {
  std::lock_guard lock(mutex_);
  return count_;
}

}  // namespace lumicar
