#pragma once
// The system device enumerator and the moniker enumerator it hands out: the
// devices of a category as the providers list them at that moment.

#include <vector>

#include "dsbase/com/dual_unknown.h"
#include "dsbase/graph/moniker_interfaces.h"

namespace lumicar {

class TDSSystemDeviceEnum final : public TDSDualUnknown, public ICreateDevEnum {
 public:
  TDSSystemDeviceEnum();
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT CreateClassEnumerator(const TGUID& category, IEnumMoniker** monikers, uint32_t flags) override;

  // The monikers of a category in provider order (also used to parse names).
  static std::vector<TIntf<IMoniker>> Monikers(const TGUID& category);

 private:
  ~TDSSystemDeviceEnum() override = default;
};

class TDSEnumMoniker final : public TDSDualUnknown, public IEnumMoniker {
 public:
  explicit TDSEnumMoniker(std::vector<TIntf<IMoniker>> monikers, size_t position = 0);
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT Next(uint32_t count, IMoniker** monikers, uint32_t* fetched) override;
  HRESULT Skip(uint32_t count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumMoniker** copy) override;

 private:
  ~TDSEnumMoniker() override = default;
  std::vector<TIntf<IMoniker>> monikers_;
  size_t position_;
};

}  // namespace lumicar
