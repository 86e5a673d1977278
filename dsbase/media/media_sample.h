#pragma once
// A sample of the memory allocator: one of its buffers with time stamps,
// media times, flags and an optional changed media type. The last Release
// hands the sample back to its allocator instead of destroying it.

#include <atomic>

#include "dsbase/com/dual_unknown.h"
#include "dsbase/media/sample_interfaces.h"

namespace lumicar {

class TDSMemAllocator;

class TDSMediaSample final : public TDSDualUnknown, public IMediaSample2 {
 public:
  TDSMediaSample(TDSMemAllocator* allocator, uint8_t* buffer, int32_t size);

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  uint32_t NonDelegatingAddRef() override;
  uint32_t NonDelegatingRelease() override;

  HRESULT GetPointer(uint8_t** buffer) override;
  int32_t GetSize() override { return size_; }
  HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) override;
  HRESULT IsSyncPoint() override { return Flag(AM_SAMPLE_SPLICEPOINT); }
  HRESULT SetSyncPoint(bool on) override { return SetFlag(AM_SAMPLE_SPLICEPOINT, on); }
  HRESULT IsPreroll() override { return Flag(AM_SAMPLE_PREROLL); }
  HRESULT SetPreroll(bool on) override { return SetFlag(AM_SAMPLE_PREROLL, on); }
  int32_t GetActualDataLength() override { return actual_; }
  HRESULT SetActualDataLength(int32_t length) override;
  HRESULT GetMediaType(AM_MEDIA_TYPE** mt) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT IsDiscontinuity() override { return Flag(AM_SAMPLE_DATADISCONTINUITY); }
  HRESULT SetDiscontinuity(bool on) override { return SetFlag(AM_SAMPLE_DATADISCONTINUITY, on); }
  HRESULT GetMediaTime(int64_t* start, int64_t* stop) override;
  HRESULT SetMediaTime(const int64_t* start, const int64_t* stop) override;
  HRESULT GetProperties(uint32_t size, uint8_t* properties) override;
  HRESULT SetProperties(uint32_t size, const uint8_t* properties) override;

 private:
  friend class TDSMemAllocator;
  ~TDSMediaSample() override;

  HRESULT Flag(uint32_t f) const { return (flags_ & f) ? S_OK : S_FALSE; }
  HRESULT SetFlag(uint32_t f, bool on) {
    flags_ = on ? (flags_ | f) : (flags_ & ~f);
    return S_OK;
  }
  // Back to the state of a fresh buffer: no times, no flags, no type.
  void ResetForUse();

  TDSMemAllocator* allocator_;  // not counted while free; counted while out
  uint8_t* buffer_;
  int32_t size_;
  std::atomic<int32_t> refs_{0};
  bool returning_ = false;
  uint32_t flags_ = 0;
  uint32_t typeSpecificFlags_ = 0;
  uint32_t streamId_ = AM_STREAM_MEDIA;
  int32_t actual_ = 0;
  REFERENCE_TIME start_ = 0, stop_ = 0;
  bool mediaTimeValid_ = false;
  int64_t mediaStart_ = 0, mediaStop_ = 0;
  AM_MEDIA_TYPE* mediaType_ = nullptr;  // task memory, owned
};

}  // namespace lumicar
