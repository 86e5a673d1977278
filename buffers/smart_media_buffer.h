#pragma once
// The container base of every media block (video frames, audio blocks): the
// block's begin and end times in 100-ns units, as the producer stamped them.

#include <atomic>
#include <cstdint>

#include "buffers/smart_buffer.h"

namespace lumicar {

class TMLSmartMediaBuffer : public TSLSmartBuffer {
 public:
  TMLSmartMediaBuffer() = default;

  // Begin and end are guarded by the container lock; the availability flag
  // is a plain flag.
  bool GetTimeStampAvailable() const { return timeStampAvailable_.load(std::memory_order_relaxed); }
  void SetTimeStampAvailable(bool value) { timeStampAvailable_.store(value, std::memory_order_relaxed); }
  int64_t GetTimeStampBegin();
  void SetTimeStampBegin(int64_t value);
  int64_t GetTimeStampEnd();
  void SetTimeStampEnd(int64_t value);

  // Takes over availability, begin and end of `source`, read under its lock.
  void CopyTimeStamps(TMLSmartMediaBuffer& source);

 protected:
  // Starts with the time stamps of `source` (read under its lock); the counts
  // and the buffer number start afresh.
  explicit TMLSmartMediaBuffer(TMLSmartMediaBuffer& source);

 private:
  std::atomic<bool> timeStampAvailable_{false};
  int64_t timeStampBegin_ = 0;
  int64_t timeStampEnd_ = 0;
};

}  // namespace lumicar
