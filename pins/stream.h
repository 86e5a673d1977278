#pragma once
// The interfaces through which a pin receives: IOWStream is what a submit
// function is handed (the receiving pin as such), and every stream type is an
// interface of the same identifier with one operation, DispatchData. Since all
// stream-type interfaces share that shape, one C++ interface
// (IOWStreamDispatch) stands for each of them; which identifiers a pin answers
// is decided by its QueryInterface.

#include "pins/notify_state.h"
#include "runtime/interface.h"

namespace lumicar {

inline const TGUID IID_IOWStream = TGUID::FromString("{2BFF1BE1-1698-4CFA-A427-9E0801C5B357}");

// The data stream that the standard default handler serves.
inline const TGUID IID_IOWDataStream = TGUID::FromString("{CFDF94D7-5134-49D9-AC65-902BBC1CD140}");

// Reference counting and queries only.
class IOWStream : public virtual IUnknown {};

// The one operation of every stream-type interface.
class IOWStreamDispatch : public virtual IUnknown {
 public:
  virtual TOWDispatchResult DispatchData(const TGUID& streamId, IOWNotifyOperation* operation,
                                         TOWNotifyState state) = 0;
};

// Asks a receiving stream for the stream-type interface `streamId`; empty
// when it does not implement it.
inline TIntf<IOWStreamDispatch> OWQueryStreamDispatch(IOWStream* receiver, const TGUID& streamId) {
  return QueryIntf<IOWStreamDispatch>(receiver, streamId);
}

}  // namespace lumicar
