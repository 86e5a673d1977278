// The built-in kernels, reached through their table entries, against the library contract: statuses,
// operand order, scale-factor rounding, saturation, and the untouched fourth byte of the AC4 layouts.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "kernels/dispatch/audio_table.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/dispatch/norm_table.h"
#include "kernels/dispatch/signal_table.h"
#include "tests/kernels/dispatch/dispatch_environment.h"

namespace lumicar {
namespace {

constexpr IppiSize kOne{1, 1};

TEST(ArithmeticKernels, AddWithScaleFactorOneRoundsHalfToEven) {
  const Ipp8u src[9] = {4, 6, 3, 255, 255, 0, 1, 1, 0};
  Ipp8u acc[9] = {3, 5, 2, 255, 254, 0, 0, 2, 1};
  ASSERT_EQ(ippiAdd_8u_C3IRSfs(src, 9, acc, 9, {3, 1}, 1), ippStsNoErr);
  // 3.5 → 4, 5.5 → 6, 2.5 → 2, 255, 254.5 → 254, 0, 0.5 → 0, 1.5 → 2, 0.5 → 0
  const Ipp8u expected[9] = {4, 6, 2, 255, 254, 0, 0, 2, 0};
  EXPECT_EQ(0, std::memcmp(acc, expected, 9));
}

TEST(ArithmeticKernels, ScaleFactorsZeroLargerAndNegative) {
  Ipp8u a[3] = {200, 100, 7};
  const Ipp8u b[3] = {100, 28, 5};
  ASSERT_EQ(ippiAdd_8u_C3IRSfs(b, 3, a, 3, kOne, 0), ippStsNoErr);  // clamp only
  EXPECT_EQ(a[0], 255);
  EXPECT_EQ(a[1], 128);
  EXPECT_EQ(a[2], 12);
  Ipp8u c[3] = {10, 14, 2};
  const Ipp8u d[3] = {0, 0, 0};
  ASSERT_EQ(ippiAdd_8u_C3IRSfs(d, 3, c, 3, kOne, 2), ippStsNoErr);  // 2.5 → 2, 3.5 → 4, 0.5 → 0
  EXPECT_EQ(c[0], 2);
  EXPECT_EQ(c[1], 4);
  EXPECT_EQ(c[2], 0);
  Ipp8u e[3] = {10, 100, 0};
  ASSERT_EQ(ippiAdd_8u_C3IRSfs(d, 3, e, 3, kOne, -2), ippStsNoErr);  // shifted left, saturated
  EXPECT_EQ(e[0], 40);
  EXPECT_EQ(e[1], 255);
  EXPECT_EQ(e[2], 0);
}

TEST(ArithmeticKernels, SubtractAndDivideOperandOrder) {
  // In place: pSrcDst (op) pSrc; out of place: pSrc2 (op) pSrc1.
  Ipp8u acc[1] = {50};
  const Ipp8u src[1] = {20};
  ASSERT_EQ(ippiSub_8u_C1IRSfs(src, 1, acc, 1, kOne, 0), ippStsNoErr);
  EXPECT_EQ(acc[0], 30);
  const Ipp8u s1[3] = {20, 10, 200};
  const Ipp8u s2[3] = {50, 5, 100};
  Ipp8u out[3] = {};
  ASSERT_EQ(ippiSub_8u_C3RSfs(s1, 3, s2, 3, out, 3, kOne, 0), ippStsNoErr);
  EXPECT_EQ(out[0], 30);
  EXPECT_EQ(out[1], 0);  // negative saturates to 0
  EXPECT_EQ(out[2], 0);
  ASSERT_EQ(ippiDiv_8u_C3RSfs(s1, 3, s2, 3, out, 3, kOne, 0), ippStsNoErr);
  EXPECT_EQ(out[0], 2);  // 50 / 20 = 2.5 → 2
  EXPECT_EQ(out[1], 0);  // 5 / 10 = 0.5 → 0
  EXPECT_EQ(out[2], 0);  // 100 / 200
}

TEST(ArithmeticKernels, DivisionByZeroWritesAndWarns) {
  Ipp8u acc[4] = {7, 0, 9, 10};
  const Ipp8u src[4] = {0, 0, 2, 4};
  EXPECT_EQ(ippiDiv_8u_C1IRSfs(src, 4, acc, 4, {4, 1}, 0), ippStsDivByZero);
  EXPECT_EQ(acc[0], 255);
  EXPECT_EQ(acc[1], 0);
  EXPECT_EQ(acc[2], 4);  // 4.5 → 4
  EXPECT_EQ(acc[3], 2);  // 2.5 → 2
  Ipp8u px[3] = {9, 9, 9};
  const Ipp8u div_one[3] = {2, 2, 2};
  EXPECT_EQ(ippiDiv_8u_C3IRSfs(div_one, 3, px, 3, kOne, 1), ippStsNoErr);  // 9 / 2 / 2 = 2.25 → 2
  EXPECT_EQ(px[0], 2);
  const Ipp8u zero_value[3] = {1, 0, 1};
  Ipp8u untouched[3] = {5, 6, 7};
  EXPECT_EQ(ippiDivC_8u_C3IRSfs(zero_value, untouched, 3, kOne, 0), ippStsDivByZeroErr);
  EXPECT_EQ(untouched[1], 6);
}

TEST(ArithmeticKernels, MultiplySquareAndMultiplyScale) {
  Ipp8u acc[3] = {16, 3, 255};
  const Ipp8u src[3] = {16, 3, 1};
  ASSERT_EQ(ippiMul_8u_C3IRSfs(src, 3, acc, 3, kOne, 1), ippStsNoErr);
  EXPECT_EQ(acc[0], 128);  // 256 / 2
  EXPECT_EQ(acc[1], 4);    // 4.5 → 4
  EXPECT_EQ(acc[2], 128);  // 127.5 → 128
  Ipp8u sq[4] = {15, 3, 5, 77};
  ASSERT_EQ(ippiSqr_8u_AC4IRSfs(sq, 4, kOne, 0), ippStsNoErr);
  EXPECT_EQ(sq[0], 225);
  EXPECT_EQ(sq[1], 9);
  EXPECT_EQ(sq[2], 25);
  EXPECT_EQ(sq[3], 77);
  // (p + p / 256 + 1) >> 8 with p = a × b: a × b ÷ 255 for the extremes.
  Ipp8u ms[4] = {255, 255, 128, 1};
  const Ipp8u factor[4] = {255, 1, 255, 1};
  ASSERT_EQ(ippiMulScale_8u_C4IR(factor, 4, ms, 4, kOne), ippStsNoErr);
  EXPECT_EQ(ms[0], 255);
  EXPECT_EQ(ms[1], 1);
  EXPECT_EQ(ms[2], 128);
  EXPECT_EQ(ms[3], 0);
  Ipp8u mcs[4] = {200, 100, 50, 99};
  const Ipp8u half[3] = {128, 128, 128};
  ASSERT_EQ(ippiMulCScale_8u_AC4IR(half, mcs, 4, kOne), ippStsNoErr);
  EXPECT_EQ(mcs[0], 100);
  EXPECT_EQ(mcs[1], 50);
  EXPECT_EQ(mcs[2], 25);
  EXPECT_EQ(mcs[3], 99);  // alpha untouched
}

TEST(ArithmeticKernels, AlphaOfAC4IsNeverWrittenButC4IsWhole) {
  Ipp8u ac4[8] = {10, 20, 30, 40, 50, 60, 70, 80};
  const Ipp8u add[8] = {10, 20, 30, 200, 50, 60, 70, 200};
  ASSERT_EQ(ippiAdd_8u_AC4IRSfs(add, 8, ac4, 8, {2, 1}, 0), ippStsNoErr);
  EXPECT_EQ(ac4[3], 40);
  EXPECT_EQ(ac4[7], 80);
  EXPECT_EQ(ac4[6], 140);
  Ipp8u c4out[4] = {};
  ASSERT_EQ(ippiAdd_8u_C4RSfs(add, 8, add, 8, c4out, 4, kOne, 1), ippStsNoErr);
  EXPECT_EQ(c4out[3], 200);
  const Ipp8u value4[4] = {1, 2, 3, 4};
  Ipp8u c4[4] = {10, 10, 10, 10};
  ASSERT_EQ(ippiSubC_8u_C4IRSfs(value4, c4, 4, kOne, 0), ippStsNoErr);
  EXPECT_EQ(c4[3], 6);
  const Ipp8u value3[3] = {100, 100, 100};
  Ipp8u ac4c[4] = {200, 0, 10, 33};
  ASSERT_EQ(ippiAddC_8u_AC4IRSfs(value3, ac4c, 4, kOne, 1), ippStsNoErr);
  EXPECT_EQ(ac4c[0], 150);
  EXPECT_EQ(ac4c[1], 50);
  EXPECT_EQ(ac4c[2], 55);
  EXPECT_EQ(ac4c[3], 33);
}

TEST(ArithmeticKernels, AbsoluteDifferences) {
  const Ipp8u a[3] = {10, 200, 0};
  const Ipp8u b[3] = {30, 100, 255};
  Ipp8u out[3] = {};
  ASSERT_EQ(ippiAbsDiff_8u_C1R(a, 3, b, 3, out, 3, {3, 1}), ippStsNoErr);
  EXPECT_EQ(out[0], 20);
  EXPECT_EQ(out[1], 100);
  EXPECT_EQ(out[2], 255);
  ASSERT_EQ(ippiAbsDiffC_8u_C1R(a, 3, out, 3, {3, 1}, -100), ippStsNoErr);
  EXPECT_EQ(out[0], 110);
  EXPECT_EQ(out[1], 255);  // saturated
  EXPECT_EQ(out[2], 100);
}

TEST(KernelStatuses, NullPointerSizeAndStepAreCheckedInThatOrderAndNothingIsWritten) {
  Ipp8u buf[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const std::vector<Ipp8u> before(buf, buf + 12);
  EXPECT_EQ(ippiAdd_8u_C3IRSfs(nullptr, 3, buf, 3, {0, 1}, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippiAdd_8u_C3IRSfs(buf, 3, buf, 3, {0, 1}, 0), ippStsSizeErr);
  EXPECT_EQ(ippiAdd_8u_C3IRSfs(buf, 3, buf, 3, {1, -1}, 0), ippStsSizeErr);
  EXPECT_EQ(ippiAdd_8u_C3IRSfs(buf, 0, buf, 3, kOne, 0), ippStsStepErr);
  EXPECT_EQ(ippiMul_8u_AC4RSfs(buf, 4, buf, 4, nullptr, 4, kOne, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippiOr_8u_C1R(buf, 1, buf, 1, buf, -1, kOne), ippStsStepErr);
  EXPECT_EQ(ippiNot_8u_C4IR(buf, 4, {1, 0}), ippStsSizeErr);
  EXPECT_EQ(ippiAndC_8u_C3IR(nullptr, buf, 3, kOne), ippStsNullPtrErr);
  EXPECT_EQ(ippiSet_8u_C3R(buf, buf, 0, kOne), ippStsStepErr);
  EXPECT_EQ(ippiCopy_8u_C4C1R(buf, 4, buf, 1, {0, 0}), ippStsSizeErr);
  EXPECT_EQ(ippiMulCScale_8u_C1IR(3, nullptr, 1, kOne), ippStsNullPtrErr);
  EXPECT_EQ(ippiSet_16s_C1R(1, reinterpret_cast<Ipp16s*>(buf), 2, {0, 1}), ippStsSizeErr);
  EXPECT_EQ(ippiMax_8u_C1R(buf, 1, kOne, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(std::vector<Ipp8u>(buf, buf + 12), before);
}

TEST(KernelStatuses, MirrorAxisAndSize) {
  Ipp8u src[6] = {1, 2, 3, 4, 5, 6};
  Ipp8u dst[6] = {};
  EXPECT_EQ(ippiMirror_8u_C3R(src, 6, dst, 6, {2, 1}, static_cast<IppiAxis>(3)), ippStsMirrorFlipErr);
  EXPECT_EQ(ippiMirror_8u_C3R(src, 6, dst, 6, {0, 1}, ippAxsVertical), ippStsSizeErr);
  EXPECT_EQ(std::vector<Ipp8u>(dst, dst + 6), std::vector<Ipp8u>(6, 0));
}

TEST(LogicKernels, BitwiseOperationsAndShifts) {
  const Ipp8u a[4] = {0xF0, 0xAA, 0x0F, 0x55};
  const Ipp8u b[4] = {0x3C, 0xFF, 0x01, 0xFF};
  Ipp8u out[4] = {0, 0, 0, 0x77};
  ASSERT_EQ(ippiAnd_8u_AC4R(a, 4, b, 4, out, 4, kOne), ippStsNoErr);
  EXPECT_EQ(out[0], 0x30);
  EXPECT_EQ(out[1], 0xAA);
  EXPECT_EQ(out[2], 0x01);
  EXPECT_EQ(out[3], 0x77);
  Ipp8u x[4] = {0xF0, 0xAA, 0x0F, 0x55};
  ASSERT_EQ(ippiXor_8u_C4IR(b, 4, x, 4, kOne), ippStsNoErr);
  EXPECT_EQ(x[0], 0xCC);
  EXPECT_EQ(x[3], 0xAA);
  Ipp8u o[3] = {0x01, 0x02, 0x04};
  const Ipp8u ov[3] = {0x10, 0x20, 0x40};
  ASSERT_EQ(ippiOrC_8u_C3IR(ov, o, 3, kOne), ippStsNoErr);
  EXPECT_EQ(o[2], 0x44);
  Ipp8u n[4] = {0x00, 0xFF, 0x0F, 0x12};
  ASSERT_EQ(ippiNot_8u_AC4IR(n, 4, kOne), ippStsNoErr);
  EXPECT_EQ(n[0], 0xFF);
  EXPECT_EQ(n[1], 0x00);
  EXPECT_EQ(n[2], 0xF0);
  EXPECT_EQ(n[3], 0x12);
  Ipp8u s[4] = {0x81, 0x81, 0x81, 0x81};
  const Ipp32u left[4] = {1, 0, 8, 3};
  ASSERT_EQ(ippiLShiftC_8u_C4IR(left, s, 4, kOne), ippStsNoErr);
  EXPECT_EQ(s[0], 0x02);  // the high bit falls out
  EXPECT_EQ(s[1], 0x81);
  EXPECT_EQ(s[2], 0x00);
  EXPECT_EQ(s[3], 0x08);
  const Ipp8u src3[3] = {0x80, 0x80, 0x80};
  Ipp8u dst3[3] = {};
  const Ipp32u right[3] = {7, 1, 9};
  ASSERT_EQ(ippiRShiftC_8u_C3R(src3, 3, right, dst3, 3, kOne), ippStsNoErr);
  EXPECT_EQ(dst3[0], 1);
  EXPECT_EQ(dst3[1], 0x40);
  EXPECT_EQ(dst3[2], 0);
  const Ipp8u xv[3] = {0xFF, 0x00, 0x0F};
  ASSERT_EQ(ippiXorC_8u_C3R(src3, 3, xv, dst3, 3, kOne), ippStsNoErr);
  EXPECT_EQ(dst3[0], 0x7F);
  EXPECT_EQ(dst3[1], 0x80);
  EXPECT_EQ(dst3[2], 0x8F);
}

TEST(SetCopyKernels, FillsAndChannelCopiesTouchOnlyTheirBytes) {
  std::array<Ipp8u, 16> img{};
  img.fill(9);
  const Ipp8u v3[3] = {1, 2, 3};
  ASSERT_EQ(ippiSet_8u_AC4R(v3, img.data(), 8, {2, 2}), ippStsNoErr);
  EXPECT_EQ(img, (std::array<Ipp8u, 16>{1, 2, 3, 9, 1, 2, 3, 9, 1, 2, 3, 9, 1, 2, 3, 9}));
  ASSERT_EQ(ippiSet_8u_C3CR(7, img.data() + 1, 8, {2, 2}), ippStsNoErr);  // channel 1 of 3-byte pixels
  EXPECT_EQ(img[1], 7);
  EXPECT_EQ(img[4], 7);
  EXPECT_EQ(img[3], 9);
  const Ipp8u rgba[8] = {10, 11, 12, 13, 20, 21, 22, 23};
  Ipp8u gray[2] = {};
  ASSERT_EQ(ippiCopy_8u_C4C1R(rgba + 2, 8, gray, 2, {2, 1}), ippStsNoErr);
  EXPECT_EQ(gray[0], 12);
  EXPECT_EQ(gray[1], 22);
  Ipp8u dst4[8] = {0, 0, 0, 99, 0, 0, 0, 98};
  ASSERT_EQ(ippiCopy_8u_AC4R(rgba, 8, dst4, 8, {2, 1}), ippStsNoErr);
  EXPECT_EQ(dst4[2], 12);
  EXPECT_EQ(dst4[3], 99);
  EXPECT_EQ(dst4[7], 98);
  ASSERT_EQ(ippiCopy_8u_C4CR(rgba + 3, 8, dst4 + 3, 8, {2, 1}), ippStsNoErr);
  EXPECT_EQ(dst4[3], 13);
  EXPECT_EQ(dst4[7], 23);
  Ipp16s words[5] = {0, 0, 0, 0, 0};
  ASSERT_EQ(ippiSet_16s_C1R(-2, words, 6, {2, 2}), ippStsNoErr);  // rows of three samples, two written
  EXPECT_EQ(words[0], -2);
  EXPECT_EQ(words[1], -2);
  EXPECT_EQ(words[2], 0);
  EXPECT_EQ(words[3], -2);
  EXPECT_EQ(words[4], -2);
  const Ipp8u c4[4] = {1, 2, 3, 4};
  Ipp8u out4[8] = {};
  ASSERT_EQ(ippiSet_8u_C4R(c4, out4, 4, {1, 2}), ippStsNoErr);
  EXPECT_EQ(out4[7], 4);
  Ipp8u ones[3] = {};
  ASSERT_EQ(ippiSet_8u_C1R(5, ones, 1, {3, 1}), ippStsNoErr);
  EXPECT_EQ(ones[2], 5);
}

TEST(AlphaCompositionKernels, OperationsOnOpaqueAndTransparentPixels) {
  const Ipp8u a[4] = {200, 100, 0, 255};
  const Ipp8u b[4] = {0, 50, 250, 128};
  Ipp8u out[4] = {};
  ASSERT_EQ(ippiAlphaComp_8u_AC4R(a, 4, b, 4, out, 4, kOne, ippAlphaOver), ippStsNoErr);
  EXPECT_EQ(out[0], 200);  // opaque A covers B
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(out[3], 255);
  ASSERT_EQ(ippiAlphaComp_8u_AC4R(b, 4, a, 4, out, 4, kOne, ippAlphaIn), ippStsNoErr);
  // B in A: colour αB·B·αA = 128/255 · B, alpha αB·αA.
  EXPECT_EQ(out[2], 125);  // 250 × 128 / 255 = 125.49
  EXPECT_EQ(out[3], 128);
  ASSERT_EQ(ippiAlphaCompC_8u_C3R(a, 3, 255, b, 3, 255, out, 3, kOne, ippAlphaPlus), ippStsNoErr);
  EXPECT_EQ(out[0], 200);
  EXPECT_EQ(out[1], 150);
  EXPECT_EQ(out[2], 250);
  Ipp8u c1 = 0;
  ASSERT_EQ(ippiAlphaCompC_8u_C1R(a, 1, 0, b + 2, 1, 255, &c1, 1, kOne, ippAlphaOver), ippStsNoErr);
  EXPECT_EQ(c1, 250);  // transparent A shows B
  ASSERT_EQ(ippiAlphaCompC_8u_C4R(a, 4, 255, b, 4, 255, out, 4, kOne, ippAlphaXor), ippStsNoErr);
  EXPECT_EQ(out[0], 0);  // both opaque: nothing survives
  EXPECT_EQ(ippiAlphaCompC_8u_C1R(a, 1, 0, b, 1, 0, &c1, 1, kOne, static_cast<IppiAlphaType>(12)), ippStsAlphaTypeErr);
}

TEST(ColorTwistKernels, MatrixRoundsHalfToEvenAndSaturates) {
  const Ipp32f twist[3][4] = {{0.5f, 0, 0, 0}, {0, 1, 0, 100}, {0, 0, -1, 0}};
  Ipp8u px[8] = {5, 200, 40, 77, 7, 10, 0, 66};
  ASSERT_EQ(ippiColorTwist32f_8u_AC4IR(px, 8, {2, 1}, twist), ippStsNoErr);
  EXPECT_EQ(px[0], 2);    // 2.5 → 2
  EXPECT_EQ(px[1], 255);  // 300 saturated
  EXPECT_EQ(px[2], 0);    // −40 saturated
  EXPECT_EQ(px[3], 77);
  EXPECT_EQ(px[4], 4);  // 3.5 → 4
  EXPECT_EQ(px[5], 110);
  EXPECT_EQ(px[7], 66);
  const Ipp32f swap[3][4] = {{0, 0, 1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}};
  Ipp8u c3[3] = {1, 2, 3};
  ASSERT_EQ(ippiColorTwist32f_8u_C3IR(c3, 3, kOne, swap), ippStsNoErr);  // reads all before writing
  EXPECT_EQ(c3[0], 3);
  EXPECT_EQ(c3[2], 1);
  Ipp8u out[3] = {};
  ASSERT_EQ(ippiColorTwist32f_8u_C3R(c3, 3, out, 3, kOne, swap), ippStsNoErr);
  EXPECT_EQ(out[0], 1);
}

TEST(StatisticsKernels, MaxOverTheRegionOnly) {
  const Ipp8u img[8] = {1, 9, 3, 250, 4, 2, 8, 251};  // column 3 lies outside the 3 × 2 region
  Ipp8u max = 0;
  ASSERT_EQ(ippiMax_8u_C1R(img, 4, {3, 2}, &max), ippStsNoErr);
  EXPECT_EQ(max, 9);
}

TEST(SignalKernels, VectorFillMoveAndArithmetic) {
  Ipp8u v[6] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(ippsMove_8u(v, v + 1, 5), ippStsNoErr);  // overlapping
  EXPECT_EQ(v[5], 5);
  EXPECT_EQ(v[1], 1);
  ASSERT_EQ(ippsSet_8u(7, v, 3), ippStsNoErr);
  EXPECT_EQ(v[2], 7);
  ASSERT_EQ(ippsZero_8u(v, 2), ippStsNoErr);
  EXPECT_EQ(v[1], 0);
  EXPECT_EQ(ippsZero_8u(v, 0), ippStsSizeErr);
  EXPECT_EQ(ippsSet_8u(1, nullptr, 4), ippStsNullPtrErr);
  Ipp8u acc[4] = {200, 10, 9, 0};
  const Ipp8u src[4] = {100, 20, 0, 0};
  ASSERT_EQ(ippsAdd_8u_ISfs(src, acc, 4, 0), ippStsNoErr);
  EXPECT_EQ(acc[0], 255);
  ASSERT_EQ(ippsSub_8u_ISfs(src, acc, 4, 0), ippStsNoErr);
  EXPECT_EQ(acc[0], 155);
  EXPECT_EQ(acc[1], 10);  // 30 − 20
  EXPECT_EQ(ippsDiv_8u_ISfs(src, acc, 4, 0), ippStsDivByZero);
  EXPECT_EQ(acc[1], 0);    // 10 / 20 = 0.5 → 0
  EXPECT_EQ(acc[2], 255);  // 9 / 0
  EXPECT_EQ(acc[3], 0);    // 0 / 0
  Ipp8u m[1] = {20};
  const Ipp8u f[1] = {20};
  ASSERT_EQ(ippsMul_8u_ISfs(f, m, 1, 1), ippStsNoErr);
  EXPECT_EQ(m[0], 200);
  const Ipp64fc z[2] = {{3, 4}, {0, -12}};
  Ipp64f norm = 0;
  ASSERT_EQ(ippsNorm_L2_64fc64f(z, 2, &norm), ippStsNoErr);
  EXPECT_DOUBLE_EQ(norm, 13.0);
  EXPECT_EQ(ippsNorm_L2_64fc64f(z, 0, &norm), ippStsSizeErr);
}

}  // namespace
}  // namespace lumicar
