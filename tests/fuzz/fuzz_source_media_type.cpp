// Fuzz target for the media types a downstream filter proposes to the video
// source: any major type, subtype, format type, sample fields and format
// block (a video information header of either kind with any bitmap header,
// or any other bytes, or a block the type claims but lacks) goes through
// the pin's CheckMediaType. An accepted type is then connected the way a
// graph connects it (the pin's SetMediaType and buffer decision included),
// and frames are pushed through the connection: an image of the pin's size
// in any format, and raw bytes of any length, row step and row order. Each
// delivered sample holds the whole frame within its buffer; every refusal
// is clean, and no media object or image buffer is left afterwards.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "buffers/block_pool.h"
#include "buffers/image_buffer.h"
#include "buffers/smart_buffer.h"
#include "display/source/video_source_filter.h"
#include "dsbase/base/base_renderer.h"
#include "dsbase/com/live_objects.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/media_type.h"
#include "dsbase/media/video_info.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using namespace lumicar;
using fuzz::TFuzzInput;

const TGUID kSourceClass = TGUID::FromString("{6C1D0A52-3B7E-4E1F-9A0B-5D2C8F7E4A11}");

// Frames larger than this, and types whose header asks for larger samples
// (the pin's buffer holds the header's image size when that is more than a
// frame), are only checked, not connected: a connection allocates its
// sample buffer, and the fuzzer's time is better spent elsewhere.
constexpr int64_t kMaxPixels = int64_t{1} << 16;
constexpr uint32_t kMaxSampleBytes = uint32_t{1} << 20;
constexpr uint32_t kMaxFormatBlock = 4096;

[[noreturn]] void Fail(const char* what, int64_t a, int64_t b) {
  std::fprintf(stderr, "source media type: %s (%lld, %lld)\n", what, static_cast<long long>(a),
               static_cast<long long>(b));
  std::abort();
}

// Takes every sample of a video connection and reads each of its bytes, so
// that a length past the sample's buffer stops the sanitizer.
class TReadingRenderer : public TDSBaseRenderer {
 public:
  TReadingRenderer() : TDSBaseRenderer(QStringLiteral("Reader"), nullptr, GUID_NULL) {}

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override {
    if (!mt) return E_POINTER;
    return mt->majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT DoRenderSample(IMediaSample* sample) override {
    uint8_t* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || !data) Fail("sample without memory", 0, 0);
    const int32_t length = sample->GetActualDataLength();
    if (length < 0 || length > sample->GetSize()) Fail("sample length past its buffer", length, sample->GetSize());
    uint32_t sum = 0;
    for (int32_t i = 0; i < length; ++i) sum = sum * 31 + data[i];
    checksum_ += sum;
    ++samples_;
    lastLength_ = length;
    return S_OK;
  }

  int samples_ = 0;
  int32_t lastLength_ = 0;
  uint32_t checksum_ = 0;

 protected:
  ~TReadingRenderer() override = default;
};

// Bytes of one frame as it travels in a sample: bitmap rows padded to 4
// bytes, packed 4:2:2 rows of 2 x width bytes.
int64_t SampleBytes(TVLVideoFormat format, int width, int height) {
  const int64_t row =
      format == vfYUY2 || format == vfUYVY ? 2 * int64_t(width) : VLRoundUp4(int64_t(width) * VLBytesPerPixel(format));
  return row * height;
}

TGUID RawGuid(TFuzzInput& in) {
  TGUID guid;
  in.Bytes(&guid, sizeof guid);
  return guid;
}

// Mostly the known names, so that the checks past the GUID comparisons are
// reached; any other value now and then.
TGUID MajorType(TFuzzInput& in) {
  switch (in.Byte() % 8) {
    case 5:
      return MEDIATYPE_Audio;
    case 6:
      return GUID_NULL;
    case 7:
      return RawGuid(in);
    default:
      return MEDIATYPE_Video;
  }
}

TGUID SubType(TFuzzInput& in) {
  const TGUID* known[] = {&MEDIASUBTYPE_RGB24,  &MEDIASUBTYPE_RGB32,  &MEDIASUBTYPE_YUY2, &MEDIASUBTYPE_UYVY,
                          &MEDIASUBTYPE_RGB565, &MEDIASUBTYPE_RGB555, &MEDIASUBTYPE_RGB8, &MEDIASUBTYPE_ARGB32,
                          &MEDIASUBTYPE_MJPG,   &MEDIASUBTYPE_NV12,   &GUID_NULL};
  constexpr int kKnown = int(sizeof known / sizeof known[0]);
  const int choice = in.Byte() % (kKnown + 1);
  return choice < kKnown ? *known[choice] : RawGuid(in);
}

