#pragma once
// Test filters and helpers of the graph-service tests: a renderer that
// accepts a list of subtypes in preference order (like the capture's
// temporary renderer), a pin that reports a category, a recording grabber
// callback, a device provider, and the Qt application the event tests need.

#include <QCoreApplication>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dsbase/classes/system_classes.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/filters/sample_grabber_interfaces.h"
#include "dsbase/graph/builder_interfaces.h"
#include "dsbase/graph/device_provider.h"
#include "dsbase/graph/filter_graph_manager.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar::dstest {

// One QCoreApplication for the whole test program.
QCoreApplication* TestApp();

class TPreferenceRenderer : public TDSBaseRenderer {
 public:
  explicit TPreferenceRenderer(std::vector<TGUID> subtypes)
      : TDSBaseRenderer(QStringLiteral("Video Tmp Render"), nullptr, GUID_NULL), subtypes_(std::move(subtypes)) {
    InputPin()->SetTryMyTypesFirst(true);
  }
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* mt) override;
  HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }

  std::vector<TGUID> subtypes_;
};

// An output pin reporting PIN_CATEGORY_CAPTURE through its property set.
class TCapturePin : public TCountingPin, public IKsPropertySet {
 public:
  TCapturePin(TCountingSource* filter, int width, int height);
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT Set(const TGUID&, uint32_t, const void*, uint32_t, const void*, uint32_t) override { return E_NOTIMPL; }
  HRESULT Get(const TGUID& propSet, uint32_t id, const void*, uint32_t, void* data, uint32_t length,
              uint32_t* returned) override;
  HRESULT QuerySupported(const TGUID& propSet, uint32_t id, uint32_t* support) override;
};

// A source with an uncategorised pin 0 and a capture pin 1, both YUY2 only.
class TCameraSource : public TCountingSource {
 public:
  TCameraSource(int width, int height);
  TCapturePin* Capture() { return capture_; }
  // Fills a sample of the capture pin with YUY2 pixels (top row bright,
  // others dark) and delivers it.
  HRESULT PushFrame(int32_t length = -1);

 private:
  TCapturePin* capture_;
};

class TRecordingCallback : public TDSDualUnknown, public ISampleGrabberCB {
 public:
  TRecordingCallback() : TDSDualUnknown(QStringLiteral("Recording callback"), nullptr) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT SampleCB(double time, IMediaSample* sample) override;
  HRESULT BufferCB(double time, uint8_t* buffer, int32_t length) override;

  std::mutex lock_;
  std::vector<double> times_;
  std::vector<std::thread::id> threads_;
  std::vector<uint8_t> lastBytes_;
  std::atomic<int> calls_{0};
};

class TTestDeviceProvider : public IDSDeviceProvider {
 public:
  TTestDeviceProvider(const TGUID& category, std::vector<TDSDeviceDescription> devices)
      : category_(category), devices_(std::move(devices)) {}
  TGUID Category() const override { return category_; }
  QString Kind() const override { return QStringLiteral("sw"); }
  std::vector<TDSDeviceDescription> Devices() override;
  HRESULT CreateFilter(const TDSDeviceDescription& device, IBaseFilter** filter) override;

  std::mutex lock_;
  TGUID category_;
  std::vector<TDSDeviceDescription> devices_;
};

TDSMediaType Yuy2Type(int width, int height);
TIntf<TDSFilterGraph> NewGraph();
TIntf<IPin> PinOf(TDSBaseFilter* filter, int index);

}  // namespace lumicar::dstest
