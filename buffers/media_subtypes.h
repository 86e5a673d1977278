#pragma once
// The media framework's subtype identifiers of the uncompressed video
// layouts. The FOURCC ones follow the FOURCC pattern
// {XXXXXXXX-0000-0010-8000-00AA00389B71}; the RGB ones are the fixed
// well-known values.

#include "runtime/guid.h"

namespace lumicar {

inline const TGUID MEDIASUBTYPE_YUY2 = TGUID::FromString("{32595559-0000-0010-8000-00AA00389B71}");
inline const TGUID MEDIASUBTYPE_UYVY = TGUID::FromString("{59565955-0000-0010-8000-00AA00389B71}");
inline const TGUID MEDIASUBTYPE_RGB8 = TGUID::FromString("{E436EB7A-524F-11CE-9F53-0020AF0BA770}");
inline const TGUID MEDIASUBTYPE_RGB565 = TGUID::FromString("{E436EB7B-524F-11CE-9F53-0020AF0BA770}");
inline const TGUID MEDIASUBTYPE_RGB555 = TGUID::FromString("{E436EB7C-524F-11CE-9F53-0020AF0BA770}");
inline const TGUID MEDIASUBTYPE_RGB24 = TGUID::FromString("{E436EB7D-524F-11CE-9F53-0020AF0BA770}");
inline const TGUID MEDIASUBTYPE_RGB32 = TGUID::FromString("{E436EB7E-524F-11CE-9F53-0020AF0BA770}");
inline const TGUID MEDIASUBTYPE_ARGB32 = TGUID::FromString("{773C9AC0-3274-11D0-B724-00AA006C1A01}");

}  // namespace lumicar
