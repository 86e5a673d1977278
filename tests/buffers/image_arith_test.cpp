// The arithmetic, logic and fill family: format rules, regions, scale
// factor and the bytes each member writes.

#include <gtest/gtest.h>

#include "buffers/sl_exception.h"
#include "image_test_support.h"

namespace lumicar::test {
namespace {

// An n x 1 RGB24 frame holding the given bytes (blue, green, red per pixel).
TIntf<TVLImageBuffer> BytesFrame(std::vector<uint8_t> bytes, TVLVideoFormat format = vfRGB24) {
  const int bpp = VLBytesPerPixel(format);
  const int width = int(bytes.size()) / bpp;
  bytes.resize(VLBufferSize(format, width, 1), 0);
  return MakeIntf<TVLImageBuffer>(bytes.data(), width, 1, format);
}

std::vector<uint8_t> Pixels(IVLImageBuffer* frame) { return RowBytes(frame); }

uint8_t HalfEven(int sum) { return uint8_t((sum >> 1) + ((sum & 1) && ((sum >> 1) & 1))); }

TEST_F(ImageTest, FillWithPureRedThenAddIt) {
  auto frame = NewFrame(5, 3, vfRGB24);
  frame->SetValue(VLRGB(255, 0, 0));
  for (int y = 0; y < 3; ++y) {
    const uint8_t* row = frame->Read() + y * frame->GetStep();
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ((std::vector<uint8_t>{row + 3 * x, row + 3 * x + 3}), (std::vector<uint8_t>{0, 0, 255}));
  }
  // The value's bytes in memory order: 255 onto byte 0, 0 onto bytes 1, 2;
  // every sum halved and rounded half to even.
  frame->AddValue(VLRGB(255, 0, 0));
  const uint8_t* p = frame->Read();
  EXPECT_EQ((std::vector<uint8_t>{p, p + 3}), (std::vector<uint8_t>{128, 0, 128}));
  EXPECT_EQ(HalfEven(255), 128);
}

TEST_F(ImageTest, AddingAFrameToItselfChangesNothing) {
  const Picture picture = TestPicture(7, 4);
  auto frame = RgbFrame(picture, 7, 4);
  frame->Add(frame.get());
  EXPECT_EQ(PictureOf(frame.get()), picture);
  // Through a second handle on the same pixels as well.
  TIntf<TVLImageBuffer> other = MakeIntf<TVLImageBuffer>(*frame);
  frame->Add(other.get());
  EXPECT_EQ(PictureOf(frame.get()), picture);
}

TEST_F(ImageTest, ArithmeticRoundsHalfToEven) {
  auto a = BytesFrame({3, 5, 2, 255, 0, 10});
  a->Add(BytesFrame({4, 6, 3, 255, 1, 11}).get());
  EXPECT_EQ(Pixels(a.get()), (std::vector<uint8_t>{4, 6, 2, 255, 0, 10}));

  auto s = BytesFrame({10, 3, 200, 7, 0, 0});
  s->Subtract(BytesFrame({4, 9, 1, 2, 0, 0}).get());
  EXPECT_EQ(Pixels(s.get()), (std::vector<uint8_t>{3, 0, 100, 2, 0, 0}));  // 6/2, <0 -> 0, 199/2 -> 100, 5/2 -> 2

  auto m = BytesFrame({10, 16, 255, 3, 0, 0});
  m->Multiply(BytesFrame({10, 16, 255, 3, 0, 0}).get());
  EXPECT_EQ(Pixels(m.get()), (std::vector<uint8_t>{50, 128, 255, 4, 0, 0}));  // 100/2, 256/2, sat, 9/2 -> 4

  auto ms = BytesFrame({255, 128, 0, 200, 0, 0});
  ms->MultiplyScale(BytesFrame({255, 128, 77, 100, 0, 0}).get());
  EXPECT_EQ(Pixels(ms.get()), (std::vector<uint8_t>{255, 64, 0, 78, 0, 0}));  // (p + p/256 + 1) >> 8

  auto d = BytesFrame({100, 9, 0, 7, 0, 0});
  d->Divide(BytesFrame({10, 2, 0, 0, 0, 0}).get());
  // 100/10/2 = 5, 9/2/2 = 2.25 -> 2, 0/0 -> 0, 7/0 -> 255
  EXPECT_EQ(Pixels(d.get()), (std::vector<uint8_t>{5, 2, 0, 255, 0, 0}));

  auto q = BytesFrame({10, 3, 255});
  q->Sqr();
  EXPECT_EQ(Pixels(q.get()), (std::vector<uint8_t>{50, 4, 255}));  // 100/2, 9/2 -> 4, sat
}

TEST_F(ImageTest, TwoImageFormsEqualAssignThenTheOneImageForm) {
  const Picture pa = TestPicture(6, 3);
  Picture pb = pa;
  std::reverse(pb.begin(), pb.end());
  auto a = RgbFrame(pa, 6, 3);
  auto b = RgbFrame(pb, 6, 3);
  auto result = NewFrame(2, 2, vfGrayScale);
  result->AbsDiff(a.get(), b.get());
  auto reference = NewFrame(1, 1, vfRGB24);
  reference->Assign(a.get());
  reference->AbsDiff(b.get());
  EXPECT_EQ(RowBytes(result.get()), RowBytes(reference.get()));
  const std::vector<uint8_t> ba = RowBytes(a.get()), bb = RowBytes(b.get()), r = RowBytes(result.get());
  for (std::size_t i = 0; i < r.size(); ++i) EXPECT_EQ(r[i], std::abs(int(ba[i]) - int(bb[i])));
  EXPECT_EQ(PictureOf(a.get()), pa) << "the first operand is not changed";
  EXPECT_EQ(PictureOf(b.get()), pb);

  auto sum = NewFrame(1, 1, vfRGB24);
  sum->Add(a.get(), b.get());
  const std::vector<uint8_t> s = RowBytes(sum.get());
  for (std::size_t i = 0; i < s.size(); ++i) EXPECT_EQ(s[i], HalfEven(ba[i] + bb[i]));
}

TEST_F(ImageTest, TwoImageFormsReadTheSecondOperandBeforeTakingTheFirst) {
  const Picture pa = TestPicture(4, 2);
  auto a = RgbFrame(pa, 4, 2);
  auto x = NewFrame(4, 2, vfRGB24);
  x->SetValue(VLRGB(10, 20, 30));
  const std::vector<uint8_t> oldX = RowBytes(x.get()), bytesA = RowBytes(a.get());
  x->Add(a.get(), x.get());  // x := a + old x
  const std::vector<uint8_t> sum = RowBytes(x.get());
  for (std::size_t i = 0; i < sum.size(); ++i) EXPECT_EQ(sum[i], HalfEven(bytesA[i] + oldX[i]));
  EXPECT_EQ(RowBytes(a.get()), bytesA);
}

TEST_F(ImageTest, RegionIsTheCommonTopLeftPart) {
  auto big = NewFrame(4, 3, vfRGB24);
  big->SetValue(VLRGB(100, 100, 100));
  auto small = NewFrame(2, 5, vfRGB24);
  small->SetValue(VLRGB(0, 0, 0));
  big->LAnd(small.get());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(big->GetRed(x, y), x < 2 ? 0 : 100) << x << "," << y;
}

TEST_F(ImageTest, OperandFormatsFollowThisFrame) {
  const Picture picture = TestPicture(4, 2);
  // Another format: a converted copy of the other frame, which stays as it is.
  auto rgb = RgbFrame(picture, 4, 2);
  auto yuv = RgbFrame(picture, 4, 2);
  yuv->SetFormat(vfYUY2);
  const std::vector<uint8_t> yuvBytes = RowBytes(yuv.get());
  rgb->LXor(yuv.get());
  EXPECT_EQ(rgb->GetFormat(), vfRGB24);
  EXPECT_EQ(yuv->GetFormat(), vfYUY2);
  EXPECT_EQ(RowBytes(yuv.get()), yuvBytes);

  // Two YUY2 frames: both are combined in RGB24.
  auto first = RgbFrame(picture, 4, 2);
  first->SetFormat(vfYUY2);
  const Picture seen = PictureOf(first.get());
  first->LXor(yuv.get());
  EXPECT_EQ(first->GetFormat(), vfRGB24);
  for (const Bgr& px : PictureOf(first.get())) EXPECT_EQ(px, (Bgr{0, 0, 0}));
  (void)seen;

  // RGBA32 keeps its format and its alpha.
  auto rgba = NewFrame(4, 2, vfRGBA32);
  rgba->SetValue(VLRGB(200, 100, 50), 9);
  rgba->Add(RgbFrame(picture, 4, 2).get());
  EXPECT_EQ(rgba->GetFormat(), vfRGBA32);
  EXPECT_EQ(rgba->GetAlpha(3, 1), 9);
  EXPECT_EQ(rgba->GetRed(0, 0), HalfEven(200 + picture[0].r));

  // GrayScale with GrayScale stays one-channel; with colour it turns RGB24.
  auto g1 = NewFrame(3, 1, vfGrayScale);
  g1->SetGrayScale(uint8_t(100));
  auto g2 = NewFrame(3, 1, vfGrayScale);
  g2->SetGrayScale(uint8_t(51));
  g1->Add(g2.get());
  EXPECT_EQ(g1->GetFormat(), vfGrayScale);
  EXPECT_EQ(g1->GetGrayScale(2, 0), 76);  // 151 / 2 = 75.5 -> 76
  g1->Add(RgbFrame(TestPicture(3, 1), 3, 1).get());
  EXPECT_EQ(g1->GetFormat(), vfRGB24);

  // 16-bit frames are combined as RGB24.
  auto packed = NewFrame(4, 2, vfRGB565);
  packed->SetValue(VLRGB(0, 0, 0));
  packed->LOr(RgbFrame(picture, 4, 2).get());
  EXPECT_EQ(packed->GetFormat(), vfRGB24);
  EXPECT_EQ(PictureOf(packed.get()), picture);
}

TEST_F(ImageTest, ValueFormsApplyTheirBytesInMemoryOrder) {
  auto frame = BytesFrame({10, 20, 30, 40, 50, 60});
  frame->LXorValue(VLRGB(0xFF, 0, 0x0F));
  EXPECT_EQ(Pixels(frame.get()), (std::vector<uint8_t>{10 ^ 0xFF, 20, 30 ^ 0x0F, 40 ^ 0xFF, 50, 60 ^ 0x0F}));
  frame->LShiftValue(VLRGB(1, 0, 2));
  EXPECT_EQ(Pixels(frame.get())[1], 20);
  EXPECT_EQ(Pixels(frame.get())[4], 50);
  EXPECT_EQ(Pixels(frame.get())[2], uint8_t((30 ^ 0x0F) << 2));
  frame->RShiftValue(uint32_t(0x00010000));
  EXPECT_EQ(Pixels(frame.get())[2], uint8_t(((30 ^ 0x0F) << 2)) >> 1);

  // Other formats are worked on as RGB24.
  auto gray = NewFrame(2, 1, vfGrayScale);
  gray->SetGrayScale(uint8_t(8));
  gray->MultiplyValue(VLRGB(2, 3, 4));
  EXPECT_EQ(gray->GetFormat(), vfRGB24);
  EXPECT_EQ(Pixels(gray.get()), (std::vector<uint8_t>{8, 12, 16, 8, 12, 16}));  // 8 x (2, 3, 4) / 2
}

TEST_F(ImageTest, ValueFormsOnRgba32ReachTheAlphaOnlyWhenAsked) {
  auto frame = NewFrame(2, 1, vfRGBA32);
  frame->SetValue(uint32_t(0x40102030));  // bytes 0x10, 0x20, 0x30, alpha 0x40
  EXPECT_EQ(Pixels(frame.get()), (std::vector<uint8_t>{0x10, 0x20, 0x30, 0x40, 0x10, 0x20, 0x30, 0x40}));

  frame->LOrValue(VLRGB(1, 1, 1));
  EXPECT_EQ(frame->GetAlpha(0, 0), 0x40) << "the colour form keeps alpha";
  frame->LOrValue(VLRGB(0, 0, 0), 0x03);
  EXPECT_EQ(frame->GetAlpha(0, 0), 0x43) << "the colour-and-alpha form reaches it";
  frame->LAndValue(uint32_t(0x0F00FFFF));
  EXPECT_EQ(frame->GetAlpha(1, 0), 0x03);
  // Subtraction has no alpha-keeping kernel: the fourth byte is combined
  // with 0 and, like every byte, halved.
  frame->SetAlpha(uint8_t(9));
  frame->SubtractValue(VLRGB(0, 0, 0));
  EXPECT_EQ(frame->GetAlpha(0, 0), 4);
  frame->AddValue(VLRGB(0, 0, 0));
  EXPECT_EQ(frame->GetAlpha(0, 0), 4) << "addition keeps alpha";
  frame->DivideValue(VLRGB(1, 1, 1));
  frame->MultiplyScaleValue(VLRGB(255, 255, 255));
  EXPECT_EQ(frame->GetAlpha(0, 0), 4);
}

TEST_F(ImageTest, AbsDiffOnRgba32KeepsThisFramesAlpha) {
  auto a = NewFrame(3, 2, vfRGBA32);
  a->SetValue(VLRGB(10, 200, 30), 111);
  auto b = NewFrame(3, 2, vfRGBA32);
  b->SetValue(VLRGB(50, 100, 30), 7);
  a->AbsDiff(b.get());
  EXPECT_EQ(a->GetPixel(2, 1), VLRGB(40, 100, 0));
  EXPECT_EQ(a->GetAlpha(2, 1), 111);
  // A gray frame: one byte per pixel.
  auto g = NewFrame(3, 1, vfGrayScale);
  g->SetGrayScale(uint8_t(10));
  auto h = NewFrame(3, 1, vfGrayScale);
  h->SetGrayScale(uint8_t(250));
  g->AbsDiff(h.get());
  EXPECT_EQ(g->GetGrayScale(2, 0), 240);
}

TEST_F(ImageTest, NotAndSqrFromAnotherImage) {
  auto frame = NewFrame(3, 2, vfRGB24);
  frame->SetValue(VLRGB(1, 2, 3));
  auto source = NewFrame(2, 1, vfRGB24);
  source->SetValue(VLRGB(0xF0, 0x0F, 0x00));
  frame->LNot(source.get());
  EXPECT_EQ(frame->GetPixel(1, 0), VLRGB(0x0F, 0xF0, 0xFF));
  EXPECT_EQ(frame->GetPixel(2, 0), VLRGB(1, 2, 3)) << "outside the common region";
  frame->Sqr(source.get());
  EXPECT_EQ(frame->GetPixel(0, 0), VLRGB(255, 112, 0));  // 225/2 = 112.5 -> 112
  frame->LNot();
  EXPECT_EQ(frame->GetPixel(2, 1), VLRGB(254, 253, 252));

  auto gray = NewFrame(2, 1, vfGrayScale);
  gray->SetGrayScale(uint8_t(0x0F));
  gray->LNot();
  EXPECT_EQ(gray->GetFormat(), vfRGB24);
  EXPECT_EQ(gray->GetPixel(0, 0), VLRGB(0xF0, 0xF0, 0xF0));
}

TEST_F(ImageTest, FillsOfEachFormat) {
  // GrayScale: the luminance, ties to even.
  auto gray = NewFrame(3, 2, vfGrayScale);
  gray->SetValue(VLRGB(0, 0, 250));
  EXPECT_EQ(gray->GetGrayScale(2, 1), 28);
  EXPECT_EQ(gray->GetFormat(), vfGrayScale);

  // 16-bit: one packed word.
  auto packed = NewFrame(3, 2, vfRGB565);
  packed->SetValue(VLRGB(255, 128, 8));
  EXPECT_EQ(packed->GetFormat(), vfRGB565);
  EXPECT_EQ(packed->GetPixel(2, 1), VLRGB(248, 128, 8));
  const uint8_t* w = packed->Read();
  EXPECT_EQ(w[0] | w[1] << 8, 0xF800 | (32 << 5) | 1);

  // YUV: to RGB24 first.
  auto yuv = NewFrame(4, 2, vfUYVY);
  yuv->SetValue(VLRGB(1, 2, 3));
  EXPECT_EQ(yuv->GetFormat(), vfRGB24);
  EXPECT_EQ(yuv->GetPixel(3, 1), VLRGB(1, 2, 3));

  // RGBA32 with and without alpha.
  auto rgba = NewFrame(2, 2, vfRGBA32);
  rgba->SetValue(VLRGB(1, 2, 3), 4);
  EXPECT_EQ(Pixels(rgba.get())[3], 4);
  rgba->SetValue(VLRGB(5, 6, 7));
  EXPECT_EQ(rgba->GetPixel(1, 1), VLRGB(5, 6, 7));
  EXPECT_EQ(rgba->GetAlpha(1, 1), 4);
  rgba->Zero(uint8_t(9));
  EXPECT_EQ(Pixels(rgba.get()), (std::vector<uint8_t>{0, 0, 0, 9, 0, 0, 0, 9, 0, 0, 0, 9, 0, 0, 0, 9}));
  rgba->Zero();
  EXPECT_EQ(rgba->GetAlpha(0, 0), 9);

  // Colour and alpha on another format: the alpha is ignored.
  auto rgb = NewFrame(2, 1, vfRGB24);
  rgb->SetValue(VLRGB(9, 8, 7), 6);
  EXPECT_EQ(rgb->GetFormat(), vfRGB24);
  EXPECT_EQ(rgb->GetPixel(1, 0), VLRGB(9, 8, 7));
}

TEST_F(ImageTest, ThirtyTwoBitValueFillTurnsTheFrameRgba32) {
  auto frame = NewFrame(3, 2, vfRGB24);
  frame->SetValue(uint32_t(128u << 24 | 255u << 16));
  EXPECT_EQ(frame->GetFormat(), vfRGBA32);
  const std::vector<uint8_t> bytes = Pixels(frame.get());
  for (std::size_t i = 0; i < bytes.size(); i += 4)
    EXPECT_EQ((std::vector<uint8_t>{bytes.begin() + i, bytes.begin() + i + 4}), (std::vector<uint8_t>{255, 0, 0, 128}));
}

TEST_F(ImageTest, ByteFillsAndTheAlphaTheyLeave) {
  auto gray = NewFrame(2, 1, vfGrayScale);
  gray->SetValue(uint8_t(66));
  EXPECT_EQ(gray->GetFormat(), vfGrayScale);
  EXPECT_EQ(gray->GetGrayScale(1, 0), 66);

  // A frame that is neither GrayScale nor RGBA32 turns RGBA32 and opaque.
  auto rgb = NewFrame(2, 1, vfRGB555);
  rgb->SetValue(uint8_t(66));
  EXPECT_EQ(rgb->GetFormat(), vfRGBA32);
  EXPECT_EQ(Pixels(rgb.get()), (std::vector<uint8_t>{66, 66, 66, 255, 66, 66, 66, 255}));

  // RGBA32 keeps its alpha, unless one is given.
  rgb->SetAlpha(uint8_t(3));
  rgb->SetValue(uint8_t(70));
  EXPECT_EQ(Pixels(rgb.get()), (std::vector<uint8_t>{70, 70, 70, 3, 70, 70, 70, 3}));
  rgb->SetValue(uint8_t(71), uint8_t(72));
  EXPECT_EQ(Pixels(rgb.get()), (std::vector<uint8_t>{71, 71, 71, 72, 71, 71, 71, 72}));
  auto other = NewFrame(1, 1, vfYUY2);
  other->SetValue(uint8_t(5), uint8_t(6));
  EXPECT_EQ(Pixels(other.get()), (std::vector<uint8_t>{5, 5, 5, 255}));
}

TEST_F(ImageTest, SetGrayScaleFillTurnsRgba32Gray) {
  auto frame = NewFrame(3, 3, vfRGBA32);
  frame->SetGrayScale(uint8_t(42));
  EXPECT_EQ(frame->GetFormat(), vfGrayScale);
  EXPECT_EQ(frame->GetSize(), 9u);
  EXPECT_EQ(Pixels(frame.get()), std::vector<uint8_t>(9, 42));
}

// Fills that set only some bytes of each pixel keep the others, also on a
// frame whose pixels are shared.
TEST_F(ImageTest, PartialFillsOfASharedFrameKeepTheUntouchedBytes) {
  auto frame = NewFrame(2, 2, vfRGBA32);
  frame->SetValue(VLRGB(10, 20, 30), 40);
  {
    TIntf<TVLImageBuffer> other = MakeIntf<TVLImageBuffer>(*frame);
    frame->SetValue(VLRGB(1, 2, 3));
    EXPECT_EQ(frame->GetAlpha(1, 1), 40);
    EXPECT_EQ(other->GetPixel(1, 1), VLRGB(10, 20, 30));
  }
  {
    TIntf<TVLImageBuffer> other = MakeIntf<TVLImageBuffer>(*frame);
    frame->SetValue(uint8_t(5));
    EXPECT_EQ(frame->GetAlpha(0, 1), 40);
  }
  {
    TIntf<TVLImageBuffer> other = MakeIntf<TVLImageBuffer>(*frame);
    frame->SetAlpha(uint8_t(99));
    EXPECT_EQ(frame->GetPixel(0, 0), VLRGB(5, 5, 5));
    EXPECT_EQ(other->GetAlpha(0, 0), 40);
  }
}

TEST_F(ImageTest, AlphaCompositionOfOpaqueAndTransparentFrames) {
  auto top = NewFrame(2, 2, vfRGBA32);
  top->SetValue(VLRGB(200, 10, 10), 255);
  auto bottom = NewFrame(2, 2, vfRGB24);
  bottom->SetValue(VLRGB(10, 10, 200));
  top->AlphaComp(bottom.get(), acoOver);
  EXPECT_EQ(top->GetPixel(1, 1), VLRGB(200, 10, 10)) << "an opaque frame over anything stays";
  EXPECT_EQ(bottom->GetFormat(), vfRGB24) << "the other frame is read through a converted copy";

  auto clear = NewFrame(2, 2, vfRGB24);
  clear->SetValue(VLRGB(1, 2, 3));
  clear->SetAlphaChannel(0);
  clear->AlphaComp(bottom.get(), acoOver);
  EXPECT_EQ(clear->GetPixel(0, 0), VLRGB(10, 10, 200)) << "a transparent frame shows the other";
  EXPECT_EQ(clear->GetAlpha(0, 0), 255);
  EXPECT_THROW(clear->AlphaComp(bottom.get(), TVLAlphaCompOperation(6)), ESLException);
  EXPECT_THROW(clear->AlphaComp(nullptr, acoIn), ESLException);
}

TEST_F(ImageTest, EmptyFramesAreLeftAlone) {
  auto empty = MakeIntf<TVLImageBuffer>();
  auto other = NewFrame(3, 3, vfRGB24);
  empty->Add(other.get());
  empty->AddValue(VLRGB(1, 1, 1));
  empty->SetValue(VLRGB(1, 1, 1));
  empty->AbsDiff(other.get());
  empty->AlphaComp(other.get(), acoOver);
  EXPECT_EQ(empty->GetWidth(), 0);
  EXPECT_EQ(empty->GetSize(), 0u);
  EXPECT_THROW(empty->Add(nullptr), ESLException);
}

}  // namespace
}  // namespace lumicar::test
