#pragma once
// Buffer handles: small reference-counted objects that clients pass around
// through interfaces. Copying a handle shares its data container; the first
// write through a handle whose container has another owner copies it.

#include <QString>
#include <cstdint>

#include "buffers/data_interfaces.h"
#include "buffers/sequence_stamp.h"
#include "buffers/smart_buffer.h"

namespace lumicar {

// The reference-counted root of every handle.
class TSLBasicBuffer : public TInterfacedObject, public virtual ISLData {
 public:
  TSLBasicBuffer* GetInstance() override { return this; }
  HRESULT QueryInterface(const TGUID& iid, void** object) override;

 protected:
  TSLBasicBuffer() = default;
  ~TSLBasicBuffer() override = default;
};

// A handle on a shared container of bytes. Descendants that need a typed
// view of their container redefine AcceptsContainer, SetDataContainer and
// PopulateCahces, and call SetDataContainer and PopulateCahces at the end of
// their own constructors (a base constructor cannot reach their versions).
class TSLGenericBuffer : public TSLBasicBuffer, public virtual ISLGenericBuffer {
 public:
  // Registers as an owner of `container` and sees `byteSize` bytes of it.
  TSLGenericBuffer(TSLSmartBuffer* container, uint32_t byteSize);
  // Shares the other handle's container and byte size; no bytes are copied.
  TSLGenericBuffer(const TSLGenericBuffer& other);
  // As the copy constructor, applied to the handle behind `source`.
  explicit TSLGenericBuffer(ISLData* source);
  TSLGenericBuffer& operator=(const TSLGenericBuffer&) = delete;

  // ISLData
  TIntf<ISLData> MakeCopy() override;

  // ISLDataBuffer
  void CopyTo(uint32_t sourceOffset, ISLDataBuffer* destination, uint32_t destinationOffset, uint32_t count) override;
  void Assign(ISLData* source) override;
  bool IsEqual(ISLData* other) override;
  bool Unique(bool copyData) override;
  uint32_t GetByteSize() override;
  uint32_t GetSize() override;
  const uint8_t* ByteRead() override;
  uint8_t* ByteWrite() override;
  uint8_t* ByteModify() override;
  TSLSequenceStamp* GetSequenceStamp() override { return &sequenceStamp_; }
  void SaveToFile(const QString& fileName) override;
  void LoadFromFile(const QString& fileName) override;

  // Copy-on-write: gives this handle a container of its own unless it may
  // already write in place. Returns whether a copy was made.
  virtual bool MakeUnique(bool copyData);
  // Re-reads the cached data pointer (and, in descendants, the geometry)
  // from the current container.
  virtual void PopulateCahces();
  // Makes `container` the current one and caches typed views of it.
  virtual void SetDataContainer(TSLSmartBuffer* container);
  // Keeps the container alive without counting as an owner from now on, so
  // that the remaining owner may write in place.
  virtual void RemoveOwnerShip();

  bool OwnsData() const { return ownsData_; }
  TSLSmartBuffer* DataContainer() const { return container_; }

  HRESULT QueryInterface(const TGUID& iid, void** object) override;

  // The handle behind an interface, or ESLException when it is none.
  static TSLGenericBuffer* FromData(ISLData* data);

 protected:
  ~TSLGenericBuffer() override;

  // Whether this kind of handle can work on `container`.
  virtual bool AcceptsContainer(TSLSmartBuffer* container) const;
  // Swaps in a container that this handle has not registered with yet,
  // releasing the current one.
  void ReplaceContainer(TSLSmartBuffer* container);

  uint8_t* data_ = nullptr;
  uint32_t byteSize_ = 0;

 private:
  void CheckByteSize() const;

  TSLSequenceStamp sequenceStamp_{*this};
  TSLSmartBuffer* container_ = nullptr;
  bool ownsData_ = true;
};

}  // namespace lumicar
