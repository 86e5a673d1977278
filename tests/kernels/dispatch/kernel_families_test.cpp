// Every arithmetic and bitwise entry of the image table against an independent reference: random
// images with padded rows, each entry run through its table pointer, each result byte compared with the
// operation computed in double precision; bytes outside the processed channels and rows stay as they were.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "kernels/dispatch/audio_table.h"
#include "kernels/dispatch/image_table.h"
#include "tests/kernels/dispatch/dispatch_environment.h"

namespace lumicar {
namespace {

constexpr int kWidth = 5;
constexpr int kHeight = 3;
constexpr int kStep = 4 * kWidth + 3;  // padding after every row
constexpr IppiSize kRoi{kWidth, kHeight};

struct Layout {
  int pixel;  // bytes per pixel
  int used;   // channels processed
};
constexpr Layout kC1{1, 1}, kC3{3, 3}, kC4{4, 4}, kAC4{4, 3};

using Image = std::vector<Ipp8u>;

Image RandomImage(std::mt19937& rng) {
  Image img(static_cast<size_t>(kStep) * kHeight);
  for (auto& b : img) b = static_cast<Ipp8u>(rng() & 0xFF);
  // Enough small values that divisions by zero, ties and saturation all occur.
  for (size_t i = 0; i < img.size(); i += 7) img[i] = static_cast<Ipp8u>(rng() % 4);
  return img;
}

// Rounded half to even and clamped, as the scale-factor rule requires.
Ipp8u Reference(double exact) {
  const double r = std::nearbyint(exact);
  return static_cast<Ipp8u>(r < 0 ? 0 : (r > 255 ? 255 : r));
}

double Scale(int s) { return std::ldexp(1.0, -s); }

// Compares dst with expected(a, b, channel) on the processed bytes, and with `before` everywhere else.
void ExpectBytes(const std::string& name, Layout layout, const Image& before, const Image& dst,
                 const std::function<Ipp8u(int index, int channel)>& expected) {
  for (int y = 0; y < kHeight; ++y) {
    for (int i = 0; i < kStep; ++i) {
      const int at = y * kStep + i;
      const int x = i / layout.pixel;
      const int c = i % layout.pixel;
      const bool processed = x < kWidth && c < layout.used;
      const Ipp8u want = processed ? expected(at, c) : before[at];
      ASSERT_EQ(dst[at], want) << name << " row " << y << " byte " << i;
    }
  }
}

using ImageOp = std::function<Ipp8u(int a, int b, int scale)>;

const ImageOp kAdd = [](int a, int b, int s) { return Reference((a + b) * Scale(s)); };
const ImageOp kSub = [](int a, int b, int s) { return Reference((a - b) * Scale(s)); };
const ImageOp kMul = [](int a, int b, int s) { return Reference(double(a) * b * Scale(s)); };
const ImageOp kDiv = [](int a, int b, int s) -> Ipp8u {
  if (b == 0) return a == 0 ? 0 : 255;
  return Reference(double(a) / b * Scale(s));
};
const ImageOp kAnd = [](int a, int b, int) { return Ipp8u(a & b); };
const ImageOp kOr = [](int a, int b, int) { return Ipp8u(a | b); };
const ImageOp kXor = [](int a, int b, int) { return Ipp8u(a ^ b); };
// (p + p / 256 + 1) >> 8 with p = a × b is exactly a × b ÷ 255 rounded down for every pair of bytes.
const ImageOp kMulScale = [](int a, int b, int) { return Ipp8u(a * b / 255); };

class KernelFamilies : public ::testing::Test {
 protected:
  std::mt19937 rng_{20240607};
};

TEST_F(KernelFamilies, InPlaceImageOperations) {
  using InPlace = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, int);
  struct Case {
    const char* name;
    InPlace fn;
    Layout layout;
    ImageOp op;
  };
  const Case cases[] = {
      {"Add C1", ippiAdd_8u_C1IRSfs, kC1, kAdd},    {"Add C3", ippiAdd_8u_C3IRSfs, kC3, kAdd},
      {"Add AC4", ippiAdd_8u_AC4IRSfs, kAC4, kAdd}, {"Sub C1", ippiSub_8u_C1IRSfs, kC1, kSub},
      {"Sub C3", ippiSub_8u_C3IRSfs, kC3, kSub},    {"Sub AC4", ippiSub_8u_AC4IRSfs, kAC4, kSub},
      {"Mul C1", ippiMul_8u_C1IRSfs, kC1, kMul},    {"Mul C3", ippiMul_8u_C3IRSfs, kC3, kMul},
      {"Mul AC4", ippiMul_8u_AC4IRSfs, kAC4, kMul}, {"Div C1", ippiDiv_8u_C1IRSfs, kC1, kDiv},
      {"Div C3", ippiDiv_8u_C3IRSfs, kC3, kDiv},    {"Div AC4", ippiDiv_8u_AC4IRSfs, kAC4, kDiv},
  };
  for (const Case& c : cases) {
    for (int s : {0, 1, 3, -1}) {
      const Image src = RandomImage(rng_);
      const Image before = RandomImage(rng_);
      Image dst = before;
      const IppStatus st = c.fn(src.data(), kStep, dst.data(), kStep, kRoi, s);
      EXPECT_TRUE(st == ippStsNoErr || st == ippStsDivByZero) << c.name;
      ExpectBytes(c.name, c.layout, before, dst, [&](int i, int) { return c.op(before[i], src[i], s); });
    }
  }
  using InPlaceNoScale = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize);
  struct Case2 {
    const char* name;
    InPlaceNoScale fn;
    Layout layout;
    ImageOp op;
  };
  const Case2 logic[] = {
      {"And C1", ippiAnd_8u_C1IR, kC1, kAnd},
      {"And C3", ippiAnd_8u_C3IR, kC3, kAnd},
      {"And C4", ippiAnd_8u_C4IR, kC4, kAnd},
      {"And AC4", ippiAnd_8u_AC4IR, kAC4, kAnd},
      {"Or C1", ippiOr_8u_C1IR, kC1, kOr},
      {"Or C3", ippiOr_8u_C3IR, kC3, kOr},
      {"Or C4", ippiOr_8u_C4IR, kC4, kOr},
      {"Or AC4", ippiOr_8u_AC4IR, kAC4, kOr},
      {"Xor C1", ippiXor_8u_C1IR, kC1, kXor},
      {"Xor C3", ippiXor_8u_C3IR, kC3, kXor},
      {"Xor C4", ippiXor_8u_C4IR, kC4, kXor},
      {"Xor AC4", ippiXor_8u_AC4IR, kAC4, kXor},
      {"MulScale C1", ippiMulScale_8u_C1IR, kC1, kMulScale},
      {"MulScale C3", ippiMulScale_8u_C3IR, kC3, kMulScale},
      {"MulScale C4", ippiMulScale_8u_C4IR, kC4, kMulScale},
      {"MulScale AC4", ippiMulScale_8u_AC4IR, kAC4, kMulScale},
  };
  for (const Case2& c : logic) {
    const Image src = RandomImage(rng_);
    const Image before = RandomImage(rng_);
    Image dst = before;
    EXPECT_EQ(c.fn(src.data(), kStep, dst.data(), kStep, kRoi), ippStsNoErr) << c.name;
    ExpectBytes(c.name, c.layout, before, dst, [&](int i, int) { return c.op(before[i], src[i], 0); });
  }
}

