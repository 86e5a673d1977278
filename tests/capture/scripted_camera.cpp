#include "tests/capture/scripted_camera.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "dsbase/camera/camera_media_type.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info.h"

namespace lumicar::capturetest {

namespace {

bool IsVideoHeader(const AM_MEDIA_TYPE& mt) {
  return mt.majortype == MEDIATYPE_Video && (mt.formattype == FORMAT_VideoInfo || mt.formattype == FORMAT_VideoInfo2);
}

}  // namespace

TScriptedCameraPin::TScriptedCameraPin(TDSBaseSourceFilter* filter, std::shared_ptr<TScriptedCameraScript> script)
    : TDSSourceStreamPin(QStringLiteral("Scripted capture pin"), filter, QStringLiteral("Capture")),
      script_(std::move(script)) {}

HRESULT TScriptedCameraPin::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IKsPropertySet) return GetInterface<IKsPropertySet>(this, object);
  if (iid == IID_IAMStreamConfig) return GetInterface<IAMStreamConfig>(this, object);
  return TDSSourceStreamPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT TScriptedCameraPin::Get(const TGUID& set, uint32_t id, const void*, uint32_t, void* data, uint32_t length,
                                uint32_t* returned) {
  if (!(set == AMPROPSETID_Pin) || id != AMPROPERTY_PIN_CATEGORY) return E_NOTIMPL;
  if (!data || !returned) return E_POINTER;
  if (length < sizeof(TGUID)) return E_INVALIDARG;
  std::memcpy(data, &PIN_CATEGORY_CAPTURE, sizeof(TGUID));
  *returned = sizeof(TGUID);
  return S_OK;
}

HRESULT TScriptedCameraPin::QuerySupported(const TGUID& set, uint32_t id, uint32_t* support) {
  if (!support) return E_POINTER;
  *support = set == AMPROPSETID_Pin && id == AMPROPERTY_PIN_CATEGORY ? KSPROPERTY_SUPPORT_GET : 0;
  return *support ? S_OK : E_NOTIMPL;
}

TDSMediaType TScriptedCameraPin::TypeOf(const TScriptedMode& mode, int64_t interval) {
  TDSMediaType t;
  AM_MEDIA_TYPE& mt = t.Get();
  auto* v = reinterpret_cast<VIDEOINFOHEADER2*>(LPDSSetFormatBuffer(mt, sizeof(VIDEOINFOHEADER2)));
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = mode.subtype;
  mt.formattype = FORMAT_VideoInfo2;
  mt.bFixedSizeSamples = true;
  BITMAPINFOHEADER& bmi = v->bmiHeader;
  const bool rgb = mode.subtype == MEDIASUBTYPE_RGB24;
  bmi.biSize = sizeof(BITMAPINFOHEADER);
  bmi.biWidth = mode.width;
  bmi.biHeight = mode.height;
  bmi.biPlanes = 1;
  bmi.biBitCount = rgb ? 24 : 16;
  bmi.biCompression = rgb ? BI_RGB : mode.subtype.D1;
  bmi.biSizeImage = DSBitmapImageSize(mode.width, mode.height, bmi.biBitCount);
  v->AvgTimePerFrame = interval;
  v->dwPictAspectRatioX = 4;
  v->dwPictAspectRatioY = 3;
  mt.lSampleSize = bmi.biSizeImage;
  return t;
}

HRESULT TScriptedCameraPin::Answer(HRESULT hr) {
  std::lock_guard guard(script_->lock);
  script_->answers.push_back(hr);
  return hr;
}

HRESULT TScriptedCameraPin::SetFormat(const AM_MEDIA_TYPE* mt) {
  std::lock_guard guard(*lock_);
  {
    std::lock_guard scriptGuard(script_->lock);
    ++script_->setFormats;
  }
  if (!mt) {
    hasFormat_ = false;
    return S_OK;
  }
  int w, h;
  int64_t interval;
  if (!IsVideoHeader(*mt) || !DSCameraTypeGeometry(*mt, &w, &h, &interval) || interval < 0)
    return Answer(VFW_E_INVALIDMEDIATYPE);
  // While streaming into a connection this driver changes nothing: only a
  // request its current type already meets is taken.
  if (IsConnected()) {
    int cw, ch;
    int64_t ci;
    DSCameraTypeGeometry(CurrentMediaType(), &cw, &ch, &ci);
    const bool same = mt->subtype == CurrentMediaType().subtype && w == cw && h == ch && interval == ci;
    return Answer(same ? S_OK : VFW_E_TYPE_NOT_ACCEPTED);
  }
  const TScriptedMode* best = nullptr;
  int64_t distance = INT64_MAX;
  for (const TScriptedMode& m : script_->modes) {
    if (!(m.subtype == mt->subtype)) continue;
    const int64_t d = std::llabs(int64_t(m.width) * m.height - int64_t(w) * h) + std::llabs(int64_t(m.width) - w);
    if (d < distance) distance = d, best = &m;
  }
  if (!best) return Answer(VFW_E_INVALIDMEDIATYPE);
  // A period of 0 is a request too: its nearest is the fastest.
  const int64_t got = std::clamp(interval, best->minInterval, best->maxInterval);
  format_ = TypeOf(*best, got);
  hasFormat_ = true;
  const bool exact = best->width == w && best->height == h && got == interval;
  return Answer(exact ? S_OK : S_FALSE);
}

