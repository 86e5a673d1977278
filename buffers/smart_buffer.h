#pragma once
// The shared data container under every buffer handle: owner and transport
// counts, the container lock and the producer's sequence number. Handles
// share a container until one of them writes while another still owns it.

#include <atomic>
#include <cstdint>
#include <mutex>

#include "runtime/sync/critical_section.h"

namespace lumicar {

// Number of live containers, for diagnostics only.
inline std::atomic<int32_t> _SLCountStores{0};

class TSLSmartBuffer {
 public:
  TSLSmartBuffer();
  TSLSmartBuffer(const TSLSmartBuffer&) = delete;
  TSLSmartBuffer& operator=(const TSLSmartBuffer&) = delete;

  // Registers one more handle; `owner` also counts it as an owner.
  virtual void AddReff(bool owner);
  // Unregisters a handle (with the flag it registered with). The call that
  // brings the transport count to 0 destroys the container.
  virtual void RemoveReff(bool owner);
  // Turns one owning registration into a non-owning one.
  virtual void RemoveOwnerShip();
  // True when at most one owner shares the container, so it may write in place.
  virtual bool SingleOwner();
  // A new container of the same concrete kind and geometry with both counts 0;
  // the bytes are copied only when `copyData` is set.
  virtual TSLSmartBuffer* Clone(bool copyData) = 0;

  // The bytes and their usable length. Every concrete container holds bytes.
  virtual uint8_t* GetRawData() const = 0;
  virtual uint32_t GetCapacity() const = 0;

  // One lock, however it is named: there is no reader/writer distinction.
  void EnterRead() { lock_.lock(); }
  void LeaveRead() { lock_.unlock(); }
  void EnterWrite() { lock_.lock(); }
  void LeaveWrite() { lock_.unlock(); }
  TOWCriticalSection& Lock() { return lock_; }

  // The producer's sequence number; read and written without the lock.
  int64_t GetBufferNumber() const { return bufferNumber_.load(std::memory_order_relaxed); }
  void SetBufferNumber(int64_t value) { bufferNumber_.store(value, std::memory_order_relaxed); }
  bool GetBufferNumberAvailable() const { return bufferNumberAvailable_.load(std::memory_order_relaxed); }
  void SetBufferNumberAvailable(bool value) { bufferNumberAvailable_.store(value, std::memory_order_relaxed); }

  int32_t OwnerCount();
  int32_t TransportCount();

  // Largest block a container may hold.
  static constexpr uint32_t MaxAllocationSize = uint32_t(1) << 30;
  // The power of two (4 ... 2^30) at or above `size`. Raises ESLException for
  // requests above 2^30, which no block of this model can hold.
  static uint32_t CalculateAllocationSize(uint64_t size);

 protected:
  // Only RemoveReff destroys a container.
  virtual ~TSLSmartBuffer();

 private:
  int32_t ownerCount_ = 0;
  int32_t transportCount_ = 0;
  TOWCriticalSection lock_{TLockRank::kBufferContainer};
  std::atomic<bool> bufferNumberAvailable_{false};
  std::atomic<int64_t> bufferNumber_{0};
};

}  // namespace lumicar
