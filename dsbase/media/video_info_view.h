#pragma once
// Bounds-checked access to the video information block of a media type
// (VideoInfo or VideoInfo2): the bitmap header, the source and target
// rectangles, the frame period and the bytes that follow the header (a
// palette or colour masks). A block shorter than the header its format
// type names has no header: nothing in it is read.

#include <cstdint>

#include "dsbase/media/media_type.h"
#include "dsbase/media/video_info.h"

namespace lumicar {

class TDSVideoInfoView {
 public:
  explicit TDSVideoInfoView(const AM_MEDIA_TYPE& mt);

  explicit operator bool() const { return headerEnd_ != 0; }
  const BITMAPINFOHEADER* Header() const;
  // The whole VideoInfo2 block, or nullptr for a VideoInfo block (or none).
  const VIDEOINFOHEADER2* Info2() const;

  // The fields both block kinds share; empty rectangles and 0 without a header.
  RECT Source() const;
  RECT Target() const;
  uint32_t BitRate() const;
  REFERENCE_TIME AvgTimePerFrame() const;

  // The bytes after the header (palette, colour masks), and how many there are.
  const uint8_t* Tail() const { return headerEnd_ ? block_ + headerEnd_ : nullptr; }
  uint32_t TailBytes() const { return headerEnd_ ? size_ - headerEnd_ : 0; }
  // The first `bytes` of the tail, or nullptr when the block is shorter.
  const uint8_t* TailOf(uint32_t bytes) const { return TailBytes() >= bytes ? Tail() : nullptr; }
  // Bytes of the header the format type names: 88, 112, or 0 for none.
  uint32_t HeaderEnd() const { return headerEnd_; }

 private:
  const uint8_t* block_ = nullptr;
  uint32_t size_ = 0;
  uint32_t headerEnd_ = 0;
};

// The same block of a type this code owns and may change in place: the
// header and the frame period, for renegotiating size and rate.
class TDSVideoInfoEdit {
 public:
  explicit TDSVideoInfoEdit(AM_MEDIA_TYPE& mt);

  explicit operator bool() const { return headerEnd_ != 0; }
  BITMAPINFOHEADER* Header();
  // Sets width and height (negative: RGB rows top-down); false without a header.
  bool SetSize(int32_t width, int32_t height);
  bool SetAvgTimePerFrame(REFERENCE_TIME period);
  REFERENCE_TIME AvgTimePerFrame() const;

 private:
  uint8_t* block_ = nullptr;
  uint32_t headerEnd_ = 0;
};

}  // namespace lumicar
