#pragma once
// One block of the process-wide pool held for the lifetime of an object:
// the pixels of an image container, or a temporary image of a conversion
// that must go back to the pool however the conversion ends.

#include <cstddef>
#include <cstdint>
#include <utility>

#include "buffers/block_pool.h"

namespace lumicar {

class TVLPoolBlock {
 public:
  TVLPoolBlock() = default;
  // A block of exactly `size` bytes, contents uninitialised; none for 0.
  // Raises the pool's out-of-memory error when the heap refuses.
  explicit TVLPoolBlock(std::size_t size) : data_(static_cast<uint8_t*>(SLBufferAllocate(size))), size_(size) {}
  TVLPoolBlock(TVLPoolBlock&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  TVLPoolBlock& operator=(TVLPoolBlock&& other) noexcept {
    TVLPoolBlock(std::move(other)).Swap(*this);
    return *this;
  }
  TVLPoolBlock(const TVLPoolBlock&) = delete;
  TVLPoolBlock& operator=(const TVLPoolBlock&) = delete;
  ~TVLPoolBlock() {
    if (data_) SLBufferDeallocate(data_, size_);
  }

  uint8_t* Data() const { return data_; }
  std::size_t Size() const { return size_; }

  void Swap(TVLPoolBlock& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
  }

 private:
  uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace lumicar
