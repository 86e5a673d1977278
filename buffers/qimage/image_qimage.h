#pragma once
// Exchange of video frames with the platform bitmap, a QImage: a 32-bit
// image maps to an RGBA32 frame, every other image to an RGB24 frame.

#include <QImage>

#include "buffers/image_buffer_interface.h"

namespace lumicar {

// A new frame holding the picture: RGBA32 when the image has 32 bits per
// pixel, RGB24 otherwise (an empty image gives an RGB24 frame of 0 x 0).
TIntf<IVLImageBuffer> VLImageFromBitmap(const QImage& bitmap);

// An empty image changes nothing. Otherwise the frame takes the image's size
// and RGBA32 (32 bits per pixel) or RGB24, and the image's pixels, top row
// first; the old pixels and format are gone, the time stamps stay.
void FromBitmap(IVLImageBuffer* frame, const QImage& bitmap);

// The picture as an image: RGBA32 frames give a 32-bit image (ARGB32), all
// others are converted to RGB24 (the frame itself changes format) and give
// a 24-bit image.
void ToBitmap(IVLImageBuffer* frame, QImage& bitmap);

}  // namespace lumicar
