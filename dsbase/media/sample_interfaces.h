#pragma once
// The interfaces of sample transport: a media sample with its buffer and
// time stamps, its property block, and the allocator that hands samples out.

#include <cstdint>

#include "dsbase/com/reference_clock.h"
#include "dsbase/media/media_type.h"

namespace lumicar {

inline const TGUID IID_IMediaSample = TGUID::FromString("{56A8689A-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID IID_IMediaSample2 = TGUID::FromString("{36B73884-C2C8-11CF-8B46-00805F6CEF60}");
inline const TGUID IID_IMemAllocator = TGUID::FromString("{56A8689C-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID CLSID_MemoryAllocator = TGUID::FromString("{1E651CC0-B199-11D0-8212-00C04FC32C45}");

struct ALLOCATOR_PROPERTIES {
  int32_t cBuffers = 0;
  int32_t cbBuffer = 0;
  int32_t cbAlign = 0;
  int32_t cbPrefix = 0;
};

// Sample flags of AM_SAMPLE2_PROPERTIES::dwSampleFlags.
constexpr uint32_t AM_SAMPLE_SPLICEPOINT = 0x01;
constexpr uint32_t AM_SAMPLE_PREROLL = 0x02;
constexpr uint32_t AM_SAMPLE_DATADISCONTINUITY = 0x04;
constexpr uint32_t AM_SAMPLE_TYPECHANGED = 0x08;
constexpr uint32_t AM_SAMPLE_TIMEVALID = 0x10;
constexpr uint32_t AM_SAMPLE_TIMEDISCONTINUITY = 0x40;
constexpr uint32_t AM_SAMPLE_FLUSH_ON_PAUSE = 0x80;
constexpr uint32_t AM_SAMPLE_STOPVALID = 0x100;
constexpr uint32_t AM_SAMPLE_ENDOFSTREAM = 0x200;

constexpr uint32_t AM_STREAM_MEDIA = 0;
constexpr uint32_t AM_STREAM_CONTROL = 1;

// Flags of IMemAllocator::GetBuffer.
constexpr uint32_t AM_GBF_PREVFRAMESKIPPED = 1;
constexpr uint32_t AM_GBF_NOTASYNCPOINT = 2;
constexpr uint32_t AM_GBF_NOWAIT = 4;

struct AM_SAMPLE2_PROPERTIES {
  uint32_t cbData = sizeof(AM_SAMPLE2_PROPERTIES);
  uint32_t dwTypeSpecificFlags = 0;
  uint32_t dwSampleFlags = 0;
  int32_t lActual = 0;
  REFERENCE_TIME tStart = 0;
  REFERENCE_TIME tStop = 0;
  uint32_t dwStreamId = AM_STREAM_MEDIA;
  AM_MEDIA_TYPE* pMediaType = nullptr;  // not owned: valid while the sample is
  uint8_t* pbBuffer = nullptr;
  int32_t cbBuffer = 0;
};

class IMediaSample : public virtual IUnknown {
 public:
  virtual HRESULT GetPointer(uint8_t** buffer) = 0;
  virtual int32_t GetSize() = 0;
  // VFW_E_SAMPLE_TIME_NOT_SET without a start; VFW_S_NO_STOP_TIME with a start
  // only (the stop is then start + 1).
  virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
  // nullptr start clears both times; nullptr stop sets the start only.
  virtual HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) = 0;
  virtual HRESULT IsSyncPoint() = 0;
  virtual HRESULT SetSyncPoint(bool syncPoint) = 0;
  virtual HRESULT IsPreroll() = 0;
  virtual HRESULT SetPreroll(bool preroll) = 0;
  virtual int32_t GetActualDataLength() = 0;
  virtual HRESULT SetActualDataLength(int32_t length) = 0;
  // S_FALSE and nullptr when the type has not changed; else a task-memory copy.
  virtual HRESULT GetMediaType(AM_MEDIA_TYPE** mt) = 0;
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT IsDiscontinuity() = 0;
  virtual HRESULT SetDiscontinuity(bool discontinuity) = 0;
  virtual HRESULT GetMediaTime(int64_t* start, int64_t* stop) = 0;
  virtual HRESULT SetMediaTime(const int64_t* start, const int64_t* stop) = 0;
};

class IMediaSample2 : public IMediaSample {
 public:
  // Copies the first `size` bytes of the property block.
  virtual HRESULT GetProperties(uint32_t size, uint8_t* properties) = 0;
  virtual HRESULT SetProperties(uint32_t size, const uint8_t* properties) = 0;
};

class IMemAllocator : public virtual IUnknown {
 public:
  // `actual` receives what the allocator will use.
  virtual HRESULT SetProperties(const ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) = 0;
  virtual HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) = 0;
  virtual HRESULT Commit() = 0;
  virtual HRESULT Decommit() = 0;
  // Waits while every buffer is out (unless AM_GBF_NOWAIT); a Decommit wakes
  // the waiter with VFW_E_NOT_COMMITTED.
  virtual HRESULT GetBuffer(IMediaSample** sample, const REFERENCE_TIME* start, const REFERENCE_TIME* stop,
                            uint32_t flags) = 0;
  virtual HRESULT ReleaseBuffer(IMediaSample* sample) = 0;
};

}  // namespace lumicar
