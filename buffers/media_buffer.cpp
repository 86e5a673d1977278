#include "buffers/media_buffer.h"

#include "buffers/sl_exception.h"

namespace lumicar {

namespace {

TMLSmartMediaBuffer* AsMediaContainer(TSLSmartBuffer* container) {
  return dynamic_cast<TMLSmartMediaBuffer*>(container);
}

}  // namespace

TMLMediaBuffer::TMLMediaBuffer(TMLSmartMediaBuffer* container, uint32_t byteSize)
    : TSLGenericBuffer(container, byteSize) {
  SetDataContainer(DataContainer());
}

TMLMediaBuffer::TMLMediaBuffer(const TMLMediaBuffer& other) : TSLGenericBuffer(other) {
  SetDataContainer(DataContainer());
}

TMLMediaBuffer::TMLMediaBuffer(ISLData* source) : TSLGenericBuffer(source) {
  // Throws for a handle on a container without time stamps.
  SetDataContainer(DataContainer());
}

TIntf<ISLData> TMLMediaBuffer::MakeCopy() { return TIntf<ISLData>(new TMLMediaBuffer(*this)); }

HRESULT TMLMediaBuffer::QueryInterface(const TGUID& iid, void** object) {
  if (object && iid == IID_IMLMediaBuffer) {
    *object = static_cast<IMLMediaBuffer*>(this);
    AddRef();
    return S_OK;
  }
  return TSLGenericBuffer::QueryInterface(iid, object);
}

bool TMLMediaBuffer::AcceptsContainer(TSLSmartBuffer* container) const {
  return AsMediaContainer(container) != nullptr;
}

void TMLMediaBuffer::SetDataContainer(TSLSmartBuffer* container) {
  TMLSmartMediaBuffer* media = AsMediaContainer(container);
  if (!media) throw ESLException(QStringLiteral("A media buffer needs a media container"));
  TSLGenericBuffer::SetDataContainer(container);
  mediaContainer_ = media;
}

}  // namespace lumicar
