#pragma once
// Enumerates the filters of a graph as they were when the enumerator was made.

#include <vector>

#include "dsbase/com/dual_unknown.h"
#include "dsbase/com/filter_graph.h"

namespace lumicar {

class TDSEnumFilters final : public TDSDualUnknown, public IEnumFilters {
 public:
  explicit TDSEnumFilters(std::vector<TIntf<IBaseFilter>> filters, size_t position = 0);

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT Next(uint32_t count, IBaseFilter** filters, uint32_t* fetched) override;
  HRESULT Skip(uint32_t count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumFilters** copy) override;

 private:
  std::vector<TIntf<IBaseFilter>> filters_;
  size_t position_;
};

}  // namespace lumicar
