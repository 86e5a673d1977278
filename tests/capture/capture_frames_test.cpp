// Frames from the camera to the capture's output pin: numbered in order,
// YUY2 in the camera's row order and RGB turned top-down, the start-frame
// operation before them, 8-bit frames expanded through the palette, and a
// grabber of the user's own in place of the system one.

#include <gtest/gtest.h>

#include <atomic>
#include <limits>

#include "buffers/sequence_stamp.h"
#include "capture/video_grabber.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/media/media_guids.h"
#include "testing/camera/camera_profiles.h"
#include "tests/capture/capture_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::capturetest {
namespace {

class CaptureFramesTest : public CaptureTest {
 protected:
  // Pushes one frame and waits until it left the capture, so that the camera
  // never has two frames ready at once (it would hand on only the newest).
  void PushAndWait(const std::vector<uint8_t>& bytes) {
    const int before = sink_->Frames();
    camera_->Fake()->PushBytes(bytes);
    ASSERT_TRUE(sink_->WaitFrames(before + 1));
  }
};

TEST_F(CaptureFramesTest, Yuy2FramesArriveNumberedInCameraOrderAfterTheStart) {
  MakeCapture();
  capture_->SetVideoFormat(vfYUY2);
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  auto start = sink_->LastStart();
  ASSERT_TRUE(start);
  EXPECT_EQ(start->Width(), 640);
  EXPECT_EQ(start->Height(), 480);
  EXPECT_EQ(start->FrameDuration(), 333333);
  EXPECT_EQ(start->PixelFormat(), vfYUY2);
  EXPECT_EQ(start->ExtraValue(), 0u);
  // A VIDEOINFOHEADER connection reports the frame size as aspect ratio.
  EXPECT_EQ(start->AspectWidth(), 640u);
  EXPECT_EQ(start->AspectHeight(), 480u);

  std::vector<std::vector<uint8_t>> pushed;
  for (uint8_t seed = 1; seed <= 5; ++seed) {
    pushed.push_back(camtest::MakeYuyv(640, 480, seed));
    PushAndWait(pushed.back());
  }
  EXPECT_EQ(sink_->Sequence(), (std::vector<int64_t>{0, 1, 2, 3, 4}));
  const auto frames = sink_->Kept();
  ASSERT_EQ(frames.size(), 5u);
  int64_t last = std::numeric_limits<int64_t>::min();
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i]->GetFormat(), vfYUY2);
    const uint8_t* bytes = frames[i]->Read();
    EXPECT_TRUE(std::equal(pushed[i].begin(), pushed[i].end(), bytes));
    EXPECT_TRUE(frames[i]->GetIsKeyFrame());
    TMLTimeStamp* stamp = frames[i]->GetTimeStamp();
    EXPECT_TRUE(stamp->Available());
    EXPECT_GT(stamp->Begin(), last);
    EXPECT_GT(stamp->End(), stamp->Begin());
    last = stamp->Begin();
  }
  capture_->Stop();
  EXPECT_EQ(sink_->Stops(), 1);
  // The numbering starts again with the next start.
  sink_->Clear();
  capture_->Start();
  PushAndWait(pushed[0]);
  EXPECT_EQ(sink_->Sequence(), (std::vector<int64_t>{0}));
  capture_->Stop();
}

TEST_F(CaptureFramesTest, RgbFramesLeaveTopDown) {
  MakeCapture();  // RGB24: the camera decodes its MJPEG straight into RGB
  capture_->Start();
  ASSERT_EQ(sink_->LastStart()->PixelFormat(), vfRGB24);
  PushAndWait(camtest::MakeJpeg(640, 480));
  auto frame = sink_->Kept().at(0);
  ASSERT_EQ(frame->GetFormat(), vfRGB24);
  // The picture has a dark block at its top left: row 0 of the frame.
  const TVLColor topLeft = frame->GetPixel(2, 2);
  const TVLColor bottomRight = frame->GetPixel(630, 470);
  EXPECT_LT(VLGreen(topLeft), 60);
  EXPECT_GT(VLGreen(bottomRight), 150);
  capture_->Stop();
}

