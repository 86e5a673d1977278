#pragma once
// Reads the choices of a fuzz target (sizes, formats, modes) from the front
// of its input, one field after the other; a used-up input reads as zeros,
// so every input, however short, decides every choice the same way twice.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lumicar::fuzz {

class TFuzzInput {
 public:
  TFuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t U16() {
    const uint16_t low = Byte();
    return uint16_t(low | (uint16_t(Byte()) << 8));
  }
  uint32_t U32() {
    const uint32_t low = U16();
    return low | (uint32_t(U16()) << 16);
  }
  int32_t I32() { return int32_t(U32()); }
  bool Bit() { return (Byte() & 1) != 0; }
  // Copies up to `count` bytes, zero-filling what the input lacks.
  void Bytes(void* target, size_t count) {
    const size_t have = count < Remaining() ? count : Remaining();
    if (have) std::memcpy(target, data_ + pos_, have);
    std::memset(static_cast<uint8_t*>(target) + have, 0, count - have);
    pos_ += have;
  }

  size_t Remaining() const { return size_ - pos_; }
  const uint8_t* Rest() const { return data_ + pos_; }
  void Skip(size_t count) { pos_ += count < Remaining() ? count : Remaining(); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace lumicar::fuzz
