#include "components/components_log.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcComponents, "lumicar.components")

}  // namespace lumicar
