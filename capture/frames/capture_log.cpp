#include "capture/frames/capture_log.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcCapture, "lumicar.capture")

}  // namespace lumicar
