#include "buffers/smart_buffer.h"

#include <algorithm>
#include <bit>

#include "buffers/sl_exception.h"

namespace lumicar {

TSLSmartBuffer::TSLSmartBuffer() { _SLCountStores.fetch_add(1, std::memory_order_relaxed); }

TSLSmartBuffer::~TSLSmartBuffer() { _SLCountStores.fetch_sub(1, std::memory_order_relaxed); }

void TSLSmartBuffer::AddReff(bool owner) {
  std::lock_guard lock(lock_);
  if (owner) ++ownerCount_;
  ++transportCount_;
}

void TSLSmartBuffer::RemoveReff(bool owner) {
  std::unique_lock lock(lock_);
  if (owner && ownerCount_ > 0) --ownerCount_;
  if (transportCount_ > 0) {
    --transportCount_;
    if (transportCount_ == 0) {
      lock.unlock();
      delete this;
    }
  }
}

void TSLSmartBuffer::RemoveOwnerShip() {
  std::lock_guard lock(lock_);
  if (ownerCount_ > 0) --ownerCount_;
}

bool TSLSmartBuffer::SingleOwner() {
  std::lock_guard lock(lock_);
  return ownerCount_ < 2;
}

int32_t TSLSmartBuffer::OwnerCount() {
  std::lock_guard lock(lock_);
  return ownerCount_;
}

int32_t TSLSmartBuffer::TransportCount() {
  std::lock_guard lock(lock_);
  return transportCount_;
}

uint32_t TSLSmartBuffer::CalculateAllocationSize(uint64_t size) {
  if (size > MaxAllocationSize)
    throw ESLException(
        QStringLiteral("A buffer of %1 bytes exceeds the limit of %2 bytes").arg(size).arg(MaxAllocationSize));
  return std::max<uint32_t>(4, std::bit_ceil(static_cast<uint32_t>(size)));
}

}  // namespace lumicar
