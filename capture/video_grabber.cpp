#include "capture/video_grabber.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsbase/com/ds_assert.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/com/task_memory.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info_view.h"

namespace lumicar {

namespace {

// The output's VIDEOINFOHEADER block is allocated with room for a colour
// table, as bitmap-info blocks of that kind are.
constexpr uint32_t kVideoInfoBlock = 1128;

HRESULT AnswerId(const char16_t* text, char16_t** id) {
  if (!id) return E_POINTER;
  const size_t n = std::char_traits<char16_t>::length(text);
  auto* copy = static_cast<char16_t*>(CoTaskMemAlloc((n + 1) * sizeof(char16_t)));
  *id = copy;
  if (!copy) return E_OUTOFMEMORY;
  std::copy_n(text, n + 1, copy);
  return S_OK;
}

class TGrabberInputPin final : public TDSTransformInputPin {
 public:
  TGrabberInputPin(TDSVideoGrabber* grabber)
      : TDSTransformInputPin(QStringLiteral("TransInPlace input pin"), grabber,
                             QStringLiteral("TransInPlace input pin")),
        grabber_(grabber) {}
  HRESULT QueryId(char16_t** id) override { return AnswerId(u"Input", id); }
  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* mt) override { return grabber_->GetInputMediaType(position, mt); }

 private:
  TDSVideoGrabber* grabber_;
};

class TGrabberOutputPin final : public TDSTransformOutputPin {
 public:
  TGrabberOutputPin(TDSVideoGrabber* grabber)
      : TDSTransformOutputPin(QStringLiteral("TransInPlace output pin"), grabber,
                              QStringLiteral("TransInPlace output pin")) {}
  HRESULT QueryId(char16_t** id) override { return AnswerId(u"Output", id); }
};

}  // namespace

TDSVideoGrabber::TDSVideoGrabber(const QString& name, const TGUID& classId, TCallback callback)
    : TDSTransformFilter(name, nullptr, classId), callback_(std::move(callback)) {
  // Both pins from the start, each offering its own types first.
  if (TDSBasePin* in = GetPin(0)) in->SetTryMyTypesFirst(true);
  if (TDSBasePin* out = GetPin(1)) out->SetTryMyTypesFirst(true);
}

bool TDSVideoGrabber::CreatePins() {
  input_.reset(new (std::nothrow) TGrabberInputPin(this));
  DS_ASSERT(input_);
  output_.reset(new (std::nothrow) TGrabberOutputPin(this));
  if (!output_) input_.reset();
  DS_ASSERT(output_);
  return true;
}

TDSBasePin* TDSVideoGrabber::GetPin(int index) {
  DS_ASSERT(index <= 1);
  return TDSTransformFilter::GetPin(index);
}

HRESULT TDSVideoGrabber::FindPin(const char16_t* id, IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = nullptr;
  if (!id) return E_POINTER;
  const QString wanted = QString::fromUtf16(id);
  TDSBasePin* p = wanted == u"Input"_qs ? GetPin(0) : wanted == u"Output"_qs ? GetPin(1) : nullptr;
  if (!p) return VFW_E_NOT_FOUND;
  p->AddRef();
  *pin = p;
  return S_OK;
}

void TDSVideoGrabber::SetVideoFormat(TVLVideoFormat format) {
  std::lock_guard guard(lock_);
  format_ = format;
}

TVLVideoFormat TDSVideoGrabber::VideoFormat() const {
  std::lock_guard guard(lock_);
  return format_;
}

int TDSVideoGrabber::Width() const {
  std::lock_guard guard(lock_);
  return width_;
}

int TDSVideoGrabber::Height() const {
  std::lock_guard guard(lock_);
  return height_;
}

int64_t TDSVideoGrabber::FramePeriod() const {
  std::lock_guard guard(lock_);
  return period_;
}

HRESULT TDSVideoGrabber::GetInputMediaType(int position, AM_MEDIA_TYPE* mt) const {
  if (position < 0) return E_INVALIDARG;
  if (position >= kVLDSPreferenceCount) return VFW_S_NO_MORE_ITEMS;
  if (!mt) return E_POINTER;
  LPDSFreeMediaType(*mt);
  *mt = AM_MEDIA_TYPE{};
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = VLGetGUIDFromFormat(VLDSPreferenceRow(VideoFormat())[size_t(position)]);
  return S_OK;
}

