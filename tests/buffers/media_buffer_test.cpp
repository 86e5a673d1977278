#include "buffers/media_buffer.h"

#include <gtest/gtest.h>

#include "buffers/time_stamp.h"
#include "tests/buffers/buffer_test_support.h"

using namespace lumicar;
using lumicar::test::BufferTest;
using lumicar::test::TTestMediaContainer;

namespace {

using MediaBuffer = BufferTest;

}  // namespace

TEST_F(MediaBuffer, TimeStampsTravelWithTheContainerAndItsClones) {
  auto a = MakeIntf<TMLMediaBuffer>(new TTestMediaContainer(16), 16u);
  TMLTimeStamp* stamp = a->GetTimeStamp();
  EXPECT_FALSE(stamp->Available());
  stamp->SetAvailable(true);
  stamp->SetBegin(-5'000'000'000LL);
  stamp->SetEnd(333'333);
  a->GetSequenceStamp()->SetAvailable(true);

  TIntf<IMLMediaBuffer> b = QueryIntf<IMLMediaBuffer>(a->MakeCopy().get(), IID_IMLMediaBuffer);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->GetTimeStamp()->Begin(), -5'000'000'000LL);

  // The writer's clone keeps the time stamps but not the sequence number.
  b->ByteModify();
  TMLCTimeStamp view(b);
  EXPECT_TRUE(view.Available());
  EXPECT_EQ(view.BeginTime(), -5'000'000'000LL);
  EXPECT_EQ(view.EndTime(), 333'333);
  EXPECT_FALSE(b->GetSequenceStamp()->Available());

  // From now on the stamps are independent.
  view.SetEndTime(1);
  view.SetAvailable(false);
  EXPECT_EQ(stamp->End(), 333'333);
  EXPECT_TRUE(stamp->Available());
  EXPECT_EQ(b->GetTimeStamp()->End(), 1);
}

TEST_F(MediaBuffer, HandlesAnswerTheWholeInterfaceChain) {
  auto a = MakeIntf<TMLMediaBuffer>(new TTestMediaContainer(4), 4u);
  IUnknown* unknown = static_cast<ISLData*>(a.get());
  EXPECT_TRUE(QueryIntf<ISLData>(unknown, IID_ISLData));
  EXPECT_TRUE(QueryIntf<ISLDataBuffer>(unknown, IID_ISLDataBuffer));
  EXPECT_TRUE(QueryIntf<ISLGenericBuffer>(unknown, IID_ISLGenericBuffer));
  TIntf<IMLMediaBuffer> media = QueryIntf<IMLMediaBuffer>(unknown, IID_IMLMediaBuffer);
  ASSERT_TRUE(media);
  // A handle built on the interface shares the container and its stamps.
  auto b = MakeIntf<TMLMediaBuffer>(static_cast<ISLData*>(media.get()));
  EXPECT_EQ(b->MediaContainer(), a->MediaContainer());
  a->GetTimeStamp()->SetBegin(77);
  EXPECT_EQ(b->GetTimeStamp()->Begin(), 77);
}
