#pragma once
// The component bases' log category: failures of collection listeners, which never stop the collection.

#include <QLoggingCategory>

namespace lumicar {

Q_DECLARE_LOGGING_CATEGORY(lcComponents)

}  // namespace lumicar
