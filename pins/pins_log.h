#pragma once
// The pin framework's log category: failures it contains so that one pin, listener or placeholder cannot stop the
// others.

#include <QLoggingCategory>

namespace lumicar {

Q_DECLARE_LOGGING_CATEGORY(lcPins)

}  // namespace lumicar
