#include "dsbase/media/video_info_view.h"

#include <cstddef>
#include <cstring>

#include "dsbase/media/media_guids.h"

namespace lumicar {

namespace {

// Both block kinds begin with the same fields at the same offsets, so they
// are read through one layout; only the header's place differs.
static_assert(offsetof(VIDEOINFOHEADER, rcSource) == offsetof(VIDEOINFOHEADER2, rcSource));
static_assert(offsetof(VIDEOINFOHEADER, rcTarget) == offsetof(VIDEOINFOHEADER2, rcTarget));
static_assert(offsetof(VIDEOINFOHEADER, dwBitRate) == offsetof(VIDEOINFOHEADER2, dwBitRate));
static_assert(offsetof(VIDEOINFOHEADER, AvgTimePerFrame) == offsetof(VIDEOINFOHEADER2, AvgTimePerFrame));

// The header's end for the block's format type, or 0 when the block is
// missing, of another kind or too short for its header.
uint32_t HeaderEndOf(const AM_MEDIA_TYPE& mt) {
  if (!mt.pbFormat) return 0;
  if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER)) return sizeof(VIDEOINFOHEADER);
  if (mt.formattype == FORMAT_VideoInfo2 && mt.cbFormat >= sizeof(VIDEOINFOHEADER2)) return sizeof(VIDEOINFOHEADER2);
  return 0;
}

template <typename T>
T ReadAt(const uint8_t* block, size_t offset) {
  T value;
  std::memcpy(&value, block + offset, sizeof value);
  return value;
}

}  // namespace

TDSVideoInfoView::TDSVideoInfoView(const AM_MEDIA_TYPE& mt) : headerEnd_(HeaderEndOf(mt)) {
  if (headerEnd_) block_ = mt.pbFormat, size_ = mt.cbFormat;
}

const BITMAPINFOHEADER* TDSVideoInfoView::Header() const {
  if (!headerEnd_) return nullptr;
  return reinterpret_cast<const BITMAPINFOHEADER*>(block_ + headerEnd_ - sizeof(BITMAPINFOHEADER));
}

const VIDEOINFOHEADER2* TDSVideoInfoView::Info2() const {
  return headerEnd_ == sizeof(VIDEOINFOHEADER2) ? reinterpret_cast<const VIDEOINFOHEADER2*>(block_) : nullptr;
}

RECT TDSVideoInfoView::Source() const {
  return headerEnd_ ? ReadAt<RECT>(block_, offsetof(VIDEOINFOHEADER, rcSource)) : RECT{};
}

RECT TDSVideoInfoView::Target() const {
  return headerEnd_ ? ReadAt<RECT>(block_, offsetof(VIDEOINFOHEADER, rcTarget)) : RECT{};
}

uint32_t TDSVideoInfoView::BitRate() const {
  return headerEnd_ ? ReadAt<uint32_t>(block_, offsetof(VIDEOINFOHEADER, dwBitRate)) : 0;
}

REFERENCE_TIME TDSVideoInfoView::AvgTimePerFrame() const {
  return headerEnd_ ? ReadAt<REFERENCE_TIME>(block_, offsetof(VIDEOINFOHEADER, AvgTimePerFrame)) : 0;
}

TDSVideoInfoEdit::TDSVideoInfoEdit(AM_MEDIA_TYPE& mt) : headerEnd_(HeaderEndOf(mt)) {
  if (headerEnd_) block_ = mt.pbFormat;
}

BITMAPINFOHEADER* TDSVideoInfoEdit::Header() {
  if (!headerEnd_) return nullptr;
  return reinterpret_cast<BITMAPINFOHEADER*>(block_ + headerEnd_ - sizeof(BITMAPINFOHEADER));
}

bool TDSVideoInfoEdit::SetSize(int32_t width, int32_t height) {
  BITMAPINFOHEADER* h = Header();
  if (!h) return false;
  h->biWidth = width;
  h->biHeight = height;
  return true;
}

bool TDSVideoInfoEdit::SetAvgTimePerFrame(REFERENCE_TIME period) {
  if (!headerEnd_) return false;
  std::memcpy(block_ + offsetof(VIDEOINFOHEADER, AvgTimePerFrame), &period, sizeof period);
  return true;
}

REFERENCE_TIME TDSVideoInfoEdit::AvgTimePerFrame() const {
  return headerEnd_ ? ReadAt<REFERENCE_TIME>(block_, offsetof(VIDEOINFOHEADER, AvgTimePerFrame)) : 0;
}

}  // namespace lumicar
