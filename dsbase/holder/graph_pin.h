#pragma once
// The graph stream: how a graph holder tells linked components (graph view
// and graph viewing tools) that its filter graph was built, changed or released.
// Its operation carries the graph as it is now; a stop operation follows when
// the holder goes.

#include "dsbase/com/filter_graph.h"
#include "pins/notify_operation.h"
#include "pins/source_pin.h"

namespace lumicar {

inline const TGUID IID_IOWMLGraphStream = TGUID::FromString("{6C1E0F52-7A3B-4D88-9E21-B4F5A0C3D716}");

// Registers the graph stream's name and default handler. Runs once; every
// graph pin calls it when it is made.
void OWRegisterGraphStream();

// The graph changed: `Graph()` is the holder's graph now (none once it has
// been released).
class TOWMLGraphChangeOperation : public TOWNotifyOperation {
 public:
  explicit TOWMLGraphChangeOperation(IGraphBuilder* graph) : graph_(graph) {}
  IGraphBuilder* Graph() const { return graph_.get(); }

 private:
  TIntf<IGraphBuilder> graph_;
};

// The graph holder's output. What linked components send back up is ignored.
class TOWMLGraphSourcePin : public TOWSourcePin {
  Q_OBJECT
 public:
  explicit TOWMLGraphSourcePin(TComponent* owner, IOWLock* ownerLock = nullptr);
  ~TOWMLGraphSourcePin() override;
};

}  // namespace lumicar