TEST_F(CaptureFramesTest, EightBitFramesLeaveAsRgbThroughThePalette) {
  auto fake = camera_->Fake();
  fake->intervals_ = {{V4L2_PIX_FMT_GREY, 320, 240, 1, 30}};
  MakeCapture();
  // The graph would convert grey to a format of the row: connect the camera
  // straight to the temporary renderer instead, as a user's own rendering may.
  capture_->Graph()->SetOnCustomRender(
      TDSCustomRenderEvent([this](TObject*, IBaseFilter* source, bool video, IBaseFilter*) {
        ASSERT_TRUE(video);
        IGraphBuilder* graph = capture_->Graph()->Graph();
        IBaseFilter* raw = nullptr;
        ASSERT_EQ(graph->FindFilterByName(TVLDSCapture::kVideoTmpRenderName, &raw), S_OK);
        TIntf<IBaseFilter> renderer = TIntf<IBaseFilter>::Adopt(raw);
        ASSERT_EQ(capture_->Graph()->GraphBuilder()->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source,
                                                                  nullptr, renderer.get()),
                  S_OK);
      }));
  capture_->SetVideoFormat(vfGrayScale);
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  EXPECT_EQ(capture_->NegotiatedFormat(), vfGrayScale);
  EXPECT_EQ(capture_->Palette().size(), 1024u);
  auto start = sink_->LastStart();
  ASSERT_TRUE(start);
  EXPECT_EQ(start->PixelFormat(), vfRGB24);  // announced as what leaves

  // One byte a pixel, rows as long as the picture is wide.
  {
    std::lock_guard guard(fake->lock_);
    ASSERT_EQ(fake->format_.bytesperline, 320u);
  }
  std::vector<uint8_t> grey(320 * 240);
  for (size_t y = 0; y < 240; ++y)
    for (size_t x = 0; x < 320; ++x) grey[y * 320 + x] = uint8_t((y * 320 + x) % 251);
  grey[0] = 255;
  grey[239 * 320 + 319] = 7;
  PushAndWait(grey);
  auto frame = sink_->Kept().at(0);
  EXPECT_EQ(frame->GetFormat(), vfRGB24);
  EXPECT_EQ(frame->GetWidth(), 320);
  const TVLColor first = frame->GetPixel(0, 0);  // 255: the last palette entry
  EXPECT_EQ(VLRed(first), 255);
  EXPECT_EQ(VLGreen(first), 255);
  EXPECT_EQ(VLBlue(first), 255);
  const TVLColor second = frame->GetPixel(1, 0);
  EXPECT_EQ(VLRed(second), 1);
  const TVLColor last = frame->GetPixel(319, 239);
  EXPECT_EQ(VLGreen(last), 7);
  EXPECT_TRUE(frame->GetTimeStamp()->Available());
  EXPECT_EQ(frame->GetSequenceStamp()->BufferNumber(), 0);
  capture_->Stop();
  EXPECT_TRUE(capture_->Palette().empty());  // released by the stop
}

// A greyscale camera through the graph the capture builds by itself, in
// every format the viewer may ask for: every grey value (the picture holds
// all 256) arrives unchanged in red, green and blue alike, whatever format
// the frame travels in.
TEST_F(CaptureFramesTest, AGreyCameraArrivesAsItsOwnGreyValuesWhateverFormatIsAsked) {
  auto fake = camera_->Fake();
  const camtest::TCameraProfile& infrared = camtest::InfraredCameraProfile();
  camtest::ApplyCameraProfile(*fake, infrared);
  MakeCapture(QString::fromStdString(infrared.nodes.at(0).card));
  uint8_t seed = 0;
  for (TVLVideoFormat asked : {vfYUY2, vfRGB24, vfUYVY, vfRGBA32}) {
    SCOPED_TRACE(int(asked));
    sink_->Clear();
    capture_->SetVideoFormat(asked);
    capture_->Start();
    ASSERT_TRUE(capture_->IsRunning());
    v4l2_pix_format driver;
    {
      std::lock_guard guard(fake->lock_);
      driver = fake->format_;
    }
    ASSERT_EQ(driver.pixelformat, uint32_t(V4L2_PIX_FMT_GREY));
    seed += 40;
    PushAndWait(camtest::MakeCameraFrame(driver, seed));
    auto frame = sink_->Kept().at(0);
    ASSERT_EQ(frame->GetWidth(), 640);
    ASSERT_EQ(frame->GetHeight(), 360);
    int bad = 0;
    for (int y = 0; y < 360; ++y)
      for (int x = 0; x < 640; ++x) {
        const TVLColor c = frame->GetPixel(x, y);
        const uint8_t want = camtest::TestLuma(x, y, seed);
        bad += VLRed(c) != want || VLGreen(c) != want || VLBlue(c) != want;
      }
    EXPECT_EQ(bad, 0);
    capture_->Stop();
  }
}

TEST_F(CaptureFramesTest, AGrabberOfTheUsersOwnTakesTheSamplesInstead) {
  std::atomic<int> samples{0};
  TIntf<TDSVideoGrabber> own =
      MakeIntf<TDSVideoGrabber>(QStringLiteral("Own grabber"), GUID_NULL, [&](IMediaSample*) { samples.fetch_add(1); });
  MakeCapture();
  capture_->Graph()->SetOnVideoGrabberCreate(TDSVideoGrabberCreateEvent(
      [&](TObject*, TIntf<IBaseFilter>* grabber) { *grabber = TIntf<IBaseFilter>(own.get()); }));
  capture_->SetVideoFormat(vfYUY2);
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  // No system grabber, so no start-frame operation and no frames of ours.
  EXPECT_EQ(capture_->VideoGrabber(), nullptr);
  EXPECT_EQ(sink_->Starts(), 0);
  EXPECT_EQ(own->Width(), 640);
  EXPECT_EQ(own->FramePeriod(), 333333);
  camera_->Fake()->PushBytes(camtest::MakeYuyv(640, 480, 9));
  ASSERT_TRUE(camera_->Fake()->WaitRequeued(1));
  ASSERT_TRUE(PumpUntil([&] { return samples.load() >= 1; }));
  capture_->Stop();
  capture_->Close();
  own.reset();
}

}  // namespace
}  // namespace lumicar::capturetest