TEST_F(KernelFamilies, OutOfPlaceImageOperations) {
  using Binary = IppStatus (*)(const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize, int);
  struct Case {
    const char* name;
    Binary fn;
    Layout layout;
    ImageOp op;
  };
  // pDst := pSrc2 (op) pSrc1.
  const Case cases[] = {
      {"Add C1", ippiAdd_8u_C1RSfs, kC1, kAdd},    {"Add C3", ippiAdd_8u_C3RSfs, kC3, kAdd},
      {"Add C4", ippiAdd_8u_C4RSfs, kC4, kAdd},    {"Add AC4", ippiAdd_8u_AC4RSfs, kAC4, kAdd},
      {"Sub C1", ippiSub_8u_C1RSfs, kC1, kSub},    {"Sub C3", ippiSub_8u_C3RSfs, kC3, kSub},
      {"Sub AC4", ippiSub_8u_AC4RSfs, kAC4, kSub}, {"Mul C1", ippiMul_8u_C1RSfs, kC1, kMul},
      {"Mul C3", ippiMul_8u_C3RSfs, kC3, kMul},    {"Mul AC4", ippiMul_8u_AC4RSfs, kAC4, kMul},
      {"Div C1", ippiDiv_8u_C1RSfs, kC1, kDiv},    {"Div C3", ippiDiv_8u_C3RSfs, kC3, kDiv},
      {"Div AC4", ippiDiv_8u_AC4RSfs, kAC4, kDiv},
  };
  for (const Case& c : cases) {
    for (int s : {0, 1, 2, -2}) {
      const Image src1 = RandomImage(rng_);
      const Image src2 = RandomImage(rng_);
      const Image before = RandomImage(rng_);
      Image dst = before;
      const IppStatus st = c.fn(src1.data(), kStep, src2.data(), kStep, dst.data(), kStep, kRoi, s);
      EXPECT_TRUE(st == ippStsNoErr || st == ippStsDivByZero) << c.name;
      ExpectBytes(c.name, c.layout, before, dst, [&](int i, int) { return c.op(src2[i], src1[i], s); });
    }
  }
  using Logic = IppStatus (*)(const Ipp8u*, int, const Ipp8u*, int, Ipp8u*, int, IppiSize);
  struct Case2 {
    const char* name;
    Logic fn;
    Layout layout;
    ImageOp op;
  };
  const ImageOp abs_diff = [](int a, int b, int) { return Ipp8u(std::abs(a - b)); };
  const Case2 logic[] = {
      {"And C1", ippiAnd_8u_C1R, kC1, kAnd},    {"And C3", ippiAnd_8u_C3R, kC3, kAnd},
      {"And AC4", ippiAnd_8u_AC4R, kAC4, kAnd}, {"Or C1", ippiOr_8u_C1R, kC1, kOr},
      {"Or C3", ippiOr_8u_C3R, kC3, kOr},       {"Or AC4", ippiOr_8u_AC4R, kAC4, kOr},
      {"Xor C1", ippiXor_8u_C1R, kC1, kXor},    {"Xor C3", ippiXor_8u_C3R, kC3, kXor},
      {"Xor AC4", ippiXor_8u_AC4R, kAC4, kXor}, {"AbsDiff C1", ippiAbsDiff_8u_C1R, kC1, abs_diff},
  };
  for (const Case2& c : logic) {
    const Image src1 = RandomImage(rng_);
    const Image src2 = RandomImage(rng_);
    const Image before = RandomImage(rng_);
    Image dst = before;
    EXPECT_EQ(c.fn(src1.data(), kStep, src2.data(), kStep, dst.data(), kStep, kRoi), ippStsNoErr) << c.name;
    ExpectBytes(c.name, c.layout, before, dst, [&](int i, int) { return c.op(src2[i], src1[i], 0); });
  }
}

