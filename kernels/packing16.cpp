// 16-bit packing kernels: one pixel rule each, run by a common row loop.

#include "kernels/packing16.h"

#include <cstdint>

#include "kernels/conversion_args.h"

namespace lumicar::builtin {
namespace {

uint16_t ReadWord(const Ipp8u* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void WriteWord(Ipp8u* p, unsigned w) {
  p[0] = static_cast<Ipp8u>(w);
  p[1] = static_cast<Ipp8u>(w >> 8);
}

void Unpack565(unsigned w, Ipp8u* out) {
  out[0] = static_cast<Ipp8u>((w & 0x1F) << 3);
  out[1] = static_cast<Ipp8u>(((w >> 5) & 0x3F) << 2);
  out[2] = static_cast<Ipp8u>(((w >> 11) & 0x1F) << 3);
}
void Unpack555(unsigned w, Ipp8u* out) {
  out[0] = static_cast<Ipp8u>((w & 0x1F) << 3);
  out[1] = static_cast<Ipp8u>(((w >> 5) & 0x1F) << 3);
  out[2] = static_cast<Ipp8u>(((w >> 10) & 0x1F) << 3);
}
unsigned Pack565(const Ipp8u* p) { return (p[0] >> 3) + ((p[1] >> 2) << 5) + ((p[2] >> 3) << 11); }
unsigned Pack555(const Ipp8u* p) { return (p[0] >> 3) + ((p[1] >> 3) << 5) + ((p[2] >> 3) << 10); }

// kIn and kOut are the bytes per source and destination pixel.
template <int kIn, int kOut, class Rule>
IppStatus RunPacking(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize, Rule rule) {
  if (IppStatus status = CheckImageArgs({pSrc, pDst}, roiSize, {srcStep, dstStep}); status != ippStsNoErr) {
    return status;
  }
  for (int y = 0; y < roiSize.height; ++y) {
    const Ipp8u* s = RowAt(pSrc, srcStep, y);
    Ipp8u* d = RowAt(pDst, dstStep, y);
    for (int x = 0; x < roiSize.width; ++x) rule(s + kIn * x, d + kOut * x);
  }
  return ippStsNoErr;
}

}  // namespace

IppStatus ippiRGB565ToRGB_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunPacking<2, 3>(pSrc, srcStep, pDst, dstStep, roiSize,
                          [](const Ipp8u* s, Ipp8u* d) { Unpack565(ReadWord(s), d); });
}

IppStatus ippiRGB_8u_C3RToRGB565(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunPacking<3, 2>(pSrc, srcStep, pDst, dstStep, roiSize,
                          [](const Ipp8u* s, Ipp8u* d) { WriteWord(d, Pack565(s)); });
}

IppStatus ippiRGB555ToRGB_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunPacking<2, 3>(pSrc, srcStep, pDst, dstStep, roiSize,
                          [](const Ipp8u* s, Ipp8u* d) { Unpack555(ReadWord(s), d); });
}

IppStatus ippiRGB_8u_C3RToRGB555(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunPacking<3, 2>(pSrc, srcStep, pDst, dstStep, roiSize,
                          [](const Ipp8u* s, Ipp8u* d) { WriteWord(d, Pack555(s)); });
}

IppStatus ippiRGB565ToRGBA_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunPacking<2, 4>(pSrc, srcStep, pDst, dstStep, roiSize, [](const Ipp8u* s, Ipp8u* d) {
    Unpack565(ReadWord(s), d);
    d[3] = 255;
  });
}

IppStatus ippiRGBA_8u_AC4RToRGB565(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunPacking<4, 2>(pSrc, srcStep, pDst, dstStep, roiSize,
                          [](const Ipp8u* s, Ipp8u* d) { WriteWord(d, Pack565(s)); });
}

IppStatus ippiRGB555ToRGBA_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunPacking<2, 4>(pSrc, srcStep, pDst, dstStep, roiSize, [](const Ipp8u* s, Ipp8u* d) {
    Unpack555(ReadWord(s), d);
    d[3] = 127;
  });
}

IppStatus ippiRGBA_8u_AC4RToRGB555(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunPacking<4, 2>(pSrc, srcStep, pDst, dstStep, roiSize,
                          [](const Ipp8u* s, Ipp8u* d) { WriteWord(d, Pack555(s)); });
}

IppStatus ippiRGB565ToRGB555(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunPacking<2, 2>(pSrc, srcStep, pDst, dstStep, roiSize, [](const Ipp8u* s, Ipp8u* d) {
    const unsigned w = ReadWord(s);
    WriteWord(d, (w & 0x1F) + ((w >> 6) << 5));
  });
}

IppStatus ippiRGB555ToRGB565(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) {
  return RunPacking<2, 2>(pSrc, srcStep, pDst, dstStep, roiSize, [](const Ipp8u* s, Ipp8u* d) {
    const unsigned w = ReadWord(s);
    WriteWord(d, (w & 0x1F) + (((w >> 5) & 0x3FF) << 6));
  });
}

}  // namespace lumicar::builtin
