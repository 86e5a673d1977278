#pragma once
// The camera layer's log category.

#include <QLoggingCategory>

namespace lumicar {

Q_DECLARE_LOGGING_CATEGORY(lcCamera)

}  // namespace lumicar
