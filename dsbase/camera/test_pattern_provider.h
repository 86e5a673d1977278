#pragma once
// The synthetic camera in the video input category ("Test pattern"), so the
// program and its tests show a live picture on machines without a camera.

#include "dsbase/graph/device_provider.h"

namespace lumicar {

class TDSTestPatternProvider final : public IDSDeviceProvider {
 public:
  TGUID Category() const override;
  QString Kind() const override { return QStringLiteral("synthetic"); }
  std::vector<TDSDeviceDescription> Devices() override;
  HRESULT CreateFilter(const TDSDeviceDescription& device, IBaseFilter** filter) override;
};

// Registers the V4L2 cameras and, after them, the synthetic camera with the
// device enumerator. Calling again does nothing.
void DSRegisterCameraProviders();

}  // namespace lumicar
