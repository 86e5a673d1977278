#include "dsbase/graph/enum_filters.h"

#include "dsbase/com/result_codes.h"

namespace lumicar {

TDSEnumFilters::TDSEnumFilters(std::vector<TIntf<IBaseFilter>> filters, size_t position)
    : TDSDualUnknown(QStringLiteral("Filter enumerator"), nullptr), filters_(std::move(filters)), position_(position) {}

HRESULT TDSEnumFilters::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IEnumFilters) return GetInterface<IEnumFilters>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSEnumFilters::Next(uint32_t count, IBaseFilter** filters, uint32_t* fetched) {
  if (!filters) return E_POINTER;
  if (count > 1 && !fetched) return E_POINTER;
  uint32_t n = 0;
  while (n < count && position_ < filters_.size()) filters[n++] = TIntf<IBaseFilter>(filters_[position_++]).Detach();
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

HRESULT TDSEnumFilters::Skip(uint32_t count) {
  const size_t left = filters_.size() - position_;
  position_ += std::min<size_t>(count, left);
  return count <= left ? S_OK : S_FALSE;
}

HRESULT TDSEnumFilters::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT TDSEnumFilters::Clone(IEnumFilters** copy) {
  if (!copy) return E_POINTER;
  auto* e = new (std::nothrow) TDSEnumFilters(filters_, position_);
  *copy = e;
  if (!e) return E_OUTOFMEMORY;
  e->AddRef();
  return S_OK;
}

}  // namespace lumicar
