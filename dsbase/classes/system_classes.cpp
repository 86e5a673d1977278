#include "dsbase/classes/system_classes.h"

#include <mutex>

#include "dsbase/com/class_factory.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/filters/colour_converter.h"
#include "dsbase/filters/null_renderer.h"
#include "dsbase/filters/sample_grabber.h"
#include "dsbase/graph/capture_graph_builder.h"
#include "dsbase/graph/converter_registry.h"
#include "dsbase/graph/device_enumerator.h"
#include "dsbase/graph/filter_graph_manager.h"
#include "dsbase/media/mem_allocator.h"

namespace lumicar {

namespace {

// None of these classes is made to be aggregated.
template <typename T>
TDSClassCreator Creator() {
  return [](IUnknown* outer, HRESULT* result) -> IUnknown* {
    if (outer) {
      *result = CLASS_E_NOAGGREGATION;
      return nullptr;
    }
    auto* object = new (std::nothrow) T();
    if (!object) {
      *result = E_OUTOFMEMORY;
      return nullptr;
    }
    object->NonDelegatingAddRef();
    *result = S_OK;
    return object->GetNonDelegatingUnknown();
  };
}

}  // namespace

void DSRegisterSystemClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    DSRegisterClass(CLSID_FilterGraph, Creator<TDSFilterGraph>());
    DSRegisterClass(CLSID_CaptureGraphBuilder2, Creator<TDSCaptureGraphBuilder>());
    DSRegisterClass(CLSID_SystemDeviceEnum, Creator<TDSSystemDeviceEnum>());
    DSRegisterClass(CLSID_SampleGrabber, Creator<TDSSampleGrabber>());
    DSRegisterClass(CLSID_NullRenderer, Creator<TDSNullRenderer>());
    DSRegisterClass(CLSID_ColourSpaceConverter, Creator<TDSColourConverter>());
    TDSMemAllocator::Register();
    DSRegisterConverter(CLSID_ColourSpaceConverter);
  });
}

}  // namespace lumicar
