#include "dsbase/base/text_source_filter.h"

#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"

namespace lumicar {

TDSTextSourceStreamPin::TDSTextSourceStreamPin(TDSBaseSourceFilter* filter)
    : TDSDataSourceStreamPin(QStringLiteral("TextOutput"), filter, kDefaultBufferSize) {}

bool TDSTextSourceStreamPin::SendData(const void* data, int64_t size, REFERENCE_TIME start, REFERENCE_TIME stop,
                                      bool syncPoint) {
  return SendBlock(static_cast<const uint8_t*>(data), size, start != 0 || stop != 0, start, stop, syncPoint);
}

HRESULT TDSTextSourceStreamPin::IntGetMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  LPDSInitMediaType(*mt);
  mt->majortype = MEDIATYPE_Text;
  // Text comes in pieces of any length.
  mt->bFixedSizeSamples = false;
  mt->lSampleSize = 0;
  return S_OK;
}

HRESULT TDSTextSourceStreamPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  return mt->majortype == MEDIATYPE_Text ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

TDSTextSourceFilter::TDSTextSourceFilter(IUnknown* outer, const TGUID& classId)
    : TDSBaseSourceFilter(QStringLiteral("TextSource"), outer, classId), pin_(new TDSTextSourceStreamPin(this)) {}

}  // namespace lumicar
