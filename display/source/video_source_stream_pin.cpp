#include "display/source/video_source_stream_pin.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

#include "display/source/video_format_preference.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/filters/frame_conversion.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/dispatch/signal_table.h"

namespace lumicar {

namespace {

constexpr uint32_t kVideoInfoBlockSize = 1128;  // room for a 256-entry palette after the header
constexpr uint32_t kPaletteBytes = 256 * 4;

bool AcceptableSubtype(const TGUID& subtype) {
  return subtype == MEDIASUBTYPE_RGB8 || subtype == MEDIASUBTYPE_UYVY || subtype == MEDIASUBTYPE_YUY2 ||
         subtype == MEDIASUBTYPE_RGB565 || subtype == MEDIASUBTYPE_RGB555 || subtype == MEDIASUBTYPE_RGB24 ||
         subtype == MEDIASUBTYPE_RGB32;
}

// Frames per second times the frame's bits, saturated: the header field is
// 32 bits wide and a large frame at a high rate would wrap around.
uint32_t BitRate(int64_t frameDuration, int width, int height, int bitCount) {
  const double perSecond = frameDuration > 0 ? std::nearbyint(1e7 / double(frameDuration)) : 30.0;
  const double rate = perSecond * double(width) * double(height) * double(bitCount);
  return rate >= double(std::numeric_limits<uint32_t>::max()) ? std::numeric_limits<uint32_t>::max() : uint32_t(rate);
}

void FillHeader(BITMAPINFOHEADER& h, TVLVideoFormat format, int width, int height, bool videoInfo2) {
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = uint16_t(VLBitsPerPixel(format));
  h.biClrImportant = 0;
  switch (VLLayoutOf(format)) {
    case vfYUY2:
    case vfUYVY:
      h.biCompression = VLPixelFormat(format).fourCC;
      h.biSizeImage = videoInfo2 ? uint32_t(width) * uint32_t(height) * 2 : uint32_t(width / 2) * uint32_t(height) * 4;
      break;
    default:
      h.biCompression = BI_RGB;
      h.biSizeImage = DSBitmapImageSize(width, height, h.biBitCount);
      break;
  }
  if (format == vfGrayScale) h.biClrUsed = 256;
}

// The gray subtype carries its palette after the header: a plain ramp, so
// that a renderer that honours palettes shows the luminance as it is.
void FillGrayPalette(uint8_t* palette) {
  for (int i = 0; i < 256; ++i) {
    palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = uint8_t(i);
    palette[4 * i + 3] = 0;
  }
}

}  // namespace

TDSVideoSourceStreamPin::TDSVideoSourceStreamPin(TDSBaseSourceFilter* filter, TVLVideoFormat preferred,
                                                 bool fixedFormat, uint32_t interlaceFlags)
    : TDSSourceStreamPin(QStringLiteral("VideoOutput"), filter, QStringLiteral("VideoOutput")),
      preferred_(VLIsValidFormat(preferred) ? preferred : vfRGB24),
      fixed_(fixedFormat),
      interlace_(interlaceFlags) {
  SetTryMyTypesFirst(true);
}

HRESULT TDSVideoSourceStreamPin::SetSizeDelay(int width, int height, int64_t frameDuration) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide || frameDuration < 0) return E_INVALIDARG;
  std::lock_guard filterGuard(*lock_);
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  {
    std::lock_guard guard(geometryLock_);
    width_ = width;
    height_ = height;
    frameDuration_ = frameDuration;
  }
  IncrementTypeVersion();
  return S_OK;
}

int TDSVideoSourceStreamPin::Width() const {
  std::lock_guard guard(geometryLock_);
  return width_;
}

int TDSVideoSourceStreamPin::Height() const {
  std::lock_guard guard(geometryLock_);
  return height_;
}

int64_t TDSVideoSourceStreamPin::FrameDuration() const {
  std::lock_guard guard(geometryLock_);
  return frameDuration_;
}

TVLVideoFormat TDSVideoSourceStreamPin::ConnectedFormat() const {
  std::lock_guard guard(geometryLock_);
  return connected_;
}

TDSVideoSourceStreamPin::TGeometry TDSVideoSourceStreamPin::Snapshot() const {
  std::lock_guard guard(geometryLock_);
  TGeometry g;
  g.width = width_;
  g.height = height_;
  g.format = connected_;
  g.bottomUp = connectedBottomUp_;
  g.stride = VLSampleStride(connected_, width_);
  return g;
}

