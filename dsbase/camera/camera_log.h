#pragma once
// The camera layer's log categories: the cameras, and the watch for
// cameras that leave and come back.

#include <QLoggingCategory>

namespace lumicar {

Q_DECLARE_LOGGING_CATEGORY(lcCamera)
Q_DECLARE_LOGGING_CATEGORY(lcCameraWatch)

}  // namespace lumicar
