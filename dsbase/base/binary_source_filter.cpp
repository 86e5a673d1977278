#include "dsbase/base/binary_source_filter.h"

#include <utility>

#include "dsbase/com/result_codes.h"

namespace lumicar {

TDSBinarySourceStreamPin::TDSBinarySourceStreamPin(TDSBaseSourceFilter* filter, const QString& pinName)
    : TDSDataSourceStreamPin(pinName, filter, kDefaultBufferSize) {}

HRESULT TDSBinarySourceStreamPin::SetOfferedType(const AM_MEDIA_TYPE& mt) {
  std::lock_guard guard(*lock_);
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  TDSMediaType copy;
  const HRESULT hr = LPDSCopyMediaType(copy.Get(), mt);
  if (FAILED(hr)) return hr;
  // Swapping hands the block over; the old offer goes with `copy`.
  std::swap(offered_.Get(), copy.Get());
  hasOffered_ = true;
  IncrementTypeVersion();
  return S_OK;
}

bool TDSBinarySourceStreamPin::SendData(const void* data, int64_t size) {
  return SendBlock(static_cast<const uint8_t*>(data), size, false, 0, 0, false);
}

HRESULT TDSBinarySourceStreamPin::IntGetMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  if (position > 0 || !hasOffered_) return VFW_S_NO_MORE_ITEMS;
  return LPDSCopyMediaType(*mt, offered_.Get());
}

HRESULT TDSBinarySourceStreamPin::CheckMediaType(const AM_MEDIA_TYPE* mt) { return mt ? S_OK : E_POINTER; }

TDSBinarySourceFilter::TDSBinarySourceFilter(IUnknown* outer, const TGUID& classId)
    : TDSBaseSourceFilter(QStringLiteral("BinarySource"), outer, classId), pin_(new TDSBinarySourceStreamPin(this)) {}

}  // namespace lumicar
