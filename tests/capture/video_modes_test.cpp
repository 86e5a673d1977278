// The capture's list of the camera's stream capabilities, read from a stream
// configuration whose driver reports records of its own length and sizes at
// the edges of their range.

#include "capture/video_modes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/camera/camera_media_type.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info.h"

namespace lumicar::capturetest {
namespace {

// A driver's capabilities: each record is written in full at the length the
// driver reports, the bytes behind the standard record with a fill pattern.
class TScriptedCaps final : public TInterfacedObject, public IAMStreamConfig {
 public:
  struct TCap {
    int32_t width, height;
    SIZE minOutput, maxOutput;
    int32_t stepY;
  };
  TScriptedCaps(int recordBytes, std::vector<TCap> caps) : recordBytes_(recordBytes), caps_(std::move(caps)) {}

  HRESULT SetFormat(const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT GetFormat(AM_MEDIA_TYPE**) override { return E_NOTIMPL; }
  HRESULT GetNumberOfCapabilities(int* count, int* size) override {
    *count = int(caps_.size());
    *size = recordBytes_;
    return S_OK;
  }
  HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mt, uint8_t* record) override {
    if (index < 0 || size_t(index) >= caps_.size()) return S_FALSE;
    const TCap& c = caps_[size_t(index)];
    TDSMediaType type = DSCameraMediaType(MEDIASUBTYPE_YUY2, c.width, 1, 333333);
    reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader.biHeight = c.height;
    VIDEO_STREAM_CONFIG_CAPS s;
    s.guid = FORMAT_VideoInfo;
    s.MinOutputSize = c.minOutput;
    s.MaxOutputSize = c.maxOutput;
    s.OutputGranularityX = 2;
    s.OutputGranularityY = c.stepY;
    s.MinFrameInterval = 333333;
    s.MaxFrameInterval = 1000000;
    std::memset(record, 0xA5, size_t(recordBytes_));
    std::memcpy(record, &s, std::min(sizeof s, size_t(recordBytes_)));
    *mt = LPDSCreateMediaType(type.Get());
    return S_OK;
  }

 private:
  int recordBytes_;
  std::vector<TCap> caps_;
};

const std::vector<TScriptedCaps::TCap> kTwoModes = {
    {640, 480, {160, 120}, {640, 480}, 2},
    {1600, -1200, {320, -240}, {1600, -1200}, -4},
};

TEST(VideoModesTest, RecordsLongerThanTheStandardOneAreReadAtTheirLength) {
  for (int bytes : {int(sizeof(VIDEO_STREAM_CONFIG_CAPS)), 257, 512, 4096}) {
    SCOPED_TRACE(bytes);
    TIntf<TScriptedCaps> caps = MakeIntf<TScriptedCaps>(bytes, kTwoModes);
    TVLVideoModes modes;
    modes.Read(caps.get());
    const std::vector<TVLVideoModeFormat> read = modes.Snapshot();
    ASSERT_EQ(read.size(), kTwoModes.size());
    for (size_t i = 0; i < read.size(); ++i) {
      EXPECT_EQ(read[i].Format, vfYUY2);
      EXPECT_EQ(read[i].Width, kTwoModes[i].width);
      EXPECT_EQ(read[i].MaxWidth, kTwoModes[i].maxOutput.cx);
      EXPECT_EQ(read[i].MinFrames, 10);
      EXPECT_EQ(read[i].MaxFrames, 30);
    }
  }
}

TEST(VideoModesTest, AShortRecordLeavesZerosAndABrokenSizeListsNothing) {
  // The driver writes only the start of the record; the rest reads as 0.
  TIntf<TScriptedCaps> shortRecord = MakeIntf<TScriptedCaps>(8, kTwoModes);
  TVLVideoModes modes;
  modes.Read(shortRecord.get());
  ASSERT_EQ(modes.Snapshot().size(), 2u);
  EXPECT_EQ(modes.Snapshot()[0].MaxWidth, 0);
  EXPECT_EQ(modes.Snapshot()[0].Width, 640);
  // A record size no driver has: nothing is listed rather than guessed at.
  for (int bytes : {-1, INT_MAX}) {
    TIntf<TScriptedCaps> broken = MakeIntf<TScriptedCaps>(bytes, kTwoModes);
    modes.Read(broken.get());
    EXPECT_TRUE(modes.Snapshot().empty()) << bytes;
  }
}

TEST(VideoModesTest, HeightsAreMagnitudesEvenAtTheMostNegativeValue) {
  const uint32_t most = 2147483648u;  // the magnitude of INT32_MIN
  TIntf<TScriptedCaps> caps = MakeIntf<TScriptedCaps>(
      int(sizeof(VIDEO_STREAM_CONFIG_CAPS)),
      std::vector<TScriptedCaps::TCap>{{640, INT32_MIN, {2, INT32_MIN}, {640, INT32_MIN}, INT32_MIN},
                                       {640, INT32_MAX, {2, -480}, {640, 480}, -4}});
  TVLVideoModes modes;
  modes.Read(caps.get());
  const std::vector<TVLVideoModeFormat> read = modes.Snapshot();
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].Height, most);
  EXPECT_EQ(read[0].MinHeight, most);
  EXPECT_EQ(read[0].MaxHeight, most);
  EXPECT_EQ(read[0].HeightStep, most);
  EXPECT_EQ(read[1].Height, uint32_t(INT32_MAX));
  EXPECT_EQ(read[1].MinHeight, 480u);
  EXPECT_EQ(read[1].HeightStep, 4u);
}

}  // namespace
}  // namespace lumicar::capturetest
