#include "display/control/display_log.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcDisplay, "lumicar.display")

}  // namespace lumicar
