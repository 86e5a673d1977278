#include "dsbase/render/render_classes.h"

#include <mutex>

#include "dsbase/classes/system_classes.h"
#include "dsbase/com/class_factory.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/render/camera_settings_dialog.h"
#include "dsbase/render/video_renderer.h"

namespace lumicar {

namespace {

TDSClassCreator RendererCreator(const TGUID& classId) {
  return [classId](IUnknown* outer, HRESULT* result) -> IUnknown* {
    if (outer) {
      *result = CLASS_E_NOAGGREGATION;
      return nullptr;
    }
    auto* renderer = new (std::nothrow) TDSVideoRenderer(classId);
    if (!renderer) {
      *result = E_OUTOFMEMORY;
      return nullptr;
    }
    renderer->NonDelegatingAddRef();
    *result = S_OK;
    return renderer->GetNonDelegatingUnknown();
  };
}

}  // namespace

void DSRegisterRenderClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    DSRegisterSystemClasses();
    // On this platform both renderer choices draw the same way.
    DSRegisterClass(CLSID_VideoRenderer, RendererCreator(CLSID_VideoRenderer));
    DSRegisterClass(CLSID_VideoMixingRenderer9, RendererCreator(CLSID_VideoMixingRenderer9));
    DSRegisterCameraSettingsPage();
  });
}

}  // namespace lumicar
