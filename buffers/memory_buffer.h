#pragma once
// Handles on plain memory containers, counted in elements of ItemSize bytes;
// the linear kind can change its element count, in place when it may.

#include <cstdint>

#include "buffers/generic_buffer.h"
#include "buffers/smart_memory_buffer.h"

namespace lumicar {

class TSLMemoryBuffer : public TSLGenericBuffer {
 public:
  TSLMemoryBuffer(TSLSmartMemoryBuffer* container, uint32_t byteSize);
  TSLMemoryBuffer(const TSLMemoryBuffer& other);
  explicit TSLMemoryBuffer(ISLData* source);

  TIntf<ISLData> MakeCopy() override;
  // Element count.
  uint32_t GetSize() override;

  // A new memory container with room for `count` elements.
  virtual TSLSmartMemoryBuffer* MakeCopySize(uint32_t count);
  // Bytes per element; 1 for plain byte buffers.
  virtual uint32_t ItemSize() const { return 1; }
  // The size in bytes.
  virtual uint32_t GetCharSize() { return GetByteSize(); }

  void SetDataContainer(TSLSmartBuffer* container) override;
  TSLSmartMemoryBuffer* MemoryContainer() const { return memoryContainer_; }

 protected:
  bool AcceptsContainer(TSLSmartBuffer* container) const override;

 private:
  TSLSmartMemoryBuffer* memoryContainer_ = nullptr;
};

class TSLLinearMemoryBuffer : public TSLMemoryBuffer {
 public:
  using TSLMemoryBuffer::TSLMemoryBuffer;
  TSLLinearMemoryBuffer(const TSLLinearMemoryBuffer& other) : TSLMemoryBuffer(other) {}

  TIntf<ISLData> MakeCopy() override;

  // Sets the element count. Stays in place when shrinking with the contents
  // kept, or when growing within the allocated block of a container nobody
  // else owns; otherwise moves to a new container (copying the old contents
  // when `keepContents` is set).
  virtual void Resize(uint32_t count, bool keepContents);
};

}  // namespace lumicar
