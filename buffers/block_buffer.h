#pragma once
// A plain byte buffer with element access, fills and saturating byte-wise
// arithmetic against another block buffer.

#include <cstdint>

#include "buffers/memory_buffer.h"

namespace lumicar {

inline const TGUID IID_ISLBlockBuffer = TGUID::FromString("{E79697FC-08A7-459C-8466-F7DBCE0FBCEB}");

class ISLBlockBuffer : public virtual ISLGenericBuffer {
 public:
  virtual const uint8_t* Read() = 0;
  virtual uint8_t* Write() = 0;
  virtual uint8_t* Modify() = 0;
  virtual void Resize(uint32_t count, bool keepContents) = 0;
  // Raise ESLRangeError ("Index out of range = <index>") past the end.
  virtual uint8_t GetItem(uint32_t index) = 0;
  virtual void SetItem(uint32_t index, uint8_t value) = 0;
  virtual void SetValue(uint8_t value) = 0;
  virtual void Zero() = 0;
  // Byte by byte over the shorter of the two buffers, saturated to 0...255.
  virtual void Add(ISLBlockBuffer* other) = 0;
  virtual void Subtract(ISLBlockBuffer* other) = 0;
  virtual void Multiply(ISLBlockBuffer* other) = 0;
  // Quotients round to the nearest integer (ties to even); a zero divisor
  // gives 255, or 0 when the dividend is 0 as well.
  virtual void Divide(ISLBlockBuffer* other) = 0;
};

class TSLBlockBuffer : public TSLLinearMemoryBuffer, public virtual ISLBlockBuffer {
 public:
  // Empty.
  TSLBlockBuffer();
  // `byteCount` bytes, contents uninitialised.
  explicit TSLBlockBuffer(uint32_t byteCount);
  // A copy of `byteCount` bytes at `data`.
  TSLBlockBuffer(const void* data, uint32_t byteCount);
  // These share the other buffer's container and take its byte size.
  TSLBlockBuffer(const TSLBlockBuffer& other);
  explicit TSLBlockBuffer(ISLData* source);
  explicit TSLBlockBuffer(ISLBlockBuffer* source);

  TIntf<ISLData> MakeCopy() override;
  bool IsEqual(ISLData* other) override;
  void Resize(uint32_t count, bool keepContents) override { TSLLinearMemoryBuffer::Resize(count, keepContents); }

  const uint8_t* Read() override { return ByteRead(); }
  uint8_t* Write() override { return ByteWrite(); }
  uint8_t* Modify() override { return ByteModify(); }
  uint8_t GetItem(uint32_t index) override;
  void SetItem(uint32_t index, uint8_t value) override;
  void SetValue(uint8_t value) override;
  void Zero() override;
  void Add(ISLBlockBuffer* other) override;
  void Subtract(ISLBlockBuffer* other) override;
  void Multiply(ISLBlockBuffer* other) override;
  void Divide(ISLBlockBuffer* other) override;

  HRESULT QueryInterface(const TGUID& iid, void** object) override;

 private:
  using InPlaceKernel = int(const uint8_t* source, uint8_t* sourceDestination, int length, int scaleFactor);
  void Combine(ISLBlockBuffer* other, InPlaceKernel* kernel);
  void CheckIndex(uint32_t index);
};

}  // namespace lumicar
