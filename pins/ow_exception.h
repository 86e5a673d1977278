#pragma once
// The exception the pin framework raises for its own errors (for example a
// delivery that runs into itself without a protecting function dependency).

#include "runtime/exception.h"

namespace lumicar {

class EOWException : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace lumicar
