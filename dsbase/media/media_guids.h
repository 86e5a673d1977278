#pragma once
// Identifiers of major types, subtypes and format blocks. Subtypes of
// four-character codes follow one pattern: the code in the first field and
// a fixed tail, so the code can be read back (LPDSIsFourCC).

#include <cstdint>

#include "buffers/media_subtypes.h"
#include "runtime/guid.h"

namespace lumicar {

// The identifier of a four-character code, e.g. DSFourCCGuid('Y','U','Y','2');
// the pattern itself lives with the video subtypes.
constexpr TGUID DSFourCCGuid(uint32_t fourcc) { return VLFourCCSubtype(fourcc); }
constexpr uint32_t DSMakeFourCC(char a, char b, char c, char d) { return VLMakeFourCC(a, b, c, d); }

inline const TGUID MEDIATYPE_Video = DSFourCCGuid(DSMakeFourCC('v', 'i', 'd', 's'));
inline const TGUID MEDIATYPE_Audio = DSFourCCGuid(DSMakeFourCC('a', 'u', 'd', 's'));
inline const TGUID MEDIATYPE_Text = DSFourCCGuid(DSMakeFourCC('t', 'x', 't', 's'));
inline const TGUID MEDIATYPE_Stream = TGUID::FromString("{E436EB83-524F-11CE-9F53-0020AF0BA770}");

// The uncompressed video subtypes are defined once, with the pixel formats
// that map to them: a second definition of the same inline variable with
// another initialiser breaks the program at start-up.
inline const TGUID MEDIASUBTYPE_MJPG = DSFourCCGuid(DSMakeFourCC('M', 'J', 'P', 'G'));
inline const TGUID MEDIASUBTYPE_NV12 = DSFourCCGuid(DSMakeFourCC('N', 'V', '1', '2'));
inline const TGUID MEDIASUBTYPE_PCM = DSFourCCGuid(0x00000001);

inline const TGUID FORMAT_None = TGUID::FromString("{0F6417D6-C318-11D0-A43F-00A0C9223196}");
inline const TGUID FORMAT_VideoInfo = TGUID::FromString("{05589F80-C356-11CE-BF01-00AA0055595A}");
inline const TGUID FORMAT_VideoInfo2 = TGUID::FromString("{F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA}");
inline const TGUID FORMAT_WaveFormatEx = TGUID::FromString("{05589F81-C356-11CE-BF01-00AA0055595A}");

}  // namespace lumicar
