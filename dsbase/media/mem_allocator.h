#pragma once
// The memory allocator pins agree on: a fixed set of equal buffers, made at
// Commit and freed at Decommit once every sample has come back. GetBuffer
// waits while all buffers are out; Decommit releases the waiters.

#include <condition_variable>
#include <mutex>
#include <vector>

#include "dsbase/com/dual_unknown.h"
#include "dsbase/media/sample_interfaces.h"
#include "runtime/sync/lock_order.h"

namespace lumicar {

class TDSMediaSample;

class TDSMemAllocator final : public TDSDualUnknown, public IMemAllocator {
 public:
  // Buffers start at least this well aligned, whatever the request says.
  static constexpr int32_t kMinAlign = 64;
  // Above this many bytes in total SetProperties refuses the request.
  static constexpr int64_t kMaxTotalBytes = int64_t(1) << 31;

  explicit TDSMemAllocator(IUnknown* outer = nullptr);

  // Makes CoCreateInstance(CLSID_MemoryAllocator) answer this class.
  static void Register();

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  HRESULT SetProperties(const ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
  HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) override;
  HRESULT Commit() override;
  HRESULT Decommit() override;
  HRESULT GetBuffer(IMediaSample** sample, const REFERENCE_TIME* start, const REFERENCE_TIME* stop,
                    uint32_t flags) override;
  HRESULT ReleaseBuffer(IMediaSample* sample) override;

  // For tests and diagnostics.
  int32_t OutstandingCount() const;
  bool IsCommitted() const;
  bool HasMemory() const;

 private:
  ~TDSMemAllocator() override;
  void FreeMemoryLocked();  // requires lock_ held and no sample out

  // The allocator lock, ranked below the streaming lock: samples are taken
  // and returned from inside the sample path. Nothing is called under it.
  class TRankedMutex {
   public:
    void lock() {
      lockorder::Acquiring(TLockRank::kAllocator, this);
      mutex_.lock();
      lockorder::Acquired(TLockRank::kAllocator, this);
    }
    void unlock() {
      lockorder::Released(this);
      mutex_.unlock();
    }

   private:
    std::mutex mutex_;
  };
  mutable TRankedMutex lock_;
  std::condition_variable_any freed_;
  ALLOCATOR_PROPERTIES props_;
  bool committed_ = false;
  int32_t outstanding_ = 0;
  uint8_t* memory_ = nullptr;
  std::vector<TDSMediaSample*> samples_;  // all, owned
  std::vector<TDSMediaSample*> free_;
};

}  // namespace lumicar
