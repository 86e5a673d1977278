#include "dsbase/camera/camera_log.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcCamera, "lumicar.camera")
Q_LOGGING_CATEGORY(lcCameraWatch, "lumicar.camera.watch")

}  // namespace lumicar
