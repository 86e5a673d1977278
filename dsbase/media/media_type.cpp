#include "dsbase/media/media_type.h"

#include <cstring>
#include <limits>

#include "buffers/pixel_formats.h"
#include "dsbase/com/task_memory.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info.h"
#include "dsbase/media/video_info_view.h"

namespace lumicar {

uint32_t DSBitmapImageSize(int32_t width, int32_t height, int bitCount) {
  if (width < 0 || bitCount <= 0) return 0;
  const uint64_t rows = uint64_t(height < 0 ? -int64_t(height) : int64_t(height));
  const uint64_t stride = uint64_t(VLBitmapRowBytes(width, bitCount));
  const uint64_t size = stride * rows;
  return size > std::numeric_limits<uint32_t>::max() ? 0 : uint32_t(size);
}

void LPDSFreeMediaType(AM_MEDIA_TYPE& mt) {
  if (mt.pbFormat) CoTaskMemFree(mt.pbFormat);
  mt.pbFormat = nullptr;
  mt.cbFormat = 0;
  if (IUnknown* unk = std::exchange(mt.pUnk, nullptr)) unk->Release();
}

void LPDSDeleteMediaType(AM_MEDIA_TYPE* mt) {
  if (!mt) return;
  LPDSFreeMediaType(*mt);
  mt->~AM_MEDIA_TYPE();
  CoTaskMemFree(mt);
}

HRESULT LPDSCopyMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) {
  if (&target == &source) return S_OK;
  LPDSFreeMediaType(target);
  if (source.cbFormat && !source.pbFormat) {
    // A size without a block: copy the rest and leave the block empty rather
    // than reading from nowhere.
    target = source;
    target.cbFormat = 0;
    target.pbFormat = nullptr;
    target.pUnk = nullptr;
    return E_POINTER;
  }
  uint8_t* block = nullptr;
  if (source.cbFormat) {
    block = static_cast<uint8_t*>(CoTaskMemAlloc(source.cbFormat));
    if (!block) {
      target = AM_MEDIA_TYPE{};
      return E_OUTOFMEMORY;
    }
    std::memcpy(block, source.pbFormat, source.cbFormat);
  }
  target = source;
  target.pbFormat = block;
  if (target.pUnk) target.pUnk->AddRef();
  return S_OK;
}

AM_MEDIA_TYPE* LPDSCreateMediaType(const AM_MEDIA_TYPE& source) {
  void* memory = CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE));
  if (!memory) return nullptr;
  auto* mt = new (memory) AM_MEDIA_TYPE();
  if (FAILED(LPDSCopyMediaType(*mt, source))) {
    LPDSDeleteMediaType(mt);
    return nullptr;
  }
  return mt;
}

void LPDSInitMediaType(AM_MEDIA_TYPE& mt) {
  LPDSFreeMediaType(mt);
  mt = AM_MEDIA_TYPE{};
  mt.lSampleSize = 1;
  mt.bFixedSizeSamples = true;
}

uint8_t* LPDSSetFormatBuffer(AM_MEDIA_TYPE& mt, uint32_t size) {
  if (mt.pbFormat) CoTaskMemFree(mt.pbFormat);
  mt.pbFormat = nullptr;
  mt.cbFormat = 0;
  if (!size) return nullptr;
  auto* block = static_cast<uint8_t*>(CoTaskMemAlloc(size));
  if (!block) return nullptr;
  std::memset(block, 0, size);
  mt.pbFormat = block;
  mt.cbFormat = size;
  return block;
}

static bool SameBlock(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  if (a.cbFormat != b.cbFormat) return false;
  if (!a.cbFormat) return true;
  if (!a.pbFormat || !b.pbFormat) return a.pbFormat == b.pbFormat;
  return std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

bool DSIsEqualMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  return a.majortype == b.majortype && a.subtype == b.subtype && a.formattype == b.formattype && SameBlock(a, b);
}

bool DSMatchesPartialType(const AM_MEDIA_TYPE& mt, const AM_MEDIA_TYPE& partial) {
  if (!partial.majortype.IsNull() && !(partial.majortype == mt.majortype)) return false;
  if (!partial.subtype.IsNull() && !(partial.subtype == mt.subtype)) return false;
  if (!partial.formattype.IsNull()) {
    if (!(partial.formattype == mt.formattype)) return false;
    if (!SameBlock(mt, partial)) return false;
  }
  return true;
}

bool DSIsCompleteType(const AM_MEDIA_TYPE& mt) { return !mt.majortype.IsNull() && !mt.formattype.IsNull(); }

const BITMAPINFOHEADER* DSBitmapHeader(const AM_MEDIA_TYPE& mt) { return TDSVideoInfoView(mt).Header(); }

QString DSGuidName(const TGUID& g) {
  struct Known {
    const TGUID* guid;
    const char* name;
  };
  static const Known known[] = {
      {&MEDIATYPE_Video, "Video"},
      {&MEDIATYPE_Audio, "Audio"},
      {&MEDIATYPE_Text, "Text"},
      {&MEDIATYPE_Stream, "Stream"},
      {&MEDIASUBTYPE_RGB8, "RGB8"},
      {&MEDIASUBTYPE_RGB565, "RGB565"},
      {&MEDIASUBTYPE_RGB555, "RGB555"},
      {&MEDIASUBTYPE_RGB24, "RGB24"},
      {&MEDIASUBTYPE_RGB32, "RGB32"},
      {&MEDIASUBTYPE_ARGB32, "ARGB32"},
      {&MEDIASUBTYPE_YUY2, "YUY2"},
      {&MEDIASUBTYPE_UYVY, "UYVY"},
      {&MEDIASUBTYPE_MJPG, "MJPG"},
      {&MEDIASUBTYPE_NV12, "NV12"},
      {&MEDIASUBTYPE_PCM, "PCM"},
      {&FORMAT_None, "None"},
      {&FORMAT_VideoInfo, "VideoInfo"},
      {&FORMAT_VideoInfo2, "VideoInfo2"},
      {&FORMAT_WaveFormatEx, "WaveFormatEx"},
  };
  if (g.IsNull()) return QStringLiteral("*");
  for (const Known& k : known)
    if (*k.guid == g) return QString::fromLatin1(k.name);
  return g.ToString();
}

QString DSMediaTypeToString(const AM_MEDIA_TYPE& mt) {
  QString text = DSGuidName(mt.majortype) + u'/' + DSGuidName(mt.subtype) + u' ' + DSGuidName(mt.formattype);
  if (const BITMAPINFOHEADER* bmi = DSBitmapHeader(mt))
    text += QStringLiteral(" %1x%2 %3bit").arg(bmi->biWidth).arg(bmi->biHeight).arg(bmi->biBitCount);
  text += QStringLiteral(" format %1 bytes, sample %2%3")
              .arg(mt.cbFormat)
              .arg(mt.lSampleSize)
              .arg(mt.bFixedSizeSamples ? " fixed" : "");
  return text;
}

}  // namespace lumicar
