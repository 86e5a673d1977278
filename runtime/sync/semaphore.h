#pragma once
// A counting semaphore with a maximum count: Increment adds units (never
// beyond the maximum), Decrement waits for a unit and takes it.
//
//   TOWSemaphore room(120, 120);
//   producer: room.Decrement(kWaitForever);   consumer: room.Increment(1);

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "runtime/sync/leaf_mutex.h"
#include "runtime/sync/wait_timeout.h"

namespace lumicar {

class TOWSemaphore {
 public:
  // Raises lumicar::Exception unless 0 <= initialCount <= maximumCount and
  // maximumCount > 0.
  TOWSemaphore(int32_t initialCount, int32_t maximumCount);
  TOWSemaphore(const TOWSemaphore&) = delete;
  TOWSemaphore& operator=(const TOWSemaphore&) = delete;

  // Adds `count` units; false (and no change) for count <= 0 or when the
  // maximum would be passed.
  bool Increment(int32_t count = 1);
  // True when a unit was taken within timeoutMs.
  bool Decrement(uint32_t timeoutMs = kWaitForever);

  const void* GetHandle() const { return this; }
  int32_t Count() const;
  int32_t MaximumCount() const { return maximum_; }

 private:
  mutable TLeafMutex mutex_{"semaphore guard"};
  std::condition_variable_any available_;
  int32_t count_;
  const int32_t maximum_;
};

}  // namespace lumicar
