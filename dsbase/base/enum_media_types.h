#pragma once
// Enumerates the media types a pin offers, each handed out as a task-memory
// type prepared (zeroed, sample size 1, fixed-size samples) before the pin
// fills it. A change of the pin's type version puts it out of sync.

#include "dsbase/com/dual_unknown.h"
#include "dsbase/com/filter_interfaces.h"

namespace lumicar {

class TDSBasePin;

class TDSEnumMediaTypes final : public TDSDualUnknown, public IEnumMediaTypes {
 public:
  TDSEnumMediaTypes(TDSBasePin* pin, const TDSEnumMediaTypes* copy);

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT Next(uint32_t count, AM_MEDIA_TYPE** types, uint32_t* fetched) override;
  HRESULT Skip(uint32_t count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumMediaTypes** copy) override;

 private:
  ~TDSEnumMediaTypes() override;
  bool OutOfSync() const;

  TDSBasePin* pin_;  // counted
  int position_ = 0;
  int32_t version_ = 0;
};

}  // namespace lumicar
