#include "buffers/generic_buffer.h"

#include <QDir>
#include <QFile>
#include <cstring>
#include <mutex>

#include "buffers/sl_exception.h"
#include "kernels/dispatch/signal_table.h"

namespace lumicar {

HRESULT TSLBasicBuffer::QueryInterface(const TGUID& iid, void** object) {
  if (object && iid == IID_ISLData) {
    *object = static_cast<ISLData*>(this);
    AddRef();
    return S_OK;
  }
  return TInterfacedObject::QueryInterface(iid, object);
}

TSLGenericBuffer::TSLGenericBuffer(TSLSmartBuffer* container, uint32_t byteSize) : byteSize_(byteSize) {
  if (!container) throw ESLException(QStringLiteral("A buffer needs a data container"));
  container->AddReff(true);
  container_ = container;
  if (const uint32_t capacity = container->GetCapacity(); byteSize > capacity) {
    // The destructor does not run for a failed constructor: unregister here.
    container_ = nullptr;
    container->RemoveReff(true);
    throw ESLRangeError(
        QStringLiteral("A buffer of %1 bytes does not fit a container of %2 bytes").arg(byteSize).arg(capacity));
  }
  TSLGenericBuffer::SetDataContainer(container);
  TSLGenericBuffer::PopulateCahces();
}

TSLGenericBuffer::TSLGenericBuffer(const TSLGenericBuffer& other)
    : TSLBasicBuffer(), data_(other.data_), byteSize_(other.byteSize_), container_(other.container_) {
  container_->AddReff(true);
  TSLGenericBuffer::SetDataContainer(container_);
}

TSLGenericBuffer::TSLGenericBuffer(ISLData* source) : TSLGenericBuffer(*FromData(source)) {}

TSLGenericBuffer::~TSLGenericBuffer() {
  if (container_) container_->RemoveReff(ownsData_);
}

TSLGenericBuffer* TSLGenericBuffer::FromData(ISLData* data) {
  if (!data) throw ESLException(QStringLiteral("No buffer was given"));
  auto* buffer = dynamic_cast<TSLGenericBuffer*>(data->GetInstance());
  if (!buffer) throw ESLException(QStringLiteral("The data is not a buffer"));
  return buffer;
}

HRESULT TSLGenericBuffer::QueryInterface(const TGUID& iid, void** object) {
  if (object && iid == IID_ISLDataBuffer) {
    *object = static_cast<ISLDataBuffer*>(this);
    AddRef();
    return S_OK;
  }
  if (object && iid == IID_ISLGenericBuffer) {
    *object = static_cast<ISLGenericBuffer*>(this);
    AddRef();
    return S_OK;
  }
  return TSLBasicBuffer::QueryInterface(iid, object);
}

TIntf<ISLData> TSLGenericBuffer::MakeCopy() { return TIntf<ISLData>(new TSLGenericBuffer(*this)); }

bool TSLGenericBuffer::AcceptsContainer(TSLSmartBuffer* container) const { return container != nullptr; }

void TSLGenericBuffer::SetDataContainer(TSLSmartBuffer* container) { container_ = container; }

void TSLGenericBuffer::PopulateCahces() { data_ = container_->GetRawData(); }

void TSLGenericBuffer::ReplaceContainer(TSLSmartBuffer* container) {
  TSLSmartBuffer* old = container_;
  container->AddReff(ownsData_);
  SetDataContainer(container);
  old->RemoveReff(ownsData_);
  PopulateCahces();
}

bool TSLGenericBuffer::MakeUnique(bool copyData) {
  {
    std::lock_guard lock(container_->Lock());
    // An owner may write in place when nobody else owns the data. A handle
    // that gave up ownership may do so only when no owner is left at all:
    // otherwise it would change a block that belongs to someone else.
    const bool inPlace = ownsData_ ? container_->SingleOwner() : container_->OwnerCount() == 0;
    if (inPlace) return false;
  }
  // Two owners asking at once may both clone: a wasted copy, never a wrong one.
  ReplaceContainer(container_->Clone(copyData));
  return true;
}

bool TSLGenericBuffer::Unique(bool copyData) { return MakeUnique(copyData); }

uint32_t TSLGenericBuffer::GetByteSize() { return byteSize_; }

uint32_t TSLGenericBuffer::GetSize() { return byteSize_; }

const uint8_t* TSLGenericBuffer::ByteRead() { return data_; }

uint8_t* TSLGenericBuffer::ByteWrite() {
  Unique(false);
  return data_;
}

uint8_t* TSLGenericBuffer::ByteModify() {
  Unique(true);
  return data_;
}

void TSLGenericBuffer::RemoveOwnerShip() {
  if (!ownsData_) return;
  container_->RemoveOwnerShip();
  ownsData_ = false;
}

void TSLGenericBuffer::Assign(ISLData* source) {
  TSLGenericBuffer* other = FromData(source);
  if (other == this) {
    PopulateCahces();
    return;
  }
  if (other->container_ != container_) {
    if (!AcceptsContainer(other->container_))
      throw ESLException(QStringLiteral("This buffer cannot take over the data of that buffer"));
    ReplaceContainer(other->container_);
  }
  byteSize_ = other->byteSize_;
  data_ = other->data_;
}

bool TSLGenericBuffer::IsEqual(ISLData* other) {
  if (!other) return false;
  auto* buffer = dynamic_cast<TSLGenericBuffer*>(other->GetInstance());
  if (!buffer) return false;
  const uint32_t size = GetByteSize();
  if (buffer->GetByteSize() != size) return false;
  return size == 0 || std::memcmp(ByteRead(), buffer->ByteRead(), size) == 0;
}

void TSLGenericBuffer::CopyTo(uint32_t sourceOffset, ISLDataBuffer* destination, uint32_t destinationOffset,
                              uint32_t count) {
  if (!destination) throw ESLException(QStringLiteral("No destination buffer was given"));
  if (uint64_t(sourceOffset) + count > GetByteSize())
    throw ESLRangeError(QStringLiteral("Cannot copy %1 bytes from offset %2 of a buffer of %3 bytes")
                            .arg(count)
                            .arg(sourceOffset)
                            .arg(GetByteSize()));
  if (uint64_t(destinationOffset) + count > destination->GetByteSize())
    throw ESLRangeError(QStringLiteral("Cannot copy %1 bytes to offset %2 of a buffer of %3 bytes")
                            .arg(count)
                            .arg(destinationOffset)
                            .arg(destination->GetByteSize()));
  if (count == 0) return;
  // The destination first: when it is this handle, making it unique moves
  // the data, and the source pointer must be read afterwards.
  uint8_t* target = destination->ByteModify() + destinationOffset;
  const uint8_t* origin = ByteRead() + sourceOffset;
  if (origin < target + count && target < origin + count)
    std::memmove(target, origin, count);  // overlapping ranges of one block
  else
    ippsCopy_8u(origin, target, static_cast<int>(count));
}

void TSLGenericBuffer::SaveToFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw ESLStreamError(
        QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(fileName), file.errorString()));
  const qint64 size = GetByteSize();
  if ((size > 0 && file.write(reinterpret_cast<const char*>(ByteRead()), size) != size) || !file.flush())
    throw ESLStreamError(
        QStringLiteral("Cannot write file \"%1\". %2").arg(QDir::toNativeSeparators(fileName), file.errorString()));
}

void TSLGenericBuffer::LoadFromFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw ESLStreamError(
        QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(fileName), file.errorString()));
  const qint64 size = GetByteSize();
  // A regular file that is too short is refused before the data is touched.
  if (!file.isSequential() && file.size() < size)
    throw ESLStreamError(QStringLiteral("File \"%1\" holds %2 bytes, the buffer needs %3")
                             .arg(QDir::toNativeSeparators(fileName))
                             .arg(file.size())
                             .arg(size));
  if (size == 0) return;
  char* target = reinterpret_cast<char*>(ByteWrite());
  qint64 done = 0;
  while (done < size) {
    const qint64 got = file.read(target + done, size - done);
    if (got <= 0)
      throw ESLStreamError(QStringLiteral("File \"%1\" ended after %2 of %3 bytes")
                               .arg(QDir::toNativeSeparators(fileName))
                               .arg(done)
                               .arg(size));
    done += got;
  }
}

}  // namespace lumicar
