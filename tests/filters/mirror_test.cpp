// The mirror filter in the chain: every axis and pixel layout against an
// independent reference, YUY2 and UYVY input against conversion then flip,
// time stamps, the caller's frame left alone, switching on and off and
// changing the flip during a stream.

#include "kernels/mirror.h"

#include <gtest/gtest.h>

#include <QVariant>
#include <algorithm>
#include <vector>

#include "kernels/dispatch/image_table.h"
#include "tests/filters/filter_test_support.h"

namespace lumicar::test {
namespace {

class Mirror : public ::testing::Test {
 protected:
  TFilterChain chain_;
  TVLMirror* mirror_ = NewComponent<TVLMirror>(&chain_.form);
  void SetUp() override { chain_.Link(mirror_); }

  TIntf<TVLImageBuffer> Pass(const TIntf<TVLImageBuffer>& frame) {
    chain_.sink->Clear();
    EXPECT_TRUE(chain_.source->Send(frame.get()));
    const auto frames = chain_.sink->Frames();
    EXPECT_EQ(frames.size(), 1u);
    return frames.empty() ? TIntf<TVLImageBuffer>() : frames[0];
  }
};

TEST_F(Mirror, BothOnTwoByTwoGivesDCBA) {
  mirror_->SetMirrorType(mtBoth);
  auto frame = MakeIntf<TVLImageBuffer>(2, 2, vfRGB24);
  const TVLColor a = VLRGB(1, 2, 3), b = VLRGB(11, 12, 13), c = VLRGB(21, 22, 23), d = VLRGB(31, 32, 33);
  frame->SetPixel(0, 0, a);
  frame->SetPixel(1, 0, b);
  frame->SetPixel(0, 1, c);
  frame->SetPixel(1, 1, d);
  TIntf<TVLImageBuffer> out = Pass(frame);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->GetPixel(0, 0), d);
  EXPECT_EQ(out->GetPixel(1, 0), c);
  EXPECT_EQ(out->GetPixel(0, 1), b);
  EXPECT_EQ(out->GetPixel(1, 1), a);
}

TEST_F(Mirror, EveryAxisAndLayoutMatchesTheReference) {
  struct TCase {
    TVLVideoFormat format;
    int bytes;  // compared per pixel
  };
  for (TCase layout : {TCase{vfRGB24, 3}, TCase{vfGrayScale, 1}, TCase{vfRGBA32, 4}})
    for (QSize size : {QSize(5, 3), QSize(7, 4), QSize(1, 6), QSize(9, 1), QSize(64, 33)})
      for (TVLMirrorType type : {mtHorizontal, mtVertical, mtBoth}) {
        SCOPED_TRACE(::testing::Message() << "format " << int(layout.format) << " size " << size.width() << "x"
                                          << size.height() << " type " << int(type));
        mirror_->SetMirrorType(type);
        TIntf<TVLImageBuffer> in = MakePatternFrame(size.width(), size.height(), layout.format, uint32_t(type));
        const std::vector<uint8_t> before(in->Read(), in->Read() + in->GetSize());
        TIntf<TVLImageBuffer> out = Pass(in);
        ASSERT_TRUE(out);
        EXPECT_EQ(out->GetFormat(), layout.format);
        EXPECT_NE(out->DataContainer(), in->DataContainer());
        EXPECT_TRUE(MirroredOf(*out, *in, int(type), layout.bytes));
        // The sender's frame is not touched.
        EXPECT_EQ(std::vector<uint8_t>(in->Read(), in->Read() + in->GetSize()), before);
      }
}

TEST_F(Mirror, Yuy2LeavesAsAFlippedRgb24FrameWithoutTimeStamp) {
  mirror_->SetMirrorType(mtBoth);
  chain_.source->Start(16, 6, vfYUY2);
  TIntf<TVLImageBuffer> in = MakePatternFrame(16, 6, vfYUY2);
  TIntf<TVLImageBuffer> out = Pass(in);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->GetFormat(), vfRGB24);
  EXPECT_EQ(out->GetDimSize(), QSize(16, 6));
  EXPECT_FALSE(out->GetTimeStamp()->Available());
  EXPECT_EQ(in->GetFormat(), vfYUY2);
  // The reference: the same frame converted on its own, then flipped.
  auto converted = MakeIntf<TVLImageBuffer>(*in);
  converted->SetFormat(vfRGB24);
  EXPECT_TRUE(MirroredOf(*out, *converted, 2, 3));

