#pragma once
// A camera driver unlike the document camera, as "Scripted Camera" in the
// video input category: its modes come as VIDEOINFOHEADER2 types only; it
// takes a new format only while its pin is free (while connected it refuses
// any request its current type does not meet with VFW_E_TYPE_NOT_ACCEPTED);
// a request it cannot meet exactly gets its nearest mode and S_FALSE; its
// capability records are longer than the standard one; a frame period of 0
// is answered with its nearest, the fastest. It records every
// answer of its stream configuration, and a rate can be made one it
// advertises and takes but cannot connect with.

#include <QString>
#include <memory>
#include <mutex>
#include <vector>

#include "dsbase/base/source_filter.h"
#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/com/property_set.h"
#include "dsbase/graph/device_provider.h"

namespace lumicar::capturetest {

struct TScriptedMode {
  TGUID subtype;
  int width, height;
  int64_t minInterval, maxInterval;  // 100 ns units
};

// What the camera does, shared by every filter made of it.
struct TScriptedCameraScript {
  std::vector<TScriptedMode> modes;
  // Bytes of each capability record (the standard record and more).
  int recordBytes = int(sizeof(VIDEO_STREAM_CONFIG_CAPS)) + 64;
  // A frame period SetFormat adopts but the pin refuses to connect with.
  int64_t unusableInterval = 0;

  std::mutex lock;
  std::vector<HRESULT> answers;  // of SetFormat with a type, in order
  int setFormats = 0;
};

class TScriptedCameraPin final : public TDSSourceStreamPin, public IKsPropertySet, public IAMStreamConfig {
 public:
  TScriptedCameraPin(TDSBaseSourceFilter* filter, std::shared_ptr<TScriptedCameraScript> script);
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  HRESULT Set(const TGUID&, uint32_t, const void*, uint32_t, const void*, uint32_t) override { return E_NOTIMPL; }
  HRESULT Get(const TGUID& set, uint32_t id, const void*, uint32_t, void* data, uint32_t length,
              uint32_t* returned) override;
  HRESULT QuerySupported(const TGUID& set, uint32_t id, uint32_t* support) override;

  HRESULT SetFormat(const AM_MEDIA_TYPE* mt) override;
  HRESULT GetFormat(AM_MEDIA_TYPE** mt) override;
  HRESULT GetNumberOfCapabilities(int* count, int* size) override;
  HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mt, uint8_t* caps) override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT IntGetMediaType(int position, AM_MEDIA_TYPE* mt) override;
  HRESULT IntDecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  // The VIDEOINFOHEADER2 type of a mode at a frame period.
  static TDSMediaType TypeOf(const TScriptedMode& mode, int64_t interval);

 private:
  HRESULT Answer(HRESULT hr);

  std::shared_ptr<TScriptedCameraScript> script_;
  TDSMediaType format_;
  bool hasFormat_ = false;
};

class TScriptedCamera final : public TDSBaseSourceFilter {
 public:
  explicit TScriptedCamera(std::shared_ptr<TScriptedCameraScript> script);
  TScriptedCameraPin* Pin() const { return pin_; }

 private:
  TScriptedCameraPin* pin_;  // owned by the base's pin list
};

class TScriptedCameraProvider final : public IDSDeviceProvider {
 public:
  static inline const QString kName = QStringLiteral("Scripted Camera");
  explicit TScriptedCameraProvider(std::shared_ptr<TScriptedCameraScript> script) : script_(std::move(script)) {}
  TGUID Category() const override;
  QString Kind() const override { return QStringLiteral("scripted"); }
  std::vector<TDSDeviceDescription> Devices() override;
  HRESULT CreateFilter(const TDSDeviceDescription& device, IBaseFilter** filter) override;

 private:
  std::shared_ptr<TScriptedCameraScript> script_;
};

}  // namespace lumicar::capturetest
