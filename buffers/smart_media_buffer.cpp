#include "buffers/smart_media_buffer.h"

namespace lumicar {

TMLSmartMediaBuffer::TMLSmartMediaBuffer(TMLSmartMediaBuffer& source) { CopyTimeStamps(source); }

int64_t TMLSmartMediaBuffer::GetTimeStampBegin() {
  std::lock_guard lock(Lock());
  return timeStampBegin_;
}

void TMLSmartMediaBuffer::SetTimeStampBegin(int64_t value) {
  std::lock_guard lock(Lock());
  timeStampBegin_ = value;
}

int64_t TMLSmartMediaBuffer::GetTimeStampEnd() {
  std::lock_guard lock(Lock());
  return timeStampEnd_;
}

void TMLSmartMediaBuffer::SetTimeStampEnd(int64_t value) {
  std::lock_guard lock(Lock());
  timeStampEnd_ = value;
}

void TMLSmartMediaBuffer::CopyTimeStamps(TMLSmartMediaBuffer& source) {
  if (&source == this) return;
  int64_t begin, end;
  {
    std::lock_guard lock(source.Lock());
    SetTimeStampAvailable(source.GetTimeStampAvailable());
    begin = source.timeStampBegin_;
    end = source.timeStampEnd_;
  }
  // Taken separately so that two containers never hold each other's lock.
  std::lock_guard lock(Lock());
  timeStampBegin_ = begin;
  timeStampEnd_ = end;
}

}  // namespace lumicar
