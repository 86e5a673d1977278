// Writes the seed corpora of the sample-path fuzz targets (frame queue,
// MJPEG decoder, source media type) into the given tests/fuzz folder:
// small inputs in each target's own layout that reach its deeper paths, the
// JPEGs made with TurboJPEG (every chroma layout, odd sizes, progressive,
// truncated, and one without Huffman tables as many cameras send them).
// Run by hand when a target's input layout changes; the seeds are kept in
// the repository.
#include <turbojpeg.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dsbase/media/video_info.h"

namespace {

using namespace lumicar;
using Bytes = std::vector<uint8_t>;

void Put8(Bytes& b, int v) { b.push_back(uint8_t(v)); }
void Put16(Bytes& b, int v) {
  Put8(b, v & 0xFF);
  Put8(b, (v >> 8) & 0xFF);
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, int(v & 0xFFFF));
  Put16(b, int(v >> 16));
}
void PutRaw(Bytes& b, const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  b.insert(b.end(), p, p + size);
}

bool Write(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
  std::filesystem::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

// ---- frame queue: steps of SetSize (0), Push (1 exact, 2 near, 3 rest)
// and Get / Clear (4, Clear with the high bit).

void SetSize(Bytes& b, int format, int32_t width, int32_t height) {
  Put8(b, 0);
  Put8(b, format);
  Put32(b, uint32_t(width));
  Put32(b, uint32_t(height));
}

bool FrameQueueSeeds(const std::filesystem::path& folder) {
  bool ok = true;
  for (int first = 0; first < 8; first += 4) {
    Bytes b;
    for (int format = first; format < first + 4; ++format) {
      SetSize(b, format, 5 + format, format % 2 ? -3 : 3);
      Put8(b, 1);
    }
    ok &= Write(folder, "formats_" + std::to_string(first / 4) + ".bin", b);
  }
  Bytes odd;
  SetSize(odd, 0, 7, 3);
  Put8(odd, 2);
  Put8(odd, 0xFF);  // one byte short
  Put8(odd, 2);
  Put8(odd, 1);  // one byte long
  Put8(odd, 1);
  Put8(odd, 3);
  PutRaw(odd, "sample", 6);
  ok &= Write(folder, "short_and_long.bin", odd);
  Bytes queued;
  SetSize(queued, 1, 8, 2);
  for (int i = 0; i < 3; ++i) Put8(queued, 0x41);
  Put8(queued, 4);
  SetSize(queued, 6, 3, -2);
  Put8(queued, 0x41);
  Put8(queued, 0x84);
  Put8(queued, 0x41);
  ok &= Write(folder, "queued_clear.bin", queued);
  Bytes edges;
  SetSize(edges, 6, 16384, 1);
  Put8(edges, 1);
  SetSize(edges, 3, 1, -16384);
  Put8(edges, 1);
  SetSize(edges, 0, 16385, 1);
  SetSize(edges, 9, 4, 4);
  SetSize(edges, 0, 4, INT32_MIN);
  SetSize(edges, 0, 0, 4);
  ok &= Write(folder, "edges.bin", edges);
  return ok;
}

// ---- MJPEG decoder: mode, width, height, frame.

Bytes Jpeg(int width, int height, int sub, int flags) {
  Bytes rgb(size_t(width) * size_t(height) * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t((i * 37) ^ (i / 7));
  tjhandle handle = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  Bytes jpeg;
  if (tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &out, &size, sub, 75, flags) == 0)
    jpeg.assign(out, out + size);
  tjFree(out);
  tjDestroy(handle);
  return jpeg;
}

// The frame with its Huffman table segments taken out: the decoder falls
// back to the standard tables, which the encoder used.
Bytes WithoutHuffmanTables(const Bytes& jpeg) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  size_t i = 2;
  while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
    const uint8_t marker = jpeg[i + 1];
    const size_t length = (size_t(jpeg[i + 2]) << 8) | jpeg[i + 3];
    if (marker == 0xDA) break;  // entropy-coded data follows: copy the rest
    if (marker != 0xC4) out.insert(out.end(), jpeg.begin() + long(i), jpeg.begin() + long(i + 2 + length));
    i += 2 + length;
  }
  out.insert(out.end(), jpeg.begin() + long(i), jpeg.end());
  return out;
}

Bytes MjpegInput(int mode, int width, int height, const Bytes& jpeg) {
  Bytes b;
  Put8(b, mode);
  Put16(b, width);
  Put16(b, height);
  PutRaw(b, jpeg.data(), jpeg.size());
  return b;
}

bool MjpegSeeds(const std::filesystem::path& folder) {
  struct Seed {
    const char* name;
    int mode, width, height, sub, flags;
  };
  // mode: bit 0 BGR, bit 1 bottom-up, bit 2 the given size, bits 3.. padding.
  const Seed seeds[] = {
      {"yuy2_422.bin", 0, 16, 16, TJSAMP_422, 0},
      {"yuy2_420_odd.bin", 8 << 3, 17, 9, TJSAMP_420, 0},
      {"yuy2_444.bin", 0, 8, 8, TJSAMP_444, 0},
      {"yuy2_gray.bin", 0, 16, 8, TJSAMP_GRAY, 0},
      {"bgr_bottom_up.bin", 3, 32, 16, TJSAMP_420, 0},
      {"bgr_progressive.bin", 1, 16, 16, TJSAMP_422, TJFLAG_PROGRESSIVE},
      {"yuy2_411.bin", 0, 32, 8, TJSAMP_411, 0},
      {"other_size.bin", 4, 15, 16, TJSAMP_422, 0},
  };
  bool ok = true;
  for (const Seed& s : seeds) {
    const Bytes jpeg = Jpeg(s.mode & 4 ? s.width + 1 : s.width, s.height, s.sub, s.flags);
    if (jpeg.empty()) return false;
    ok &= Write(folder, s.name, MjpegInput(s.mode, s.width, s.height, jpeg));
  }
  const Bytes plain = Jpeg(16, 16, TJSAMP_422, 0);
  ok &= Write(folder, "yuy2_no_huffman_tables.bin", MjpegInput(0, 0, 0, WithoutHuffmanTables(plain)));
  ok &=
      Write(folder, "truncated.bin", MjpegInput(1, 0, 0, Bytes(plain.begin(), plain.begin() + long(plain.size() / 2))));
  return ok;
}

