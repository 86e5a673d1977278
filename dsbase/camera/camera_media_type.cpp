#include "dsbase/camera/camera_media_type.h"

#include <cstring>

#include "dsbase/filters/frame_conversion.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info_view.h"

namespace lumicar {

TDSMediaType DSCameraMediaType(const TGUID& subtype, int width, int height, int64_t interval) {
  TDSMediaType t;
  AM_MEDIA_TYPE& mt = t.Get();
  const bool grey = subtype == MEDIASUBTYPE_RGB8;
  const uint32_t block = sizeof(VIDEOINFOHEADER) + (grey ? 1024 : 0);
  uint8_t* raw = LPDSSetFormatBuffer(mt, block);
  if (!raw) return t;
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = subtype;
  mt.formattype = FORMAT_VideoInfo;
  mt.bFixedSizeSamples = true;
  mt.bTemporalCompression = false;
  VIDEOINFOHEADER vih;
  BITMAPINFOHEADER& bmi = vih.bmiHeader;
  bmi.biSize = sizeof(BITMAPINFOHEADER);
  bmi.biWidth = width;
  bmi.biHeight = height;  // positive: RGB bottom-up; 4:2:2 is top-down whatever the sign
  bmi.biPlanes = 1;
  // A subtype the table does not know (a compressed one) is sized as 16 bits.
  const TVLPixelFormatInfo* info = VLPixelFormatOfSubtype(subtype);
  bmi.biBitCount = uint16_t(info ? info->bitsPerPixel : 16);
  bmi.biCompression = info ? info->fourCC : BI_RGB;
  bmi.biSizeImage = DSBitmapImageSize(width, height, bmi.biBitCount);
  if (grey) bmi.biClrUsed = 256;
  vih.AvgTimePerFrame = interval;
  if (interval > 0) vih.dwBitRate = uint32_t(uint64_t(bmi.biSizeImage) * 8 * 10'000'000 / uint64_t(interval));
  std::memcpy(raw, &vih, sizeof vih);
  if (grey)
    for (int i = 0; i < 256; ++i) {
      uint8_t* e = raw + sizeof(VIDEOINFOHEADER) + 4 * i;
      e[0] = e[1] = e[2] = uint8_t(i);
    }
  mt.lSampleSize = bmi.biSizeImage;
  return t;
}

bool DSCameraTypeGeometry(const AM_MEDIA_TYPE& mt, int* width, int* height, int64_t* interval) {
  const TDSVideoInfoView view(mt);
  const BITMAPINFOHEADER* bmi = view.Header();
  if (!bmi || bmi->biWidth <= 0 || bmi->biHeight == 0 || bmi->biHeight == INT32_MIN) return false;
  *width = bmi->biWidth;
  *height = bmi->biHeight < 0 ? -bmi->biHeight : bmi->biHeight;
  *interval = view.AvgTimePerFrame();
  return true;
}

}  // namespace lumicar
