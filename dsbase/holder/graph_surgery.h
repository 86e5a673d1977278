#pragma once
// Changes a graph holder makes to its graph's filters and connections: taking
// a branch down before it is built anew, connecting a filter to a pin, and
// finding a filter by class or registered name. Free functions over the
// graph's interfaces, so that the holder keeps only its life cycle, its
// events and its window.

#include <QString>

#include "dsbase/com/filter_graph.h"
#include "dsbase/holder/filters_view.h"

namespace lumicar {

// Removes everything downstream (upstream) of `filter` from `graph`,
// farthest first; a branch that fails is logged and the others are still
// taken down. Nothing without a graph or filter.
void DSDestroyDownstream(IGraphBuilder* graph, IBaseFilter* filter);
void DSDestroyUpstream(IGraphBuilder* graph, IBaseFilter* filter);
// Connects the first output pin of `filter` that connects to `pin`.
bool DSConnectFilterToPin(IGraphBuilder* graph, IBaseFilter* filter, IPin* pin);
// The first filter of the graph of that class, or none.
TIntf<IBaseFilter> DSFilterOfClass(const TDSFilters& filters, const TGUID& classId);
// The first video (audio) renderer of the graph, or none.
TIntf<IBaseFilter> DSVideoRenderOf(const TDSFilters& filters);
TIntf<IBaseFilter> DSAudioRenderOf(const TDSFilters& filters);
// The registered filter of that name (as the filter list shows it), bound.
TIntf<IBaseFilter> DSCreateFilterByName(const QString& name);

}  // namespace lumicar
