#include "buffers/memory_buffer.h"

#include <mutex>

#include "buffers/sl_exception.h"

namespace lumicar {

namespace {

TSLSmartMemoryBuffer* AsMemoryContainer(TSLSmartBuffer* container) {
  return dynamic_cast<TSLSmartMemoryBuffer*>(container);
}

}  // namespace

TSLMemoryBuffer::TSLMemoryBuffer(TSLSmartMemoryBuffer* container, uint32_t byteSize)
    : TSLGenericBuffer(container, byteSize) {
  SetDataContainer(DataContainer());
}

TSLMemoryBuffer::TSLMemoryBuffer(const TSLMemoryBuffer& other) : TSLGenericBuffer(other) {
  SetDataContainer(DataContainer());
}

TSLMemoryBuffer::TSLMemoryBuffer(ISLData* source) : TSLGenericBuffer(source) {
  // Throws for a handle on another kind of container; the base destructor
  // then gives the registration back.
  SetDataContainer(DataContainer());
}

TIntf<ISLData> TSLMemoryBuffer::MakeCopy() { return TIntf<ISLData>(new TSLMemoryBuffer(*this)); }

uint32_t TSLMemoryBuffer::GetSize() { return GetByteSize() / ItemSize(); }

TSLSmartMemoryBuffer* TSLMemoryBuffer::MakeCopySize(uint32_t count) {
  return new TSLSmartMemoryBuffer(uint64_t(count) * ItemSize());
}

bool TSLMemoryBuffer::AcceptsContainer(TSLSmartBuffer* container) const {
  return AsMemoryContainer(container) != nullptr;
}

void TSLMemoryBuffer::SetDataContainer(TSLSmartBuffer* container) {
  TSLSmartMemoryBuffer* memory = AsMemoryContainer(container);
  if (!memory) throw ESLException(QStringLiteral("A memory buffer needs a memory container"));
  TSLGenericBuffer::SetDataContainer(container);
  memoryContainer_ = memory;
}

TIntf<ISLData> TSLLinearMemoryBuffer::MakeCopy() { return TIntf<ISLData>(new TSLLinearMemoryBuffer(*this)); }

void TSLLinearMemoryBuffer::Resize(uint32_t count, bool keepContents) {
  const uint32_t itemSize = ItemSize();
  if (count == 0) {
    byteSize_ = 0;
    PopulateCahces();
    return;
  }
  if (count == GetByteSize() / itemSize) return;
  const uint64_t bytes = uint64_t(count) * itemSize;
  if (bytes > TSLSmartBuffer::MaxAllocationSize)
    throw ESLRangeError(QStringLiteral("A buffer of %1 elements of %2 bytes is too large").arg(count).arg(itemSize));
  if (keepContents && count < GetByteSize() / itemSize) {
    byteSize_ = static_cast<uint32_t>(bytes);
    return;
  }
  if (keepContents && MemoryContainer()->SingleOwner() && count <= MemoryContainer()->GetAllocatedSize() / itemSize) {
    byteSize_ = static_cast<uint32_t>(bytes);
    return;
  }
  TSLSmartMemoryBuffer* old = MemoryContainer();
  TSLSmartMemoryBuffer* fresh = MakeCopySize(count);
  if (keepContents) fresh->CopyFrom(*old);
  ReplaceContainer(fresh);
  byteSize_ = static_cast<uint32_t>(bytes);
  PopulateCahces();
}

}  // namespace lumicar
