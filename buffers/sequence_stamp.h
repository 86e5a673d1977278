#pragma once
// The producer's sequence number of a buffer, seen through one handle: it
// reads and writes the fields of whatever container the handle holds now.

#include <cstdint>

namespace lumicar {

class TSLGenericBuffer;

class TSLSequenceStamp {
 public:
  explicit TSLSequenceStamp(TSLGenericBuffer& buffer) : buffer_(buffer) {}
  TSLSequenceStamp(const TSLSequenceStamp&) = delete;
  TSLSequenceStamp& operator=(const TSLSequenceStamp&) = delete;

  bool Available() const;
  void SetAvailable(bool value);
  int64_t BufferNumber() const;
  void SetBufferNumber(int64_t value);

 private:
  TSLGenericBuffer& buffer_;
};

}  // namespace lumicar