HRESULT TDSVideoSourceStreamPin::IntGetMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (position < 0) return E_INVALIDARG;
  const int index = position / 2;
  if (index >= kVideoCandidateCount) return VFW_S_NO_MORE_ITEMS;
  if (fixed_ && position > 1) return VFW_S_NO_MORE_ITEMS;
  if (index > 0 && DSVideoCandidate(preferred_, index) == DSVideoCandidate(preferred_, 0)) return VFW_S_NO_MORE_ITEMS;

  const TVLVideoFormat format = fixed_ ? preferred_ : DSVideoCandidate(preferred_, index);
  int width, height;
  int64_t duration;
  {
    std::lock_guard guard(geometryLock_);
    width = width_;
    height = height_;
    duration = frameDuration_;
  }
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = VLGetGUIDFromFormat(format);
  mt->bFixedSizeSamples = true;
  mt->bTemporalCompression = false;

  const bool videoInfo2 = position % 2 == 0;
  const bool gray = format == vfGrayScale;
  BITMAPINFOHEADER* header = nullptr;
  uint32_t* bitRate = nullptr;
  if (videoInfo2) {
    mt->formattype = FORMAT_VideoInfo2;
    const uint32_t size = sizeof(VIDEOINFOHEADER2) + (gray ? kPaletteBytes : 0);
    auto* vih = reinterpret_cast<VIDEOINFOHEADER2*>(LPDSSetFormatBuffer(*mt, size));
    if (!vih) return E_OUTOFMEMORY;
    mt->cbFormat = size;
    vih->AvgTimePerFrame = duration;
    vih->dwInterlaceFlags = interlace_;
    vih->dwPictAspectRatioX = uint32_t(width);
    vih->dwPictAspectRatioY = uint32_t(height);
    header = &vih->bmiHeader;
    bitRate = &vih->dwBitRate;
  } else {
    mt->formattype = FORMAT_VideoInfo;
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(LPDSSetFormatBuffer(*mt, kVideoInfoBlockSize));
    if (!vih) return E_OUTOFMEMORY;
    mt->cbFormat = kVideoInfoBlockSize;
    vih->AvgTimePerFrame = duration;
    header = &vih->bmiHeader;
    bitRate = &vih->dwBitRate;
  }
  FillHeader(*header, format, width, height, videoInfo2);
  if (gray) FillGrayPalette(reinterpret_cast<uint8_t*>(header + 1));
  *bitRate = BitRate(duration, width, height, header->biBitCount);
  mt->lSampleSize = header->biSizeImage;
  return S_OK;
}

HRESULT TDSVideoSourceStreamPin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (!(mt->majortype == MEDIATYPE_Video) || !mt->bFixedSizeSamples) return E_INVALIDARG;
  if (IsConnected()) {
    if (!(mt->subtype == VLGetGUIDFromFormat(ConnectedFormat()))) return E_INVALIDARG;
  } else if (fixed_) {
    if (!(mt->subtype == VLGetGUIDFromFormat(preferred_))) return E_INVALIDARG;
  } else if (!AcceptableSubtype(mt->subtype)) {
    return E_INVALIDARG;
  }
  // The header is read where the block's own layout puts it, and only from
  // a block long enough to hold it.
  const BITMAPINFOHEADER* header = DSBitmapHeader(*mt);
  if (!header) return E_INVALIDARG;
  const int64_t height = header->biHeight < 0 ? -int64_t(header->biHeight) : int64_t(header->biHeight);
  std::lock_guard guard(geometryLock_);
  if (header->biWidth < 1 || header->biWidth != width_ || height < 1 || height != height_) return E_INVALIDARG;
  return S_OK;
}

HRESULT TDSVideoSourceStreamPin::SetMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  const TVLVideoFormat format = VLGetFormatFromGUID(mt->subtype);
  const BITMAPINFOHEADER* header = DSBitmapHeader(*mt);
  {
    std::lock_guard guard(geometryLock_);
    connected_ = format;
    // A negative height asks for top-down rows; packed 4:2:2 is always
    // top-down.
    connectedBottomUp_ = VLPixelFormat(format).bottomUpByDefault && !(header && header->biHeight < 0);
  }
  return TDSSourceStreamPin::SetMediaType(mt);
}

