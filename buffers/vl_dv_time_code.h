#pragma once
// Reading the recording time code and date out of a raw DV frame, for
// frames that come from a DV camcorder.

#include <cstdint>

#include "buffers/image_buffer_interface.h"

namespace lumicar {

// Clears the frame's time-code and date availability, then searches the DV
// frame's subcode packs: the time code (pack 0x13), then the recording date
// (0x62) and time (0x63); each search stops the process when its pack is
// missing. Never reads beyond `length` bytes of `data`.
void VLDSExtractTimeCode(const uint8_t* data, uint32_t length, IVLImageBuffer* frame);

}  // namespace lumicar
