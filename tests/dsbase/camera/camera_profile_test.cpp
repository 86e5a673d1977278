// The camera filter against every camera profile the scripted node knows:
// each mode it offers negotiates, streams a frame of the camera's own driver
// layout (padded rows, oversized buffers, planar and grey formats, MJPEG)
// and arrives as the right picture at the right size; only nodes that can
// show a picture are listed as cameras; failing control reads leave the
// camera usable. Properties are checked against the profile, not a copy of
// the filter's table.

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <set>
#include <tuple>

#include "dsbase/camera/camera_identity.h"
#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/camera/camera_media_type.h"
#include "dsbase/camera/camera_modes.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/camera/v4l2_capture_pin.h"
#include "dsbase/com/task_memory.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/media_type.h"
#include "dsbase/media/video_info.h"
#include "testing/camera/camera_profiles.h"
#include "testing/hang_guard.h"
#include "testing/process_resources.h"
#include "tests/dsbase/graph_test_support.h"

namespace lumicar::camtest {
namespace {

using namespace dstest;

// Keeps every sample's bytes; a test waits (bounded) for a count.
class TWaitableByteRenderer : public TByteRenderer {
 public:
  TWaitableByteRenderer() : TByteRenderer(MEDIATYPE_Video) {}
  HRESULT DoRenderSample(IMediaSample* sample) override {
    const HRESULT hr = TByteRenderer::DoRenderSample(sample);
    std::lock_guard guard(countLock_);
    ++rendered_;
    arrived_.notify_all();
    return hr;
  }
  bool WaitRendered(int n) {
    std::unique_lock guard(countLock_);
    return arrived_.wait_for(guard, testtools::kHangGuard, [&] { return rendered_ >= n; });
  }

 private:
  std::mutex countLock_;
  std::condition_variable arrived_;
  int rendered_ = 0;
};

const TCameraProfile& ProfileAt(size_t index) { return CameraProfiles().at(index); }

class CameraProfileTest : public DSLeakCheck, public ::testing::WithParamInterface<size_t> {
 protected:
  void SetUp() override {
    DSLeakCheck::SetUp();
    before_ = testtools::ReadProcessResources();
    fake_ = std::make_shared<TFakeV4L2Device>();
    ApplyCameraProfile(*fake_, Profile());
  }
  void TearDown() override {
    if (camera_) Finish();
    camera_.reset();
    EXPECT_EQ(fake_->liveMappings_, 0);
    EXPECT_EQ(fake_->openFds_, 0);
    // Every streaming thread ended with its stop.
    const testtools::TProcessResources after = testtools::SettledProcessResources();
    EXPECT_TRUE(testtools::Growth(before_.threads, after.threads, testtools::PlatformThreadNames()).empty())
        << testtools::DescribeGrowth(before_, after);
    DSLeakCheck::TearDown();
  }
  const TCameraProfile& Profile() const { return ProfileAt(GetParam()); }
  HRESULT Open(const std::string& node, TIntf<TDSV4L2CaptureFilter>* out) {
    TDSV4L2CaptureFilter* f = nullptr;
    const HRESULT hr = TDSV4L2CaptureFilter::Create(fake_, node, QString::fromStdString(Profile().name), &f);
    if (f) *out = TIntf<TDSV4L2CaptureFilter>::Adopt(f);
    return hr;
  }
  // The offered types at their fastest rate; with `slowestToo` each also at
  // its slowest rate where that differs (another native format may give it).
  std::vector<TDSMediaType> OfferedTypes(bool slowestToo = false) {
    int count = 0, size = 0;
    EXPECT_EQ(camera_->CapturePin()->GetNumberOfCapabilities(&count, &size), S_OK);
    std::vector<TDSMediaType> all;
    for (int i = 0; i < count; ++i) {
      AM_MEDIA_TYPE* mt = nullptr;
      VIDEO_STREAM_CONFIG_CAPS caps;
      EXPECT_EQ(camera_->CapturePin()->GetStreamCaps(i, &mt, reinterpret_cast<uint8_t*>(&caps)), S_OK);
      if (!mt) continue;
      all.emplace_back(*mt);
      LPDSDeleteMediaType(mt);
      if (slowestToo && caps.MaxFrameInterval != caps.MinFrameInterval)
        all.push_back(
            DSCameraMediaType(all.back()->subtype, caps.InputSize.cx, caps.InputSize.cy, caps.MaxFrameInterval));
    }
    return all;
  }
  // Connects the camera in `type` to a fresh renderer and runs both;
  // `driver` gets the layout the driver agreed to.
  bool Start(const TDSMediaType& type, v4l2_pix_format* driver);
  // The bytes of the `index`th sample rendered (waits, bounded).
  std::vector<uint8_t> RenderedBytes(int index);
  void Finish();
  // Streams one frame in `type` and returns the sample's bytes (empty when
  // none came).
  std::vector<uint8_t> StreamOne(const TDSMediaType& type, uint8_t seed, v4l2_pix_format* driver);

