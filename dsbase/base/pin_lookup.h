#pragma once
// Finding pins on any filter through its interfaces alone (the capture side
// holds filters of other makers): by direction and index, the connected
// one, the preview output, and the four-character code a pin carries.

#include "dsbase/com/filter_interfaces.h"

namespace lumicar {

// The `index`-th pin (from 0) of direction `dir`, counted into *pin;
// VFW_E_NOT_FOUND when the filter has no such pin.
HRESULT LPDSGetPin(IBaseFilter* filter, PIN_DIRECTION dir, int index, IPin** pin);
HRESULT LPDSGetInputPin(IBaseFilter* filter, int index, IPin** pin);
HRESULT LPDSGetOutputPin(IBaseFilter* filter, int index, IPin** pin);
// The filter's first pin of direction `dir` that is connected (the filter's
// own pin; ConnectedTo gives its peer); VFW_E_NOT_FOUND when none is.
HRESULT LPGetFilterConnectedPin(IBaseFilter* filter, PIN_DIRECTION dir, IPin** pin);
// The first output pin whose pin category is preview; VFW_E_NOT_FOUND when
// no pin reports that category.
HRESULT LPDSGetPreviewOutputPin(IBaseFilter* filter, IPin** pin);
// Whether `guid` is the identifier of a four-character code (the code in the
// first field, the fixed tail after it); the code into *fourcc when given.
bool LPDSIsFourCC(const TGUID& guid, uint32_t* fourcc = nullptr);
// The four-character code of a pin's connection subtype. S_FALSE (and 0)
// when the subtype is no such code (RGB types); VFW_E_NOT_CONNECTED.
HRESULT LPGetPinFourCC(IPin* pin, uint32_t* fourcc);

}  // namespace lumicar
