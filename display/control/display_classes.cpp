#include "display/control/display_classes.h"

#include <mutex>

#include "display/control/ds_image_display.h"
#include "display/control/painter_display.h"
#include "dsbase/render/render_classes.h"
#include "runtime/class_registry.h"

namespace lumicar {

void RegisterDisplayClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    // A display made from a design builds its graph at the first start: the
    // renderer has to be known by then.
    DSRegisterRenderClasses();
    RegisterClass<TVLDSImageDisplay>();
    RegisterClass<TVLPainterDisplay>();
  });
}

}  // namespace lumicar
