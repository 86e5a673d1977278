#pragma once
// The log category of the data-buffer pins and their converters.

#include <QLoggingCategory>

namespace lumicar {

Q_DECLARE_LOGGING_CATEGORY(lcDataPins)

}  // namespace lumicar
