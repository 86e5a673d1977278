#pragma once
// Views of a media block's begin and end times (signed, 100-ns units): one
// bound to a media buffer handle, one bound to a media buffer interface.
// Both act on whatever container the buffer holds at the time of the call.

#include <cstdint>

#include "buffers/data_interfaces.h"

namespace lumicar {

class TMLMediaBuffer;

class TMLTimeStamp {
 public:
  explicit TMLTimeStamp(TMLMediaBuffer& buffer) : buffer_(buffer) {}
  TMLTimeStamp(const TMLTimeStamp&) = delete;
  TMLTimeStamp& operator=(const TMLTimeStamp&) = delete;

  bool Available() const;
  void SetAvailable(bool value);
  int64_t Begin() const;
  void SetBegin(int64_t value);
  int64_t End() const;
  void SetEnd(int64_t value);

 private:
  TMLMediaBuffer& buffer_;
};

// Keeps the buffer alive for as long as the view exists.
class TMLCTimeStamp {
 public:
  explicit TMLCTimeStamp(TIntf<IMLMediaBuffer> buffer);
  TMLCTimeStamp(const TMLCTimeStamp&) = delete;
  TMLCTimeStamp& operator=(const TMLCTimeStamp&) = delete;

  bool Available() const;
  void SetAvailable(bool value);
  int64_t BeginTime() const;
  void SetBeginTime(int64_t value);
  int64_t EndTime() const;
  void SetEndTime(int64_t value);

 private:
  TMLTimeStamp& Stamp() const;

  TIntf<IMLMediaBuffer> buffer_;
};

}  // namespace lumicar
