#pragma once
// The handle base of media blocks (video frames, audio blocks): a generic
// buffer on a media container, with a view of the block's time stamps.

#include <cstdint>

#include "buffers/generic_buffer.h"
#include "buffers/smart_media_buffer.h"
#include "buffers/time_stamp.h"

namespace lumicar {

class TMLMediaBuffer : public TSLGenericBuffer, public virtual IMLMediaBuffer {
 public:
  TMLMediaBuffer(TMLSmartMediaBuffer* container, uint32_t byteSize);
  TMLMediaBuffer(const TMLMediaBuffer& other);
  explicit TMLMediaBuffer(ISLData* source);

  TIntf<ISLData> MakeCopy() override;
  TMLTimeStamp* GetTimeStamp() override { return &timeStamp_; }

  void SetDataContainer(TSLSmartBuffer* container) override;
  TMLSmartMediaBuffer* MediaContainer() const { return mediaContainer_; }

  HRESULT QueryInterface(const TGUID& iid, void** object) override;

 protected:
  bool AcceptsContainer(TSLSmartBuffer* container) const override;

 private:
  TMLTimeStamp timeStamp_{*this};
  TMLSmartMediaBuffer* mediaContainer_ = nullptr;
};

}  // namespace lumicar
