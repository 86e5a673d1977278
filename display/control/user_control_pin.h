#pragma once
// The output on which a control sends what the user does with it (mouse
// moves and presses, in the picture's coordinates) to whatever wants it.

#include "imagepins/data_buffer_pins.h"

namespace lumicar {

class TSLOWUserControlSourcePin : public TSLOWSourcePin {
  Q_OBJECT
 public:
  explicit TSLOWUserControlSourcePin(TComponent* owner, IOWLock* ownerLock = nullptr,
                                     TOWDispatchEvent operationEvent = {})
      : TSLOWSourcePin(owner, ownerLock, std::move(operationEvent)) {}
};

}  // namespace lumicar
