#include "dsbase/filters/colour_converter.h"

#include <algorithm>
#include <cstring>

#include "dsbase/com/graph_ids.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info.h"
#include "dsbase/media/video_info_view.h"

namespace lumicar {

namespace {

constexpr TVLVideoFormat kOutputOrder[] = {vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB565, vfRGB555, vfGrayScale};

bool IsVideoInfo(const AM_MEDIA_TYPE& mt) {
  return mt.formattype == FORMAT_VideoInfo || mt.formattype == FORMAT_VideoInfo2;
}

}  // namespace

TDSColourConverter::TDSColourConverter(IUnknown* outer)
    : TDSTransformFilter(QStringLiteral("Colour Space Converter"), outer, CLSID_ColourSpaceConverter) {}

HRESULT TDSColourConverter::CheckInputType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  TDSFrameFormat f;
  return IsVideoInfo(*mt) && DSDescribeFrame(*mt, &f) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TDSColourConverter::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  if (!in || !out) return E_POINTER;
  TDSFrameFormat a, b;
  if (!IsVideoInfo(*in) || !IsVideoInfo(*out) || !DSDescribeFrame(*in, &a) || !DSDescribeFrame(*out, &b))
    return VFW_E_TYPE_NOT_ACCEPTED;
  if (a.width != b.width || a.height != b.height) return VFW_E_TYPE_NOT_ACCEPTED;
  return S_OK;
}

HRESULT TDSColourConverter::GetOutMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  const AM_MEDIA_TYPE& in = InputPin()->CurrentMediaType();
  TDSFrameFormat from;
  if (!DSDescribeFrame(in, &from)) return VFW_S_NO_MORE_ITEMS;
  int index = -1;
  TVLVideoFormat format = vfRGB24;
  for (TVLVideoFormat candidate : kOutputOrder) {
    if (candidate == from.format) continue;  // the same layout needs no converter
    if (++index == position) {
      format = candidate;
      break;
    }
  }
  if (index != position) return VFW_S_NO_MORE_ITEMS;

  const REFERENCE_TIME period = TDSVideoInfoView(in).AvgTimePerFrame();
  const int bits = VLBitsPerPixel(format);
  const uint32_t extra = format == vfGrayScale ? 1024 : format == vfRGB565 ? 12 : 0;
  LPDSFreeMediaType(*mt);
  *mt = AM_MEDIA_TYPE{};
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = VLGetGUIDFromFormat(format);
  mt->formattype = FORMAT_VideoInfo;
  mt->bFixedSizeSamples = true;
  mt->bTemporalCompression = false;
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(LPDSSetFormatBuffer(*mt, sizeof(VIDEOINFOHEADER) + extra));
  if (!vih) return E_OUTOFMEMORY;
  BITMAPINFOHEADER& h = vih->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = from.width;
  // RGB travels bottom-up; packed 4:2:2 has no orientation and keeps a positive height.
  h.biHeight = from.height;
  h.biPlanes = 1;
  h.biBitCount = uint16_t(bits);
  h.biCompression = format == vfRGB565 ? BI_BITFIELDS : VLPixelFormat(format).fourCC;
  h.biSizeImage = DSBitmapImageSize(from.width, from.height, bits);
  if (format == vfGrayScale) h.biClrUsed = 256;
  vih->AvgTimePerFrame = period;
  vih->dwBitRate =
      period > 0 ? uint32_t(std::min<int64_t>(int64_t(h.biSizeImage) * 8 * 10'000'000 / period, int64_t(UINT32_MAX)))
                 : 0;
  uint8_t* tail = mt->pbFormat + sizeof(VIDEOINFOHEADER);
  if (format == vfRGB565) {
    const uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(tail, masks, sizeof masks);
  } else if (format == vfGrayScale) {
    for (int i = 0; i < 256; ++i) tail[4 * i] = tail[4 * i + 1] = tail[4 * i + 2] = uint8_t(i);
  }
  mt->lSampleSize = h.biSizeImage;
  return S_OK;
}

HRESULT TDSColourConverter::SetMediaType(PIN_DIRECTION dir, const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  TDSFrameFormat f;
  if (!DSDescribeFrame(*mt, &f)) return VFW_E_TYPE_NOT_ACCEPTED;
  std::lock_guard guard(streamingLock_);
  if (dir == PINDIR_INPUT) {
    inType_ = TDSMediaType(*mt);
    in_ = f;
    DSDescribeFrame(inType_.Get(), &in_);  // the palette must point into our own copy
  } else {
    outType_ = TDSMediaType(*mt);
    out_ = f;
    DSDescribeFrame(outType_.Get(), &out_);
  }
  return S_OK;
}

HRESULT TDSColourConverter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (!allocator || !request) return E_POINTER;
  TDSFrameFormat out;
  if (!DSDescribeFrame(OutputPin()->CurrentMediaType(), &out)) return VFW_E_TYPE_NOT_ACCEPTED;
  const int64_t bytes = DSFrameBytes(out);
  if (bytes <= 0 || bytes > INT32_MAX) return E_INVALIDARG;
  ALLOCATOR_PROPERTIES want = *request;
  want.cBuffers = std::max(want.cBuffers, 2);
  want.cbBuffer = std::max<int32_t>(want.cbBuffer, int32_t(bytes));
  if (want.cbAlign <= 0) want.cbAlign = 1;
  ALLOCATOR_PROPERTIES actual;
  const HRESULT hr = allocator->SetProperties(&want, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < want.cbBuffer || actual.cBuffers < 1 ? E_FAIL : S_OK;
}

HRESULT TDSColourConverter::Transform(IMediaSample* in, IMediaSample* out) {
  if (!in || !out) return E_POINTER;
  uint8_t *src = nullptr, *dst = nullptr;
  if (FAILED(in->GetPointer(&src)) || FAILED(out->GetPointer(&dst)) || !src || !dst) return E_POINTER;
  const int64_t need = DSFrameBytes(in_), give = DSFrameBytes(out_);
  // A short sample is dropped rather than read past its end.
  if (in->GetActualDataLength() < need || in->GetSize() < need) return S_FALSE;
  if (out->GetSize() < give) return VFW_E_BUFFER_OVERFLOW;
  converter_.Convert(src, in_, dst, out_);
  return out->SetActualDataLength(int32_t(give));
}

}  // namespace lumicar