HRESULT TDSVideoGrabber::CheckInputType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (!(mt->majortype == MEDIATYPE_Video)) return VFW_E_TYPE_NOT_ACCEPTED;
  for (TVLVideoFormat f : VLDSPreferenceRow(VideoFormat()))
    if (mt->subtype == VLGetGUIDFromFormat(f)) return S_OK;
  return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TDSVideoGrabber::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  return in && out ? S_OK : E_POINTER;
}

HRESULT TDSVideoGrabber::SetMediaType(PIN_DIRECTION dir, const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (dir != PINDIR_INPUT) return S_OK;
  // Only a video information block long enough for the header its format
  // type names is read; any other block leaves the size unknown.
  const TDSVideoInfoView view(*mt);
  const BITMAPINFOHEADER* bmi = view.Header();
  const REFERENCE_TIME period = view.AvgTimePerFrame();
  std::lock_guard guard(lock_);
  width_ = bmi ? bmi->biWidth : 0;
  height_ = bmi ? bmi->biHeight : 0;
  period_ = period;
  return S_OK;
}

HRESULT TDSVideoGrabber::GetOutMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 1) return VFW_S_NO_MORE_ITEMS;
  if (!mt) return E_POINTER;
  int w, h;
  int64_t period;
  {
    std::lock_guard guard(lock_);
    w = width_, h = height_, period = period_;
  }
  const uint32_t image = DSBitmapImageSize(w, h, 24);
  // A period of 0 names no rate: the bit rate stays 0 rather than dividing by it.
  const double fps = period > 0 ? std::nearbyint(10'000'000.0 / double(period)) : 0.0;
  const double bits = fps * double(w) * double(std::abs(int64_t(h))) * 24.0;
  const uint32_t bitRate = uint32_t(std::clamp(bits, 0.0, double(UINT32_MAX)));

  LPDSFreeMediaType(*mt);
  *mt = AM_MEDIA_TYPE{};
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = MEDIASUBTYPE_RGB24;
  mt->bFixedSizeSamples = true;
  mt->bTemporalCompression = false;
  mt->lSampleSize = image;
  BITMAPINFOHEADER header;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = w;
  header.biHeight = h;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = image;
  if (position == 1) {
    mt->formattype = FORMAT_VideoInfo;
    auto* v = reinterpret_cast<VIDEOINFOHEADER*>(LPDSSetFormatBuffer(*mt, kVideoInfoBlock));
    if (!v) return E_OUTOFMEMORY;
    v->AvgTimePerFrame = period;
    v->dwBitRate = bitRate;
    v->bmiHeader = header;
  } else {
    mt->formattype = FORMAT_VideoInfo2;
    auto* v = reinterpret_cast<VIDEOINFOHEADER2*>(LPDSSetFormatBuffer(*mt, sizeof(VIDEOINFOHEADER2)));
    if (!v) return E_OUTOFMEMORY;
    v->AvgTimePerFrame = period;
    v->dwBitRate = bitRate;
    v->dwInterlaceFlags = 0;
    v->dwPictAspectRatioX = uint32_t(std::max(w, 0));
    v->dwPictAspectRatioY = uint32_t(std::abs(int64_t(h)));
    v->bmiHeader = header;
  }
  return S_OK;
}

HRESULT TDSVideoGrabber::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (!allocator || !request) return E_POINTER;
  ALLOCATOR_PROPERTIES wish;
  TDSTransformInputPin* in = InputPin();
  if (in && in->IsConnected()) {
    TIntf<IMemAllocator> upstream = in->Allocator();
    if (!upstream) return VFW_E_NO_ALLOCATOR;
    const HRESULT hr = upstream->GetProperties(&wish);
    if (FAILED(hr)) return hr;
  } else {
    wish.cBuffers = 1;
    wish.cbBuffer = 1;
  }
  wish.cBuffers = std::max(wish.cBuffers, 1);
  wish.cbBuffer = std::max(wish.cbBuffer, 1);
  wish.cbAlign = std::max(wish.cbAlign, 1);
  ALLOCATOR_PROPERTIES actual;
  const HRESULT hr = allocator->SetProperties(&wish, &actual);
  if (FAILED(hr)) return hr;
  if (actual.cBuffers < wish.cBuffers || actual.cbBuffer < wish.cbBuffer || actual.cbAlign < wish.cbAlign)
    return E_FAIL;
  return S_OK;
}

HRESULT TDSVideoGrabber::Transform(IMediaSample* in, IMediaSample* out) {
  if (callback_) callback_(in);
  // Nothing was drawn into the output: it must not pass stale bytes off as
  // a picture.
  if (out) out->SetActualDataLength(0);
  return S_OK;
}

}  // namespace lumicar
