#pragma once
// The scalar, geometry and status types of the kernel contract. They match
// the optional acceleration library's C interface bit for bit, so that one
// function pointer type serves a library export and a built-in kernel alike.

#include <cstdint>

namespace lumicar {

using Ipp8u = uint8_t;
using Ipp8s = int8_t;
using Ipp16u = uint16_t;
using Ipp16s = int16_t;
using Ipp32u = uint32_t;
using Ipp32s = int32_t;
using Ipp64s = int64_t;
using Ipp32f = float;
using Ipp64f = double;
struct Ipp64fc {
  Ipp64f re;
  Ipp64f im;
};

using IppStatus = int;  // the library's enum is an int-sized C enum

struct IppiSize {
  int width;
  int height;
};
struct IppiPoint {
  int x;
  int y;
};

// Mirror axes: 0 flips rows (upside down), 1 flips columns, 2 both.
enum IppiAxis : int { ippAxsHorizontal = 0, ippAxsVertical = 1, ippAxsBoth = 2 };

enum IppiMaskSize : int {
  ippMskSize1x3 = 13,
  ippMskSize1x5 = 15,
  ippMskSize3x1 = 31,
  ippMskSize3x3 = 33,
  ippMskSize5x1 = 51,
  ippMskSize5x5 = 55,
};

enum IppiBorderType : int {
  ippBorderConst = 0,
  ippBorderRepl = 1,
  ippBorderWrap = 2,
  ippBorderMirror = 3,
  ippBorderMirrorR = 4,
  ippBorderInMem = 6,
};

// Compositing operations of the alpha-composition kernels; the Premul forms take premultiplied colours.
enum IppiAlphaType : int {
  ippAlphaOver = 0,
  ippAlphaIn = 1,
  ippAlphaOut = 2,
  ippAlphaATop = 3,
  ippAlphaXor = 4,
  ippAlphaPlus = 5,
  ippAlphaOverPremul = 6,
  ippAlphaInPremul = 7,
  ippAlphaOutPremul = 8,
  ippAlphaATopPremul = 9,
  ippAlphaXorPremul = 10,
  ippAlphaPlusPremul = 11,
};

// Status results of the kernels.
constexpr IppStatus ippStsNoErr = 0;
constexpr IppStatus ippStsDivByZero = 6;
constexpr IppStatus ippStsSizeErr = -6;
constexpr IppStatus ippStsDivByZeroErr = -10;
constexpr IppStatus ippStsNullPtrErr = -8;
constexpr IppStatus ippStsStepErr = -14;
constexpr IppStatus ippStsMirrorFlipErr = -21;
constexpr IppStatus ippStsChannelOrderErr = -60;
constexpr IppStatus ippStsMaskSizeErr = -33;
constexpr IppStatus ippStsBorderErr = -225;
constexpr IppStatus ippStsAnchorErr = -34;
constexpr IppStatus ippStsNoiseValErr = -36;
constexpr IppStatus ippStsNumChannelsErr = -53;
constexpr IppStatus ippStsAlphaTypeErr = -134;

}  // namespace lumicar
