#pragma once
// The pins that carry frames: filter outputs and inputs link over the image
// stream; the raw output of a camera also offers the frame's raw bytes and
// the image-or-compressed stream, and keeps raw buffers and image buffers
// on their own kinds of link.

#include "imagepins/data_buffer_pins.h"

namespace lumicar {

class TVLOWImageSourcePin : public TSLOWSourcePin {
  Q_OBJECT
 public:
  explicit TVLOWImageSourcePin(TComponent* owner, IOWLock* ownerLock = nullptr, TOWDispatchEvent operationEvent = {});
  ~TVLOWImageSourcePin() override;
};

class TVLOWImageSinkPin : public TSLOWSinkPin {
  Q_OBJECT
 public:
  explicit TVLOWImageSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr, TOWDispatchEvent operationEvent = {});
  ~TVLOWImageSinkPin() override;
};

class TVLOWImageRawSourcePin : public TSLOWSourcePin {
  Q_OBJECT
 public:
  explicit TVLOWImageRawSourcePin(TComponent* owner, IOWLock* ownerLock = nullptr,
                                  TOWDispatchEvent operationEvent = {});
  ~TVLOWImageRawSourcePin() override;

  // Image links: everything but raw buffers.
  TOWDispatchResult ImageNotification(IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                                      TOWNotifyState state);
  // Binary links: raw buffers and every operation that carries no buffer;
  // image buffers stay off them.
  TOWDispatchResult RawNotification(IOWStream* receiver, const TGUID& streamId, IOWNotifyOperation* operation,
                                    TOWNotifyState state);
};

class TVLOWImageRawSinkPin : public TVLOWImageSinkPin {
  Q_OBJECT
 public:
  explicit TVLOWImageRawSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr, TOWDispatchEvent operationEvent = {});
  ~TVLOWImageRawSinkPin() override;
};

}  // namespace lumicar
