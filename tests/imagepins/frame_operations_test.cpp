// The start-frame family's rate and duration rules and the supplied-buffer
// operation's hold on its frame.

#include "imagepins/frame_operations.h"

#include <gtest/gtest.h>

#include "imagepins/buffer_operations.h"
#include "tests/imagepins/frame_test_support.h"

namespace lumicar::test {
namespace {

TEST(StartFrameOperation, ZeroDurationBecomesOneAndRateFollowsTheDuration) {
  auto zero = MakeIntf<TOWStartFrameOperation>(640, 480, 0, vfYUY2, 0, 4, 3);
  EXPECT_EQ(zero->FrameDuration(), 1);
  EXPECT_DOUBLE_EQ(zero->SampleRate(), 10'000'000.0);
  EXPECT_FLOAT_EQ(zero->Rate(), 10'000'000.0f);

  auto ntsc = MakeIntf<TOWStartFrameOperation>(-5, 7, 333333, vfRGB24, 9, 16, 9);
  EXPECT_EQ(ntsc->FrameDuration(), 333333);
  EXPECT_NEAR(ntsc->SampleRate(), 30.00003, 1e-5);
  EXPECT_EQ(ntsc->Width(), -5);
  EXPECT_EQ(ntsc->Height(), 7);
  EXPECT_EQ(ntsc->PixelFormat(), vfRGB24);
  EXPECT_EQ(ntsc->ExtraValue(), 9u);
  EXPECT_EQ(ntsc->AspectWidth(), 16u);
  EXPECT_EQ(ntsc->AspectHeight(), 9u);
  EXPECT_TRUE(ntsc->Is<TOWStartOperation>());
}

TEST(SuppliedBufferOperation, KeepsTheFrameAliveOnAHandleOfItsOwn) {
  TIntf<TVLImageBuffer> frame = MakePatternFrame(8, 2, vfRGB24, 3);
  TSLSmartBuffer* container = frame->DataContainer();
  auto operation = MakeIntf<TOWSuppliedBufferOperation>(frame.get());
  ASSERT_NE(operation->Buffer(), nullptr);
  EXPECT_NE(operation->Buffer()->GetInstance(), frame->GetInstance());
  const std::vector<uint8_t> before(frame->Read(), frame->Read() + frame->GetSize());
  frame.reset();  // the sender lets go
  auto held = MakeIntf<TVLImageBuffer>(operation->Buffer());
  EXPECT_EQ(held->DataContainer(), container);
  EXPECT_EQ(std::vector<uint8_t>(held->Read(), held->Read() + held->GetSize()), before);
  EXPECT_EQ(MakeIntf<TOWSuppliedBufferOperation>(nullptr)->Buffer(), nullptr);
}

}  // namespace
}  // namespace lumicar::test
