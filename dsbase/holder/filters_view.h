#pragma once
// The filters view of a graph holder: the graph's filters with their pins,
// connections and media types, read afresh on every call (it keeps no filter
// alive), for the filter list, the text description saved to a file and the
// graph dump.

#include <QString>
#include <QStringList>
#include <vector>

#include "dsbase/com/filter_graph.h"

namespace lumicar {

class TDSFilters {
 public:
  void SetGraph(IFilterGraph* graph) { graph_ = graph; }
  void Clear() { graph_.reset(); }
  IFilterGraph* Graph() const { return graph_.get(); }

  // The filters in the graph's order; empty without a graph. False when the
  // graph cannot be enumerated.
  bool Filters(std::vector<TIntf<IBaseFilter>>& filters) const;
  // One line per filter: its name, or "<Unavailable>" when its information
  // cannot be read. False without a graph or when it cannot be enumerated.
  bool Names(QStringList& names) const;
  // A readable description under `title`: the graph's state, then each filter
  // with its class id and each pin with its direction, the pin it is
  // connected to and the connection's media type.
  QString Describe(const QString& title) const;

 private:
  TIntf<IFilterGraph> graph_;
};

// The name a filter reports (at most 128 characters), empty when it cannot be
// read.
bool DSFilterName(IBaseFilter* filter, QString* name);
// "<filter name>.<pin name>" of a pin, "?" for parts that cannot be read.
QString DSPinPath(IPin* pin);
// The pins of a filter in its own order (empty when they cannot be listed).
std::vector<TIntf<IPin>> DSFilterPins(IBaseFilter* filter);

}  // namespace lumicar
