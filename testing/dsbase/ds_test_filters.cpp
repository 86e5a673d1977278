#include "testing/dsbase/ds_test_filters.h"

#include <cstring>
#include <stdexcept>

namespace lumicar::dstest {

TDSMediaType VideoType(int width, int height, const TGUID& subtype, int bitCount) {
  TDSMediaType t;
  AM_MEDIA_TYPE& mt = t.Get();
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = subtype;
  mt.formattype = FORMAT_VideoInfo;
  mt.bFixedSizeSamples = true;
  mt.lSampleSize = DSBitmapImageSize(width, height, bitCount);
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(LPDSSetFormatBuffer(mt, sizeof(VIDEOINFOHEADER)));
  vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  vih->bmiHeader.biWidth = width;
  vih->bmiHeader.biHeight = height;
  vih->bmiHeader.biPlanes = 1;
  vih->bmiHeader.biBitCount = uint16_t(bitCount);
  vih->bmiHeader.biSizeImage = mt.lSampleSize;
  return t;
}

// ---- counting source ----

TCountingPin::TCountingPin(TCountingSource* filter, int width, int height, int buffers)
    : TDSSourceStreamPin(QStringLiteral("Counting pin"), filter, u"Output"_qs),
      width_(width),
      height_(height),
      buffers_(buffers) {}

HRESULT TCountingPin::IntDecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  ALLOCATOR_PROPERTIES want = *request;
  want.cBuffers = std::max(want.cBuffers, buffers_);
  want.cbBuffer = std::max<int32_t>(want.cbBuffer, int32_t(CurrentMediaType().lSampleSize));
  ALLOCATOR_PROPERTIES actual;
  return allocator->SetProperties(&want, &actual);
}

HRESULT TCountingPin::IntGetMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (position < 0) return E_INVALIDARG;
  if (!offered_.empty()) {
    if (size_t(position) >= offered_.size()) return VFW_S_NO_MORE_ITEMS;
    return LPDSCopyMediaType(*mt, offered_[size_t(position)].Get());
  }
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return LPDSCopyMediaType(*mt, VideoType(width_, height_).Get());
}

HRESULT TCountingPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  const BITMAPINFOHEADER* bmi = DSBitmapHeader(*mt);
  if (!(mt->majortype == MEDIATYPE_Video) || !bmi || bmi->biWidth != width_) return E_INVALIDARG;
  return S_OK;
}

HRESULT TCountingPin::Push(uint32_t flags) {
  IMediaSample* raw = nullptr;
  const uint32_t n = next_.fetch_add(1);
  const REFERENCE_TIME start = REFERENCE_TIME(n) * 333333, stop = start + 333333;
  HRESULT hr = GetDeliveryBuffer(&raw, &start, &stop, flags);
  if (FAILED(hr)) return hr;
  TIntf<IMediaSample> sample = TIntf<IMediaSample>::Adopt(raw);
  uint8_t* data = nullptr;
  sample->GetPointer(&data);
  if (sample->GetSize() >= 4) std::memcpy(data, &n, 4);
  sample->SetSyncPoint(true);
  return Deliver(sample.get());
}

TCountingSource::TCountingSource(int width, int height, int buffers)
    : TDSBaseSourceFilter(QStringLiteral("Counting source"), nullptr, GUID_NULL),
      pin_(new TCountingPin(this, width, height, buffers)) {}

// ---- pass-through transform ----

static bool IsOurVideo(const AM_MEDIA_TYPE* mt) {
  return mt && mt->majortype == MEDIATYPE_Video && mt->subtype == MEDIASUBTYPE_RGB24 && DSBitmapHeader(*mt);
}

HRESULT TPassThroughTransform::CheckInputType(const AM_MEDIA_TYPE* mt) {
  return IsOurVideo(mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TPassThroughTransform::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  return in && out && DSIsEqualMediaType(*in, *out) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TPassThroughTransform::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  ALLOCATOR_PROPERTIES want = *request;
  want.cBuffers = std::max(want.cBuffers, 2);
  want.cbBuffer = std::max<int32_t>(want.cbBuffer, int32_t(InputPin()->CurrentMediaType().lSampleSize));
  ALLOCATOR_PROPERTIES actual;
  return allocator->SetProperties(&want, &actual);
}

HRESULT TPassThroughTransform::GetOutMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return LPDSCopyMediaType(*mt, InputPin()->CurrentMediaType());
}

