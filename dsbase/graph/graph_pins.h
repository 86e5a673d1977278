#pragma once
// Small helpers the graph services use to walk filters and pins through
// their interfaces only (the filters may be anyone's, not just our bases).

#include <vector>

#include "dsbase/com/filter_interfaces.h"

namespace lumicar {

std::vector<TIntf<IPin>> DSPinsOf(IBaseFilter* filter);
// The direction of `pin`; false when the pin does not answer.
bool DSPinDirection(IPin* pin, PIN_DIRECTION* dir);
TIntf<IBaseFilter> DSFilterOfPin(IPin* pin);
TIntf<IPin> DSPeerOf(IPin* pin);
// The first pin of `filter` in `dir`, optionally only unconnected ones.
TIntf<IPin> DSFirstPin(IBaseFilter* filter, PIN_DIRECTION dir, bool unconnectedOnly);
// Whether two interface pointers belong to one object (IUnknown identity).
bool DSSameObject(IUnknown* a, IUnknown* b);
// Whether `pin` offers (or, connected, carries) a type of major type `major`.
bool DSPinHasMajorType(IPin* pin, const TGUID& major);

}  // namespace lumicar
