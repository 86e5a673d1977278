#pragma once
// The filters of the media layer that can be made by class id, listed the way
// devices are: each with a moniker whose property bag gives its name and class id
// and which binds to a new instance. This platform keeps no filter registry with
// merits; the list holds the media layer's system filters that are registered at
// the moment of the call, all of them of normal merit.

#include <vector>

#include "dsbase/graph/device_provider.h"
#include "dsbase/graph/moniker_interfaces.h"
#include "runtime/interface.h"

namespace lumicar {

// Lists the registered system filters in the legacy filter category under the kind
// "sw" (display names "@device:sw:{083863F1-...}\<class id>"); a filter is listed
// under the name it gives itself. It is not registered with the device enumerator,
// so the device categories stay as the camera providers make them.
class TDSRegisteredFilterProvider final : public IDSDeviceProvider {
 public:
  TGUID Category() const override;
  QString Kind() const override { return QStringLiteral("sw"); }
  // The candidates (colour converter, sample grabber, null renderer, video
  // renderer) that CoCreateInstance can make now, in that order.
  std::vector<TDSDeviceDescription> Devices() override;
  HRESULT CreateFilter(const TDSDeviceDescription& device, IBaseFilter** filter) override;
};

// The monikers of the filters TDSRegisteredFilterProvider lists.
std::vector<TIntf<IMoniker>> DSRegisteredFilterMonikers();

}  // namespace lumicar
