#pragma once
// The seam between device enumeration and the code that knows devices: a
// provider lists the devices of one category and makes the filter of one.
// Providers are asked in registration order, so their devices list in that order.

#include <QString>
#include <memory>
#include <vector>

#include "dsbase/com/filter_interfaces.h"

namespace lumicar {

struct TDSDeviceDescription {
  QString FriendlyName;
  // Stable across runs; with the provider's kind it forms the display name.
  QString Id;
  QString DevicePath;
  TGUID FilterClassId;
};

class IDSDeviceProvider {
 public:
  virtual ~IDSDeviceProvider() = default;
  virtual TGUID Category() const = 0;
  // The word between "@device:" and the next ':' of the display names.
  virtual QString Kind() const = 0;
  virtual std::vector<TDSDeviceDescription> Devices() = 0;
  // A new filter of the device (one reference), or a failure code when the
  // device has gone.
  virtual HRESULT CreateFilter(const TDSDeviceDescription& device, IBaseFilter** filter) = 0;
};

void DSRegisterDeviceProvider(std::shared_ptr<IDSDeviceProvider> provider);
void DSUnregisterDeviceProvider(const IDSDeviceProvider* provider);
// The providers of a category, in registration order.
std::vector<std::shared_ptr<IDSDeviceProvider>> DSDeviceProviders(const TGUID& category);
// Every provider, in registration order.
std::vector<std::shared_ptr<IDSDeviceProvider>> DSAllDeviceProviders();

}  // namespace lumicar
