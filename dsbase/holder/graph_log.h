#pragma once
// The graph holder's log category ("lumicar.graph"): graph dumps and event
// handling failures.

#include <QLoggingCategory>

namespace lumicar {

Q_DECLARE_LOGGING_CATEGORY(lcGraph)

}  // namespace lumicar
