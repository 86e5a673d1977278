// The capture graph on the scripted document camera (and every other camera
// profile of the scripted node), the synthetic camera and a camera of the
// other kind (VIDEOINFOHEADER2 types, formats taken only while its pin is
// free): which pixel format, size and rate every request negotiates, the
// filters the build leaves in the graph, the converter where the camera
// cannot give the format itself, the warning when the camera cannot meet the
// request, and the branches that have no device on this platform.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "buffers/sl_exception.h"
#include "capture/ds_capture_access.h"
#include "capture/format_preference.h"
#include "capture/temporary_renderer.h"
#include "dsbase/camera/camera_media_type.h"
#include "dsbase/camera/camera_modes.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/camera/v4l2_capture_pin.h"
#include "dsbase/graph/graph_pins.h"
#include "dsbase/media/media_guids.h"
#include "testing/camera/camera_profiles.h"
#include "tests/capture/capture_test_support.h"
#include "tests/capture/scripted_camera.h"
#include "tests/ui/qt_application.h"

namespace lumicar::capturetest {
namespace {

const QString kSizeRateWarning = QStringLiteral("Can't set desired video size and rate.");

struct TSizeCase {
  uint32_t width, height;
  int fakeWidth, fakeHeight;  // what the document camera gives
  bool fakeMeets;
};
// The viewer's sizes: the document camera has 640 × 480 and 1600 × 1200 only
// and gives the nearest for the other two.
const TSizeCase kSizes[] = {
    {640, 480, 640, 480, true},
    {800, 600, 640, 480, false},
    {1280, 1024, 1600, 1200, false},
    {1600, 1200, 1600, 1200, true},
};

struct TRateCase {
  bool current;
  double rate;
  // The period the document camera runs at, at 640 × 480 and 1600 × 1200,
  // and whether that meets the request.
  int64_t small, large;
  bool smallMeets, largeMeets;
};
const TRateCase kRates[] = {
    {true, 0, 333333, 333333, true, true},
    {false, 30, 333333, 333333, true, true},
    {false, 15, 666667, 666667, true, true},
    // 7 fps exists only as uncompressed YUYV at the large size; at the small
    // size 15 fps is the nearest.
    {false, 7, 666667, 1428571, false, true},
};

const TVLVideoFormat kFormats[] = {vfRGB24, vfYUY2, vfUYVY, vfRGBA32, vfRGB565, vfRGB555, vfGrayScale};

// The subtype each request ends in: the format itself (through the camera's
// own decoder or the converter), except grey scale, whose preference row
// begins with RGB24.
TGUID ExpectedSubtype(TVLVideoFormat f) { return VLGetGUIDFromFormat(f == vfGrayScale ? vfRGB24 : f); }

int64_t PeriodOf(double rate) { return int64_t(std::nearbyint(1e7 / rate)); }

class CaptureGraphTest : public CaptureTest {
 protected:
  void Request(TVLVideoFormat format, uint32_t width, uint32_t height, const TRateCase& rate) {
    capture_->Close();
    capture_->SetVideoFormat(format);
    capture_->VideoSize()->SetCurrent(false);
    capture_->VideoSize()->SetWidth(width);
    capture_->VideoSize()->SetHeight(height);
    capture_->FrameRate()->SetCurrent(rate.current);
    if (!rate.current) capture_->FrameRate()->SetRate(rate.rate);
    std::lock_guard guard(failuresLock_);
    failures_.clear();
  }
  bool Warned() { return HasFailure(kSizeRateWarning); }
  bool Errored() {
    for (const TFailure& f : Failures())
      if (f.error) return true;
    return false;
  }
  bool HasConverter() { return HasFilter(capture_.get(), u"Colour Space Converter"); }
};

TEST_F(CaptureGraphTest, DocumentCameraNegotiatesEveryFormatSizeAndRate) {
  RecordFailures(MakeCapture());
  for (TVLVideoFormat format : kFormats)
    for (const TSizeCase& size : kSizes)
      for (const TRateCase& rate : kRates) {
        SCOPED_TRACE(testing::Message() << "format " << int(format) << ", " << size.width << "x" << size.height
                                        << ", rate " << (rate.current ? -1.0 : rate.rate));
        Request(format, size.width, size.height, rate);
        ASSERT_TRUE(capture_->Open());
        EXPECT_FALSE(Errored());
        TNegotiated n;
        ASSERT_TRUE(Negotiated(capture_.get(), &n));
        EXPECT_EQ(n.subtype, ExpectedSubtype(format));
        EXPECT_EQ(n.width, size.fakeWidth);
        EXPECT_EQ(n.height, size.fakeHeight);
        const bool large = size.fakeWidth == 1600;
        EXPECT_EQ(n.period, large ? rate.large : rate.small);
        EXPECT_EQ(Warned(), !(size.fakeMeets && (large ? rate.largeMeets : rate.smallMeets)));
      }
}

// The same table over every camera profile: each size the camera offers,
// asked for in each of the seven formats at the camera's own rate,
// negotiates that size and format at the fastest rate the camera has there,
// without an error or a warning; a frame of the camera's driver layout then
// arrives at that size.
class CaptureProfileGraphTest : public CaptureGraphTest, public ::testing::WithParamInterface<size_t> {
 protected:
  const camtest::TCameraProfile& Profile() const { return camtest::CameraProfiles().at(GetParam()); }
  // The camera's sizes, each with its fastest frame period, as the filter
  // reads them from the node.
  std::vector<std::pair<std::pair<int, int>, int64_t>> Sizes(camtest::TFakeV4L2Device& fake) {
    std::vector<std::pair<std::pair<int, int>, int64_t>> sizes;
    const int fd = fake.Open(Profile().nodes.at(0).path, 0);
    EXPECT_GE(fd, 0);
    for (const TDSCameraCapability& c : DSEnumerateCameraModes(fake, fd)) {
      auto at = std::find_if(sizes.begin(), sizes.end(),
                             [&](const auto& s) { return s.first == std::pair(c.width, c.height); });
      if (at == sizes.end())
        sizes.push_back({{c.width, c.height}, c.MinInterval()});
      else
        at->second = std::min(at->second, c.MinInterval());
    }
    fake.Close(fd);
    return sizes;
  }
};

TEST_P(CaptureProfileGraphTest, EveryOfferedSizeNegotiatesInEveryFormatAndStreams) {
  auto fake = camera_->Fake();
  camtest::ApplyCameraProfile(*fake, Profile());
  const auto sizes = Sizes(*fake);
  ASSERT_FALSE(sizes.empty());
  RecordFailures(MakeCapture(QString::fromStdString(Profile().nodes.at(0).card)));
  for (const auto& [size, fastest] : sizes)
    for (TVLVideoFormat format : kFormats) {
      const auto [w, h] = size;
      SCOPED_TRACE(testing::Message() << "format " << int(format) << ", " << w << "x" << h);
      Request(format, uint32_t(w), uint32_t(h), kRates[0]);
      ASSERT_TRUE(capture_->Open());
      EXPECT_FALSE(Errored());
      EXPECT_FALSE(Warned());
      TNegotiated n;
      ASSERT_TRUE(Negotiated(capture_.get(), &n));
      EXPECT_EQ(n.subtype, ExpectedSubtype(format));
      EXPECT_EQ(n.width, w);
      EXPECT_EQ(n.height, h);
      EXPECT_EQ(n.period, fastest);
      if (format != vfYUY2 && format != vfRGB24) continue;
      sink_->Clear();
      capture_->Start();
      ASSERT_TRUE(capture_->IsRunning());
      v4l2_pix_format driver;
      {
        std::lock_guard guard(fake->lock_);
        driver = fake->format_;
      }
      fake->PushBytes(camtest::MakeCameraFrame(driver, 3));
      ASSERT_TRUE(sink_->WaitFrames(1));
      auto frame = sink_->Kept().at(0);
      EXPECT_EQ(frame->GetWidth(), w);
      EXPECT_EQ(frame->GetHeight(), h);
      capture_->Stop();
    }
  capture_->Close();
}

std::string CaptureProfileName(const ::testing::TestParamInfo<size_t>& info) {
  return camtest::CameraProfiles().at(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Cameras, CaptureProfileGraphTest,
                         ::testing::Range<size_t>(0, camtest::CameraProfiles().size()), CaptureProfileName);

TEST_F(CaptureGraphTest, SyntheticCameraMeetsEveryRequestWithoutConverter) {
  RecordFailures(MakeCapture(QStringLiteral("Test pattern")));
  for (TVLVideoFormat format : kFormats)
    for (const TSizeCase& size : kSizes)
      for (const TRateCase& rate : kRates) {
        SCOPED_TRACE(testing::Message() << "format " << int(format) << ", " << size.width << "x" << size.height
                                        << ", rate " << (rate.current ? -1.0 : rate.rate));
        Request(format, size.width, size.height, rate);
        ASSERT_TRUE(capture_->Open());
        TNegotiated n;
        ASSERT_TRUE(Negotiated(capture_.get(), &n));
        EXPECT_EQ(n.subtype, ExpectedSubtype(format));
        EXPECT_EQ(n.width, int(size.width));
        EXPECT_EQ(n.height, int(size.height));
        // Its rates run from 1 to 60 frames a second; the current one is the fastest.
        EXPECT_EQ(n.period, rate.current ? PeriodOf(60) : PeriodOf(rate.rate));
        EXPECT_FALSE(HasConverter());
        EXPECT_TRUE(Failures().empty());
      }
}

TEST_F(CaptureGraphTest, LargeSizeAtThirtyFramesComesFromTheCamerasMjpeg) {
  MakeCapture();
  Request(vfYUY2, 1600, 1200, kRates[1]);
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  auto fake = camera_->Fake();
  {
    std::lock_guard guard(fake->lock_);
    EXPECT_EQ(fake->format_.pixelformat, uint32_t(V4L2_PIX_FMT_MJPEG));
    EXPECT_EQ(fake->format_.width, 1600u);
    EXPECT_EQ(fake->parm_.numerator, 1u);
    EXPECT_EQ(fake->parm_.denominator, 30u);
  }
  EXPECT_FALSE(HasConverter());  // the camera decodes into YUY2 itself
  PushFrames(1);
  ASSERT_TRUE(sink_->WaitFrames(1));
  PushFrames(1);
  ASSERT_TRUE(sink_->WaitFrames(2));
  auto start = sink_->LastStart();
  ASSERT_TRUE(start);
  EXPECT_EQ(start->Width(), 1600);
  EXPECT_EQ(start->Height(), 1200);
  EXPECT_EQ(start->PixelFormat(), vfYUY2);
  EXPECT_EQ(start->FrameDuration(), 333333);
  capture_->Stop();
}

TEST_F(CaptureGraphTest, SevenFramesOfTheLargeSizeReachRgbThroughTheConverter) {
  // RGB24 at that size comes only from MJPEG (15 or 30 fps); the rate is
  // honoured by converting the camera's uncompressed YUYV instead.
  RecordFailures(MakeCapture());
  Request(vfRGB24, 1600, 1200, kRates[3]);
  ASSERT_TRUE(capture_->Open());
  TNegotiated n;
  ASSERT_TRUE(Negotiated(capture_.get(), &n));
  EXPECT_EQ(n.subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(n.period, 1428571);
  EXPECT_TRUE(HasConverter());
  EXPECT_FALSE(Warned());
}

TEST_F(CaptureGraphTest, Rgb555OnAYuy2OnlyCameraGoesThroughTheConverter) {
  camera_->Fake()->intervals_ = {{V4L2_PIX_FMT_YUYV, 640, 480, 1, 30}};
  RecordFailures(MakeCapture());
  capture_->SetVideoFormat(vfRGB555);
  ASSERT_TRUE(capture_->Open());
  TNegotiated n;
  ASSERT_TRUE(Negotiated(capture_.get(), &n));
  EXPECT_EQ(n.subtype, MEDIASUBTYPE_RGB555);
  EXPECT_EQ(n.width, 640);
  EXPECT_TRUE(HasConverter());
  EXPECT_EQ(capture_->NegotiatedFormat(), vfRGB555);
  // The request was met, so the next Open keeps the graph.
  const int made = camera_->FiltersMade();
  EXPECT_TRUE(capture_->Open());
  EXPECT_EQ(camera_->FiltersMade(), made);
}

TEST_F(CaptureGraphTest, YuyRequestOnAYuyCameraConnectsDirectly) {
  RecordFailures(MakeCapture());
  capture_->SetVideoFormat(vfYUY2);
  ASSERT_TRUE(capture_->Open());
  TNegotiated n;
  ASSERT_TRUE(Negotiated(capture_.get(), &n));
  EXPECT_EQ(n.subtype, MEDIASUBTYPE_YUY2);
  EXPECT_FALSE(HasConverter());
  // Current size and rate: the camera's own, written back unchanged.
  EXPECT_EQ(n.width, 640);
  EXPECT_EQ(n.period, 333333);
  EXPECT_TRUE(Failures().empty());
}

TEST_F(CaptureGraphTest, BuildLeavesTheGrabberInPlaceOfTheTemporaryRenderer) {
  MakeCapture();
  ASSERT_TRUE(capture_->Open());
  EXPECT_TRUE(capture_->IsBuilt());
  for (const char16_t* name :
       {TVLDSCapture::kVideoCaptureFilterName, TVLDSCapture::kVideoGrabberName, TVLDSCapture::kNullRenderName,
        TVLDSCapture::kCaptionNullRenderName, TVLDSCapture::kTextCaptionGrabberName})
    EXPECT_TRUE(HasFilter(capture_.get(), name)) << QString::fromUtf16(name).toStdString();
  EXPECT_FALSE(HasFilter(capture_.get(), TVLDSCapture::kVideoTmpRenderName));
  // No caption stream reached the caption grabber: it is not in the graph.
  EXPECT_FALSE(HasFilter(capture_.get(), TVLDSCapture::kCaptionGrabberName));
  // The video branch ends in the null renderer.
  IGraphBuilder* graph = capture_->Graph()->Graph();
  IBaseFilter* raw = nullptr;
  ASSERT_EQ(graph->FindFilterByName(TVLDSCapture::kNullRenderName, &raw), S_OK);
  TIntf<IBaseFilter> null = TIntf<IBaseFilter>::Adopt(raw);
  TIntf<IPin> in = DSFirstPin(null.get(), PINDIR_INPUT, false);
  TIntf<IPin> peer = DSPeerOf(in.get());
  ASSERT_TRUE(peer);
  TIntf<IBaseFilter> grabber = DSFilterOfPin(peer.get());
  EXPECT_TRUE(DSSameObject(grabber.get(), static_cast<IUnknown*>(capture_->VideoGrabber())));
  // The capabilities were read while the camera was bound.
  EXPECT_EQ(capture_->GetVC_VideoModes()->GetCount(), 4);
  const TVLVideoModeFormat big = capture_->GetVC_VideoModes()->GetItem(2);
  EXPECT_EQ(big.Format, vfYUY2);
  EXPECT_EQ(big.Width, 1600);
  EXPECT_EQ(big.MaxFrames, 30);
  EXPECT_EQ(big.MinFrames, 7);
}

// The builder's two teardowns: the graph's rendering goes and the camera
// stays bound for the next build; then the filters and the graph go too.
TEST_F(CaptureGraphTest, BuilderTeardownFreesTheRenderingThenEveryFilter) {
  MakeCapture();
  ASSERT_TRUE(capture_->Open());
  TVLDSCaptureGraphBuilder& builder = TVLDSCaptureGraphAccess::Builder(*capture_);
  ASSERT_TRUE(builder.Built());
  ASSERT_TRUE(DSPeerOf(DSFirstPin(builder.CaptureFilter(), PINDIR_OUTPUT, false).get()));

  builder.DestroyGraph();
  EXPECT_FALSE(builder.Built());
  EXPECT_EQ(builder.VideoGrabber(), nullptr);
  EXPECT_EQ(builder.AudioGrabber(), nullptr);
  ASSERT_NE(builder.CaptureFilter(), nullptr);
  EXPECT_TRUE(HasFilter(capture_.get(), TVLDSCapture::kVideoCaptureFilterName));
  EXPECT_FALSE(HasFilter(capture_.get(), TVLDSCapture::kVideoGrabberName));
  EXPECT_FALSE(HasFilter(capture_.get(), TVLDSCapture::kNullRenderName));
  TIntf<IPin> out = DSFirstPin(builder.CaptureFilter(), PINDIR_OUTPUT, false);
  ASSERT_TRUE(out);
  EXPECT_FALSE(DSPeerOf(out.get())) << "nothing is left connected behind the camera";

  builder.FreeCapFilters();
  EXPECT_EQ(capture_->Graph()->Graph(), nullptr);
  EXPECT_EQ(builder.CaptureFilter(), nullptr);
  EXPECT_EQ(builder.StreamConfig(), nullptr);
  EXPECT_FALSE(builder.VideoProcAmp());
  EXPECT_TRUE(builder.Dialogs().Available().Empty());
}

TEST_F(CaptureGraphTest, WithThePreviewTheGrabberEndsInTheDefaultRenderer) {
  RecordFailures(MakeCapture());
  capture_->VideoPreview()->SetEnabled(true);
  ASSERT_TRUE(capture_->Open());
  EXPECT_TRUE(capture_->HasRenderer());
  EXPECT_FALSE(HasFailure(QStringLiteral("Can't render video preview.")));
  capture_->Start();
  EXPECT_TRUE(capture_->IsRunning());
  capture_->Stop();
  // Switching the preview off while stopped drops the graph; the next
  // build ends in the null renderer again.
  capture_->VideoPreview()->SetEnabled(false);
  EXPECT_FALSE(capture_->GetVC_Opened());
  ASSERT_TRUE(capture_->Open());
  EXPECT_FALSE(capture_->HasRenderer());
}

TEST_F(CaptureGraphTest, ACameraThatRefusesTheSizeStreamsAtWhatItGives) {
  RecordFailures(MakeCapture());
  Request(vfYUY2, 1024, 768, kRates[1]);
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  const auto failures = Failures();
  ASSERT_FALSE(failures.empty());
  EXPECT_EQ(failures[0].message, kSizeRateWarning);
  EXPECT_FALSE(failures[0].error);
  EXPECT_EQ(failures[0].code, S_FALSE);  // the camera's "nearest I have"
  // The start operation reports what was negotiated, not what was asked.
  auto start = sink_->LastStart();
  ASSERT_TRUE(start);
  EXPECT_EQ(start->Width(), 640);
  EXPECT_EQ(start->Height(), 480);
  PushFrames(1);
  ASSERT_TRUE(sink_->WaitFrames(1));
  EXPECT_EQ(sink_->Kept()[0]->GetWidth(), 640);
  capture_->Stop();
}

TEST_F(CaptureGraphTest, AudioFromTheCameraItselfFailsTheBuildWithItsError) {
  // No camera of this platform has an audio pin: the audio branch cannot be
  // rendered, and that fails the whole build.
  RecordFailures(MakeCapture());
  capture_->AudioCaptureDevice()->SetName(TDSVLAudioCaptureDevice::kShareVideoDevice);
  EXPECT_FALSE(capture_->Open());
  EXPECT_TRUE(HasFailure(QStringLiteral("Can't suggest audio buffer size.")));
  EXPECT_TRUE(HasFailure(QStringLiteral("Can't set audio sample grabber.")));
  EXPECT_FALSE(capture_->GetVC_Opened());
  // The default audio choice finds no device here and builds without audio.
  capture_->AudioCaptureDevice()->SetName(QStringLiteral("Default"));
  EXPECT_TRUE(capture_->Open());
}

TEST_F(CaptureGraphTest, BranchesWithoutDevicesAnswerWithTheirErrors) {
  RecordFailures(MakeCapture());
  // Raw frames: the grabber takes the camera's stream before any converter;
  // it runs, and the start operation carries the raw type.
  capture_->SetUseHardwareCompression(true);
  ASSERT_TRUE(capture_->Open());
  EXPECT_TRUE(HasFilter(capture_.get(), TVLDSCapture::kRawGrabberName));
  capture_->Start();
  auto start = sink_->LastStart();
  ASSERT_TRUE(start);
  EXPECT_TRUE(OWOperationAs<TOWStartCompressionFrameOperation>(start.get()));
  capture_->Stop();
  capture_->Close();
  capture_->SetUseHardwareCompression(false);
  // Closed captions need a VBI pin, which no camera here has: the branch is
  // skipped even when enabled.
  capture_->ClosedCaptions()->SetEnabled(true);
  EXPECT_TRUE(capture_->Open());
  EXPECT_FALSE(HasFilter(capture_.get(), u"Line 21 Decoder"));
  // No capture filter: the binding's error.
  capture_->Close();
  capture_->VideoCaptureDevice()->SetName(QStringLiteral("None"));
  EXPECT_FALSE(capture_->Open());
  EXPECT_FALSE(TVLDSCaptureGraphAccess::InitCaptureFilters(*capture_));
  EXPECT_TRUE(HasFailure(QStringLiteral("Can't create video capture filter.")));
}

TEST_F(CaptureGraphTest, AStartTheCameraRefusesRaisesCantStartCapture) {
  // A driver that refuses to stream for a reason of its own (a camera in
  // use or without bandwidth is reported and retried instead).
  camera_->Fake()->streamOnError_ = EIO;
  MakeCapture();
  try {
    capture_->Start();
    FAIL() << "the start did not raise";
  } catch (const ESLException& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Can't start capture. - 2147942405 - 80070005"));
  }
  EXPECT_FALSE(capture_->IsRunning());
  EXPECT_TRUE(capture_->GetVC_Opened());
  // A handler that marks the error handled keeps it from raising.
  RecordFailures(capture_.get());
  EXPECT_NO_THROW(capture_->Start());
  EXPECT_TRUE(HasFailure(QStringLiteral("Can't start capture.")));
  EXPECT_FALSE(capture_->IsRunning());
}

// The scripted camera: both subtypes at both sizes of the document camera,
// its rates from 30 (small size) or 15 (large size) down to 5 frames a second.
std::vector<TScriptedMode> ScriptedModes() {
  std::vector<TScriptedMode> modes;
  for (const TGUID& subtype : {MEDIASUBTYPE_YUY2, MEDIASUBTYPE_RGB24}) {
    modes.push_back({subtype, 640, 480, 333333, 2000000});
    modes.push_back({subtype, 1600, 1200, 666667, 2000000});
  }
  return modes;
}

class ScriptedCameraGraphTest : public CaptureGraphTest {
 protected:
  void SetUp() override {
    CaptureGraphTest::SetUp();
    script_ = std::make_shared<TScriptedCameraScript>();
    script_->modes = ScriptedModes();
    provider_ = std::make_shared<TScriptedCameraProvider>(script_);
    DSRegisterDeviceProvider(provider_);
  }
  void TearDown() override {
    capture_.reset();
    DSUnregisterDeviceProvider(provider_.get());
    CaptureGraphTest::TearDown();
  }
  bool Answered(HRESULT hr) {
    std::lock_guard guard(script_->lock);
    return std::find(script_->answers.begin(), script_->answers.end(), hr) != script_->answers.end();
  }
  // The camera's mode nearest to a size, as it chooses one.
  const TScriptedMode& Nearest(uint32_t width, uint32_t height) const {
    const TScriptedMode* best = &script_->modes.front();
    int64_t distance = INT64_MAX;
    for (const TScriptedMode& m : script_->modes) {
      const int64_t d = std::llabs(int64_t(m.width) * m.height - int64_t(width) * height) +
                        std::llabs(int64_t(m.width) - int64_t(width));
      if (d < distance) distance = d, best = &m;
    }
    return *best;
  }
  // Its types are VIDEOINFOHEADER2, which only the converter takes, and the
  // converter never gives its input's own layout: a request ends in the first
  // format of its row that the camera does not have itself.
  TGUID ExpectedScriptedSubtype(TVLVideoFormat requested) const {
    for (TVLVideoFormat f : VLDSPreferenceRow(requested)) {
      const TGUID subtype = VLGetGUIDFromFormat(f);
      if (std::none_of(script_->modes.begin(), script_->modes.end(),
                       [&](const TScriptedMode& m) { return m.subtype == subtype; }))
        return subtype;
    }
    return GUID_NULL;
  }
  TGUID CameraConnectionFormatType() {
    TIntf<IPin> pin = DSFirstPin(capture_->CaptureFilter(), PINDIR_OUTPUT, false);
    TDSMediaType mt;
    if (!pin || FAILED(pin->ConnectionMediaType(&mt.Get()))) return GUID_NULL;
    return mt->formattype;
  }

  std::shared_ptr<TScriptedCameraScript> script_;
  std::shared_ptr<TScriptedCameraProvider> provider_;
};

TEST_F(ScriptedCameraGraphTest, NegotiatesEveryFormatSizeAndRate) {
  RecordFailures(MakeCapture(TScriptedCameraProvider::kName));
  for (TVLVideoFormat format : kFormats)
    for (const TSizeCase& size : kSizes)
      for (const TRateCase& rate : kRates) {
        SCOPED_TRACE(testing::Message() << "format " << int(format) << ", " << size.width << "x" << size.height
                                        << ", rate " << (rate.current ? -1.0 : rate.rate));
        Request(format, size.width, size.height, rate);
        ASSERT_TRUE(capture_->Open());
        EXPECT_FALSE(Errored());
        TNegotiated n;
        ASSERT_TRUE(Negotiated(capture_.get(), &n));
        EXPECT_EQ(n.subtype, ExpectedScriptedSubtype(format));
        EXPECT_EQ(CameraConnectionFormatType(), FORMAT_VideoInfo2);
        const TScriptedMode& mode = Nearest(size.width, size.height);
        EXPECT_EQ(n.width, mode.width);
        EXPECT_EQ(n.height, mode.height);
        // Its own rate is its fastest; an asked one is met within its range.
        const int64_t asked = rate.current ? mode.minInterval : PeriodOf(rate.rate);
        const int64_t period = std::clamp(asked, mode.minInterval, mode.maxInterval);
        EXPECT_EQ(n.period, period);
        const bool met = mode.width == int(size.width) && mode.height == int(size.height) && period == asked;
        EXPECT_EQ(Warned(), !met);
      }
  // What was not met was first refused by the connected camera and then
  // answered with the nearest mode once its pin was free.
  EXPECT_TRUE(Answered(VFW_E_TYPE_NOT_ACCEPTED));
  EXPECT_TRUE(Answered(S_FALSE));
}

TEST_F(ScriptedCameraGraphTest, ARateWhosePeriodRoundsToZeroIsAskedForAndAnsweredWithTheNearest) {
  RecordFailures(MakeCapture(TScriptedCameraProvider::kName));
  // 10 000 000 / 20 000 000 frames a second = 0.5, to even: a period of 0.
  Request(vfUYVY, 640, 480, TRateCase{false, 20'000'000, 0, 0, false, false});
  ASSERT_TRUE(capture_->Open());
  const auto failures = Failures();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].message, kSizeRateWarning);
  EXPECT_EQ(failures[0].code, S_FALSE);
  TNegotiated n;
  ASSERT_TRUE(Negotiated(capture_.get(), &n));
  EXPECT_EQ(n.period, 333333);  // the nearest: its fastest
}

TEST_F(ScriptedCameraGraphTest, ARebuildThatFailsEndsTheStartAsAFailedBuildDoes) {
  RecordFailures(MakeCapture(TScriptedCameraProvider::kName));
  Request(vfUYVY, 640, 480, kRates[1]);
  ASSERT_TRUE(capture_->Open());
  // The size is unchanged, so the start keeps the graph and writes the new
  // rate into the connected camera, which refuses it there: the graph is
  // rendered anew at it, and the camera cannot connect at that rate.
  script_->unusableInterval = PeriodOf(15);
  capture_->FrameRate()->SetRate(15);
  capture_->Start();
  EXPECT_TRUE(HasFailure(QStringLiteral("SetMasterStream failed")));
  EXPECT_FALSE(capture_->IsRunning());
  EXPECT_FALSE(capture_->GetVC_Opened());
  EXPECT_EQ(sink_->Starts(), 0);
  // Once it can, the next start builds anew and announces what it streams.
  script_->unusableInterval = 0;
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  auto start = sink_->LastStart();
  ASSERT_TRUE(start);
  EXPECT_EQ(start->FrameDuration(), PeriodOf(15));
  capture_->Stop();
}

TEST_F(CaptureGraphTest, TemporaryRendererAcceptsItsRowOneEntryAtATime) {
  TIntf<TVLDSVideoRenderer> r = MakeIntf<TVLDSVideoRenderer>();
  EXPECT_EQ(r->VideoFormat(), vfRGBA32);
  r->SetVideoFormat(vfRGB555);
  AM_MEDIA_TYPE mt{};
  EXPECT_EQ(r->GetMediaType(-1, &mt), E_INVALIDARG);
  EXPECT_EQ(r->GetMediaType(7, &mt), VFW_S_NO_MORE_ITEMS);
  ASSERT_EQ(r->GetMediaType(1, &mt), S_OK);
  EXPECT_EQ(mt.majortype, MEDIATYPE_Video);
  EXPECT_EQ(mt.subtype, MEDIASUBTYPE_RGB565);
  EXPECT_TRUE(mt.formattype.IsNull());
  EXPECT_EQ(mt.pbFormat, nullptr);
  TDSMediaType rgb = DSCameraMediaType(MEDIASUBTYPE_RGB24, 640, 480, 333333);
  EXPECT_EQ(r->CheckMediaType(&rgb.Get()), S_OK);
  EXPECT_EQ(r->CheckMediaType(nullptr), E_POINTER);
  r->SetAcceptedEntry(0);
  EXPECT_EQ(r->CheckMediaType(&rgb.Get()), E_INVALIDARG);
  TDSMediaType rgb555 = DSCameraMediaType(MEDIASUBTYPE_RGB555, 640, 480, 333333);
  EXPECT_EQ(r->CheckMediaType(&rgb555.Get()), S_OK);
  // Only VIDEOINFOHEADER blocks.
  rgb555->formattype = FORMAT_VideoInfo2;
  EXPECT_EQ(r->CheckMediaType(&rgb555.Get()), E_INVALIDARG);
  TDSMediaType mjpg = DSCameraMediaType(MEDIASUBTYPE_MJPG, 640, 480, 333333);
  r->SetAcceptedEntry(-1);
  EXPECT_EQ(r->CheckMediaType(&mjpg.Get()), E_INVALIDARG);
}

}  // namespace
}  // namespace lumicar::capturetest
