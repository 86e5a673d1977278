#include "dsbase/camera/test_pattern_provider.h"

#include <mutex>

#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/camera/test_pattern_device.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/camera/v4l2_device_provider.h"
#include "dsbase/com/graph_ids.h"

namespace lumicar {

TGUID TDSTestPatternProvider::Category() const { return CLSID_VideoInputDeviceCategory; }

std::vector<TDSDeviceDescription> TDSTestPatternProvider::Devices() {
  return {{QStringLiteral("Test pattern"), QStringLiteral("test-pattern"),
           QString::fromLatin1(TDSTestPatternDevice::kPath), CLSID_V4L2CaptureFilter}};
}

HRESULT TDSTestPatternProvider::CreateFilter(const TDSDeviceDescription& device, IBaseFilter** filter) {
  if (!filter) return E_POINTER;
  *filter = nullptr;
  TDSV4L2CaptureFilter* f = nullptr;
  const HRESULT hr = TDSV4L2CaptureFilter::Create(std::make_shared<TDSTestPatternDevice>(), TDSTestPatternDevice::kPath,
                                                  device.FriendlyName, &f);
  if (FAILED(hr)) return hr;
  *filter = static_cast<IBaseFilter*>(f);
  return S_OK;
}

void DSRegisterCameraProviders() {
  static std::once_flag once;
  std::call_once(once, [] {
    DSRegisterDeviceProvider(std::make_shared<TDSV4L2DeviceProvider>());
    DSRegisterDeviceProvider(std::make_shared<TDSTestPatternProvider>());
  });
}

}  // namespace lumicar
