#include "buffers/smart_memory_buffer.h"

#include <algorithm>

#include "buffers/block_pool.h"
#include "buffers/sl_exception.h"
#include "kernels/dispatch/signal_table.h"

namespace lumicar {

TSLSmartMemoryBuffer::TSLSmartMemoryBuffer(uint64_t size) : allocatedSize_(CalculateAllocationSize(size)) {
  data_ = static_cast<uint8_t*>(SLBufferAllocate(allocatedSize_));
}

TSLSmartMemoryBuffer::TSLSmartMemoryBuffer(uint64_t size, const void* source) : TSLSmartMemoryBuffer(size) {
  if (size == 0) return;
  // The delegated constructor has finished, so the destructor gives the
  // block back when this throws.
  if (!source) throw ESLException(QStringLiteral("No source bytes were given"));
  ippsCopy_8u(static_cast<const Ipp8u*>(source), data_, static_cast<int>(size));
}

TSLSmartMemoryBuffer::TSLSmartMemoryBuffer(const TSLSmartMemoryBuffer& other, bool copyData)
    : allocatedSize_(other.allocatedSize_) {
  data_ = static_cast<uint8_t*>(SLBufferAllocate(allocatedSize_));
  if (copyData) ippsCopy_8u(other.data_, data_, static_cast<int>(allocatedSize_));
}

TSLSmartMemoryBuffer::~TSLSmartMemoryBuffer() { SLBufferDeallocate(data_, allocatedSize_); }

TSLSmartBuffer* TSLSmartMemoryBuffer::Clone(bool copyData) { return new TSLSmartMemoryBuffer(*this, copyData); }

void TSLSmartMemoryBuffer::CopyFrom(const TSLSmartMemoryBuffer& other) {
  if (&other == this) return;
  ippsCopy_8u(other.data_, data_, static_cast<int>(std::min(allocatedSize_, other.allocatedSize_)));
}

void TSLSmartMemoryBuffer::ReleaseMemory() { SLMemoryCleanUp(); }

void* TSLSmartMemoryBuffer::operator new(std::size_t size) { return SLBufferAllocate(size); }

void TSLSmartMemoryBuffer::operator delete(void* block, std::size_t size) { SLBufferDeallocate(block, size); }

}  // namespace lumicar
