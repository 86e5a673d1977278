#include "pins/pins_log.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcPins, "lumicar.pins")

}  // namespace lumicar
