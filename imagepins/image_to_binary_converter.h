#pragma once
// The converter the framework puts between an image output and an input
// that takes raw bytes only: frames leave as byte blocks, every other
// operation passes unchanged. Its output is a binary source pin.

#include "imagepins/data_buffer_pins.h"
#include "pins/format_converter.h"

namespace lumicar {

// A data-buffer output of raw bytes ("SL binary array").
class TSLOWBinarySourcePin : public TSLOWSourcePin {
  Q_OBJECT
 public:
  explicit TSLOWBinarySourcePin(TComponent* owner, IOWLock* ownerLock = nullptr, TOWDispatchEvent operationEvent = {});
  ~TSLOWBinarySourcePin() override;
};

class TSLOWImageToBinaryFormatConverter : public TOWFormatConverter {
  Q_OBJECT
 public:
  TSLOWImageToBinaryFormatConverter();

 private:
  TOWDispatchResult Convert(IOWNotifyOperation* operation);
};

}  // namespace lumicar
