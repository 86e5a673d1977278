#include "pins/typed/char_pins.h"

namespace lumicar {

void TOWCharSourcePin::Send(const QString& text) {
  for (const QChar c : text) Submit(c);
}

}  // namespace lumicar