HRESULT TDSVideoSourceStreamPin::IntDecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (!allocator || !request) return E_POINTER;
  const BITMAPINFOHEADER* header = DSBitmapHeader(CurrentMediaType());
  // A proposed header may leave the image size 0 (allowed for plain RGB);
  // the buffer must still hold a whole frame.
  const int64_t frame = Snapshot().FrameBytes();
  const int64_t wanted = std::max<int64_t>(header ? header->biSizeImage : 0, frame);
  if (wanted <= 0 || wanted > std::numeric_limits<int32_t>::max()) return E_FAIL;
  ALLOCATOR_PROPERTIES want = *request;
  // A renderer that keeps the samples it has yet to paint or is showing
  // (instead of copying them) still leaves one for the next frame, so the
  // sender never waits for a paint.
  want.cBuffers = kSampleBuffers;
  want.cbBuffer = int32_t(wanted);
  want.cbAlign = std::max(want.cbAlign, 1);
  want.cbPrefix = std::max(want.cbPrefix, 0);
  ALLOCATOR_PROPERTIES actual;
  const HRESULT hr = allocator->SetProperties(&want, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < want.cbBuffer ? E_FAIL : S_OK;
}

TIntf<IMediaSample> TDSVideoSourceStreamPin::ObtainSample() {
  for (int attempt = 1; attempt <= kMaxDeliveryAttempts; ++attempt) {
    attempts_.fetch_add(1, std::memory_order_relaxed);
    IMediaSample* raw = nullptr;
    const HRESULT hr = GetDeliveryBuffer(&raw, nullptr, nullptr, 0);
    TIntf<IMediaSample> sample = TIntf<IMediaSample>::Adopt(raw);
    if (SUCCEEDED(hr) && sample) return sample;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return {};
}

template <typename Fill>
bool TDSVideoSourceStreamPin::DeliverFrame(int64_t bytes, int64_t start, int64_t stop, Fill&& fill) {
  TIntf<IMediaSample> sample = ObtainSample();
  if (!sample) {
    drops_.Drop(TVLFrameDrop::kNoSample, bytes, bytes);
    return false;
  }
  uint8_t* target = nullptr;
  if (FAILED(sample->GetPointer(&target)) || !target || sample->GetSize() < bytes) {
    drops_.Drop(TVLFrameDrop::kSmallSample, sample->GetSize(), bytes);
    return false;
  }
  fill(target);
  sample->SetActualDataLength(int32_t(bytes));
  if (start != 0 || stop != 0) {
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(true);
  }
  if (Deliver(sample.get()) == S_OK) return true;
  drops_.Drop(TVLFrameDrop::kNotDelivered, bytes, bytes);
  return false;
}

bool TDSVideoSourceStreamPin::SendBuffer(IVLImageBuffer* buffer, int64_t start, int64_t stop) {
  if (!buffer) {
    drops_.Drop(TVLFrameDrop::kStopped);
    return false;
  }
  const TGeometry g = Snapshot();
  // A frame of another size (a still picture shown while the graph stays
  // up) does not fit the agreed type; it is not cut to fit.
  if (buffer->GetWidth() != g.width || buffer->GetHeight() != g.height) {
    drops_.Drop(TVLFrameDrop::kOtherSize, int64_t(buffer->GetSize()), g.FrameBytes());
    return false;
  }
  const TVLVideoFormat source = buffer->GetFormat();
  const TVLVideoFormat from = VLLayoutOf(source), to = VLLayoutOf(g.format);
  const int64_t sourceStride = VLRowStep(source, g.width);
  const uint8_t* pixels = buffer->Read();
  if (!pixels || int64_t(buffer->GetSize()) < sourceStride * g.height) {
    drops_.Drop(TVLFrameDrop::kShortSample, pixels ? int64_t(buffer->GetSize()) : 0, sourceStride * g.height);
    return false;
  }
  // Pixel pairs of 4:2:2 cannot be converted from or to an odd width.
  if (from != to && (VLIsPacked422(from) || VLIsPacked422(to)) && (g.width & 1)) {
    drops_.Drop(TVLFrameDrop::kUnconvertible, int64_t(buffer->GetSize()), g.FrameBytes());
    return false;
  }

  return DeliverFrame(g.FrameBytes(), start, stop, [&](uint8_t* target) {
    const IppiSize roi{g.width, g.height};
    const int srcStep = int(sourceStride), dstStep = int(g.stride);
    if (from != to) {
      TDSFrameFormat in{source, g.width, g.height, false, srcStep, nullptr};
      TDSFrameFormat out{g.format, g.width, g.height, g.bottomUp, dstStep, nullptr};
      TDSFrameConverter().Convert(pixels, in, target, out);
      return;
    }
    const int rowBytes = VLBytesPerPixel(from) * g.width;
    if (!g.bottomUp) {
      if (srcStep == dstStep) {
        ippsCopy_8u(pixels, target, int(g.FrameBytes()));
      } else {
        for (int y = 0; y < g.height; ++y)
          ippsCopy_8u(pixels + int64_t(y) * srcStep, target + int64_t(y) * dstStep, rowBytes);
      }
      return;
    }
    switch (from) {
      case vfRGBA32:
        ippiMirror_8u_C4R(pixels, srcStep, target, dstStep, roi, ippAxsHorizontal);
        break;
      case vfRGB565:
      case vfRGB555:
        ippiMirror_16u_C1R(reinterpret_cast<const Ipp16u*>(pixels), srcStep, reinterpret_cast<Ipp16u*>(target), dstStep,
                           roi, ippAxsHorizontal);
        break;
      case vfGrayScale:
        ippiMirror_8u_C1R(pixels, srcStep, target, dstStep, roi, ippAxsHorizontal);
        break;
      default:
        ippiMirror_8u_C3R(pixels, srcStep, target, dstStep, roi, ippAxsHorizontal);
        break;
    }
  });
}

bool TDSVideoSourceStreamPin::SendData(const uint8_t* data, int64_t size, int64_t start, int64_t stop, int step,
                                       bool flip) {
  const TGeometry g = Snapshot();
  if (!data) {
    drops_.Drop(TVLFrameDrop::kStopped, size, g.FrameBytes());
    return false;
  }
  if (!flip) {
    // Data longer than a frame gives its first frame; shorter data would
    // leave the rest of the sample stale and is not shown.
    const int64_t frame = g.FrameBytes();
    if (size < frame) {
      drops_.Drop(TVLFrameDrop::kShortSample, size, frame);
      return false;
    }
    if (size > frame) drops_.Cut(size, frame);
    return DeliverFrame(frame, start, stop, [&](uint8_t* target) { ippsCopy_8u(data, target, int(frame)); });
  }
  const int rowBytes = int(int64_t(VLBytesPerPixel(g.format)) * g.width);
  if (step < rowBytes || g.height < 1 || int64_t(step) * (g.height - 1) + rowBytes > size) {
    drops_.Drop(TVLFrameDrop::kShortSample, size, int64_t(step) * (g.height - 1) + rowBytes);
    return false;
  }
  return DeliverFrame(g.FrameBytes(), start, stop, [&](uint8_t* target) {
    ippiMirror_8u_C1R(data, step, target, int(g.stride), IppiSize{rowBytes, g.height}, ippAxsHorizontal);
  });
}

bool TDSVideoSourceStreamPin::SendRGB24(const uint8_t* data, int64_t size, int step, int64_t start, int64_t stop) {
  const TGeometry g = Snapshot();
  const int rowBytes = 3 * g.width;
  if (!data) {
    drops_.Drop(TVLFrameDrop::kStopped, size, g.FrameBytes());
    return false;
  }
  if (VLLayoutOf(g.format) != vfRGB24) {
    drops_.Drop(TVLFrameDrop::kUnconvertible, size, g.FrameBytes());
    return false;
  }
  if (step < rowBytes || g.height < 1 || int64_t(step) * (g.height - 1) + rowBytes > size) {
    drops_.Drop(TVLFrameDrop::kShortSample, size, int64_t(step) * (g.height - 1) + rowBytes);
    return false;
  }
  return DeliverFrame(g.FrameBytes(), start, stop, [&](uint8_t* target) {
    const IppiSize roi{g.width, g.height};
    if (g.bottomUp) {
      ippiMirror_8u_C3R(data, step, target, int(g.stride), roi, ippAxsHorizontal);
    } else {
      ippiCopy_8u_C3R(data, step, target, int(g.stride), roi);
    }
  });
}

}  // namespace lumicar
