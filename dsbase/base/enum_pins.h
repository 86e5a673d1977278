#pragma once
// Enumerates a filter's pins. When the filter's pins change after the
// enumerator was made (or last reset), Next and Skip answer
// VFW_E_ENUM_OUT_OF_SYNC until Reset or Refresh.

#include "dsbase/com/dual_unknown.h"
#include "dsbase/com/filter_interfaces.h"

namespace lumicar {

class TDSBaseFilter;

class TDSEnumPins final : public TDSDualUnknown, public IEnumPins {
 public:
  // `copy` given: start at its position and version (Clone).
  TDSEnumPins(TDSBaseFilter* filter, const TDSEnumPins* copy);

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT Next(uint32_t count, IPin** pins, uint32_t* fetched) override;
  HRESULT Skip(uint32_t count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumPins** copy) override;
  HRESULT Refresh();

 private:
  ~TDSEnumPins() override;
  bool OutOfSync() const;

  TDSBaseFilter* filter_;  // counted
  int position_ = 0;
  int count_ = 0;
  int32_t version_ = 0;
};

}  // namespace lumicar
