// Point data and real buffers as buffers: checked element access, empty
// series, copy-on-write between handles, sizes that cannot be held, and
// handles on containers of another shape.

#include "imagepins/xy_float_data.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "buffers/block_buffer.h"
#include "buffers/sl_exception.h"
#include "imagepins/real_buffer.h"
#include "tests/imagepins/frame_test_support.h"

namespace lumicar::test {
namespace {

TEST(XYFloatData, PointsReadBackAndAnIndexAtOrPastTheCountIsARangeError) {
  const TVLFloatPoint line[] = {{1.5f, -2.0f}, {3.0f, 4.25f}, {-0.0f, 1e30f}};
  auto data = MakeIntf<TVLXYFloatData>(line, 3u);
  ASSERT_EQ(data->GetCount(), 3u);
  EXPECT_EQ(data->GetByteSize(), 3u * 8u);
  for (uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(data->GetPoint(i).x, line[i].x);
    EXPECT_EQ(data->GetPoint(i).y, line[i].y);
  }
  EXPECT_THROW(data->GetPoint(3), ESLRangeError);
  EXPECT_THROW(data->GetPoint(UINT32_MAX), ESLRangeError);
  EXPECT_THROW(data->SetPoint(3, {}), ESLRangeError);
  // Resizing moves the bound with the count; points added start at the origin.
  data->Resize(2, true);
  EXPECT_THROW(data->GetPoint(2), ESLRangeError);
  EXPECT_EQ(data->GetPoint(1).y, 4.25f);
  data->Resize(5, true);
  EXPECT_EQ(data->GetPoint(1).y, 4.25f);
  EXPECT_EQ(data->GetPoint(4).x, 0.0f);
  EXPECT_EQ(data->GetPoint(4).y, 0.0f);
}

TEST(XYFloatData, ASeriesOfNoPointsWorks) {
  for (TIntf<TVLXYFloatData> empty : {MakeIntf<TVLXYFloatData>(), MakeIntf<TVLXYFloatData>(nullptr, 0u)}) {
    EXPECT_EQ(empty->GetCount(), 0u);
    EXPECT_THROW(empty->GetPoint(0), ESLRangeError);
    TIntf<ISLData> copy = empty->MakeCopy();
    TIntf<IVLXYFloatData> points = QueryIntf<IVLXYFloatData>(copy.get(), IID_IVLXYFloatData);
    ASSERT_TRUE(points);
    EXPECT_EQ(points->GetCount(), 0u);
    EXPECT_TRUE(points->IsEqual(empty.get()));
  }
  // Points that are not there cannot be copied.
  EXPECT_THROW(MakeIntf<TVLXYFloatData>(nullptr, 2u), ESLException);
  // A new series starts at the origin.
  auto zeros = MakeIntf<TVLXYFloatData>(2u);
  EXPECT_EQ(zeros->GetPoint(1).x, 0.0f);
  EXPECT_EQ(zeros->GetPoint(1).y, 0.0f);
}

TEST(XYFloatData, HandlesShareTheirPointsUntilOneWrites) {
  TIntf<TVLXYFloatData> original = MakeIntf<TVLXYFloatData>(4u);
  original->SetPoint(2, {7.0f, 8.0f});
  TIntf<ISLData> copyData = original->MakeCopy();
  auto* copy = dynamic_cast<TVLXYFloatData*>(copyData->GetInstance());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->DataContainer(), original->DataContainer());
  copy->SetPoint(2, {-1.0f, -1.0f});
  EXPECT_NE(copy->DataContainer(), original->DataContainer());
  EXPECT_EQ(original->GetPoint(2).x, 7.0f);
  EXPECT_EQ(copy->GetPoint(2).x, -1.0f);
  EXPECT_FALSE(original->IsEqual(copyData.get()));
}

TEST(XYFloatData, MorePointsThanOneContainerHoldsIsARangeError) {
  const uint32_t tooMany = TSLSmartBuffer::MaxAllocationSize / 8 + 1;
  EXPECT_THROW(MakeIntf<TVLXYFloatData>(tooMany), ESLRangeError);
  EXPECT_THROW(MakeIntf<TVLXYFloatData>(UINT32_MAX), ESLRangeError);
  EXPECT_THROW(MakeIntf<TSLRealBuffer>(TSLSmartBuffer::MaxAllocationSize / 8 + 1), ESLRangeError);
  EXPECT_THROW(MakeIntf<TSLRealBuffer>(UINT32_MAX), ESLRangeError);
}

TEST(XYFloatData, AHandleOnOtherBytesCountsWholePointsOnly) {
  // Twelve bytes: one whole point and half of another.
  const uint8_t bytes[12] = {0, 0, 128, 63, 0, 0, 0, 64, 1, 2, 3, 4};
  auto block = MakeIntf<TSLBlockBuffer>(bytes, 12u);
  auto points = MakeIntf<TVLXYFloatData>(static_cast<ISLData*>(block.get()));
  ASSERT_EQ(points->GetCount(), 1u);
  EXPECT_EQ(points->GetPoint(0).x, 1.0f);
  EXPECT_EQ(points->GetPoint(0).y, 2.0f);
  EXPECT_THROW(points->GetPoint(1), ESLRangeError);
  // Block bytes are not point data, whatever they hold.
  EXPECT_FALSE(points->IsEqual(block.get()));
  // A frame's container is no memory container at all.
  TIntf<TVLImageBuffer> frame = MakePatternFrame(4, 2, vfRGB24);
  EXPECT_THROW(MakeIntf<TVLXYFloatData>(static_cast<ISLData*>(frame.get())), ESLException);
}

TEST(RealBuffer, ValuesAreCheckedZeroedAndComparedOnlyWithRealBuffers) {
  auto values = MakeIntf<TSLRealBuffer>(3u);
  ASSERT_EQ(values->GetSize(), 3u);
  EXPECT_EQ(values->GetItem(2), 0.0);
  values->SetItem(1, 0.1);
  EXPECT_EQ(values->Read()[1], 0.1);
  EXPECT_THROW(values->GetItem(3), ESLRangeError);
  EXPECT_THROW(values->SetItem(3, 1.0), ESLRangeError);

  TIntf<ISLData> copy = values->MakeCopy();
  EXPECT_TRUE(values->IsEqual(copy.get()));
  auto sameBytes = MakeIntf<TSLBlockBuffer>(values->ByteRead(), values->GetByteSize());
  EXPECT_FALSE(values->IsEqual(sameBytes.get()));

  auto empty = MakeIntf<TSLRealBuffer>();
  EXPECT_EQ(empty->GetSize(), 0u);
  EXPECT_THROW(empty->GetItem(0), ESLRangeError);
}

}  // namespace
}  // namespace lumicar::test
