#pragma once
// The viewer's log category: its start, its display and its camera restarts.

#include <QLoggingCategory>

namespace lumicar {

Q_DECLARE_LOGGING_CATEGORY(lcStartup)

}  // namespace lumicar