  // vfRGB is relabelled RGB24.
  TIntf<TVLImageBuffer> labelled = MakePatternFrame(4, 4, vfRGB24);
  labelled->SetFormat(vfRGB);
  out = Pass(labelled);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->GetFormat(), vfRGB24);
  EXPECT_TRUE(MirroredOf(*out, *labelled, 2, 3));
}

// What the filter sends for a YUY2 or UYVY frame must be exactly the frame
// converted on its own and then flipped: pixels (odd widths, whose last
// pixel has a chroma rule of its own), row padding, geometry and stamps.
::testing::AssertionResult EqualsConvertedThenFlipped(TVLImageBuffer& out, TVLImageBuffer& in, TVLMirrorType type) {
  auto converted = MakeIntf<TVLImageBuffer>(in);
  converted->SetFormat(vfRGB24);
  auto expected = MakeIntf<TVLImageBuffer>(*converted);
  uint8_t* target = expected->Write();
  ippiMirror_8u_C3R(converted->Read(), converted->GetStep(), target, expected->GetStep(),
                    IppiSize{in.GetWidth(), in.GetHeight()}, static_cast<IppiAxis>(type));
  if (out.GetFormat() != vfRGB24) return ::testing::AssertionFailure() << "format " << int(out.GetFormat());
  if (out.GetDimSize() != expected->GetDimSize() || out.GetStep() != expected->GetStep() ||
      out.GetSize() != expected->GetSize())
    return ::testing::AssertionFailure() << "geometry " << out.GetWidth() << "x" << out.GetHeight() << " step "
                                         << out.GetStep() << " size " << out.GetSize();
  if (!std::equal(out.Read(), out.Read() + out.GetSize(), expected->Read()))
    return ::testing::AssertionFailure() << "bytes differ";
  TMLTimeStamp* stamp = out.GetTimeStamp();
  TMLTimeStamp* reference = expected->GetTimeStamp();
  if (stamp->Available() != reference->Available() || stamp->Begin() != reference->Begin() ||
      stamp->End() != reference->End())
    return ::testing::AssertionFailure() << "time stamps differ";
  return ::testing::AssertionSuccess();
}

TEST_F(Mirror, PackedFramesGiveTheConvertedFrameFlippedOnEveryAxis) {
  for (TVLVideoFormat format : {vfYUY2, vfUYVY})
    for (QSize size : {QSize(7, 5), QSize(1, 3), QSize(2, 1), QSize(33, 4), QSize(66, 3)})
      for (TVLMirrorType type : {mtHorizontal, mtVertical, mtBoth}) {
        SCOPED_TRACE(::testing::Message() << "format " << int(format) << " size " << size.width() << "x"
                                          << size.height() << " type " << int(type));
        mirror_->SetMirrorType(type);
        TIntf<TVLImageBuffer> in = MakePatternFrame(size.width(), size.height(), format, uint32_t(type) + 5);
        in->GetTimeStamp()->SetBegin(100);
        in->GetTimeStamp()->SetEnd(200);
        in->GetTimeStamp()->SetAvailable(true);
        const std::vector<uint8_t> before(in->Read(), in->Read() + in->GetSize());
        TIntf<TVLImageBuffer> out = Pass(in);
        ASSERT_TRUE(out);
        EXPECT_NE(out->DataContainer(), in->DataContainer());
        EXPECT_TRUE(EqualsConvertedThenFlipped(*out, *in, type));
        EXPECT_EQ(in->GetFormat(), format);
        EXPECT_EQ(std::vector<uint8_t>(in->Read(), in->Read() + in->GetSize()), before);
      }
}

// Stands for a kernel library's flip: while the flip is not the built-in
// kernel, the filter must run the conversion and that flip, not the fused
// kernel that only equals the built-in chain.
int rebound_flip_calls = 0;
IppStatus CountedFlip(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi, IppiAxis axis) {
  ++rebound_flip_calls;
  return builtin::ippiMirror_8u_C3R(src, srcStep, dst, dstStep, roi, axis);
}

