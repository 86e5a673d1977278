#include "imagepins/real_buffer.h"

#include <cstring>

#include "buffers/sl_exception.h"

namespace lumicar {

namespace {

uint32_t RealBytes(uint32_t count) {
  const uint64_t bytes = uint64_t(count) * sizeof(double);
  if (bytes > TSLSmartBuffer::MaxAllocationSize)
    throw ESLRangeError(QStringLiteral("A real buffer of %1 values is too large").arg(count));
  return static_cast<uint32_t>(bytes);
}

}  // namespace

TSLRealBuffer::TSLRealBuffer() : TSLRealBuffer(uint32_t(0)) {}

TSLRealBuffer::TSLRealBuffer(uint32_t count)
    : TSLLinearMemoryBuffer(new TSLSmartMemoryBuffer(RealBytes(count)), RealBytes(count)) {
  if (count > 0) std::memset(data_, 0, byteSize_);
}

TSLRealBuffer::TSLRealBuffer(const TSLRealBuffer& other) : TSLLinearMemoryBuffer(other) {}

TSLRealBuffer::TSLRealBuffer(ISLData* source) : TSLLinearMemoryBuffer(source) {}

TIntf<ISLData> TSLRealBuffer::MakeCopy() { return TIntf<ISLData>(new TSLRealBuffer(*this)); }

HRESULT TSLRealBuffer::QueryInterface(const TGUID& iid, void** object) {
  if (object && iid == IID_ISLRealBuffer) {
    *object = static_cast<ISLRealBuffer*>(this);
    AddRef();
    return S_OK;
  }
  return TSLLinearMemoryBuffer::QueryInterface(iid, object);
}

bool TSLRealBuffer::IsEqual(ISLData* other) {
  if (!QueryIntf<ISLRealBuffer>(other, IID_ISLRealBuffer)) return false;
  return TSLLinearMemoryBuffer::IsEqual(other);
}

// Containers start on a block boundary (32-byte aligned), so the bytes may be
// seen as doubles.
const double* TSLRealBuffer::Read() { return reinterpret_cast<const double*>(ByteRead()); }

double* TSLRealBuffer::Write() { return reinterpret_cast<double*>(ByteWrite()); }

double* TSLRealBuffer::Modify() { return reinterpret_cast<double*>(ByteModify()); }

void TSLRealBuffer::CheckIndex(uint32_t index) {
  if (index >= GetSize()) throw ESLRangeError(QStringLiteral("Index out of range = %1").arg(index));
}

double TSLRealBuffer::GetItem(uint32_t index) {
  CheckIndex(index);
  return Read()[index];
}

void TSLRealBuffer::SetItem(uint32_t index, double value) {
  CheckIndex(index);
  Modify()[index] = value;
}

}  // namespace lumicar
