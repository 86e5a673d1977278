#include "pins/typed/string_pins.h"

namespace lumicar {

void TOWStringSourcePin::Send(const QString& text) {
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
    Submit(text.mid(i, n));
    i += n;
  }
}

}  // namespace lumicar
