#pragma once
// A push source of arbitrary bytes: one output pin "BinaryOutput" offering
// the one media type its owner sets, fed with blocks of bytes that carry no
// time stamps. A time-stamped variant derives from the same pin.

#include "dsbase/base/data_source_pin.h"

namespace lumicar {

class TDSBinarySourceStreamPin : public TDSDataSourceStreamPin {
 public:
  static constexpr int32_t kDefaultBufferSize = 64 * 1024;

  explicit TDSBinarySourceStreamPin(TDSBaseSourceFilter* filter, const QString& pinName = u"BinaryOutput"_qs);

  // The type offered from now on (a copy with its block). E_POINTER for a
  // type claiming a block it lacks; VFW_E_ALREADY_CONNECTED while connected.
  HRESULT SetOfferedType(const AM_MEDIA_TYPE& mt);
  // Delivers a block of bytes without times; see TDSDataSourceStreamPin.
  bool SendData(const void* data, int64_t size);

  // The offered type at 0 once one is set; nothing before.
  HRESULT IntGetMediaType(int position, AM_MEDIA_TYPE* mt) override;
  // Any type: the owner knows what its bytes are.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;

 private:
  TDSMediaType offered_;  // guarded by the filter lock
  bool hasOffered_ = false;
};

class TDSBinarySourceFilter : public TDSBaseSourceFilter {
 public:
  explicit TDSBinarySourceFilter(IUnknown* outer = nullptr, const TGUID& classId = GUID_NULL);

  TDSBinarySourceStreamPin* Pin() const { return pin_; }
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) { return mt ? pin_->SetOfferedType(*mt) : E_POINTER; }
  // The byte size of the sample buffer.
  HRESULT SetFormat(int32_t bufferSize) { return pin_->SetBufferSize(bufferSize); }
  bool SendData(const void* data, int64_t size) { return pin_->SendData(data, size); }

 private:
  TDSBinarySourceStreamPin* pin_;  // owned by the pin list
};

}  // namespace lumicar
