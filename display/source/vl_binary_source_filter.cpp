#include "display/source/vl_binary_source_filter.h"

namespace lumicar {

bool TVLDSBinarySourceStreamPin::SendData(const void* data, int64_t size, int64_t start, int64_t stop) {
  const bool stamp = start != 0 || stop != 0;
  return SendBlock(static_cast<const uint8_t*>(data), size, stamp, start, stop, stamp);
}

TVLDSBinarySourceFilter::TVLDSBinarySourceFilter(const QString& name, const TGUID& classId)
    : TDSBaseSourceFilter(name, nullptr, classId), pin_(new TVLDSBinarySourceStreamPin(this)) {}

}  // namespace lumicar
