#pragma once
// The media-graph layer's log category (filters, pins, the graph manager): failures it contains so that a stream or a
// graph goes on.

#include <QLoggingCategory>

namespace lumicar {

Q_DECLARE_LOGGING_CATEGORY(lcMediaGraph)

}  // namespace lumicar
