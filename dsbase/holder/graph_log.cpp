#include "dsbase/holder/graph_log.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcGraph, "lumicar.graph")

}  // namespace lumicar