// ---- source media type: flags, type GUID choices, sample fields, format
// block, then what is pushed (image layout, raw length, step, bytes, entry).

struct TMediaSeed {
  int flags;      // bits 0..2 preferred format, bit 3 fixed, bit 4 the size below
  int subChoice;  // index into the target's subtype list
  int formatChoice;
  int sampleFlags;
  Bytes block;
};

Bytes VideoInfo(bool second, int width, int height, int bitCount, uint32_t compression, uint32_t palette = 0) {
  BITMAPINFOHEADER h;
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = uint16_t(bitCount);
  h.biCompression = compression;
  h.biSizeImage = DSBitmapImageSize(width, height < 0 ? -height : height, bitCount);
  Bytes b;
  if (second) {
    VIDEOINFOHEADER2 v;
    v.AvgTimePerFrame = 333333;
    v.bmiHeader = h;
    PutRaw(b, &v, sizeof v);
  } else {
    VIDEOINFOHEADER v;
    v.AvgTimePerFrame = 333333;
    v.bmiHeader = h;
    PutRaw(b, &v, sizeof v);
  }
  for (uint32_t i = 0; i < palette; ++i) Put32(b, i * 0x010101u);
  return b;
}

// `entry`: bits 0..3 modulo 3 the raw entry point (0 as is, 1 turned over,
// 2 RGB24), bit 6 shaped after the connection, bit 5 a few bytes short.
Bytes MediaInput(const TMediaSeed& s, int image, int entry, int width = 0, int height = 0) {
  Bytes b;
  Put8(b, s.flags);
  Put8(b, 0);  // video
  Put8(b, s.subChoice);
  Put8(b, s.formatChoice);
  Put8(b, s.sampleFlags);
  Put32(b, 0);
  Put16(b, int(s.block.size()));
  PutRaw(b, s.block.data(), s.block.size());
  if (s.flags & 0x10) {
    Put16(b, width + 2);
    Put16(b, height + 2);
  }
  Put8(b, image);
  Put8(b, entry);
  Put16(b, 0);  // step: the row's bytes
  Put32(b, 0);
  for (int i = 0; i < 64; ++i) Put8(b, i * 11);  // the rest of the bytes read as zeros
  return b;
}

bool MediaTypeSeeds(const std::filesystem::path& folder) {
  // Subtype choices: 0 RGB24, 1 RGB32, 2 YUY2, 3 UYVY, 4 RGB565, 5 RGB555,
  // 6 RGB8, 7 ARGB32.
  constexpr uint32_t kYuy2 = 0x32595559, kUyvy = 0x59565955;
  bool ok = true;
  ok &= Write(folder, "rgb24_bottom_up.bin", MediaInput({0, 0, 0, 0, VideoInfo(false, 16, 8, 24, BI_RGB)}, 1, 0x42));
  ok &= Write(folder, "rgb24_top_down_rows.bin", MediaInput({0, 0, 1, 0, VideoInfo(true, 6, -3, 24, BI_RGB)}, 0, 0x41));
  ok &= Write(folder, "yuy2_top_down.bin", MediaInput({1, 2, 1, 0, VideoInfo(true, 8, -4, 16, kYuy2)}, 2, 0x40));
  ok &= Write(folder, "uyvy_fixed_odd.bin", MediaInput({2 | 8, 3, 0, 0, VideoInfo(false, 7, 3, 16, kUyvy)}, 1, 0x40));
  ok &= Write(folder, "rgb32_from_yuy2.bin", MediaInput({1, 1, 1, 0, VideoInfo(true, 5, 5, 32, BI_RGB)}, 1, 0x41));
  ok &= Write(folder, "gray_palette.bin", MediaInput({6, 6, 0, 0, VideoInfo(false, 9, 2, 8, BI_RGB, 256)}, 6, 0x61));
  ok &= Write(folder, "rgb565.bin", MediaInput({4, 4, 1, 0, VideoInfo(true, 3, 3, 16, 3)}, 4, 0x62));
  Bytes shortBlock = VideoInfo(false, 16, 8, 24, BI_RGB);
  shortBlock.resize(60);
  ok &= Write(folder, "short_block.bin", MediaInput({0, 0, 0, 0, shortBlock}, 0, 0));
  ok &= Write(folder, "missing_block.bin", MediaInput({0, 0, 0, 4, VideoInfo(false, 16, 8, 24, BI_RGB)}, 0, 0));
  ok &=
      Write(folder, "given_size.bin", MediaInput({0x10, 0, 0, 0, VideoInfo(false, 16, 8, 24, BI_RGB)}, 3, 0x05, 16, 8));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <tests/fuzz folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path root(argv[1]);
  if (!FrameQueueSeeds(root / "frame_queue_corpus") || !MjpegSeeds(root / "mjpeg_decoder_corpus") ||
      !MediaTypeSeeds(root / "source_media_type_corpus")) {
    std::fprintf(stderr, "could not write the seeds\n");
    return 1;
  }
  return 0;
}