TEST_F(KernelFamilies, ConstantOperations) {
  const Ipp8u value[4] = {3, 0x5A, 200, 1};
  using WithScale = IppStatus (*)(const Ipp8u*, Ipp8u*, int, IppiSize, int);
  struct Case {
    const char* name;
    WithScale fn;
    Layout layout;
    ImageOp op;
  };
  const Case cases[] = {
      {"AddC C3", ippiAddC_8u_C3IRSfs, kC3, kAdd},    {"AddC AC4", ippiAddC_8u_AC4IRSfs, kAC4, kAdd},
      {"AddC C4", ippiAddC_8u_C4IRSfs, kC4, kAdd},    {"SubC C3", ippiSubC_8u_C3IRSfs, kC3, kSub},
      {"SubC C4", ippiSubC_8u_C4IRSfs, kC4, kSub},    {"MulC C3", ippiMulC_8u_C3IRSfs, kC3, kMul},
      {"MulC AC4", ippiMulC_8u_AC4IRSfs, kAC4, kMul}, {"MulC C4", ippiMulC_8u_C4IRSfs, kC4, kMul},
      {"DivC C3", ippiDivC_8u_C3IRSfs, kC3, kDiv},    {"DivC AC4", ippiDivC_8u_AC4IRSfs, kAC4, kDiv},
      {"DivC C4", ippiDivC_8u_C4IRSfs, kC4, kDiv},
  };
  for (const Case& c : cases) {
    for (int s : {0, 1, 4}) {
      const Image before = RandomImage(rng_);
      Image dst = before;
      EXPECT_EQ(c.fn(value, dst.data(), kStep, kRoi, s), ippStsNoErr) << c.name;
      ExpectBytes(c.name, c.layout, before, dst, [&](int i, int ch) { return c.op(before[i], value[ch], s); });
    }
  }
  using NoScale = IppStatus (*)(const Ipp8u*, Ipp8u*, int, IppiSize);
  struct Case2 {
    const char* name;
    NoScale fn;
    Layout layout;
    ImageOp op;
  };
  const Case2 logic[] = {
      {"AndC C3", ippiAndC_8u_C3IR, kC3, kAnd},
      {"AndC C4", ippiAndC_8u_C4IR, kC4, kAnd},
      {"AndC AC4", ippiAndC_8u_AC4IR, kAC4, kAnd},
      {"OrC C3", ippiOrC_8u_C3IR, kC3, kOr},
      {"OrC AC4", ippiOrC_8u_AC4IR, kAC4, kOr},
      {"OrC C4", ippiOrC_8u_C4IR, kC4, kOr},
      {"XorC C3", ippiXorC_8u_C3IR, kC3, kXor},
      {"XorC AC4", ippiXorC_8u_AC4IR, kAC4, kXor},
      {"XorC C4", ippiXorC_8u_C4IR, kC4, kXor},
      {"MulCScale C3", ippiMulCScale_8u_C3IR, kC3, kMulScale},
      {"MulCScale AC4", ippiMulCScale_8u_AC4IR, kAC4, kMulScale},
      {"MulCScale C4", ippiMulCScale_8u_C4IR, kC4, kMulScale},
  };
  for (const Case2& c : logic) {
    const Image before = RandomImage(rng_);
    Image dst = before;
    EXPECT_EQ(c.fn(value, dst.data(), kStep, kRoi), ippStsNoErr) << c.name;
    ExpectBytes(c.name, c.layout, before, dst, [&](int i, int ch) { return c.op(before[i], value[ch], 0); });
  }
  const Image before = RandomImage(rng_);
  Image dst = before;
  EXPECT_EQ(ippiMulCScale_8u_C1IR(77, dst.data(), kStep, kRoi), ippStsNoErr);
  ExpectBytes("MulCScale C1", kC1, before, dst, [&](int i, int) { return kMulScale(before[i], 77, 0); });
}

