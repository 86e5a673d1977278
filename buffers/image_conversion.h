#pragma once
// Whole-picture conversion between the pixel layouts of the image
// containers, built from the conversion kernels of the dispatch tables and
// the 16-bit packing kernels. Temporaries come from the block pool.

#include "buffers/image_container.h"

namespace lumicar {

// Writes the picture of `source` into `target`, which has the same width and
// height and any layout. Frames of 0 pixels are left alone.
void VLConvertImage(const TVLSmartImageBuffer& source, TVLSmartImageBuffer& target);

// Decodes pixels x .. x + count - 1 (count 1 or 2, inside one two-pixel
// group, or the last pixel of an odd row) of row `row` of a packed 4:2:2
// frame into red, green, blue triples, exactly as the whole-frame
// conversion decodes them. `uyvy` selects U Y0 V Y1 byte order.
void VLDecodeYUV422Pixel(const uint8_t* row, int width, int x, bool uyvy, uint8_t rgb[3]);

}  // namespace lumicar
