#pragma once
// A push source of arbitrary bytes with one media type set by its owner
// and time-stamped blocks: the stamped sibling of the plain binary source,
// built on the same pin.

#include "dsbase/base/binary_source_filter.h"

namespace lumicar {

class TVLDSBinarySourceStreamPin : public TDSBinarySourceStreamPin {
 public:
  explicit TVLDSBinarySourceStreamPin(TDSBaseSourceFilter* filter) : TDSBinarySourceStreamPin(filter) {}

  // Nothing unless connected. The block is cut into as many samples as the
  // buffer needs; with a start or stop time each sample carries its share
  // of the interval and is a sync point. True only when every byte was
  // delivered.
  bool SendData(const void* data, int64_t size, int64_t start, int64_t stop);
};

class TVLDSBinarySourceFilter : public TDSBaseSourceFilter {
 public:
  TVLDSBinarySourceFilter(const QString& name, const TGUID& classId);

  TVLDSBinarySourceStreamPin* Pin() const { return pin_; }
  // The one type offered (a copy, format block included).
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) { return mt ? pin_->SetOfferedType(*mt) : E_POINTER; }
  HRESULT SetBufferSize(int32_t bytes) { return pin_->SetBufferSize(bytes); }
  bool SendData(const void* data, int64_t size, int64_t start, int64_t stop) {
    return pin_->SendData(data, size, start, stop);
  }

 private:
  TVLDSBinarySourceStreamPin* pin_;  // owned by the pin list
};

}  // namespace lumicar
