#include "buffers/image_container.h"

#include <cstring>
#include <mutex>

#include "buffers/image_conversion.h"
#include "buffers/sl_exception.h"
#include "kernels/dispatch/signal_table.h"

namespace lumicar {

namespace {

// The frame's byte size, refused before anything is allocated when the size
// is negative or beyond the largest block the buffers hold.
uint32_t CheckedImageSize(TVLVideoFormat layout, int width, int height) {
  const int64_t size = VLBufferSize(layout, width, height);
  if (width < 0 || height < 0 || size > int64_t{TSLSmartBuffer::MaxAllocationSize})
    throw ESLRangeError(QStringLiteral("An image of %1 x %2 pixels cannot be held").arg(width).arg(height));
  return static_cast<uint32_t>(size);
}

}  // namespace

TVLSmartImageBuffer::TVLSmartImageBuffer(TVLVideoFormat layout, int width, int height)
    : layout_(VLLayoutOf(layout)), size_(CheckedImageSize(layout_, width, height)), pixels_(size_) {
  width_ = width;
  paddedWidth_ = static_cast<int32_t>(VLPaddedWidth(layout_, width));
  height_ = height;
  bytesPerPixel_ = VLBytesPerPixel(layout_);
  step_ = static_cast<int32_t>(VLRowStep(layout_, width));
  ClearRowPadding();
}

TVLSmartImageBuffer::TVLSmartImageBuffer(TVLVideoFormat layout, TVLSmartImageBuffer& source, bool copyData)
    : TVLSmartImageBuffer(layout, source.width_, source.height_) {
  if (layout_ == source.layout_) {
    CopyTimeStamps(source);
    if (copyData && size_ > 0) ippsCopy_8u(source.GetData(), GetData(), static_cast<int>(size_));
  } else {
    VLConvertImage(source, *this);
  }
}

void TVLSmartImageBuffer::ClearRowPadding() {
  const int32_t used = width_ * bytesPerPixel_;
  if (step_ <= used) return;
  for (int32_t y = 0; y < height_; ++y)
    std::memset(GetData() + static_cast<std::ptrdiff_t>(y) * step_ + used, 0, static_cast<std::size_t>(step_ - used));
}

void TVLSmartImageBuffer::SetPixel(int, int, TVLColor) {}
void TVLSmartImageBuffer::SetRed(int, int, uint8_t) {}
void TVLSmartImageBuffer::SetGreen(int, int, uint8_t) {}
void TVLSmartImageBuffer::SetBlue(int, int, uint8_t) {}
uint8_t TVLSmartImageBuffer::GetAlpha(int, int) const { return 255; }
void TVLSmartImageBuffer::SetAlpha(int, int, uint8_t) {}

uint8_t TVLSmartImageBuffer::GetGrayScale(int x, int y) const {
  const TVLColor color = GetPixel(x, y);
  return VLLuminance(VLRed(color), VLGreen(color), VLBlue(color));
}

void TVLSmartImageBuffer::SetGrayScale(int x, int y, uint8_t value) { SetPixel(x, y, VLRGB(value, value, value)); }

TVLTimeCodeFields TVLSmartImageBuffer::GetTimeCode() {
  std::lock_guard lock(Lock());
  return timeCode_;
}

void TVLSmartImageBuffer::SetTimeCode(const TVLTimeCodeFields& value) {
  std::lock_guard lock(Lock());
  timeCode_ = value;
}

TVLDateTimeFields TVLSmartImageBuffer::GetDateTime() {
  std::lock_guard lock(Lock());
  return dateTime_;
}

void TVLSmartImageBuffer::SetDateTime(const TVLDateTimeFields& value) {
  std::lock_guard lock(Lock());
  dateTime_ = value;
}

}  // namespace lumicar
