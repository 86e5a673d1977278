#include "imagepins/xy_float_data.h"

#include <cstring>

#include "buffers/sl_exception.h"

namespace lumicar {

static_assert(sizeof(TVLFloatPoint) == 2 * sizeof(float), "points are stored as two packed floats");

namespace {

uint32_t PointBytes(uint32_t count) {
  const uint64_t bytes = uint64_t(count) * sizeof(TVLFloatPoint);
  if (bytes > TSLSmartBuffer::MaxAllocationSize)
    throw ESLRangeError(QStringLiteral("Point data of %1 points is too large").arg(count));
  return static_cast<uint32_t>(bytes);
}

}  // namespace

TVLXYFloatData::TVLXYFloatData() : TVLXYFloatData(uint32_t(0)) {}

TVLXYFloatData::TVLXYFloatData(uint32_t count)
    : TSLLinearMemoryBuffer(new TSLSmartMemoryBuffer(PointBytes(count)), PointBytes(count)) {
  if (count > 0) std::memset(data_, 0, byteSize_);
}

TVLXYFloatData::TVLXYFloatData(const TVLFloatPoint* points, uint32_t count)
    : TSLLinearMemoryBuffer(new TSLSmartMemoryBuffer(PointBytes(count), points), PointBytes(count)) {}

TVLXYFloatData::TVLXYFloatData(const TVLXYFloatData& other) : TSLLinearMemoryBuffer(other) {}

TVLXYFloatData::TVLXYFloatData(ISLData* source) : TSLLinearMemoryBuffer(source) {}

TIntf<ISLData> TVLXYFloatData::MakeCopy() { return TIntf<ISLData>(new TVLXYFloatData(*this)); }

HRESULT TVLXYFloatData::QueryInterface(const TGUID& iid, void** object) {
  if (object && iid == IID_IVLXYFloatData) {
    *object = static_cast<IVLXYFloatData*>(this);
    AddRef();
    return S_OK;
  }
  return TSLLinearMemoryBuffer::QueryInterface(iid, object);
}

bool TVLXYFloatData::IsEqual(ISLData* other) {
  if (!QueryIntf<IVLXYFloatData>(other, IID_IVLXYFloatData)) return false;
  return TSLLinearMemoryBuffer::IsEqual(other);
}

void TVLXYFloatData::Resize(uint32_t count, bool keepContents) {
  const uint32_t kept = keepContents ? GetCount() : 0;
  TSLLinearMemoryBuffer::Resize(count, keepContents);
  // A new container holds whatever its pool block held before.
  if (count > kept)
    std::memset(ByteModify() + size_t(kept) * sizeof(TVLFloatPoint), 0, size_t(count - kept) * sizeof(TVLFloatPoint));
}

void TVLXYFloatData::CheckIndex(uint32_t index) {
  if (index >= GetCount()) throw ESLRangeError(QStringLiteral("Index out of range = %1").arg(index));
}

TVLFloatPoint TVLXYFloatData::GetPoint(uint32_t index) {
  CheckIndex(index);
  TVLFloatPoint point;
  std::memcpy(&point, ByteRead() + size_t(index) * sizeof(TVLFloatPoint), sizeof point);
  return point;
}

void TVLXYFloatData::SetPoint(uint32_t index, TVLFloatPoint point) {
  CheckIndex(index);
  std::memcpy(ByteModify() + size_t(index) * sizeof(TVLFloatPoint), &point, sizeof point);
}

}  // namespace lumicar
