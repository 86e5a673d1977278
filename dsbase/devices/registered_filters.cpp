#include "dsbase/devices/registered_filters.h"

#include <memory>
#include <new>

#include "dsbase/com/class_factory.h"
#include "dsbase/com/filter_graph.h"
#include "dsbase/com/filter_interfaces.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/graph/device_moniker.h"

namespace lumicar {

namespace {

// The class ids that the graph services and the display side register for filters
// (DSRegisterSystemClasses registers the first three).
const TGUID* const kCandidates[] = {&CLSID_ColourSpaceConverter, &CLSID_SampleGrabber, &CLSID_NullRenderer,
                                    &CLSID_VideoRenderer};

// A new instance of the class as a filter; none when the class is not registered.
TIntf<IBaseFilter> MakeFilter(const TGUID& clsid) {
  void* raw = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, &raw)) || !raw) return {};
  return TIntf<IBaseFilter>::Adopt(static_cast<IBaseFilter*>(raw));
}

}  // namespace

TGUID TDSRegisteredFilterProvider::Category() const { return CLSID_LegacyAmFilterCategory; }

std::vector<TDSDeviceDescription> TDSRegisteredFilterProvider::Devices() {
  std::vector<TDSDeviceDescription> found;
  for (const TGUID* clsid : kCandidates) {
    TIntf<IBaseFilter> filter = MakeFilter(*clsid);
    if (!filter) continue;
    FILTER_INFO info{};
    QString name;
    if (SUCCEEDED(filter->QueryFilterInfo(&info))) {
      info.achName[kMaxFilterName - 1] = 0;
      name = QString::fromUtf16(info.achName);
      if (info.pGraph) info.pGraph->Release();
    }
    found.push_back({name, clsid->ToString(), QString(), *clsid});
  }
  return found;
}

HRESULT TDSRegisteredFilterProvider::CreateFilter(const TDSDeviceDescription& device, IBaseFilter** filter) {
  if (!filter) return E_POINTER;
  *filter = nullptr;
  TIntf<IBaseFilter> made = MakeFilter(device.FilterClassId);
  if (!made) return REGDB_E_CLASSNOTREG;
  *filter = made.Detach();
  return S_OK;
}

std::vector<TIntf<IMoniker>> DSRegisteredFilterMonikers() {
  auto provider = std::make_shared<TDSRegisteredFilterProvider>();
  std::vector<TIntf<IMoniker>> monikers;
  for (TDSDeviceDescription& device : provider->Devices()) {
    auto* m = new (std::nothrow) TDSDeviceMoniker(provider, std::move(device));
    if (m) monikers.emplace_back(m);
  }
  return monikers;
}

}  // namespace lumicar
