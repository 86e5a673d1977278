#pragma once
// The capture graph builder's interface and the pin property set through
// which a pin tells its category (capture, preview, ...).

#include <cstdint>

#include "dsbase/com/filter_graph.h"
#include "dsbase/com/property_set.h"
#include "dsbase/media/media_type.h"

namespace lumicar {

inline const TGUID IID_ICaptureGraphBuilder2 = TGUID::FromString("{93E5A4E0-2D50-11D2-ABFA-00A0C9C6E38D}");
class ICaptureGraphBuilder2 : public virtual IUnknown {
 public:
  virtual HRESULT SetFiltergraph(IGraphBuilder* graph) = 0;
  // The graph set before, or a new one made and kept.
  virtual HRESULT GetFiltergraph(IGraphBuilder** graph) = 0;
  // `category` and `type` may be nullptr (any).
  virtual HRESULT FindInterface(const TGUID* category, const TGUID* type, IBaseFilter* filter, const TGUID& iid,
                                void** object) = 0;
  // `source` is a filter or an output pin; `intermediate` and `sink` may be
  // nullptr (no sink: the graph's default renderer).
  virtual HRESULT RenderStream(const TGUID* category, const TGUID* type, IUnknown* source, IBaseFilter* intermediate,
                               IBaseFilter* sink) = 0;
  virtual HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const TGUID* category, const TGUID* type,
                          bool unconnected, int index, IPin** pin) = 0;
};

}  // namespace lumicar
