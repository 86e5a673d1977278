#include "dsbase/camera/camera_log.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcCamera, "lumicar.camera")

}  // namespace lumicar
