#include "tests/dsbase/graph_test_support.h"

#include <cstring>

#include "dsbase/graph/capture_graph_builder.h"

namespace lumicar::dstest {

QCoreApplication* TestApp() {
  static int argc = 1;
  static char name[] = "dsbase_graph_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app =
      QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
  return app;
}

HRESULT TPreferenceRenderer::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (!(mt->majortype == MEDIATYPE_Video) || !(mt->formattype == FORMAT_VideoInfo)) return E_INVALIDARG;
  for (const TGUID& s : subtypes_)
    if (s == mt->subtype) return S_OK;
  return E_INVALIDARG;
}

HRESULT TPreferenceRenderer::GetMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (position < 0) return E_INVALIDARG;
  if (size_t(position) >= subtypes_.size()) return VFW_S_NO_MORE_ITEMS;
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = subtypes_[size_t(position)];
  return S_OK;
}

TDSMediaType Yuy2Type(int width, int height) {
  TDSMediaType t = VideoType(width, height, MEDIASUBTYPE_YUY2, 16);
  DSBitmapHeader(t.Get());
  reinterpret_cast<VIDEOINFOHEADER*>(t->pbFormat)->bmiHeader.biCompression = MEDIASUBTYPE_YUY2.D1;
  reinterpret_cast<VIDEOINFOHEADER*>(t->pbFormat)->AvgTimePerFrame = 333333;
  return t;
}

TCapturePin::TCapturePin(TCountingSource* filter, int width, int height) : TCountingPin(filter, width, height, 3) {
  offered_.push_back(Yuy2Type(width, height));
}

HRESULT TCapturePin::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IKsPropertySet) return GetInterface<IKsPropertySet>(this, object);
  return TCountingPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT TCapturePin::Get(const TGUID& propSet, uint32_t id, const void*, uint32_t, void* data, uint32_t length,
                         uint32_t* returned) {
  if (!(propSet == AMPROPSETID_Pin) || id != AMPROPERTY_PIN_CATEGORY) return E_NOTIMPL;
  if (!data || !returned) return E_POINTER;
  if (length < sizeof(TGUID)) return E_INVALIDARG;
  std::memcpy(data, &PIN_CATEGORY_CAPTURE, sizeof(TGUID));
  *returned = sizeof(TGUID);
  return S_OK;
}

HRESULT TCapturePin::QuerySupported(const TGUID& propSet, uint32_t id, uint32_t* support) {
  if (!support) return E_POINTER;
  *support = propSet == AMPROPSETID_Pin && id == AMPROPERTY_PIN_CATEGORY ? KSPROPERTY_SUPPORT_GET : 0;
  return *support ? S_OK : E_NOTIMPL;
}

TCameraSource::TCameraSource(int width, int height) : TCountingSource(width, height, 3) {
  Pin()->offered_.push_back(Yuy2Type(width, height));
  capture_ = new TCapturePin(this, width, height);
}

HRESULT TCameraSource::PushFrame(int32_t length) {
  const REFERENCE_TIME start = REFERENCE_TIME(capture_->next_.fetch_add(1)) * 333333, stop = start + 333333;
  IMediaSample* raw = nullptr;
  HRESULT hr = capture_->GetDeliveryBuffer(&raw, &start, &stop, 0);
  if (FAILED(hr)) return hr;
  TIntf<IMediaSample> sample = TIntf<IMediaSample>::Adopt(raw);
  uint8_t* data = nullptr;
  sample->GetPointer(&data);
  const int w = capture_->width_, h = capture_->height_;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; x += 2) {
      uint8_t* p = data + ptrdiff_t(y) * w * 2 + x * 2;
      p[0] = p[2] = y == 0 ? 235 : 16;
      p[1] = 90;
      p[3] = 200;
    }
  }
  sample->SetActualDataLength(length < 0 ? w * h * 2 : length);
  sample->SetSyncPoint(true);
  return capture_->Deliver(sample.get());
}

HRESULT TRecordingCallback::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_ISampleGrabberCB) return GetInterface<ISampleGrabberCB>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TRecordingCallback::SampleCB(double time, IMediaSample* sample) {
  uint8_t* data = nullptr;
  sample->GetPointer(&data);
  {
    std::lock_guard guard(lock_);
    times_.push_back(time);
    threads_.push_back(std::this_thread::get_id());
    lastBytes_.assign(data, data + sample->GetActualDataLength());
  }
  ++calls_;
  calls_.notify_all();
  return S_OK;
}

HRESULT TRecordingCallback::BufferCB(double time, uint8_t* buffer, int32_t length) {
  {
    std::lock_guard guard(lock_);
    times_.push_back(time);
    threads_.push_back(std::this_thread::get_id());
    lastBytes_.assign(buffer, buffer + length);
  }
  ++calls_;
  calls_.notify_all();
  return S_OK;
}

std::vector<TDSDeviceDescription> TTestDeviceProvider::Devices() {
  std::lock_guard guard(lock_);
  return devices_;
}

HRESULT TTestDeviceProvider::CreateFilter(const TDSDeviceDescription& device, IBaseFilter** filter) {
  if (!filter) return E_POINTER;
  *filter = nullptr;
  {
    std::lock_guard guard(lock_);
    const bool present =
        std::any_of(devices_.begin(), devices_.end(), [&](const TDSDeviceDescription& d) { return d.Id == device.Id; });
    if (!present) return VFW_E_NOT_FOUND;
  }
  auto* source = new TCameraSource(64, 8);
  source->AddRef();
  *filter = source;
  return S_OK;
}

TIntf<TDSFilterGraph> NewGraph() { return TIntf<TDSFilterGraph>(new TDSFilterGraph()); }

TIntf<IPin> PinOf(TDSBaseFilter* filter, int index) { return TIntf<IPin>(filter->GetPin(index)); }

}  // namespace lumicar::dstest
