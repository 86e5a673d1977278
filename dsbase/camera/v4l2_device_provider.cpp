#include "dsbase/camera/v4l2_device_provider.h"

#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/com/graph_ids.h"

namespace lumicar {

TGUID TDSV4L2DeviceProvider::Category() const { return CLSID_VideoInputDeviceCategory; }

std::vector<TDSDeviceDescription> TDSV4L2DeviceProvider::Devices() { return DSDescribeCameras(*device_, lister_()); }

HRESULT TDSV4L2DeviceProvider::CreateFilter(const TDSDeviceDescription& device, IBaseFilter** filter) {
  if (!filter) return E_POINTER;
  *filter = nullptr;
  // The node number may have changed since the listing: find the camera
  // again by its stable key.
  QString path = device.DevicePath;
  for (const TDSDeviceDescription& d : Devices())
    if (d.Id == device.Id) path = d.DevicePath;
  TDSV4L2CaptureFilter* f = nullptr;
  const HRESULT hr = TDSV4L2CaptureFilter::Create(device_, path.toStdString(), device.FriendlyName, &f);
  if (FAILED(hr)) return hr;
  *filter = static_cast<IBaseFilter*>(f);
  return S_OK;
}

}  // namespace lumicar
