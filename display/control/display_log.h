#pragma once
// The display controls' log category: frames that cannot be shown and graph changes that fail while a display goes.

#include <QLoggingCategory>

namespace lumicar {

Q_DECLARE_LOGGING_CATEGORY(lcDisplay)

}  // namespace lumicar