HRESULT TScriptedCameraPin::GetFormat(AM_MEDIA_TYPE** mt) {
  if (!mt) return E_POINTER;
  std::lock_guard guard(*lock_);
  TDSMediaType current = hasFormat_      ? format_
                         : IsConnected() ? TDSMediaType(CurrentMediaType())
                                         : TypeOf(script_->modes.front(), script_->modes.front().minInterval);
  *mt = LPDSCreateMediaType(current.Get());
  return *mt ? S_OK : E_OUTOFMEMORY;
}

HRESULT TScriptedCameraPin::GetNumberOfCapabilities(int* count, int* size) {
  if (!count || !size) return E_POINTER;
  *count = int(script_->modes.size());
  *size = script_->recordBytes;
  return S_OK;
}

HRESULT TScriptedCameraPin::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, uint8_t* caps) {
  if (!mt || !caps) return E_POINTER;
  if (index < 0 || size_t(index) >= script_->modes.size()) return S_FALSE;
  const TScriptedMode& m = script_->modes[size_t(index)];
  VIDEO_STREAM_CONFIG_CAPS s;
  s.guid = FORMAT_VideoInfo2;
  s.InputSize = s.MinCroppingSize = s.MaxCroppingSize = s.MinOutputSize = s.MaxOutputSize = SIZE{m.width, m.height};
  s.CropGranularityX = s.CropGranularityY = s.CropAlignX = s.CropAlignY = 1;
  s.OutputGranularityX = s.OutputGranularityY = 1;
  s.MinFrameInterval = m.minInterval;
  s.MaxFrameInterval = m.maxInterval;
  // The driver writes its whole record: the standard part and its own.
  std::memset(caps, 0x5A, size_t(script_->recordBytes));
  std::memcpy(caps, &s, sizeof s);
  *mt = LPDSCreateMediaType(TypeOf(m, m.minInterval).Get());
  return *mt ? S_OK : E_OUTOFMEMORY;
}

HRESULT TScriptedCameraPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  int w, h;
  int64_t interval;
  if (!(mt->formattype == FORMAT_VideoInfo2) || !IsVideoHeader(*mt) || !DSCameraTypeGeometry(*mt, &w, &h, &interval))
    return VFW_E_TYPE_NOT_ACCEPTED;
  if (interval != 0 && interval == script_->unusableInterval) return VFW_E_TYPE_NOT_ACCEPTED;
  for (const TScriptedMode& m : script_->modes)
    if (m.subtype == mt->subtype && m.width == w && m.height == h &&
        (interval == 0 || (interval >= m.minInterval && interval <= m.maxInterval)))
      return S_OK;
  return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TScriptedCameraPin::IntGetMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (position < 0) return E_INVALIDARG;
  // After SetFormat the pin offers that type alone.
  if (hasFormat_) return position > 0 ? VFW_S_NO_MORE_ITEMS : LPDSCopyMediaType(*mt, format_.Get());
  if (size_t(position) >= script_->modes.size()) return VFW_S_NO_MORE_ITEMS;
  const TScriptedMode& m = script_->modes[size_t(position)];
  return LPDSCopyMediaType(*mt, TypeOf(m, m.minInterval).Get());
}

HRESULT TScriptedCameraPin::IntDecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  ALLOCATOR_PROPERTIES want = *request;
  want.cBuffers = std::max(want.cBuffers, 2);
  want.cbBuffer = std::max<int32_t>(want.cbBuffer, int32_t(CurrentMediaType().lSampleSize));
  want.cbAlign = std::max(want.cbAlign, 1);
  ALLOCATOR_PROPERTIES actual;
  return allocator->SetProperties(&want, &actual);
}

TScriptedCamera::TScriptedCamera(std::shared_ptr<TScriptedCameraScript> script)
    : TDSBaseSourceFilter(TScriptedCameraProvider::kName, nullptr, GUID_NULL),
      pin_(new TScriptedCameraPin(this, std::move(script))) {}

TGUID TScriptedCameraProvider::Category() const { return CLSID_VideoInputDeviceCategory; }

std::vector<TDSDeviceDescription> TScriptedCameraProvider::Devices() {
  return {{kName, QStringLiteral("scripted-camera-0"), QStringLiteral("scripted:0"), GUID_NULL}};
}

HRESULT TScriptedCameraProvider::CreateFilter(const TDSDeviceDescription&, IBaseFilter** filter) {
  if (!filter) return E_POINTER;
  auto* camera = new TScriptedCamera(script_);
  camera->NonDelegatingAddRef();
  *filter = camera;
  return S_OK;
}

}  // namespace lumicar::capturetest
