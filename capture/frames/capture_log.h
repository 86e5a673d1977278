#pragma once
// The capture component's log category: what its graph steps and its start
// and stop give up on without an error of their own.

#include <QLoggingCategory>

namespace lumicar {

Q_DECLARE_LOGGING_CATEGORY(lcCapture)

}  // namespace lumicar
