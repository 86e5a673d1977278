#pragma once
// The interfaces through which clients hold and pass buffer handles, each
// extending the one before: ISLData -> ISLDataBuffer -> ISLGenericBuffer ->
// IMLMediaBuffer. Holding one keeps the handle, and so its data, alive.

#include <QString>
#include <cstdint>

#include "runtime/interface.h"

namespace lumicar {

class TSLBasicBuffer;
class TSLSequenceStamp;
class TMLTimeStamp;

inline const TGUID IID_ISLData = TGUID::FromString("{3B73AD15-B221-4D13-BACA-364206B51EA3}");
inline const TGUID IID_ISLDataBuffer = TGUID::FromString("{F4208254-B3C2-4F07-A9ED-5F9B903A4948}");
inline const TGUID IID_ISLGenericBuffer = TGUID::FromString("{4F2684CF-0F62-49C5-B85C-30CE14BE19A3}");
inline const TGUID IID_IMLMediaBuffer = TGUID::FromString("{A76E131E-0E54-47A1-A97B-14C3C301DAF7}");

// Any data handle: the object behind it and a cheap copy sharing the data.
class ISLData : public virtual IUnknown {
 public:
  virtual TSLBasicBuffer* GetInstance() = 0;
  virtual TIntf<ISLData> MakeCopy() = 0;
};

// A handle on a block of bytes with copy-on-write access.
class ISLDataBuffer : public virtual ISLData {
 public:
  // Makes this handle share the source's data (no bytes copied).
  virtual void Assign(ISLData* source) = 0;
  virtual bool IsEqual(ISLData* other) = 0;
  // Read-only view; no copy.
  virtual const uint8_t* ByteRead() = 0;
  // For overwriting the whole block: private data, old contents not kept.
  virtual uint8_t* ByteWrite() = 0;
  // For changing the block: private data with the old contents.
  virtual uint8_t* ByteModify() = 0;
  virtual uint32_t GetByteSize() = 0;
  virtual uint32_t GetSize() = 0;
  virtual TSLSequenceStamp* GetSequenceStamp() = 0;
  virtual void CopyTo(uint32_t sourceOffset, ISLDataBuffer* destination, uint32_t destinationOffset,
                      uint32_t count) = 0;
  // Makes the data private to this handle; true when that took a copy.
  virtual bool Unique(bool copyData) = 0;
  // Raw bytes, exactly GetByteSize of them, no header.
  virtual void SaveToFile(const QString& fileName) = 0;
  virtual void LoadFromFile(const QString& fileName) = 0;
};

class ISLGenericBuffer : public virtual ISLDataBuffer {};

// A buffer that carries the begin and end time of its media block.
class IMLMediaBuffer : public virtual ISLGenericBuffer {
 public:
  virtual TMLTimeStamp* GetTimeStamp() = 0;
};

}  // namespace lumicar
