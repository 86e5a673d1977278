#include "dsbase/media/media_sample.h"

#include <cstring>

#include "dsbase/com/result_codes.h"
#include "dsbase/media/mem_allocator.h"

namespace lumicar {

TDSMediaSample::TDSMediaSample(TDSMemAllocator* allocator, uint8_t* buffer, int32_t size)
    : TDSDualUnknown(QStringLiteral("Media sample"), nullptr), allocator_(allocator), buffer_(buffer), size_(size) {
  ResetForUse();
}

TDSMediaSample::~TDSMediaSample() { LPDSDeleteMediaType(mediaType_); }

void TDSMediaSample::ResetForUse() {
  flags_ = 0;
  typeSpecificFlags_ = 0;
  streamId_ = AM_STREAM_MEDIA;
  actual_ = size_;
  start_ = stop_ = 0;
  mediaTimeValid_ = false;
  mediaStart_ = mediaStop_ = 0;
  LPDSDeleteMediaType(mediaType_);
  mediaType_ = nullptr;
  returning_ = false;
}

HRESULT TDSMediaSample::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IMediaSample) return GetInterface<IMediaSample>(this, object);
  if (iid == IID_IMediaSample2) return GetInterface<IMediaSample2>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

uint32_t TDSMediaSample::NonDelegatingAddRef() { return uint32_t(refs_.fetch_add(1, std::memory_order_relaxed) + 1); }

uint32_t TDSMediaSample::NonDelegatingRelease() {
  const int32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) {
    // The buffer goes back to its allocator; the sample lives on in its pool.
    returning_ = true;
    allocator_->ReleaseBuffer(this);
  }
  return uint32_t(left < 0 ? 0 : left);
}

HRESULT TDSMediaSample::GetPointer(uint8_t** buffer) {
  if (!buffer) return E_POINTER;
  *buffer = buffer_;
  return S_OK;
}

HRESULT TDSMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!start || !stop) return E_POINTER;
  if (!(flags_ & AM_SAMPLE_TIMEVALID)) return VFW_E_SAMPLE_TIME_NOT_SET;
  *start = start_;
  if (!(flags_ & AM_SAMPLE_STOPVALID)) {
    *stop = start_ + 1;
    return VFW_S_NO_STOP_TIME;
  }
  *stop = stop_;
  return S_OK;
}

HRESULT TDSMediaSample::SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) {
  flags_ &= ~(AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID);
  if (!start) return S_OK;
  start_ = *start;
  flags_ |= AM_SAMPLE_TIMEVALID;
  if (stop) {
    stop_ = *stop;
    flags_ |= AM_SAMPLE_STOPVALID;
  }
  return S_OK;
}

HRESULT TDSMediaSample::SetActualDataLength(int32_t length) {
  if (length < 0 || length > size_) return VFW_E_BUFFER_OVERFLOW;
  actual_ = length;
  return S_OK;
}

HRESULT TDSMediaSample::GetMediaType(AM_MEDIA_TYPE** mt) {
  if (!mt) return E_POINTER;
  *mt = nullptr;
  if (!(flags_ & AM_SAMPLE_TYPECHANGED) || !mediaType_) return S_FALSE;
  *mt = LPDSCreateMediaType(*mediaType_);
  return *mt ? S_OK : E_OUTOFMEMORY;
}

HRESULT TDSMediaSample::SetMediaType(const AM_MEDIA_TYPE* mt) {
  LPDSDeleteMediaType(mediaType_);
  mediaType_ = nullptr;
  flags_ &= ~AM_SAMPLE_TYPECHANGED;
  if (!mt) return S_OK;
  mediaType_ = LPDSCreateMediaType(*mt);
  if (!mediaType_) return E_OUTOFMEMORY;
  flags_ |= AM_SAMPLE_TYPECHANGED;
  return S_OK;
}

HRESULT TDSMediaSample::GetMediaTime(int64_t* start, int64_t* stop) {
  if (!start || !stop) return E_POINTER;
  if (!mediaTimeValid_) return VFW_E_MEDIA_TIME_NOT_SET;
  *start = mediaStart_;
  *stop = mediaStop_;
  return S_OK;
}

HRESULT TDSMediaSample::SetMediaTime(const int64_t* start, const int64_t* stop) {
  if (!start) {
    mediaTimeValid_ = false;
    return S_OK;
  }
  if (!stop) return E_POINTER;
  mediaStart_ = *start;
  mediaStop_ = *stop;
  mediaTimeValid_ = true;
  return S_OK;
}

HRESULT TDSMediaSample::GetProperties(uint32_t size, uint8_t* properties) {
  if (!properties) return E_POINTER;
  AM_SAMPLE2_PROPERTIES p;
  p.dwTypeSpecificFlags = typeSpecificFlags_;
  p.dwSampleFlags = flags_;
  p.lActual = actual_;
  p.tStart = start_;
  p.tStop = stop_;
  p.dwStreamId = streamId_;
  p.pMediaType = (flags_ & AM_SAMPLE_TYPECHANGED) ? mediaType_ : nullptr;
  p.pbBuffer = buffer_;
  p.cbBuffer = size_;
  std::memcpy(properties, &p, std::min<size_t>(size, sizeof p));
  return S_OK;
}

HRESULT TDSMediaSample::SetProperties(uint32_t size, const uint8_t* properties) {
  if (!properties) return E_POINTER;
  AM_SAMPLE2_PROPERTIES p;
  GetProperties(sizeof p, reinterpret_cast<uint8_t*>(&p));
  std::memcpy(&p, properties, std::min<size_t>(size, sizeof p));
  // The buffer belongs to the allocator: it cannot be swapped or resized here.
  if (p.lActual < 0 || p.lActual > size_) return VFW_E_BUFFER_OVERFLOW;
  if (size > offsetof(AM_SAMPLE2_PROPERTIES, pMediaType)) {
    const bool typeChanged = (p.dwSampleFlags & AM_SAMPLE_TYPECHANGED) && p.pMediaType;
    if (!typeChanged)
      SetMediaType(nullptr);
    else if (p.pMediaType != mediaType_ && FAILED(SetMediaType(p.pMediaType)))
      return E_OUTOFMEMORY;
    if (!typeChanged) p.dwSampleFlags &= ~AM_SAMPLE_TYPECHANGED;
  } else {
    p.dwSampleFlags = (p.dwSampleFlags & ~AM_SAMPLE_TYPECHANGED) | (flags_ & AM_SAMPLE_TYPECHANGED);
  }
  typeSpecificFlags_ = p.dwTypeSpecificFlags;
  flags_ = p.dwSampleFlags;
  actual_ = p.lActual;
  start_ = p.tStart;
  stop_ = p.tStop;
  streamId_ = p.dwStreamId;
  return S_OK;
}

}  // namespace lumicar
