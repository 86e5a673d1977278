#include "app/viewer_classes.h"

#include <QtGlobal>
#include <mutex>

#include "capture/ds_capture.h"
#include "display/control/display_classes.h"
#include "dsbase/camera/test_pattern_provider.h"
#include "dsbase/classes/system_classes.h"
#include "dsbase/render/render_classes.h"
#include "filters/mirror.h"
#include "runtime/class_registry.h"
#include "ui/registration.h"

// The designs live in a static library: their resource must be registered by
// name (outside any namespace).
static void InitViewerResources() { Q_INIT_RESOURCE(app_designs); }

namespace lumicar {

void RegisterViewerClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    InitViewerResources();
    DSRegisterSystemClasses();
    DSRegisterCameraProviders();
    DSRegisterRenderClasses();
    RegisterDisplayClasses();
    RegisterUIClasses();
    RegisterClass<TVLDSCapture>();
    RegisterClass<TVLMirror>();
  });
}

}  // namespace lumicar