  std::shared_ptr<TFakeV4L2Device> fake_;
  TIntf<TDSV4L2CaptureFilter> camera_;
  TIntf<TWaitableByteRenderer> renderer_;
  TIntf<TEventGraph> events_;
  testtools::TProcessResources before_;
};

bool CameraProfileTest::Start(const TDSMediaType& type, v4l2_pix_format* driver) {
  renderer_ = MakeIntf<TWaitableByteRenderer>();
  events_ = MakeIntf<TEventGraph>();
  EXPECT_EQ(camera_->JoinFilterGraph(events_.get(), u"Video Capture Filter"), S_OK);
  EXPECT_EQ(camera_->CapturePin()->SetFormat(&type.Get()), S_OK);
  EXPECT_EQ(ConnectPins(camera_->CapturePin(), static_cast<TDSBasePin*>(renderer_->GetPin(0))), S_OK);
  EXPECT_EQ(renderer_->Run(0), S_OK);
  if (camera_->Run(0) != S_OK) return false;
  std::lock_guard guard(fake_->lock_);
  *driver = fake_->format_;
  return true;
}

void CameraProfileTest::Finish() {
  if (!renderer_) return;
  camera_->Stop();
  renderer_->Stop();
  DisconnectPins(camera_->CapturePin(), static_cast<TDSBasePin*>(renderer_->GetPin(0)));
  camera_->JoinFilterGraph(nullptr, nullptr);
  EXPECT_EQ(camera_->CapturePin()->SetFormat(nullptr), S_OK);
  renderer_.reset();
  events_.reset();
}

std::vector<uint8_t> CameraProfileTest::RenderedBytes(int index) {
  if (!renderer_->WaitRendered(index + 1)) {
    ADD_FAILURE() << "no frame arrived";
    return {};
  }
  std::lock_guard guard(renderer_->lock_);
  return renderer_->samples_.at(size_t(index)).bytes;
}

std::vector<uint8_t> CameraProfileTest::StreamOne(const TDSMediaType& type, uint8_t seed, v4l2_pix_format* driver) {
  std::vector<uint8_t> bytes;
  if (Start(type, driver)) {
    const std::vector<uint8_t> frame = MakeCameraFrame(*driver, seed);
    EXPECT_FALSE(frame.empty());
    fake_->PushBytes(frame);
    bytes = RenderedBytes(0);
  } else {
    ADD_FAILURE() << "the camera did not start";
  }
  Finish();
  return bytes;
}

int WidthOf(const AM_MEDIA_TYPE& mt) { return DSBitmapHeader(mt)->biWidth; }
int HeightOf(const AM_MEDIA_TYPE& mt) { return std::abs(DSBitmapHeader(mt)->biHeight); }

// Counts the pixels of `bytes` (an output sample) whose luma or grey differs
// from the picture the scripted camera drew; -1 when the check does not apply.
int64_t PictureMismatches(uint32_t fourcc, const TGUID& subtype, int w, int h, const std::vector<uint8_t>& bytes,
                          uint8_t seed) {
  int64_t bad = 0;
  if (fourcc == V4L2_PIX_FMT_MJPEG) {
    // The JPEG picture: a dark block top-left, bright green elsewhere.
    if (subtype == MEDIASUBTYPE_YUY2) {
      bad += bytes[0] >= 60;
      bad += bytes[(size_t(h / 2) * size_t(w) + size_t(w / 2)) * 2] <= 100;
    } else if (subtype == MEDIASUBTYPE_RGB24) {
      const size_t stride = size_t(VLBitmapRowBytes(w, 24));
      bad += bytes[size_t(h - 1) * stride + 4] >= 60;  // bottom-up: the top row is last
      bad += bytes[size_t(h / 2) * stride + size_t(w / 2) * 3 + 1] <= 150;
    } else {
      return -1;
    }
    return bad;
  }
  if (subtype == MEDIASUBTYPE_YUY2) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = &bytes[(size_t(y) * size_t(w) + size_t(x)) * 2];
        bad += p[0] != TestLuma(x, y, seed) || p[1] != (x & 1 ? 200 : 100);
      }
    return bad;
  }
  if (subtype == MEDIASUBTYPE_RGB8) {
    const size_t stride = size_t(VLBitmapRowBytes(w, 8));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) bad += bytes[size_t(h - 1 - y) * stride + size_t(x)] != TestLuma(x, y, seed);
    return bad;
  }
  return -1;
}

