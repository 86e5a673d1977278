#include "imagepins/data_pins_log.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcDataPins, "lumicar.datapins")

}  // namespace lumicar
