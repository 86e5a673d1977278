#pragma once
// Identifiers the capture graph asks for that no filter of this platform
// answers: the DV, closed-caption and TV filters, the VBI data type, and the
// interfaces of analog video decoders, TV tuners and allocator suggestions.
// Asking for them costs nothing and keeps those branches of the build
// working the day a filter offers them; today each ends with its error or
// its absence.

#include <cstdint>

#include "dsbase/media/sample_interfaces.h"
#include "runtime/interface.h"

namespace lumicar {

inline const TGUID CLSID_DVVideoCodec = TGUID::FromString("{B1B77C00-C3E4-11CF-AF79-00AA00B67A42}");
inline const TGUID CLSID_DVSplitter = TGUID::FromString("{4EB31670-9FC6-11CF-AF6E-00AA00B67A42}");
inline const TGUID CLSID_Line21Decoder = TGUID::FromString("{6E8D4A20-310C-11D0-B79A-00AA003767A7}");
// The major type of the caption bytes a VBI pin carries.
inline const TGUID KSDATAFORMAT_TYPE_VBI = TGUID::FromString("{F72A76E1-EB0A-11D0-ACE4-0000C0CC16BA}");

inline const TGUID IID_IAMAnalogVideoDecoder = TGUID::FromString("{C6E13350-30AC-11D0-A18C-00A0C9118956}");
inline const TGUID IID_IAMTVTuner = TGUID::FromString("{211A8766-03AC-11D1-8D13-00AA00BD8339}");
inline const TGUID IID_IAMBufferNegotiation = TGUID::FromString("{56ED71A0-AF5F-11D0-B3F0-00AA003761C5}");

// Lets a pin's user suggest the buffers the pin's allocator should have.
class IAMBufferNegotiation : public virtual IUnknown {
 public:
  // -1 in a field: no wish for it.
  virtual HRESULT SuggestAllocatorProperties(const ALLOCATOR_PROPERTIES* props) = 0;
  virtual HRESULT GetAllocatorProperties(ALLOCATOR_PROPERTIES* props) = 0;
};

}  // namespace lumicar
