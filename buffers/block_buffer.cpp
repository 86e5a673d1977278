#include "buffers/block_buffer.h"

#include <algorithm>

#include "buffers/sl_exception.h"
#include "kernels/dispatch/signal_table.h"

namespace lumicar {

TSLBlockBuffer::TSLBlockBuffer() : TSLBlockBuffer(uint32_t(0)) {}

TSLBlockBuffer::TSLBlockBuffer(uint32_t byteCount)
    : TSLLinearMemoryBuffer(new TSLSmartMemoryBuffer(byteCount), byteCount) {}

TSLBlockBuffer::TSLBlockBuffer(const void* data, uint32_t byteCount)
    : TSLLinearMemoryBuffer(new TSLSmartMemoryBuffer(byteCount, data), byteCount) {}

TSLBlockBuffer::TSLBlockBuffer(const TSLBlockBuffer& other) : TSLLinearMemoryBuffer(other) {}

TSLBlockBuffer::TSLBlockBuffer(ISLData* source) : TSLLinearMemoryBuffer(source) {}

TSLBlockBuffer::TSLBlockBuffer(ISLBlockBuffer* source) : TSLLinearMemoryBuffer(static_cast<ISLData*>(source)) {}

TIntf<ISLData> TSLBlockBuffer::MakeCopy() { return TIntf<ISLData>(new TSLBlockBuffer(*this)); }

HRESULT TSLBlockBuffer::QueryInterface(const TGUID& iid, void** object) {
  if (object && iid == IID_ISLBlockBuffer) {
    *object = static_cast<ISLBlockBuffer*>(this);
    AddRef();
    return S_OK;
  }
  return TSLLinearMemoryBuffer::QueryInterface(iid, object);
}

bool TSLBlockBuffer::IsEqual(ISLData* other) {
  if (!QueryIntf<ISLBlockBuffer>(other, IID_ISLBlockBuffer)) return false;
  return TSLLinearMemoryBuffer::IsEqual(other);
}

void TSLBlockBuffer::CheckIndex(uint32_t index) {
  if (index >= GetByteSize()) throw ESLRangeError(QStringLiteral("Index out of range = %1").arg(index));
}

uint8_t TSLBlockBuffer::GetItem(uint32_t index) {
  CheckIndex(index);
  return ByteRead()[index];
}

void TSLBlockBuffer::SetItem(uint32_t index, uint8_t value) {
  CheckIndex(index);
  Unique(true);
  data_[index] = value;
}

void TSLBlockBuffer::SetValue(uint8_t value) {
  Unique(false);
  if (GetByteSize() > 0) ippsSet_8u(value, data_, static_cast<int>(GetByteSize()));
}

void TSLBlockBuffer::Zero() {
  Unique(false);
  if (GetByteSize() > 0) ippsZero_8u(data_, static_cast<int>(GetByteSize()));
}

void TSLBlockBuffer::Combine(ISLBlockBuffer* other, InPlaceKernel* kernel) {
  if (!other) throw ESLException(QStringLiteral("No operand buffer was given"));
  const uint32_t count = std::min(GetByteSize(), other->GetByteSize());
  if (count == 0) return;
  // This buffer first: when the operand shares its container, the operand
  // keeps the old bytes and this one gets its own copy.
  uint8_t* target = ByteModify();
  kernel(other->ByteRead(), target, static_cast<int>(count), 0);
}

void TSLBlockBuffer::Add(ISLBlockBuffer* other) { Combine(other, ippsAdd_8u_ISfs); }

void TSLBlockBuffer::Subtract(ISLBlockBuffer* other) { Combine(other, ippsSub_8u_ISfs); }

void TSLBlockBuffer::Multiply(ISLBlockBuffer* other) { Combine(other, ippsMul_8u_ISfs); }

void TSLBlockBuffer::Divide(ISLBlockBuffer* other) { Combine(other, ippsDiv_8u_ISfs); }

}  // namespace lumicar
