#pragma once
// The capture graph builder: finds pins by category and interfaces on or
// below a capture filter, and renders a source's stream into a sink (or the
// default renderer) through the graph's intelligent connect.

#include <mutex>

#include "dsbase/com/dual_unknown.h"
#include "dsbase/graph/builder_interfaces.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSCaptureGraphBuilder final : public TDSDualUnknown, public ICaptureGraphBuilder2 {
 public:
  TDSCaptureGraphBuilder();

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT SetFiltergraph(IGraphBuilder* graph) override;
  HRESULT GetFiltergraph(IGraphBuilder** graph) override;
  HRESULT FindInterface(const TGUID* category, const TGUID* type, IBaseFilter* filter, const TGUID& iid,
                        void** object) override;
  HRESULT RenderStream(const TGUID* category, const TGUID* type, IUnknown* source, IBaseFilter* intermediate,
                       IBaseFilter* sink) override;
  HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const TGUID* category, const TGUID* type, bool unconnected,
                  int index, IPin** pin) override;

  // The category a pin reports through its property set; false without one.
  static bool PinCategory(IPin* pin, TGUID* category);

 private:
  ~TDSCaptureGraphBuilder() override = default;
  TIntf<IGraphBuilder> Graph();
  HRESULT RenderFrom(IGraphBuilder* graph, IPin* out, IBaseFilter* intermediate, IBaseFilter* sink);

  TLeafMutex lock_{"capture graph builder lock"};  // graph_ only
  TIntf<IGraphBuilder> graph_;
};

}  // namespace lumicar