TGUID FormatType(TFuzzInput& in) {
  switch (in.Byte() % 5) {
    case 0:
      return FORMAT_VideoInfo;
    case 1:
      return FORMAT_VideoInfo2;
    case 2:
      return FORMAT_WaveFormatEx;
    case 3:
      return GUID_NULL;
    default:
      return RawGuid(in);
  }
}

// A send that reports success has delivered exactly one sample holding
// one frame of the connection; one that reports failure, none.
template <typename Send>
bool ExpectOneFrame(TDSVideoSourceStreamPin* pin, TReadingRenderer* renderer, Send&& send) {
  const int before = renderer->samples_;
  const bool sent = send();
  if (sent != (renderer->samples_ == before + 1)) Fail("delivery reported wrongly", sent, renderer->samples_ - before);
  const int64_t frame = SampleBytes(pin->ConnectedFormat(), pin->Width(), pin->Height());
  if (sent && renderer->lastLength_ != frame) Fail("sample is not one frame", renderer->lastLength_, frame);
  return sent;
}

// Pushes what the input asks for through a running connection.
void PushFrames(TFuzzInput& in, TDSVideoSourceFilter* source, TReadingRenderer* renderer) {
  TDSVideoSourceStreamPin* pin = source->Pin();
  const int width = pin->Width(), height = pin->Height();
  // An image of the pin's size (or one pixel off) in any layout.
  const uint8_t how = in.Byte();
  const auto format = TVLVideoFormat(how % kVLVideoFormatCount);
  const int imageWidth = width + ((how & 0x10) ? 1 : 0), imageHeight = height + ((how & 0x20) ? 1 : 0);
  auto image = MakeIntf<TVLImageBuffer>(imageWidth, imageHeight, format);
  uint8_t* pixels = image->Write();
  for (uint32_t i = 0; i < image->GetSize(); ++i) pixels[i] = uint8_t(i * 7 + how);
  const bool sent = ExpectOneFrame(pin, renderer, [&] { return source->SendBuffer(image.get(), 100, 200); });
  if (sent && (imageWidth != width || imageHeight != height)) Fail("frame of another size sent", imageWidth, width);

  // Raw bytes with a row step, as they are, turned over, or as a top-down
  // RGB24 picture: shaped after the connection (one frame, or a few bytes
  // short of one) or of any length and step. The buffer is exactly as long
  // as the size passed, so a read past it stops the sanitizer.
  const uint8_t entry = in.Byte();
  const uint16_t stepField = in.U16();
  const uint32_t lengthField = in.U32();
  const int kind = (entry & 0x0F) % 3;
  int step = 0;
  int64_t size = 0;
  if (entry & 0x40) {
    const TVLVideoFormat connected = pin->ConnectedFormat();
    const int64_t rowBytes = int64_t(kind == 2 ? 3 : VLBytesPerPixel(connected)) * width;
    step = int(rowBytes) + stepField % 16;
    size = kind == 0 ? SampleBytes(connected, width, height) : int64_t(step) * (height - 1) + rowBytes;
    if (entry & 0x20) size -= std::min<int64_t>(size, 1 + lengthField % 8);
  } else {
    step = int(stepField) - 16;
    size = int64_t(lengthField % (4 * uint32_t(width) * uint32_t(height) + 64));
  }
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size_t(size)]);
  in.Bytes(bytes.get(), size_t(size));
  const bool delivered = ExpectOneFrame(pin, renderer, [&] {
    switch (kind) {
      case 0:
        return pin->SendData(bytes.get(), size, 0, 0, step, false);
      case 1:
        return pin->SendData(bytes.get(), size, 0, 0, step, true);
      default:
        return pin->SendRGB24(bytes.get(), size, step, 0, 0);
    }
  });
  // A whole frame in the layout the entry point expects is never refused.
  const bool rgb = VLLayoutOf(pin->ConnectedFormat()) == vfRGB24;
  if ((entry & 0x60) == 0x40 && (kind != 2 || rgb) && !delivered) Fail("whole frame refused", kind, size);
}

