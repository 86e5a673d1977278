#include "capture/audio_source_pin.h"

namespace lumicar {

TALOWAudioSourcePin::TALOWAudioSourcePin(TComponent* owner, IOWLock* ownerLock, TOWDispatchEvent operationEvent)
    : TSLOWSourcePin(owner, ownerLock, std::move(operationEvent)) {}

TALOWAudioSourcePin::~TALOWAudioSourcePin() { BeforeDestruction(); }

}  // namespace lumicar
