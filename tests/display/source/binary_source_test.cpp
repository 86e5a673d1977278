// The time-stamped binary source: its one offered type, and blocks cut into
// stamped samples that are delivered only while connected.

#include <numeric>

#include "display/source/vl_binary_source_filter.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar::dstest {
namespace {

class BinarySourceTest : public DSLeakCheck {};

TEST_F(BinarySourceTest, OffersItsTypeAndDeliversStampedBlocks) {
  TIntf<TVLDSBinarySourceFilter> source(new TVLDSBinarySourceFilter(u"Bytes"_qs, GUID_NULL));
  TIntf<TByteRenderer> renderer(new TByteRenderer(MEDIATYPE_Stream));
  IPin* found = nullptr;
  ASSERT_EQ(source->FindPin(u"BinaryOutput", &found), S_OK);
  found->Release();

  TDSMediaType mt;
  mt->majortype = MEDIATYPE_Stream;
  mt->formattype = FORMAT_None;
  uint8_t* block = LPDSSetFormatBuffer(mt.Get(), 5);
  block[4] = 42;
  mt->cbFormat = 5;
  ASSERT_EQ(source->SetMediaType(&mt.Get()), S_OK);
  ASSERT_EQ(source->SetBufferSize(100), S_OK);
  TDSMediaType offered;
  ASSERT_EQ(source->Pin()->GetMediaType(0, &offered.Get()), S_OK);
  EXPECT_TRUE(DSIsEqualMediaType(offered.Get(), mt.Get()));
  EXPECT_EQ(source->Pin()->GetMediaType(1, &offered.Get()), VFW_S_NO_MORE_ITEMS);

  std::vector<uint8_t> bytes(250);
  std::iota(bytes.begin(), bytes.end(), uint8_t(0));
  EXPECT_FALSE(source->SendData(bytes.data(), 250, 0, 0)) << "not connected";

  ASSERT_EQ(ConnectPins(source->Pin(), renderer->GetPin(0)), S_OK);
  ASSERT_EQ(renderer->Run(0), S_OK);
  ASSERT_EQ(source->Run(0), S_OK);
  ASSERT_TRUE(source->SendData(bytes.data(), 250, 1000, 3500));
  EXPECT_EQ(renderer->AllBytes(), bytes);
  {
    std::lock_guard guard(renderer->lock_);
    ASSERT_EQ(renderer->samples_.size(), 3u);
    EXPECT_EQ(renderer->samples_[0].start, 1000);
    EXPECT_EQ(renderer->samples_[2].stop, 3500);
    EXPECT_TRUE(renderer->samples_[1].syncPoint);
    renderer->failAfter_ = 4;
  }
  // Unstamped blocks carry no times; a refusal midway makes the block fail.
  ASSERT_TRUE(source->SendData(bytes.data(), 10, 0, 0));
  EXPECT_FALSE(source->SendData(bytes.data(), 250, 0, 0));
  {
    std::lock_guard guard(renderer->lock_);
    EXPECT_NE(renderer->samples_[3].timeResult, S_OK);
    EXPECT_FALSE(renderer->samples_[3].syncPoint);
  }
  source->Stop();
  renderer->Stop();
  DisconnectPins(source->Pin(), renderer->GetPin(0));
}

}  // namespace
}  // namespace lumicar::dstest
