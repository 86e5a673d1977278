#pragma once
// Class identifiers of the graph services and system filters, the device
// categories, pin categories and the extra result codes these services return.

#include "dsbase/com/property_set.h"
#include "runtime/interface.h"

namespace lumicar {

inline const TGUID CLSID_FilterGraph = TGUID::FromString("{E436EBB3-524F-11CE-9F53-0020AF0BA770}");
inline const TGUID CLSID_CaptureGraphBuilder2 = TGUID::FromString("{BF87B6E1-8C27-11D0-B3F0-00AA003761C5}");
inline const TGUID CLSID_SystemDeviceEnum = TGUID::FromString("{62BE5D10-60EB-11D0-BD3B-00A0C911CE86}");
inline const TGUID CLSID_SampleGrabber = TGUID::FromString("{C1F400A0-3F08-11D3-9F0B-006008039E37}");
inline const TGUID CLSID_NullRenderer = TGUID::FromString("{C1F400A4-3F08-11D3-9F0B-006008039E37}");
// Registered by the windowed part of the media layer (DSRegisterRenderClasses);
// Render connects to whatever answers it.
inline const TGUID CLSID_VideoRenderer = TGUID::FromString("{70E102B0-5556-11CE-97C0-00AA0055595A}");
// The mixing renderer asked for by name; the same renderer answers it.
inline const TGUID CLSID_VideoMixingRenderer9 = TGUID::FromString("{51B4ABF3-748F-4E3B-A276-C828330E926A}");
// Our own converter between the seven frame layouts.
inline const TGUID CLSID_ColourSpaceConverter = TGUID::FromString("{5F2C7A4E-1B8D-4C63-9E2A-7D41C8B0A915}");
inline const TGUID CLSID_CDeviceMoniker = TGUID::FromString("{4315D437-5B8C-11D0-BD3B-00A0C911CE86}");

inline const TGUID CLSID_VideoInputDeviceCategory = TGUID::FromString("{860BB310-5D01-11D0-BD3B-00A0C911CE86}");
inline const TGUID CLSID_AudioInputDeviceCategory = TGUID::FromString("{33D9A762-90C8-11D0-BD43-00A0C911CE86}");
inline const TGUID CLSID_LegacyAmFilterCategory = TGUID::FromString("{083863F1-70DE-11D0-BD40-00A0C911CE86}");

inline const TGUID PIN_CATEGORY_VBI = TGUID::FromString("{FB6C4284-0353-11D1-905F-0000C0CC16BA}");
inline const TGUID PIN_CATEGORY_CC = TGUID::FromString("{FB6C4289-0353-11D1-905F-0000C0CC16BA}");

inline const TGUID MEDIATYPE_Interleaved = TGUID::FromString("{73766169-0000-0010-8000-00AA00389B71}");

constexpr HRESULT E_ABORT = HRESULT(0x80004004u);
constexpr HRESULT VFW_E_CANNOT_CONNECT = HRESULT(0x80040217u);
constexpr HRESULT VFW_E_CANNOT_RENDER = HRESULT(0x80040218u);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = HRESULT(0x8004025Fu);
constexpr HRESULT VFW_S_DUPLICATE_NAME = HRESULT(0x0004022Du);
constexpr HRESULT MK_E_SYNTAX = HRESULT(0x800401E4u);
constexpr HRESULT MK_E_NOOBJECT = HRESULT(0x800401E5u);

}  // namespace lumicar
