#pragma once
// A push source of text: one output pin "TextOutput" offering the text
// major type with no subtype, fed with blocks of text bytes by its owner.

#include "dsbase/base/data_source_pin.h"

namespace lumicar {

class TDSTextSourceStreamPin : public TDSDataSourceStreamPin {
 public:
  static constexpr int32_t kDefaultBufferSize = 4096;

  explicit TDSTextSourceStreamPin(TDSBaseSourceFilter* filter);

  // Delivers a block of text bytes; see TDSDataSourceStreamPin. Times are
  // stamped when start or stop is non-zero.
  bool SendData(const void* data, int64_t size, REFERENCE_TIME start, REFERENCE_TIME stop, bool syncPoint);

  HRESULT IntGetMediaType(int position, AM_MEDIA_TYPE* mt) override;
  // Any text type.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
};

class TDSTextSourceFilter : public TDSBaseSourceFilter {
 public:
  explicit TDSTextSourceFilter(IUnknown* outer = nullptr, const TGUID& classId = GUID_NULL);

  TDSTextSourceStreamPin* Pin() const { return pin_; }
  bool SendData(const void* data, int64_t size, REFERENCE_TIME start, REFERENCE_TIME stop, bool syncPoint) {
    return pin_->SendData(data, size, start, stop, syncPoint);
  }

 private:
  TDSTextSourceStreamPin* pin_;  // owned by the pin list
};

}  // namespace lumicar