HRESULT TPassThroughTransform::Transform(IMediaSample* in, IMediaSample* out) {
  if (skipNext_.load() > 0) {
    skipNext_.fetch_sub(1);
    return S_FALSE;
  }
  const int32_t n = in->GetActualDataLength();
  if (n > out->GetSize()) return VFW_E_BUFFER_OVERFLOW;
  uint8_t *from = nullptr, *to = nullptr;
  in->GetPointer(&from);
  out->GetPointer(&to);
  if (copyPixels_)
    std::memcpy(to, from, size_t(n));
  else if (n >= 4)
    std::memcpy(to, from, 4);  // the sample's number travels on
  return out->SetActualDataLength(n);
}

HRESULT TPassThroughTransform::StartStreaming() {
  ++starts_;
  return S_OK;
}

HRESULT TPassThroughTransform::StopStreaming() {
  ++stops_;
  return S_OK;
}

// ---- in-place inverter ----

HRESULT TInverter::CheckInputType(const AM_MEDIA_TYPE* mt) { return IsOurVideo(mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED; }

HRESULT TInverter::Transform(IMediaSample* sample) {
  if (!invert_) return S_OK;
  uint8_t* data = nullptr;
  sample->GetPointer(&data);
  const int32_t n = sample->GetActualDataLength();
  for (int32_t i = 0; i < n; ++i) data[i] = uint8_t(~data[i]);
  return S_OK;
}

// ---- collecting renderer ----

HRESULT TCollectingRenderer::DoRenderSample(IMediaSample* sample) {
  if (throw_) throw std::runtime_error("render failed");
  ++rendered_;
  rendered_.notify_all();
  if (!keep_) return S_OK;
  uint8_t* data = nullptr;
  sample->GetPointer(&data);
  const int32_t n = sample->GetActualDataLength();
  std::lock_guard guard(lock_);
  uint32_t word = 0;
  if (n >= 4) std::memcpy(&word, data, 4);
  numbers_.push_back(word);
  lastBytes_.assign(data, data + std::min(n, 64));
  return S_OK;
}

HRESULT TCollectingRenderer::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  return IsOurVideo(mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TCollectingRenderer::GetMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (position < 0) return E_INVALIDARG;
  if (!offered_.empty()) {
    if (size_t(position) >= offered_.size()) return VFW_S_NO_MORE_ITEMS;
    return LPDSCopyMediaType(*mt, offered_[size_t(position)].Get());
  }
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  // Only the kind is offered; the size comes from upstream.
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = MEDIASUBTYPE_RGB24;
  return S_OK;
}

// ---- byte renderer ----

HRESULT TByteRenderer::DoRenderSample(IMediaSample* sample) {
  std::lock_guard guard(lock_);
  if (failAfter_ >= 0 && int(samples_.size()) >= failAfter_) return E_FAIL;
  TSampleRecord r;
  uint8_t* data = nullptr;
  sample->GetPointer(&data);
  r.bytes.assign(data, data + sample->GetActualDataLength());
  r.timeResult = sample->GetTime(&r.start, &r.stop);
  r.syncPoint = sample->IsSyncPoint() == S_OK;
  samples_.push_back(std::move(r));
  return S_OK;
}

HRESULT TByteRenderer::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  return mt->majortype == majortype_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

std::vector<uint8_t> TByteRenderer::AllBytes() {
  std::lock_guard guard(lock_);
  std::vector<uint8_t> all;
  for (const TSampleRecord& r : samples_) all.insert(all.end(), r.bytes.begin(), r.bytes.end());
  return all;
}

// ---- graph stand-in ----

HRESULT TEventGraph::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IFilterGraph) return GetInterface<IFilterGraph>(this, object);
  if (iid == IID_IMediaEventSink) return GetInterface<IMediaEventSink>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TEventGraph::Notify(int32_t code, intptr_t p1, intptr_t p2) {
  std::lock_guard guard(lock_);
  events_.emplace_back(code, p1);
  param2_.push_back(p2);
  return S_OK;
}

int TEventGraph::Count(int32_t code) {
  std::lock_guard guard(lock_);
  int n = 0;
  for (auto& e : events_) n += e.first == code;
  return n;
}

HRESULT ConnectPins(TDSBasePin* out, TDSBasePin* in, const AM_MEDIA_TYPE* mt) { return out->Connect(in, mt); }

void DisconnectPins(TDSBasePin* out, TDSBasePin* in) {
  out->Disconnect();
  in->Disconnect();
}

}  // namespace lumicar::dstest
