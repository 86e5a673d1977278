// The numbered frames the order checks rely on: each decodes through the
// camera's own MJPEG decoder to the number it was made with, and its picture
// moves from frame to frame. The 8 MP camera offers its 4K MJPEG modes at
// 30 frames a second.

#include "testing/camera/numbered_jpeg.h"

#include <gtest/gtest.h>

#include <set>

#include "dsbase/camera/mjpeg_decoder.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/camera/v4l2_capture_pin.h"
#include "dsbase/media/media_type.h"
#include "dsbase/media/video_info.h"
#include "testing/camera/camera_profiles.h"
#include "testing/camera/fake_v4l2_device.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar::camtest {
namespace {

std::vector<uint8_t> DecodeYuy2(const std::vector<uint8_t>& jpeg, int w, int h) {
  TDSMjpegDecoder decoder;
  std::vector<uint8_t> out(size_t(w) * size_t(h) * 2);
  if (!decoder.DecodeToYuy2(jpeg.data(), jpeg.size(), w, h, out.data(), 2 * w)) out.clear();
  return out;
}

TEST(NumberedJpegTest, FramesDecodeToTheirNumbersAndMove) {
  const auto frames = MakeNumberedJpegs(640, 480, 4, 1021);
  ASSERT_EQ(frames.size(), 4u);
  std::vector<uint8_t> previous;
  for (int i = 0; i < 4; ++i) {
    const std::vector<uint8_t> yuy2 = DecodeYuy2(frames[size_t(i)], 640, 480);
    ASSERT_FALSE(yuy2.empty());
    EXPECT_EQ(ReadFrameNumber(yuy2.data(), yuy2.size(), 640, 480, 640 * 2), 1021 + i);
    // Below the strip the picture differs from the frame before.
    if (!previous.empty()) {
      EXPECT_FALSE(std::equal(yuy2.begin() + 640 * 2 * 100, yuy2.end(), previous.begin() + 640 * 2 * 100));
    }
    previous = yuy2;
  }
}

TEST(NumberedJpegTest, APictureWithoutTheStripReadsAsNone) {
  const std::vector<uint8_t> yuy2 = DecodeYuy2(MakeJpeg(640, 480), 640, 480);
  ASSERT_FALSE(yuy2.empty());
  EXPECT_EQ(ReadFrameNumber(yuy2.data(), yuy2.size(), 640, 480, 640 * 2), -1);
  // Too small a buffer for the strip is refused, not read past.
  EXPECT_EQ(ReadFrameNumber(yuy2.data(), 640 * 2 * 4, 640, 480, 640 * 2), -1);
  EXPECT_TRUE(MakeNumberedJpegs(320, 240, 2).empty());
}

TEST(NumberedJpegTest, AnEightMegapixelFrameKeepsItsNumber) {
  const auto frames = MakeNumberedJpegs(3264, 2448, 1, 77);
  ASSERT_EQ(frames.size(), 1u);
  const std::vector<uint8_t> yuy2 = DecodeYuy2(frames[0], 3264, 2448);
  ASSERT_FALSE(yuy2.empty());
  EXPECT_EQ(ReadFrameNumber(yuy2.data(), yuy2.size(), 3264, 2448, 3264 * 2), 77);
}

class Camera4KProfileTest : public dstest::DSLeakCheck {};

TEST_F(Camera4KProfileTest, TheFourKModesAreOfferedAtThirtyFrames) {
  auto fake = std::make_shared<TFakeV4L2Device>();
  ApplyCameraProfile(*fake, DocumentCamera4KProfile());
  TDSV4L2CaptureFilter* f = nullptr;
  ASSERT_EQ(TDSV4L2CaptureFilter::Create(fake, "/dev/video0", QStringLiteral("4K Document Camera"), &f), S_OK);
  TIntf<TDSV4L2CaptureFilter> camera = TIntf<TDSV4L2CaptureFilter>::Adopt(f);
  int count = 0, size = 0;
  ASSERT_EQ(camera->CapturePin()->GetNumberOfCapabilities(&count, &size), S_OK);
  std::set<std::pair<int, int>> found;
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* mt = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(camera->CapturePin()->GetStreamCaps(i, &mt, reinterpret_cast<uint8_t*>(&caps)), S_OK);
    // 8 MP and more, at 30 frames a second (in 100 ns units, within rounding).
    if (caps.InputSize.cx * caps.InputSize.cy >= 7'990'272 && caps.MinFrameInterval <= 333334)
      found.insert({caps.InputSize.cx, caps.InputSize.cy});
    LPDSDeleteMediaType(mt);
  }
  EXPECT_EQ(found, (std::set<std::pair<int, int>>{{3264, 2448}, {3840, 2160}}));
  camera.reset();
  EXPECT_EQ(fake->openFds_, 0);
}

}  // namespace
}  // namespace lumicar::camtest
