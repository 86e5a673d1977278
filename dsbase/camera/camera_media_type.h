#pragma once
// The media types a camera's capture pin offers: VIDEOINFOHEADER blocks,
// RGB bottom-up as the platform delivers it, packed 4:2:2 with its FourCC,
// 8-bit grey with a grey palette.

#include "dsbase/media/media_type.h"

namespace lumicar {

TDSMediaType DSCameraMediaType(const TGUID& subtype, int width, int height, int64_t interval);
// Size and interval of a video type with a VIDEOINFOHEADER(2) block; false
// for anything else. Height is returned as its absolute value.
bool DSCameraTypeGeometry(const AM_MEDIA_TYPE& mt, int* width, int* height, int64_t* interval);

}  // namespace lumicar
