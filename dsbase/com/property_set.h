#pragma once
// Properties of a filter or pin addressed by a property set and an id; the
// pin property set tells a capture filter's output pins apart by category
// (capture or preview).

#include <cstdint>

#include "runtime/interface.h"

namespace lumicar {

inline const TGUID IID_IKsPropertySet = TGUID::FromString("{31EFAC30-515C-11D0-A9AA-00AA0061BE93}");
inline const TGUID AMPROPSETID_Pin = TGUID::FromString("{9B00F101-1567-11D1-B3F1-00AA003761C5}");
constexpr uint32_t AMPROPERTY_PIN_CATEGORY = 0;
constexpr uint32_t KSPROPERTY_SUPPORT_GET = 1;
constexpr uint32_t KSPROPERTY_SUPPORT_SET = 2;
inline const TGUID PIN_CATEGORY_CAPTURE = TGUID::FromString("{FB6C4281-0353-11D1-905F-0000C0CC16BA}");
inline const TGUID PIN_CATEGORY_PREVIEW = TGUID::FromString("{FB6C4282-0353-11D1-905F-0000C0CC16BA}");

class IKsPropertySet : public virtual IUnknown {
 public:
  virtual HRESULT Set(const TGUID& propSet, uint32_t id, const void* instanceData, uint32_t instanceLength,
                      const void* propertyData, uint32_t dataLength) = 0;
  // `bytesReturned` receives how much of `propertyData` was written.
  virtual HRESULT Get(const TGUID& propSet, uint32_t id, const void* instanceData, uint32_t instanceLength,
                      void* propertyData, uint32_t dataLength, uint32_t* bytesReturned) = 0;
  virtual HRESULT QuerySupported(const TGUID& propSet, uint32_t id, uint32_t* typeSupport) = 0;
};

}  // namespace lumicar
