#include "dsbase/base/dsbase_log.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcMediaGraph, "lumicar.mediagraph")

}  // namespace lumicar
