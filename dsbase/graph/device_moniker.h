#pragma once
// The moniker of one device: binds to the device's filter (through its
// provider) or to its property bag, and names the device by a display name
// that MkParseDisplayName turns back into the same device.

#include <memory>

#include "dsbase/com/dual_unknown.h"
#include "dsbase/graph/device_provider.h"
#include "dsbase/graph/moniker_interfaces.h"

namespace lumicar {

class TDSDeviceMoniker final : public TDSDualUnknown, public IMoniker {
 public:
  TDSDeviceMoniker(std::shared_ptr<IDSDeviceProvider> provider, TDSDeviceDescription device);

  // "@device:<kind>:<category>\<id>".
  static QString DisplayNameOf(const IDSDeviceProvider& provider, const TDSDeviceDescription& device);

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT GetClassID(TGUID* classId) override;
  HRESULT BindToObject(IBindCtx* context, IMoniker* left, const TGUID& iid, void** object) override;
  HRESULT BindToStorage(IBindCtx* context, IMoniker* left, const TGUID& iid, void** object) override;
  HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, char16_t** name) override;
  HRESULT IsEqual(IMoniker* other) override;

  const QString& DisplayName() const { return displayName_; }

 private:
  ~TDSDeviceMoniker() override = default;

  std::shared_ptr<IDSDeviceProvider> provider_;
  TDSDeviceDescription device_;
  QString displayName_;
};

// The device's properties: "FriendlyName", "CLSID", "DevicePath".
class TDSDevicePropertyBag final : public TDSDualUnknown, public IPropertyBag {
 public:
  explicit TDSDevicePropertyBag(const TDSDeviceDescription& device);
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT Read(const char16_t* name, QString* value) override;
  // Device properties are the device's: they cannot be written.
  HRESULT Write(const char16_t* name, const QString& value) override;

 private:
  ~TDSDevicePropertyBag() override = default;
  TDSDeviceDescription device_;
};

}  // namespace lumicar
