// Fuzz target for the camera layer's MJPEG decoder: a frame of any bytes is
// decoded to YUY2 or to BGR rows (bottom-up or not) of the size the JPEG
// claims or of any other size, into a destination of exactly the rows asked
// for, with padding after each row. Corrupt and truncated frames are
// refused with a reason; no byte is written past a row's pixels or the
// destination; and a decoder that has failed decodes the next frame as a
// fresh one would, so the same frame twice gives the same answer and the
// same pixels.
//
// Input: one mode byte (bit 0 BGR, bit 1 bottom-up, bit 2 the size below
// instead of the JPEG's own, bits 3..7 row padding), width and height
// (16 bits each, little-endian), then the frame.
#include <turbojpeg.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "dsbase/camera/mjpeg_decoder.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using namespace lumicar;
using fuzz::TFuzzInput;

// Larger frames cost the fuzzer time without reaching other code.
constexpr int64_t kMaxPixels = int64_t{1} << 18;
constexpr uint8_t kCanary = 0xA5;

[[noreturn]] void Fail(const char* what, int width, int height) {
  std::fprintf(stderr, "MJPEG decoder: %s (%d x %d)\n", what, width, height);
  std::abort();
}

// The size the frame's header claims, or 0 x 0 when it has none.
void ClaimedSize(const uint8_t* jpeg, size_t size, int* width, int* height) {
  *width = *height = 0;
  tjhandle handle = tjInitDecompress();
  if (!handle) return;
  int sub = 0, colourspace = 0;
  if (tjDecompressHeader3(handle, jpeg, static_cast<unsigned long>(size), width, height, &sub, &colourspace) != 0)
    *width = *height = 0;
  tjDestroy(handle);
}

struct TTarget {
  std::unique_ptr<uint8_t[]> bytes;
  size_t size = 0;
};

TTarget MakeTarget(size_t size) {
  TTarget t{std::unique_ptr<uint8_t[]>(new uint8_t[size]), size};
  std::memset(t.bytes.get(), kCanary, size);
  return t;
}

bool Decode(TDSMjpegDecoder& decoder, bool bgr, bool bottomUp, const uint8_t* jpeg, size_t size, int width, int height,
            TTarget& target, int stride) {
  return bgr ? decoder.DecodeToBgr(jpeg, size, width, height, target.bytes.get(), stride, bottomUp)
             : decoder.DecodeToYuy2(jpeg, size, width, height, target.bytes.get(), stride);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzInput in(data, size);
  const uint8_t mode = in.Byte();
  const bool bgr = (mode & 1) != 0, bottomUp = (mode & 2) != 0, ownSize = (mode & 4) == 0;
  const int padding = mode >> 3;
  int width = in.U16(), height = in.U16();
  const uint8_t* jpeg = in.Rest();
  const size_t jpegSize = in.Remaining();
  if (ownSize) ClaimedSize(jpeg, jpegSize, &width, &height);
  if (width < 1 || height < 1 || int64_t(width) * height > kMaxPixels) {
    width = 16;
    height = 8;
  }
  const int rowBytes = (bgr ? 3 : 2) * width;
  const int stride = rowBytes + padding;
  const size_t bytes = size_t(stride) * size_t(height);

  TDSMjpegDecoder decoder;
  TTarget first = MakeTarget(bytes);
  const bool decoded = Decode(decoder, bgr, bottomUp, jpeg, jpegSize, width, height, first, stride);
  if (!decoded && *decoder.LastError() == '\0') Fail("refused without a reason", width, height);
  // Padding after each row stays as it was.
  for (int y = 0; y < height; ++y) {
    const uint8_t* pad = first.bytes.get() + size_t(y) * size_t(stride) + size_t(rowBytes);
    for (int i = 0; i < padding; ++i)
      if (pad[i] != kCanary) Fail("written past a row", width, height);
  }
  // The same frame again, with the decoder as the first decode left it.
  TTarget second = MakeTarget(bytes);
  const bool again = Decode(decoder, bgr, bottomUp, jpeg, jpegSize, width, height, second, stride);
  if (again != decoded) Fail(decoded ? "decoded once, then refused" : "refused once, then decoded", width, height);
  if (decoded && std::memcmp(first.bytes.get(), second.bytes.get(), bytes) != 0)
    Fail("the same frame decoded to other pixels", width, height);
  return 0;
}
