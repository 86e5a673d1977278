#include "display/source/video_source_filter.h"

namespace lumicar {

TDSVideoSourceFilter::TDSVideoSourceFilter(const QString& name, const TGUID& classId, TVLVideoFormat preferred,
                                           bool fixedFormat, uint32_t interlaceFlags)
    : TDSBaseSourceFilter(name, nullptr, classId),
      pin_(new TDSVideoSourceStreamPin(this, preferred, fixedFormat, interlaceFlags)) {}

HRESULT TDSVideoSourceFilter::Flush() {
  const HRESULT begin = pin_->DeliverBeginFlush();
  const HRESULT end = pin_->DeliverEndFlush();
  return FAILED(begin) ? begin : end;
}

}  // namespace lumicar
