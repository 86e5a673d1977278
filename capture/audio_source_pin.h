#pragma once
// TALOWAudioSourcePin: the capture's output of audio buffers. Nothing in the
// viewer links it, and the audio input category is empty on this platform,
// so it only ever sends the stop of a capture's stop sequence.

#include "imagepins/data_buffer_pins.h"

namespace lumicar {

class TALOWAudioSourcePin : public TSLOWSourcePin {
  Q_OBJECT
 public:
  explicit TALOWAudioSourcePin(TComponent* owner, IOWLock* ownerLock = nullptr, TOWDispatchEvent operationEvent = {});
  ~TALOWAudioSourcePin() override;
};

}  // namespace lumicar
