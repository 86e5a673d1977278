// The mirror filter in the chain: every axis and pixel layout against an
// independent reference, YUY2 input, time stamps, the caller's frame left
// alone, switching on and off and changing the flip during a stream.

#include <gtest/gtest.h>

#include <QVariant>

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