TEST_F(Mirror, APackedFrameUsesTheBoundFlipWhenItIsNotTheBuiltInOne) {
  struct TRebound {
    kernel_fn::ippiMirror_8u_C3R* saved = ippiMirror_8u_C3R;
    TRebound() { ippiMirror_8u_C3R = &CountedFlip; }
    ~TRebound() { ippiMirror_8u_C3R = saved; }
  } rebound;
  rebound_flip_calls = 0;
  mirror_->SetMirrorType(mtBoth);
  TIntf<TVLImageBuffer> in = MakePatternFrame(9, 4, vfYUY2);
  TIntf<TVLImageBuffer> out = Pass(in);
  ASSERT_TRUE(out);
  EXPECT_EQ(rebound_flip_calls, 1);
  EXPECT_TRUE(EqualsConvertedThenFlipped(*out, *in, mtBoth));
}

TEST_F(Mirror, AStampedRgbFrameKeepsItsStamp) {
  mirror_->SetMirrorType(mtBoth);
  TIntf<TVLImageBuffer> in = MakePatternFrame(8, 8, vfRGB24);
  in->GetTimeStamp()->SetBegin(1234);
  in->GetTimeStamp()->SetEnd(5678);
  in->GetTimeStamp()->SetAvailable(true);
  TIntf<TVLImageBuffer> out = Pass(in);
  ASSERT_TRUE(out);
  EXPECT_TRUE(out->GetTimeStamp()->Available());
  EXPECT_EQ(out->GetTimeStamp()->Begin(), 1234);
  EXPECT_EQ(out->GetTimeStamp()->End(), 5678);
}

TEST_F(Mirror, SwitchingOffAndChangingTheFlipTakeEffectWithTheNextFrame) {
  mirror_->SetMirrorType(mtBoth);
  chain_.source->Start(8, 4, vfYUY2);
  TIntf<TVLImageBuffer> in = MakePatternFrame(8, 4, vfYUY2);
  auto converted = MakeIntf<TVLImageBuffer>(*in);
  converted->SetFormat(vfRGB24);

  TIntf<TVLImageBuffer> out = Pass(in);
  EXPECT_TRUE(MirroredOf(*out, *converted, 2, 3));
  mirror_->SetMirrorType(mtVertical);
  out = Pass(in);
  EXPECT_TRUE(MirroredOf(*out, *converted, 1, 3));
  mirror_->SetEnabled(false);
  out = Pass(in);
  EXPECT_EQ(out->GetFormat(), vfYUY2);
  EXPECT_EQ(out->DataContainer(), in->DataContainer());
}

TEST_F(Mirror, EmptyAndUndersizedFramesAreSafe) {
  mirror_->SetMirrorType(mtBoth);
  chain_.source->Start(1600, 1200, vfYUY2);
  TIntf<TVLImageBuffer> empty = Pass(MakeIntf<TVLImageBuffer>(0, 0, vfYUY2));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->GetDimSize(), QSize(0, 0));
  TIntf<TVLImageBuffer> zeroRows = Pass(MakeIntf<TVLImageBuffer>(12, 0, vfRGB24));
  ASSERT_TRUE(zeroRows);
  EXPECT_EQ(zeroRows->GetDimSize(), QSize(12, 0));
  TIntf<TVLImageBuffer> small = MakePatternFrame(3, 2, vfRGBA32);
  TIntf<TVLImageBuffer> out = Pass(small);
  ASSERT_TRUE(out);
  EXPECT_TRUE(MirroredOf(*out, *small, 2, 4));
}

TEST(MirrorDirect, ProcessFrameLeavesTheCallersFrameAlone) {
  TComponent form;
  auto* mirror = NewComponent<TVLMirror>(&form);
  EXPECT_EQ(mirror->MirrorType(), mtHorizontal);
  mirror->setProperty("MirrorType", QVariant::fromValue(mtVertical));
  EXPECT_EQ(mirror->MirrorType(), mtVertical);
  TIntf<TVLImageBuffer> in = MakePatternFrame(6, 3, vfYUY2);
  TIntf<IVLImageBuffer> out;
  mirror->ProcessFrame(in.get(), out);
  ASSERT_TRUE(out);
  EXPECT_EQ(in->GetFormat(), vfYUY2);
  auto converted = MakeIntf<TVLImageBuffer>(*in);
  converted->SetFormat(vfRGB24);
  EXPECT_TRUE(MirroredOf(*TVLImageBuffer::FromImage(out.get()), *converted, 1, 3));
  mirror->SetEnabled(false);
  mirror->ProcessFrame(in.get(), out);
  EXPECT_EQ(out.get(), static_cast<IVLImageBuffer*>(in.get()));
}

}  // namespace
}  // namespace lumicar::test