void Run(TFuzzInput& in) {
  const uint8_t flags = in.Byte();
  TDSMediaType mt;
  mt->majortype = MajorType(in);
  mt->subtype = SubType(in);
  mt->formattype = FormatType(in);
  const uint8_t sampleFlags = in.Byte();
  mt->bFixedSizeSamples = (sampleFlags & 1) == 0;
  mt->bTemporalCompression = (sampleFlags & 2) != 0;
  mt->lSampleSize = in.U32();
  const uint32_t blockSize = in.U16() % (kMaxFormatBlock + 1);
  // A block of exactly the size the type claims (a read past it stops the
  // sanitizer), or now and then a type that claims a block it lacks.
  if ((sampleFlags & 4) && blockSize > 0) {
    mt->cbFormat = blockSize;
  } else if (blockSize > 0) {
    uint8_t* block = LPDSSetFormatBuffer(mt.Get(), blockSize);
    if (!block) return;
    mt->cbFormat = blockSize;
    in.Bytes(block, blockSize);
  }

  // The pin's frame size: the header's own (so that the size checks pass
  // and what follows is reached) or any other.
  int width = 0, height = 0;
  if (flags & 0x10) {
    width = int(in.U16()) - 2;
    height = int(in.U16()) - 2;
  } else if (const BITMAPINFOHEADER* header = mt->pbFormat ? DSBitmapHeader(mt.Get()) : nullptr) {
    width = header->biWidth;
    height = int(std::min<int64_t>(header->biHeight < 0 ? -int64_t(header->biHeight) : header->biHeight, 1 << 30));
  }
  const auto preferred = TVLVideoFormat(flags % kVLVideoFormatCount);
  const bool fixed = (flags & 0x08) != 0;
  TIntf<TDSVideoSourceFilter> source(
      new TDSVideoSourceFilter(QStringLiteral("VideoSource"), kSourceClass, preferred, fixed, 0));
  TDSVideoSourceStreamPin* pin = source->Pin();
  const HRESULT sized = pin->SetSizeDelay(width, height, 0);
  const bool validSize = width >= 1 && height >= 1 && width <= TDSVideoSourceStreamPin::kMaxSide &&
                         height <= TDSVideoSourceStreamPin::kMaxSide;
  if ((sized == S_OK) != validSize) Fail("frame size decided wrongly", width, height);

  const HRESULT checked = pin->CheckMediaType(&mt.Get());
  if (checked != S_OK && checked != E_INVALIDARG && checked != E_POINTER) Fail("unexpected answer", checked, 0);
  if (checked != S_OK) return;
  // Only a fixed-size video type with a whole header of the pin's size passes.
  const BITMAPINFOHEADER* header = DSBitmapHeader(mt.Get());
  if (!header || !(mt->majortype == MEDIATYPE_Video) || !mt->bFixedSizeSamples || header->biWidth != pin->Width())
    Fail("type accepted that does not fit", header ? header->biWidth : -1, pin->Width());
  if (int64_t(pin->Width()) * pin->Height() > kMaxPixels || header->biSizeImage > kMaxSampleBytes) return;

  TIntf<TReadingRenderer> renderer(new TReadingRenderer);
  if (source->Pin()->Connect(renderer->GetPin(0), &mt.Get()) == S_OK) {
    if (pin->ConnectedFormat() != VLGetFormatFromGUID(mt->subtype)) Fail("connected in another format", 0, 0);
    // The one sample buffer holds a whole frame of the agreed format.
    ALLOCATOR_PROPERTIES props{};
    if (!pin->Allocator() || FAILED(pin->Allocator()->GetProperties(&props)) || props.cBuffers < 1 ||
        int64_t(props.cbBuffer) < SampleBytes(pin->ConnectedFormat(), pin->Width(), pin->Height()))
      Fail("sample buffer smaller than a frame", props.cbBuffer, pin->Width());
    // Connected, the pin still accepts the type it agreed.
    if (pin->CheckMediaType(&mt.Get()) != S_OK) Fail("agreed type refused while connected", 0, 0);
    if (renderer->Run(0) == S_OK && source->Run(0) == S_OK) PushFrames(in, source.get(), renderer.get());
    source->Stop();
    renderer->Stop();
    pin->Disconnect();
    renderer->GetPin(0)->Disconnect();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int64_t objects = DSLiveObjectCount();
  const int32_t stores = _SLCountStores.load();
  {
    TFuzzInput in(data, size);
    Run(in);
  }
  // The pool keeps freed blocks by size until the user-interface thread
  // trims it, which never runs here: empty it, so that one input's sizes
  // neither pile up nor change what the next input allocates.
  SLMemoryCleanUp();
  if (DSLiveObjectCount() != objects) Fail("media objects left", objects, DSLiveObjectCount());
  if (_SLCountStores.load() != stores) Fail("image buffers left", stores, _SLCountStores.load());
  return 0;
}
