#pragma once
// The converter the framework puts between a point-data output and an input
// that takes paired buffers only: each series of points leaves as two real
// buffers (all x values, all y values) in one paired-buffer operation, every
// other operation passes unchanged. Its output is a paired-buffers source pin.

#include "imagepins/data_buffer_pins.h"
#include "pins/format_converter.h"

namespace lumicar {

// A data-buffer output of paired buffers ("SL Paired Buffers stream").
class TSLOWPairedBuffersSourcePin : public TSLOWSourcePin {
  Q_OBJECT
 public:
  explicit TSLOWPairedBuffersSourcePin(TComponent* owner, IOWLock* ownerLock = nullptr,
                                       TOWDispatchEvent operationEvent = {});
  ~TSLOWPairedBuffersSourcePin() override;
};

class TOWVLXYFloatToPairsFormatConverter : public TOWFormatConverter {
  Q_OBJECT
 public:
  TOWVLXYFloatToPairsFormatConverter();

 private:
  TOWDispatchResult Convert(IOWNotifyOperation* operation);
};

}  // namespace lumicar
