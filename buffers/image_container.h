#pragma once
// The data container base of every video frame: the pixels of one picture in
// one layout, its geometry, and the recording time code and date that a DV
// source attaches. Handles share a container until one of them writes.

#include <cstdint>

#include "buffers/image_pool_block.h"
#include "buffers/smart_media_buffer.h"
#include "buffers/video_format.h"
#include "buffers/vl_color.h"

namespace lumicar {

// Recording time code of a frame.
struct TVLTimeCodeFields {
  bool Available = false;
  int32_t Frame = 0;
  int32_t Sec = 0;
  int32_t Min = 0;
  int32_t Hour = 0;
};

// Recording date and time of a frame.
struct TVLDateTimeFields {
  bool Available = false;
  int32_t Millisec = 0;
  int32_t Sec = 0;
  int32_t Min = 0;
  int32_t Hour = 0;
  int32_t Day = 0;
  int32_t Month = 0;
  int32_t Year = 0;
};

class TVLSmartImageBuffer : public TMLSmartMediaBuffer {
 public:
  // Geometry, fixed for the life of the container.
  int32_t GetWidth() const { return width_; }
  int32_t GetPaddedWidth() const { return paddedWidth_; }
  int32_t GetHeight() const { return height_; }
  int32_t GetBytesPerPixel() const { return bytesPerPixel_; }
  // The layout the pixels are stored in (vfRGB24 for the RGB container).
  TVLVideoFormat GetLayout() const { return layout_; }
  // Bytes from one row to the next (see VLRowStep).
  int32_t RowStep() const { return step_; }
  uint8_t* GetData() const { return pixels_.Data(); }
  uint32_t GetImageSize() const { return size_; }

  uint8_t* GetRawData() const override { return pixels_.Data(); }
  uint32_t GetCapacity() const override { return size_; }

  virtual uint32_t GetCharSize() { return size_; }
  virtual int32_t GetStep() const = 0;
  // Per-pixel access for occasional use; (x, y) lies inside the picture.
  virtual TVLColor GetPixel(int x, int y) const = 0;
  virtual void SetPixel(int x, int y, TVLColor color);
  virtual uint8_t GetRed(int x, int y) const = 0;
  virtual void SetRed(int x, int y, uint8_t value);
  virtual uint8_t GetGreen(int x, int y) const = 0;
  virtual void SetGreen(int x, int y, uint8_t value);
  virtual uint8_t GetBlue(int x, int y) const = 0;
  virtual void SetBlue(int x, int y, uint8_t value);
  virtual uint8_t GetAlpha(int x, int y) const;
  virtual void SetAlpha(int x, int y, uint8_t value);
  virtual uint8_t GetGrayScale(int x, int y) const;
  virtual void SetGrayScale(int x, int y, uint8_t value);

  // The DV recording fields; read and written under the container lock.
  TVLTimeCodeFields GetTimeCode();
  void SetTimeCode(const TVLTimeCodeFields& value);
  TVLDateTimeFields GetDateTime();
  void SetDateTime(const TVLDateTimeFields& value);

 protected:
  // A container of `layout` for width x height pixels, uninitialised except
  // for the padding bytes at the end of RGB24 rows, which are zero so that
  // whole-buffer comparisons and files do not depend on stale memory.
  // Raises ESLRangeError for a negative size or a frame above 1 GiB.
  TVLSmartImageBuffer(TVLVideoFormat layout, int width, int height);
  // The conversion constructor: a container of `layout` with the picture of
  // `source`. From a container of the same layout it takes the media time
  // stamps and, when `copyData` is set, the bytes; from another layout it
  // converts every pixel and starts without time stamps. The time code, the
  // date and the buffer number are never taken over.
  TVLSmartImageBuffer(TVLVideoFormat layout, TVLSmartImageBuffer& source, bool copyData);
  ~TVLSmartImageBuffer() override = default;

  uint8_t* PixelAddress(int x, int y) const {
    return pixels_.Data() + static_cast<std::ptrdiff_t>(y) * step_ + static_cast<std::ptrdiff_t>(x) * bytesPerPixel_;
  }

 private:
  void ClearRowPadding();

  TVLVideoFormat layout_;
  int32_t width_ = 0;
  int32_t paddedWidth_ = 0;
  int32_t height_ = 0;
  int32_t bytesPerPixel_ = 0;
  int32_t step_ = 0;
  uint32_t size_ = 0;
  TVLPoolBlock pixels_;
  TVLTimeCodeFields timeCode_;
  TVLDateTimeFields dateTime_;
};

}  // namespace lumicar
