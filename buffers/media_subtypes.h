#pragma once
// The media framework's subtype identifiers of the uncompressed video
// layouts. The FOURCC ones follow the FOURCC pattern
// {XXXXXXXX-0000-0010-8000-00AA00389B71}; the RGB ones are the fixed
// well-known values. They are constants, so tables built from them need no
// start-up code and cannot be read before they are set.

#include <cstdint>

#include "runtime/guid.h"

namespace lumicar {

// A four-character code as the bitmap header's compression field holds it.
constexpr uint32_t VLMakeFourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}
// The subtype of a four-character code: the code in the first field and a
// fixed tail.
constexpr TGUID VLFourCCSubtype(uint32_t fourcc) {
  return TGUID{fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}
// The well-known RGB subtypes share all but the low byte of the first field.
constexpr TGUID VLRgbSubtype(uint8_t low) {
  return TGUID{0xE436EB00u | low, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
}

inline constexpr TGUID MEDIASUBTYPE_YUY2 = VLFourCCSubtype(VLMakeFourCC('Y', 'U', 'Y', '2'));
inline constexpr TGUID MEDIASUBTYPE_UYVY = VLFourCCSubtype(VLMakeFourCC('U', 'Y', 'V', 'Y'));
inline constexpr TGUID MEDIASUBTYPE_RGB8 = VLRgbSubtype(0x7A);
inline constexpr TGUID MEDIASUBTYPE_RGB565 = VLRgbSubtype(0x7B);
inline constexpr TGUID MEDIASUBTYPE_RGB555 = VLRgbSubtype(0x7C);
inline constexpr TGUID MEDIASUBTYPE_RGB24 = VLRgbSubtype(0x7D);
inline constexpr TGUID MEDIASUBTYPE_RGB32 = VLRgbSubtype(0x7E);
inline constexpr TGUID MEDIASUBTYPE_ARGB32{
    0x773C9AC0, 0x3274, 0x11D0, {0xB7, 0x24, 0x00, 0xAA, 0x00, 0x6C, 0x1A, 0x01}};

}  // namespace lumicar
