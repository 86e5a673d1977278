#pragma once
// A buffer of real values (doubles): the kind of buffer a paired-buffer
// operation carries, one for each of its two series.

#include <cstdint>

#include "buffers/memory_buffer.h"

namespace lumicar {

inline const TGUID IID_ISLRealBuffer = TGUID::FromString("{077E108E-2F64-460D-8BBF-74219762E946}");

class ISLRealBuffer : public virtual ISLGenericBuffer {
 public:
  // GetSize values; views of the data as with ByteRead, ByteWrite, ByteModify.
  virtual const double* Read() = 0;
  virtual double* Write() = 0;
  virtual double* Modify() = 0;
  // Raise ESLRangeError ("Index out of range = <index>") at or past GetSize.
  virtual double GetItem(uint32_t index) = 0;
  virtual void SetItem(uint32_t index, double value) = 0;
};

class TSLRealBuffer : public TSLLinearMemoryBuffer, public virtual ISLRealBuffer {
 public:
  // Empty.
  TSLRealBuffer();
  // `count` values, all 0. ESLRangeError when they would not fit one container.
  explicit TSLRealBuffer(uint32_t count);
  // These share the other buffer's container; a byte size that is not a
  // whole number of values leaves the rest out of GetSize.
  TSLRealBuffer(const TSLRealBuffer& other);
  explicit TSLRealBuffer(ISLData* source);

  TIntf<ISLData> MakeCopy() override;
  // True only against another real buffer with the same bytes.
  bool IsEqual(ISLData* other) override;
  uint32_t ItemSize() const override { return sizeof(double); }

  const double* Read() override;
  double* Write() override;
  double* Modify() override;
  double GetItem(uint32_t index) override;
  void SetItem(uint32_t index, double value) override;

  HRESULT QueryInterface(const TGUID& iid, void** object) override;

 private:
  void CheckIndex(uint32_t index);
};

}  // namespace lumicar