TEST_P(CameraProfileTest, OffersEachModeOnceAtSizesItsFormatsCanHave) {
  ASSERT_EQ(Open(Profile().nodes.at(0).path, &camera_), S_OK);
  const auto types = OfferedTypes();
  ASSERT_FALSE(types.empty());
  std::set<std::tuple<TGUID, int, int>> seen;
  for (const TDSMediaType& t : types) {
    const int w = WidthOf(t.Get()), h = HeightOf(t.Get());
    EXPECT_TRUE(seen.insert({t->subtype, w, h}).second) << "offered twice: " << w << "x" << h;
    // 4:2:2 output pairs pixels; 4:2:0 sources pair rows as well.
    if (t->subtype == MEDIASUBTYPE_YUY2) {
      EXPECT_EQ(w % 2, 0) << w;
    }
    EXPECT_EQ(DSBitmapHeader(t.Get())->biSizeImage, DSBitmapImageSize(w, h, DSBitmapHeader(t.Get())->biBitCount));
    EXPECT_GT(reinterpret_cast<const VIDEOINFOHEADER*>(t->pbFormat)->AvgTimePerFrame, 0);
    EXPECT_EQ(camera_->CapturePin()->CheckMediaType(&t.Get()), S_OK);
  }
  // The driver's current size comes first.
  EXPECT_EQ(uint32_t(WidthOf(types[0].Get())), fake_->format_.width);
}

TEST_P(CameraProfileTest, EveryOfferedModeStreamsItsPictureThroughTheDriversLayout) {
  ASSERT_EQ(Open(Profile().nodes.at(0).path, &camera_), S_OK);
  const auto types = OfferedTypes(true);
  ASSERT_FALSE(types.empty());
  uint8_t seed = 1;
  std::set<uint32_t> streamed;
  for (const TDSMediaType& t : types) {
    const int w = WidthOf(t.Get()), h = HeightOf(t.Get());
    SCOPED_TRACE(::testing::Message() << DSGuidName(t->subtype).toStdString() << " " << w << "x" << h);
    v4l2_pix_format driver{};
    const std::vector<uint8_t> bytes = StreamOne(t, ++seed, &driver);
    ASSERT_EQ(bytes.size(), DSBitmapHeader(t.Get())->biSizeImage);
    EXPECT_EQ(driver.width, uint32_t(w));
    EXPECT_EQ(driver.height, uint32_t(h));
    EXPECT_EQ(PictureMismatches(driver.pixelformat, t->subtype, w, h, bytes, seed), 0)
        << DSFourccText(driver.pixelformat).toStdString() << " to " << DSGuidName(t->subtype).toStdString() << " " << w
        << "x" << h;
    EXPECT_EQ(fake_->liveMappings_, 0);
    streamed.insert(driver.pixelformat);
  }
  EXPECT_EQ(camera_->CapturePin()->FramesDropped(), 0);
  // Every format of the capture node that the filter can use was read.
  std::set<uint32_t> usable;
  for (const auto& i : Profile().intervals) usable.insert(i.fourcc);
  for (const auto& st : Profile().stepwise) usable.insert(st.fourcc);
  std::erase_if(usable, [](uint32_t f) { return DSSubtypesFromFourcc(f).empty(); });
  EXPECT_EQ(streamed, usable);
}

