#pragma once
// A bind context: keeps the objects bound through it alive until it goes.

#include <vector>

#include "dsbase/com/dual_unknown.h"
#include "dsbase/graph/moniker_interfaces.h"

namespace lumicar {

class TDSBindContext final : public TDSDualUnknown, public IBindCtx {
 public:
  TDSBindContext();
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT RegisterObjectBound(IUnknown* object) override;
  HRESULT RevokeObjectBound(IUnknown* object) override;
  HRESULT ReleaseBoundObjects() override;

 private:
  ~TDSBindContext() override = default;
  std::vector<TIntf<IUnknown>> bound_;
};

}  // namespace lumicar
