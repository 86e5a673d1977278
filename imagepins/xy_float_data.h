#pragma once
// A series of points with single-precision x and y, for producers that
// report coordinates (traced positions, outlines) rather than frames. It is a
// buffer like the others: handles share one container and copy on write.

#include <cstdint>

#include "buffers/memory_buffer.h"

namespace lumicar {

struct TVLFloatPoint {
  float x = 0;
  float y = 0;
};

inline const TGUID IID_IVLXYFloatData = TGUID::FromString("{5C62C2A3-ADF1-4579-80B1-DF0DC2F50183}");

class IVLXYFloatData : public virtual ISLGenericBuffer {
 public:
  virtual uint32_t GetCount() = 0;
  // Raise ESLRangeError ("Index out of range = <index>") at or past GetCount.
  virtual TVLFloatPoint GetPoint(uint32_t index) = 0;
  virtual void SetPoint(uint32_t index, TVLFloatPoint point) = 0;
};

// Eight bytes per point, x first; GetSize is the count.
class TVLXYFloatData : public TSLLinearMemoryBuffer, public virtual IVLXYFloatData {
 public:
  // No points.
  TVLXYFloatData();
  // `count` points at (0, 0). ESLRangeError when they would not fit one
  // container.
  explicit TVLXYFloatData(uint32_t count);
  // A copy of `count` points at `points` (which may be none only for 0).
  TVLXYFloatData(const TVLFloatPoint* points, uint32_t count);
  // These share the other buffer's container; a byte size that is not a
  // whole number of points leaves the rest out of the count.
  TVLXYFloatData(const TVLXYFloatData& other);
  explicit TVLXYFloatData(ISLData* source);

  TIntf<ISLData> MakeCopy() override;
  // True only against other point data with the same bytes.
  bool IsEqual(ISLData* other) override;
  uint32_t ItemSize() const override { return sizeof(TVLFloatPoint); }
  // As for every linear buffer; points that were not kept start at (0, 0).
  void Resize(uint32_t count, bool keepContents) override;

  uint32_t GetCount() override { return GetSize(); }
  TVLFloatPoint GetPoint(uint32_t index) override;
  void SetPoint(uint32_t index, TVLFloatPoint point) override;

  HRESULT QueryInterface(const TGUID& iid, void** object) override;

 private:
  void CheckIndex(uint32_t index);
};

}  // namespace lumicar