TEST_F(KernelFamilies, OutOfPlaceConstantOperations) {
  const Ipp8u value[3] = {0x0F, 0xF0, 0x3C};
  using Fn = IppStatus (*)(const Ipp8u*, int, const Ipp8u*, Ipp8u*, int, IppiSize);
  const std::pair<Fn, ImageOp> cases[] = {{ippiAndC_8u_C3R, kAnd}, {ippiOrC_8u_C3R, kOr}, {ippiXorC_8u_C3R, kXor}};
  for (const auto& entry : cases) {
    const Fn fn = entry.first;
    const ImageOp op = entry.second;
    const Image src = RandomImage(rng_);
    const Image before = RandomImage(rng_);
    Image dst = before;
    EXPECT_EQ(fn(src.data(), kStep, value, dst.data(), kStep, kRoi), ippStsNoErr);
    ExpectBytes("logic C3R", kC3, before, dst, [&](int i, int ch) { return op(src[i], value[ch], 0); });
  }
}

TEST_F(KernelFamilies, ShiftNotAndSquare) {
  const Ipp32u counts[4] = {1, 3, 7, 0};
  const auto shl = [&](int a, int ch) { return Ipp8u((a << counts[ch]) & 0xFF); };
  const auto shr = [&](int a, int ch) { return Ipp8u(a >> counts[ch]); };
  using Shift = IppStatus (*)(const Ipp32u*, Ipp8u*, int, IppiSize);
  struct Case {
    const char* name;
    Shift fn;
    Layout layout;
    bool left;
  };
  const Case shifts[] = {
      {"LShiftC C3", ippiLShiftC_8u_C3IR, kC3, true},  {"LShiftC AC4", ippiLShiftC_8u_AC4IR, kAC4, true},
      {"LShiftC C4", ippiLShiftC_8u_C4IR, kC4, true},  {"RShiftC C3", ippiRShiftC_8u_C3IR, kC3, false},
      {"RShiftC C4", ippiRShiftC_8u_C4IR, kC4, false}, {"RShiftC AC4", ippiRShiftC_8u_AC4IR, kAC4, false}};
  for (const Case& c : shifts) {
    const Image before = RandomImage(rng_);
    Image dst = before;
    EXPECT_EQ(c.fn(counts, dst.data(), kStep, kRoi), ippStsNoErr);
    ExpectBytes(c.name, c.layout, before, dst,
                [&](int i, int ch) { return c.left ? shl(before[i], ch) : shr(before[i], ch); });
  }
  const Image src = RandomImage(rng_);
  const Image before = RandomImage(rng_);
  Image dst = before;
  EXPECT_EQ(ippiLShiftC_8u_C3R(src.data(), kStep, counts, dst.data(), kStep, kRoi), ippStsNoErr);
  ExpectBytes("LShiftC C3R", kC3, before, dst, [&](int i, int ch) { return shl(src[i], ch); });
  dst = before;
  EXPECT_EQ(ippiRShiftC_8u_C3R(src.data(), kStep, counts, dst.data(), kStep, kRoi), ippStsNoErr);
  ExpectBytes("RShiftC C3R", kC3, before, dst, [&](int i, int ch) { return shr(src[i], ch); });

  const auto inverted = [&](const Image& from) { return [&from](int i, int) { return Ipp8u(~from[i]); }; };
  dst = before;
  EXPECT_EQ(ippiNot_8u_C3R(src.data(), kStep, dst.data(), kStep, kRoi), ippStsNoErr);
  ExpectBytes("Not C3R", kC3, before, dst, inverted(src));
  dst = before;
  EXPECT_EQ(ippiNot_8u_AC4R(src.data(), kStep, dst.data(), kStep, kRoi), ippStsNoErr);
  ExpectBytes("Not AC4R", kAC4, before, dst, inverted(src));
  for (auto [fn, layout] : {std::pair{ippiNot_8u_C3IR, kC3}, {ippiNot_8u_C4IR, kC4}, {ippiNot_8u_AC4IR, kAC4}}) {
    dst = before;
    EXPECT_EQ(fn(dst.data(), kStep, kRoi), ippStsNoErr);
    ExpectBytes("Not IR", layout, before, dst, inverted(before));
  }

  for (int s : {0, 1, 5}) {
    const auto square = [&](const Image& from) { return [&from, s](int i, int) { return kMul(from[i], from[i], s); }; };
    dst = before;
    EXPECT_EQ(ippiSqr_8u_C3RSfs(src.data(), kStep, dst.data(), kStep, kRoi, s), ippStsNoErr);
    ExpectBytes("Sqr C3R", kC3, before, dst, square(src));
    dst = before;
    EXPECT_EQ(ippiSqr_8u_AC4RSfs(src.data(), kStep, dst.data(), kStep, kRoi, s), ippStsNoErr);
    ExpectBytes("Sqr AC4R", kAC4, before, dst, square(src));
    dst = before;
    EXPECT_EQ(ippiSqr_8u_C3IRSfs(dst.data(), kStep, kRoi, s), ippStsNoErr);
    ExpectBytes("Sqr C3IR", kC3, before, dst, square(before));
    dst = before;
    EXPECT_EQ(ippiSqr_8u_AC4IRSfs(dst.data(), kStep, kRoi, s), ippStsNoErr);
    ExpectBytes("Sqr AC4IR", kAC4, before, dst, square(before));
  }
}

