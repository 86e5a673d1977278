#pragma once
// Lists the V4L2 cameras in the video input category and makes their
// capture filters. The node lister and the seam are replaceable for tests.

#include <functional>
#include <memory>

#include "dsbase/camera/camera_identity.h"

namespace lumicar {

class TDSV4L2DeviceProvider final : public IDSDeviceProvider {
 public:
  using TNodeLister = std::function<std::vector<TDSVideoNode>()>;
  explicit TDSV4L2DeviceProvider(std::shared_ptr<IV4L2Device> device = DSKernelV4L2Device(),
                                 TNodeLister lister = DSListVideoNodes)
      : device_(std::move(device)), lister_(std::move(lister)) {}

  TGUID Category() const override;
  QString Kind() const override { return QStringLiteral("v4l2"); }
  std::vector<TDSDeviceDescription> Devices() override;
  HRESULT CreateFilter(const TDSDeviceDescription& device, IBaseFilter** filter) override;

 private:
  std::shared_ptr<IV4L2Device> device_;
  TNodeLister lister_;
};

}  // namespace lumicar
