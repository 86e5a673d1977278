#pragma once
// A container of raw bytes in a pool block whose size is a power of two, so
// that a buffer can grow a little without a new container. The container
// object itself also lives in a pool block.

#include <cstddef>
#include <cstdint>

#include "buffers/smart_buffer.h"

namespace lumicar {

class TSLSmartMemoryBuffer : public TSLSmartBuffer {
 public:
  // Room for `size` bytes, contents uninitialised.
  explicit TSLSmartMemoryBuffer(uint64_t size);
  // Room for `size` bytes; the first `size` bytes of `source` are copied in.
  TSLSmartMemoryBuffer(uint64_t size, const void* source);
  // The same allocated size as `other`; its whole allocated area is copied
  // when `copyData` is set.
  TSLSmartMemoryBuffer(const TSLSmartMemoryBuffer& other, bool copyData);

  TSLSmartBuffer* Clone(bool copyData) override;
  uint8_t* GetRawData() const override { return data_; }
  uint32_t GetCapacity() const override { return allocatedSize_; }

  uint32_t GetAllocatedSize() const { return allocatedSize_; }
  // Copies as much of `other`'s allocated area as fits into this one.
  void CopyFrom(const TSLSmartMemoryBuffer& other);

  // Gives every free pool block back to the heap.
  static void ReleaseMemory();

  // Container objects come from the block pool as well; the size passed to
  // delete is that of the most derived class, which the pool needs.
  static void* operator new(std::size_t size);
  static void operator delete(void* block, std::size_t size);

 protected:
  ~TSLSmartMemoryBuffer() override;

 private:
  uint8_t* data_ = nullptr;
  uint32_t allocatedSize_ = 0;
};

}  // namespace lumicar