TEST_F(KernelFamilies, CopiesAndFills) {
  const Image src = RandomImage(rng_);
  const Image before = RandomImage(rng_);
  Image dst = before;
  EXPECT_EQ(ippiCopy_8u_C3R(src.data(), kStep, dst.data(), kStep, kRoi), ippStsNoErr);
  ExpectBytes("Copy C3", kC3, before, dst, [&](int i, int) { return src[i]; });
  dst = before;
  EXPECT_EQ(ippiCopy_8u_AC4R(src.data(), kStep, dst.data(), kStep, kRoi), ippStsNoErr);
  ExpectBytes("Copy AC4", kAC4, before, dst, [&](int i, int) { return src[i]; });
  const Ipp8u v[4] = {9, 8, 7, 6};
  dst = before;
  EXPECT_EQ(ippiSet_8u_C3R(v, dst.data(), kStep, kRoi), ippStsNoErr);
  ExpectBytes("Set C3", kC3, before, dst, [&](int, int ch) { return v[ch]; });
  dst = before;
  EXPECT_EQ(ippiSet_8u_C1R(5, dst.data(), kStep, kRoi), ippStsNoErr);
  ExpectBytes("Set C1", kC1, before, dst, [&](int, int) { return Ipp8u{5}; });
}

}  // namespace
}  // namespace lumicar
