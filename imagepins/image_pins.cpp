#include "imagepins/image_pins.h"

#include "imagepins/buffer_operations.h"
#include "imagepins/image_streams.h"

namespace lumicar {

TVLOWImageSourcePin::TVLOWImageSourcePin(TComponent* owner, IOWLock* ownerLock, TOWDispatchEvent operationEvent)
    : TSLOWSourcePin(owner, ownerLock, std::move(operationEvent)) {
  AddType(IID_VLImageStream, TOWSubmitFunction::Bind<&TSLOWSourcePin::NotificationHandler>(this));
}

TVLOWImageSourcePin::~TVLOWImageSourcePin() { BeforeDestruction(); }

TVLOWImageSinkPin::TVLOWImageSinkPin(TComponent* owner, IOWLock* ownerLock, TOWDispatchEvent operationEvent)
    : TSLOWSinkPin(owner, ownerLock, std::move(operationEvent)) {
  AddType(IID_VLImageStream, TOWSubmitFunction::Bind<&TSLOWSinkPin::NotificationHandler>(this));
}

TVLOWImageSinkPin::~TVLOWImageSinkPin() { BeforeDestruction(); }

TVLOWImageRawSourcePin::TVLOWImageRawSourcePin(TComponent* owner, IOWLock* ownerLock, TOWDispatchEvent operationEvent)
    : TSLOWSourcePin(owner, ownerLock, std::move(operationEvent)) {
  AddType(IID_SLBinaryArrayStream, TOWSubmitFunction::Bind<&TVLOWImageRawSourcePin::RawNotification>(this));
  AddType(IID_VLImageStream, TOWSubmitFunction::Bind<&TVLOWImageRawSourcePin::ImageNotification>(this));
  AddType(IID_VLImageOrCompressedStream, TOWSubmitFunction::Bind<&TSLOWSourcePin::NotificationHandler>(this));
}

TVLOWImageRawSourcePin::~TVLOWImageRawSourcePin() { BeforeDestruction(); }

TOWDispatchResult TVLOWImageRawSourcePin::ImageNotification(IOWStream* receiver, const TGUID& streamId,
                                                            IOWNotifyOperation* operation, TOWNotifyState state) {
  if (OWOperationAs<TOWSuppliedRawBufferOperation>(operation)) return {};
  return NotificationHandler(receiver, streamId, operation, state);
}

TOWDispatchResult TVLOWImageRawSourcePin::RawNotification(IOWStream* receiver, const TGUID& streamId,
                                                          IOWNotifyOperation* operation, TOWNotifyState state) {
  const bool raw = OWOperationAs<TOWSuppliedRawBufferOperation>(operation) != nullptr;
  if (!raw && OWOperationAs<TOWSuppliedBufferOperation>(operation)) return {};
  return NotificationHandler(receiver, streamId, operation, state);
}

TVLOWImageRawSinkPin::TVLOWImageRawSinkPin(TComponent* owner, IOWLock* ownerLock, TOWDispatchEvent operationEvent)
    : TVLOWImageSinkPin(owner, ownerLock, std::move(operationEvent)) {
  AddType(IID_VLImageOrCompressedStream, TOWSubmitFunction::Bind<&TSLOWSinkPin::NotificationHandler>(this));
}

TVLOWImageRawSinkPin::~TVLOWImageRawSinkPin() { BeforeDestruction(); }

}  // namespace lumicar