// A driver buffer shorter than the picture (bytesused cut by a USB hiccup)
// is dropped and counted without being read past its end; the next whole
// frame shows.
TEST_P(CameraProfileTest, AShortFrameIsDroppedAndCountedAndTheNextOneShown) {
  ASSERT_EQ(Open(Profile().nodes.at(0).path, &camera_), S_OK);
  const auto types = OfferedTypes();
  ASSERT_FALSE(types.empty());
  v4l2_pix_format driver{};
  ASSERT_TRUE(Start(types[0], &driver));
  const std::vector<uint8_t> good = MakeCameraFrame(driver, 5);
  ASSERT_FALSE(good.empty());
  // The last row lacks its final byte: all but one byte of the picture.
  const size_t picture =
      driver.bytesperline ? size_t(driver.bytesperline) * (driver.height - 1) + driver.width : good.size() / 2;
  fake_->Push({good, uint32_t(picture - 1), 0, false});
  ASSERT_TRUE(fake_->WaitRequeued(1));
  EXPECT_EQ(camera_->CapturePin()->FramesDropped(), 1);
  EXPECT_EQ(camera_->CapturePin()->FramesShort(), 1);
  fake_->PushBytes(good);
  const std::vector<uint8_t> shown = RenderedBytes(0);
  EXPECT_EQ(shown.size(), DSBitmapHeader(types[0].Get())->biSizeImage);
  EXPECT_EQ(PictureMismatches(driver.pixelformat, types[0]->subtype, int(driver.width), int(driver.height), shown, 5),
            0);
}

TEST_P(CameraProfileTest, OnlyNodesThatShowAPictureAreListedAsCameras) {
  std::vector<TDSVideoNode> nodes;
  for (const auto& n : Profile().nodes) nodes.push_back({n.path, ""});
  const auto cameras = DSDescribeCameras(*fake_, nodes);
  std::set<QString> listed;
  for (const auto& c : cameras) listed.insert(c.DevicePath);
  EXPECT_EQ(listed.size(), cameras.size());
  for (const auto& n : Profile().nodes) {
    TIntf<TDSV4L2CaptureFilter> filter;
    const bool opens = Open(n.path, &filter) == S_OK;
    // A node is a camera exactly when the filter can show its picture.
    EXPECT_EQ(listed.count(QString::fromStdString(n.path)) == 1, opens) << n.path;
    if (n.caps & V4L2_CAP_META_CAPTURE) {
      EXPECT_FALSE(opens) << n.path;
    }
  }
  EXPECT_FALSE(cameras.empty());
}

TEST_P(CameraProfileTest, ControlReadsThatFailLeaveTheCameraUsable) {
  ASSERT_EQ(Open(Profile().nodes.at(0).path, &camera_), S_OK);
  std::vector<TDSCameraControl> controls;
  const HRESULT listed = camera_->GetControls(&controls);
  if (Profile().controlReadError) {
    EXPECT_EQ(listed, DSErrnoResult(Profile().controlReadError));
    EXPECT_TRUE(controls.empty());
    int32_t value = 0, flags = 0;
    EXPECT_TRUE(FAILED(camera_->Get(VideoProcAmp_Brightness, &value, &flags)));
  } else {
    EXPECT_EQ(listed, S_OK);
    EXPECT_EQ(controls.size(), Profile().controls.size());
  }
  // Whatever the controls did, the camera streams.
  const auto types = OfferedTypes();
  ASSERT_FALSE(types.empty());
  v4l2_pix_format driver{};
  EXPECT_EQ(StreamOne(types[0], 9, &driver).size(), DSBitmapHeader(types[0].Get())->biSizeImage);
}

std::string ProfileName(const ::testing::TestParamInfo<size_t>& info) { return ProfileAt(info.param).name; }

INSTANTIATE_TEST_SUITE_P(Cameras, CameraProfileTest, ::testing::Range<size_t>(0, CameraProfiles().size()), ProfileName);

}  // namespace
}  // namespace lumicar::camtest
