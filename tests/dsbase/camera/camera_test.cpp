// The camera filter against the scripted document camera, without
// streaming: what it offers, how it adopts a format, the picture controls,
// the full control list, the dialogs, naming the cameras, and frame
// unpacking of good and bad driver buffers.

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <mutex>

#include "dsbase/camera/camera_dialogs.h"
#include "dsbase/camera/camera_identity.h"
#include "dsbase/camera/camera_media_type.h"
#include "dsbase/camera/frame_unpacker.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/camera/v4l2_capture_pin.h"
#include "dsbase/com/task_memory.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info.h"
#include "testing/camera/camera_profiles.h"
#include "testing/camera/fake_v4l2_device.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar::camtest {
namespace {

using dstest::DSLeakCheck;

class CameraTest : public DSLeakCheck {
 protected:
  void SetUp() override {
    DSLeakCheck::SetUp();
    fake_ = std::make_shared<TFakeV4L2Device>();
  }
  void TearDown() override {
    camera_.reset();
    EXPECT_EQ(fake_->openFds_, 0);
    DSLeakCheck::TearDown();
  }
  void Open() {
    TDSV4L2CaptureFilter* f = nullptr;
    ASSERT_EQ(TDSV4L2CaptureFilter::Create(fake_, "/dev/video0", QStringLiteral("Document Camera"), &f), S_OK);
    camera_ = TIntf<TDSV4L2CaptureFilter>::Adopt(f);
  }
  IAMStreamConfig* Config() { return camera_->CapturePin(); }
  struct TCap {
    TDSMediaType mt;
    VIDEO_STREAM_CONFIG_CAPS caps;
  };
  std::vector<TCap> AllCaps() {
    int count = 0, size = 0;
    EXPECT_EQ(Config()->GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_EQ(size, int(sizeof(VIDEO_STREAM_CONFIG_CAPS)));
    std::vector<TCap> all;
    for (int i = 0; i < count; ++i) {
      AM_MEDIA_TYPE* mt = nullptr;
      TCap c;
      EXPECT_EQ(Config()->GetStreamCaps(i, &mt, reinterpret_cast<uint8_t*>(&c.caps)), S_OK);
      c.mt = TDSMediaType(*mt);
      LPDSDeleteMediaType(mt);
      all.push_back(std::move(c));
    }
    return all;
  }
  std::shared_ptr<TFakeV4L2Device> fake_;
  TIntf<TDSV4L2CaptureFilter> camera_;
};

int Width(const AM_MEDIA_TYPE& mt) { return DSBitmapHeader(mt)->biWidth; }
int Height(const AM_MEDIA_TYPE& mt) { return DSBitmapHeader(mt)->biHeight; }
int64_t Interval(const AM_MEDIA_TYPE& mt) {
  return reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->AvgTimePerFrame;
}

TEST_F(CameraTest, OffersEverySizeInNativeAndDecodedFormats) {
  Open();
  const auto all = AllCaps();
  // 640 × 480 (the current size) first: YUY2 native, then RGB24 from MJPEG;
  // then 1600 × 1200 the same way.
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0].mt->subtype, MEDIASUBTYPE_YUY2);
  EXPECT_EQ(Width(all[0].mt.Get()), 640);
  EXPECT_EQ(all[1].mt->subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(Height(all[1].mt.Get()), 480);  // bottom-up RGB
  EXPECT_EQ(all[2].mt->subtype, MEDIASUBTYPE_YUY2);
  EXPECT_EQ(Width(all[2].mt.Get()), 1600);
  // YUY2 at 1600 × 1200 reaches 30 fps (through MJPEG) down to 7 fps (YUYV).
  EXPECT_EQ(all[2].caps.MinFrameInterval, 333333);
  EXPECT_EQ(all[2].caps.MaxFrameInterval, 1428571);
  EXPECT_EQ(all[2].caps.MaxOutputSize.cx, 1600);
  EXPECT_EQ(all[2].caps.guid, FORMAT_VideoInfo);
  EXPECT_EQ(Interval(all[2].mt.Get()), 333333);
  EXPECT_EQ(DSBitmapHeader(all[2].mt.Get())->biSizeImage, 1600u * 1200 * 2);
  EXPECT_EQ(all[3].mt->subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(DSBitmapHeader(all[3].mt.Get())->biSizeImage, 1600u * 1200 * 3);
  EXPECT_GT(all[2].caps.MaxBitsPerSecond, all[2].caps.MinBitsPerSecond);
  // The pin enumerates the same types and accepts exactly those.
  TDSV4L2CapturePin* pin = camera_->CapturePin();
  EXPECT_EQ(pin->CheckMediaType(&all[3].mt.Get()), S_OK);
  TDSMediaType odd = DSCameraMediaType(MEDIASUBTYPE_YUY2, 800, 600, 333333);
  EXPECT_EQ(pin->CheckMediaType(&odd.Get()), VFW_E_TYPE_NOT_ACCEPTED);
  TDSMediaType tooFast = DSCameraMediaType(MEDIASUBTYPE_YUY2, 1600, 1200, 100000);
  EXPECT_EQ(pin->CheckMediaType(&tooFast.Get()), VFW_E_TYPE_NOT_ACCEPTED);
}

TEST_F(CameraTest, DriverNonsenseIsSkippedBeforeAnyArithmetic) {
  fake_->intervals_ = {{V4L2_PIX_FMT_YUYV, 0, 480, 1, 30},
                       {V4L2_PIX_FMT_YUYV, 640, 480, 0, 0},
                       {V4L2_PIX_FMT_YUYV, 100000, 5, 1, 30},
                       {V4L2_PIX_FMT_YUYV, 641, 480, 1, 30},
                       {DSMakeFourCC('H', '2', '6', '4'), 640, 480, 1, 30},
                       {V4L2_PIX_FMT_NV12, 320, 240, 1, 30}};
  Open();
  const auto all = AllCaps();
  // 640 × 480 YUYV without a usable interval runs at the driver's current
  // rate; NV12 320 × 240 is offered as YUY2 the filter makes itself.
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(Width(all[0].mt.Get()), 640);
  EXPECT_EQ(Interval(all[0].mt.Get()), 333333);
  EXPECT_EQ(all[1].mt->subtype, MEDIASUBTYPE_YUY2);
  EXPECT_EQ(Width(all[1].mt.Get()), 320);
}

// A range with a step of one pixel holds odd sizes, which 4:2:0 cannot have:
// they are not offered, and asking for one gives the nearest even size.
TEST_F(CameraTest, StepwiseSizesAreOfferedOnlyWhereTheirFormatCanHaveThem) {
  fake_->intervals_.clear();
  fake_->stepwise_ = {{V4L2_PIX_FMT_NV12, {63, 1281, 1, 63, 721, 1}, 1, 30}};
  fake_->ResetFormat();
  Open();
  const auto all = AllCaps();
  ASSERT_FALSE(all.empty());
  for (const TCap& c : all) {
    const int w = Width(c.mt.Get()), h = Height(c.mt.Get());
    EXPECT_TRUE(w % 2 == 0 && h % 2 == 0 && w >= 63 && w <= 1281 && h >= 63 && h <= 721) << w << "x" << h;
  }
  TDSMediaType odd = DSCameraMediaType(MEDIASUBTYPE_YUY2, 1281, 721, 333333);
  EXPECT_EQ(camera_->CapturePin()->CheckMediaType(&odd.Get()), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(Config()->SetFormat(&odd.Get()), S_FALSE);
  AM_MEDIA_TYPE* got = nullptr;
  ASSERT_EQ(Config()->GetFormat(&got), S_OK);
  EXPECT_EQ(Width(*got) % 2, 0);
  EXPECT_EQ(Height(*got) % 2, 0);
  LPDSDeleteMediaType(got);
}

std::mutex gCameraLogLock;
std::vector<QString> gCameraLog;

void RecordCameraLog(QtMsgType, const QMessageLogContext& context, const QString& message) {
  if (QLatin1String(context.category) != QLatin1String("lumicar.camera")) return;
  std::lock_guard guard(gCameraLogLock);
  gCameraLog.push_back(message);
}

// The camera layer's lines that name `text`, taken out of the record.
std::vector<QString> TakeCameraLog(const QString& text) {
  std::lock_guard guard(gCameraLogLock);
  std::vector<QString> found;
  for (const QString& line : gCameraLog)
    if (line.contains(text)) found.push_back(line);
  gCameraLog.clear();
  return found;
}

// A webcam that lists H.264 beside YUYV and MJPEG: the filter offers the
// others and says once that H.264 is skipped; its second node, which
// streams only H.264, is not listed as a camera, said once as well.
TEST_F(CameraTest, H264IsSkippedWithOneLogLineAndAnH264OnlyNodeIsNoCamera) {
  ApplyCameraProfile(*fake_, WebcamProfile());
  const QtMessageHandler previous = qInstallMessageHandler(&RecordCameraLog);
  Open();
  const std::vector<QString> opened = TakeCameraLog(QStringLiteral("H264"));
  std::vector<TDSVideoNode> nodes;
  for (const auto& n : fake_->nodes_) nodes.push_back({n.path, ""});
  const auto cams = DSDescribeCameras(*fake_, nodes);
  const std::vector<QString> described = TakeCameraLog(QStringLiteral("H264"));
  qInstallMessageHandler(previous);

  EXPECT_EQ(opened.size(), 1u);
  for (const TCap& c : AllCaps())
    EXPECT_TRUE(c.mt->subtype == MEDIASUBTYPE_YUY2 || c.mt->subtype == MEDIASUBTYPE_RGB24);
  ASSERT_EQ(cams.size(), 1u);
  EXPECT_EQ(cams[0].DevicePath, QStringLiteral("/dev/video0"));
  ASSERT_EQ(described.size(), 1u);
  EXPECT_TRUE(described[0].contains(QStringLiteral("/dev/video2"))) << described[0].toStdString();
}

TEST_F(CameraTest, NothingUsableOrNoCaptureNodeGivesNoFilter) {
  TDSV4L2CaptureFilter* f = nullptr;
  fake_->nodes_[0].caps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
  EXPECT_EQ(TDSV4L2CaptureFilter::Create(fake_, "/dev/video0", QStringLiteral("Meta"), &f), VFW_E_NOT_FOUND);
  fake_->nodes_[0].caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
  fake_->intervals_ = {{DSMakeFourCC('H', '2', '6', '4'), 640, 480, 1, 30}};
  EXPECT_EQ(TDSV4L2CaptureFilter::Create(fake_, "/dev/video0", QStringLiteral("H264"), &f), VFW_E_NO_ACCEPTABLE_TYPES);
  EXPECT_EQ(TDSV4L2CaptureFilter::Create(fake_, "/dev/video9", QStringLiteral("Gone"), &f), DSErrnoResult(ENOENT));
  EXPECT_EQ(f, nullptr);
}

TEST_F(CameraTest, SetFormatAdoptsExactOrNearestAndSaysWhich) {
  Open();
  TDSV4L2CapturePin* pin = camera_->CapturePin();
  TDSMediaType want = DSCameraMediaType(MEDIASUBTYPE_YUY2, 1600, 1200, 333333);
  EXPECT_EQ(Config()->SetFormat(&want.Get()), S_OK);
  AM_MEDIA_TYPE* got = nullptr;
  ASSERT_EQ(Config()->GetFormat(&got), S_OK);
  EXPECT_TRUE(DSIsEqualMediaType(*got, want.Get()));
  LPDSDeleteMediaType(got);
  // After SetFormat the pin offers that type alone.
  TDSMediaType first;
  EXPECT_EQ(pin->GetMediaType(0, &first.Get()), S_OK);
  EXPECT_TRUE(DSIsEqualMediaType(first.Get(), want.Get()));
  TDSMediaType second;
  EXPECT_EQ(pin->GetMediaType(1, &second.Get()), VFW_S_NO_MORE_ITEMS);

  // 60 fps at 1600 × 1200 and a size the camera lacks: the nearest, S_FALSE.
  TDSMediaType fast = DSCameraMediaType(MEDIASUBTYPE_YUY2, 1600, 1200, 166667);
  EXPECT_EQ(Config()->SetFormat(&fast.Get()), S_FALSE);
  ASSERT_EQ(Config()->GetFormat(&got), S_OK);
  EXPECT_EQ(Interval(*got), 333333);
  LPDSDeleteMediaType(got);
  TDSMediaType odd = DSCameraMediaType(MEDIASUBTYPE_RGB24, 1500, 1100, 0);
  EXPECT_EQ(Config()->SetFormat(&odd.Get()), S_FALSE);
  ASSERT_EQ(Config()->GetFormat(&got), S_OK);
  EXPECT_EQ(Width(*got), 1600);
  EXPECT_EQ(got->subtype, MEDIASUBTYPE_RGB24);
  LPDSDeleteMediaType(got);

  // Subtypes it cannot make, and types that are no video, are refused.
  TDSMediaType uyvy = DSCameraMediaType(MEDIASUBTYPE_UYVY, 640, 480, 0);
  EXPECT_EQ(Config()->SetFormat(&uyvy.Get()), VFW_E_INVALIDMEDIATYPE);
  TDSMediaType bare;
  bare->majortype = MEDIATYPE_Video;
  bare->subtype = MEDIASUBTYPE_YUY2;
  EXPECT_EQ(Config()->SetFormat(&bare.Get()), VFW_E_INVALIDMEDIATYPE);
  EXPECT_EQ(Config()->SetFormat(nullptr), S_OK);  // back to the camera's choice
  EXPECT_EQ(pin->GetMediaType(1, &second.Get()), S_OK);
}

TEST_F(CameraTest, PictureControlsMapToV4L2WithTheirAutomaticCompanions) {
  Open();
  int32_t min, max, step, def, caps;
  ASSERT_EQ(camera_->GetRange(VideoProcAmp_Brightness, &min, &max, &step, &def, &caps), S_OK);
  EXPECT_EQ(min, -64);
  EXPECT_EQ(max, 64);
  EXPECT_EQ(caps, VideoProcAmp_Flags_Manual);
  ASSERT_EQ(camera_->GetRange(VideoProcAmp_WhiteBalance, &min, &max, &step, &def, &caps), S_OK);
  EXPECT_EQ(def, 4600);
  EXPECT_EQ(caps, VideoProcAmp_Flags_Manual | VideoProcAmp_Flags_Auto);
  // Controls the camera lacks, and numbers outside the ten.
  int32_t value, flags;
  EXPECT_EQ(camera_->GetRange(VideoProcAmp_Hue, &min, &max, &step, &def, &caps), E_PROP_ID_UNSUPPORTED);
  EXPECT_EQ(camera_->Get(VideoProcAmp_Gamma, &value, &flags), E_PROP_ID_UNSUPPORTED);
  EXPECT_EQ(camera_->Set(42, 1, VideoProcAmp_Flags_Manual), E_PROP_ID_UNSUPPORTED);

  ASSERT_EQ(camera_->Get(VideoProcAmp_WhiteBalance, &value, &flags), S_OK);
  EXPECT_EQ(flags, VideoProcAmp_Flags_Auto);
  // A manual value switches the automatic control off first.
  ASSERT_EQ(camera_->Set(VideoProcAmp_WhiteBalance, 3200, VideoProcAmp_Flags_Manual), S_OK);
  EXPECT_EQ(fake_->controls_[V4L2_CID_AUTO_WHITE_BALANCE], 0);
  ASSERT_EQ(camera_->Get(VideoProcAmp_WhiteBalance, &value, &flags), S_OK);
  EXPECT_EQ(value, 3200);
  EXPECT_EQ(flags, VideoProcAmp_Flags_Manual);
  ASSERT_EQ(camera_->Set(VideoProcAmp_WhiteBalance, 0, VideoProcAmp_Flags_Auto), S_OK);
  EXPECT_EQ(fake_->controls_[V4L2_CID_AUTO_WHITE_BALANCE], 1);
  // Gain has no automatic companion here; the value is sent unclamped.
  EXPECT_EQ(camera_->Set(VideoProcAmp_Gain, 0, VideoProcAmp_Flags_Auto), E_INVALIDARG);
  EXPECT_EQ(camera_->Set(VideoProcAmp_Brightness, 500, VideoProcAmp_Flags_Manual), E_INVALIDARG);
  EXPECT_EQ(camera_->Set(VideoProcAmp_BacklightCompensation, 2, VideoProcAmp_Flags_Manual), S_OK);
  EXPECT_EQ(fake_->controls_[V4L2_CID_BACKLIGHT_COMPENSATION], 2);
}

TEST_F(CameraTest, ControlListCarriesMenusAndResetsToDefaults) {
  Open();
  std::vector<TDSCameraControl> list;
  ASSERT_EQ(camera_->GetControls(&list), S_OK);
  ASSERT_EQ(list.size(), 7u);
  const auto find = [&](uint32_t id) {
    for (const auto& c : list)
      if (c.id == id) return c;
    return TDSCameraControl{};
  };
  const TDSCameraControl menu = find(V4L2_CID_POWER_LINE_FREQUENCY);
  EXPECT_EQ(menu.kind, TDSCameraControl::ckMenu);
  ASSERT_EQ(menu.menu.size(), 3u);
  EXPECT_EQ(menu.menu[1].second, QStringLiteral("50 Hz"));
  EXPECT_EQ(find(V4L2_CID_AUTO_WHITE_BALANCE).kind, TDSCameraControl::ckBoolean);
  EXPECT_TRUE(find(V4L2_CID_WHITE_BALANCE_TEMPERATURE).inactive);
  ASSERT_EQ(camera_->SetControl(V4L2_CID_CONTRAST, 80), S_OK);
  ASSERT_EQ(camera_->SetControl(V4L2_CID_AUTO_WHITE_BALANCE, 0), S_OK);
  ASSERT_EQ(camera_->SetControl(V4L2_CID_WHITE_BALANCE_TEMPERATURE, 3000), S_OK);
  EXPECT_EQ(camera_->ResetControls(), S_OK);
  int32_t value = 0;
  ASSERT_EQ(camera_->GetControl(V4L2_CID_CONTRAST, &value), S_OK);
  EXPECT_EQ(value, 32);
  EXPECT_EQ(fake_->controls_[V4L2_CID_AUTO_WHITE_BALANCE], 1);
  // A camera that is gone has no list, rather than an empty one.
  fake_->Unplug();
  EXPECT_EQ(camera_->GetControls(&list), DSErrnoResult(ENODEV));
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(camera_->ResetControls(), DSErrnoResult(ENODEV));
}

HRESULT RecordingPresenter(IUnknown* camera, QWidget*) { return camera ? S_OK : E_POINTER; }

TEST_F(CameraTest, OnlyTheSourceDialogAndOnlyWithAPresenter) {
  Open();
  CAUUID pages;
  DSSetCameraDialogPresenter(nullptr);
  EXPECT_EQ(camera_->HasDialog(VfwCaptureDialog_Source), S_FALSE);
  EXPECT_EQ(camera_->ShowDialog(VfwCaptureDialog_Source, nullptr), E_INVALIDARG);
  ASSERT_EQ(camera_->GetPages(&pages), S_OK);
  EXPECT_EQ(pages.cElems, 0u);
  DSSetCameraDialogPresenter(&RecordingPresenter);
  EXPECT_EQ(camera_->HasDialog(VfwCaptureDialog_Source), S_OK);
  EXPECT_EQ(camera_->HasDialog(VfwCaptureDialog_Format), S_FALSE);
  EXPECT_EQ(camera_->HasDialog(VfwCaptureDialog_Display), S_FALSE);
  EXPECT_EQ(camera_->ShowDialog(VfwCaptureDialog_Source, nullptr), S_OK);
  EXPECT_EQ(camera_->ShowDialog(VfwCaptureDialog_Format, nullptr), E_INVALIDARG);
  ASSERT_EQ(camera_->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 1u);
  EXPECT_EQ(pages.pElems[0], CLSID_CameraPropertyPage);
  CoTaskMemFree(pages.pElems);
  DSSetCameraDialogPresenter(nullptr);
}

TEST_F(CameraTest, CamerasAreNamedStablyAndMetadataNodesSkipped) {
  fake_->nodes_ = {{"/dev/video0", "Document Camera", "usb-1", V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING},
                   {"/dev/video1", "Document Camera", "usb-1", V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING},
                   {"/dev/video2", "Document Camera", "usb-2", V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING},
                   {"/dev/video3", "Webcam", "usb-3", V4L2_CAP_VIDEO_CAPTURE}};
  const auto cams = DSDescribeCameras(*fake_, {{"/dev/video0", "usb-Maker_Doc-video-index0"},
                                               {"/dev/video1", "usb-Maker_Doc-video-index1"},
                                               {"/dev/video2", ""},
                                               {"/dev/video3", ""},
                                               {"/dev/video4", ""}});
  ASSERT_EQ(cams.size(), 2u);
  EXPECT_EQ(cams[0].FriendlyName, QStringLiteral("Document Camera"));
  EXPECT_EQ(cams[0].Id, QStringLiteral("usb-Maker_Doc-video-index0"));
  EXPECT_EQ(cams[1].FriendlyName, QStringLiteral("Document Camera (2)"));
  EXPECT_EQ(cams[1].Id, QStringLiteral("usb-2/Document Camera"));
  EXPECT_EQ(cams[1].DevicePath, QStringLiteral("/dev/video2"));
}

// Without udev the nodes come from the sysfs class directory: only video
// nodes (not VBI or sub-devices), in node-number order, not name order. No
// by-id link can point at a node this machine lacks, so none is given.
TEST(CameraNodes, WithoutUdevTheClassDirectoryListsVideoNodesInNumberOrder) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  QDir dir(root.path());
  ASSERT_TRUE(dir.mkpath(QStringLiteral("devices/usb1")) && dir.mkpath(QStringLiteral("class")) &&
              dir.mkpath(QStringLiteral("by-id")));
  // sysfs class entries are links to the devices' directories.
  for (const char* name : {"video10", "video2", "vbi0", "v4l-subdev0", "video0"})
    ASSERT_TRUE(QFile::link(root.filePath(QStringLiteral("devices/usb1")),
                            root.filePath(QStringLiteral("class/") + QLatin1String(name))));
  ASSERT_TRUE(
      QFile::link(QStringLiteral("/dev/video0"), root.filePath(QStringLiteral("by-id/usb-Maker_Doc-video-index0"))));
  const auto nodes = DSListVideoNodesFromSys(root.filePath(QStringLiteral("class")).toStdString(),
                                             root.filePath(QStringLiteral("by-id")).toStdString());
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes[0].devnode, "/dev/video0");
  EXPECT_EQ(nodes[1].devnode, "/dev/video2");
  EXPECT_EQ(nodes[2].devnode, "/dev/video10");
  for (const auto& n : nodes) EXPECT_EQ(n.byId, "");
  EXPECT_TRUE(DSListVideoNodesFromSys(root.filePath(QStringLiteral("absent")).toStdString(), "").empty());
}

// Unpacks one driver buffer of `fourcc` into a sample of `subtype`.
struct TUnpack {
  TUnpack(uint32_t fourcc, const TGUID& subtype, int w, int h, uint32_t bytesPerLine = 0) {
    v4l2_pix_format in{};
    in.width = uint32_t(w);
    in.height = uint32_t(h);
    in.pixelformat = fourcc;
    in.bytesperline = bytesPerLine;
    type = DSCameraMediaType(subtype, w, h, 333333);
    prepared = unpacker.Prepare(in, type.Get());
    out.assign(DSBitmapHeader(type.Get())->biSizeImage + 16, 0xEE);
  }
  TDSUnpackResult Run(const std::vector<uint8_t>& src) {
    return unpacker.Unpack(src.data(), src.size(), out.data(), out.size() - 16);
  }
  bool GuardIntact() const {
    return std::all_of(out.end() - 16, out.end(), [](uint8_t b) { return b == 0xEE; });
  }
  TDSMediaType type;
  TDSFrameUnpacker unpacker;
  bool prepared;
  std::vector<uint8_t> out;
};

TEST_F(CameraTest, MjpegDecodesToYuy2AndBottomUpRgbEvenWithoutHuffmanTables) {
  const std::vector<uint8_t> jpeg = MakeJpeg(64, 32, true);
  TUnpack yuy2(V4L2_PIX_FMT_MJPEG, MEDIASUBTYPE_YUY2, 64, 32);
  ASSERT_TRUE(yuy2.prepared);
  ASSERT_EQ(yuy2.Run(jpeg), TDSUnpackResult::ok);
  // Compare with the library's own planar decode, packed by hand.
  tjhandle h = tjInitDecompress();
  std::vector<uint8_t> y(64 * 32), u(32 * 32), v(32 * 32);
  unsigned char* planes[3] = {y.data(), u.data(), v.data()};
  int strides[3] = {64, 32, 32};
  ASSERT_EQ(tjDecompressToYUVPlanes(h, jpeg.data(), jpeg.size(), planes, 64, strides, 32, 0), 0);
  tjDestroy(h);
  for (int r = 0; r < 32; ++r)
    for (int i = 0; i < 32; ++i) {
      const uint8_t* p = &yuy2.out[size_t(r) * 128 + 4 * i];
      ASSERT_EQ(p[0], y[r * 64 + 2 * i]);
      ASSERT_EQ(p[1], u[r * 32 + i]);
      ASSERT_EQ(p[2], y[r * 64 + 2 * i + 1]);
      ASSERT_EQ(p[3], v[r * 32 + i]);
    }
  TUnpack rgb(V4L2_PIX_FMT_MJPEG, MEDIASUBTYPE_RGB24, 64, 32);
  ASSERT_EQ(rgb.Run(jpeg), TDSUnpackResult::ok);
  // The dark block is in the picture's top-left: the last row of a bottom-up bitmap.
  EXPECT_LT(rgb.out[size_t(31) * 192 + 4], 60);
  EXPECT_GT(rgb.out[4], 150);  // bottom row: bright green
  EXPECT_TRUE(rgb.GuardIntact());
}

TEST_F(CameraTest, BadFramesAreRefusedAndNothingIsWrittenPastTheSample) {
  const std::vector<uint8_t> good = MakeJpeg(64, 32);
  TUnpack u(V4L2_PIX_FMT_MJPEG, MEDIASUBTYPE_YUY2, 64, 32);
  std::vector<uint8_t> truncated(good.begin(), good.begin() + ptrdiff_t(good.size() / 2));
  std::vector<uint8_t> corrupt = good;
  for (size_t i = 20; i < corrupt.size() - 2; i += 7) corrupt[i] ^= 0x5A;
  EXPECT_EQ(u.Run(truncated), TDSUnpackResult::corrupt);
  EXPECT_EQ(u.Run(corrupt), TDSUnpackResult::corrupt);
  EXPECT_EQ(u.Run({0xFF, 0xD8}), TDSUnpackResult::shortBuffer);
  EXPECT_EQ(u.Run(MakeJpeg(128, 32)), TDSUnpackResult::corrupt);  // another size than agreed
  // The decoder recovers: the next good frame decodes.
  EXPECT_EQ(u.Run(good), TDSUnpackResult::ok) << u.unpacker.LastError();
  EXPECT_TRUE(u.GuardIntact());
  EXPECT_EQ(u.unpacker.Unpack(good.data(), good.size(), u.out.data(), 100), TDSUnpackResult::shortBuffer);

  TUnpack yuyv(V4L2_PIX_FMT_YUYV, MEDIASUBTYPE_YUY2, 64, 32);
  std::vector<uint8_t> frame = MakeYuyv(64, 32, 3);
  frame.resize(frame.size() - 1);
  EXPECT_EQ(yuyv.Run(frame), TDSUnpackResult::shortBuffer);
  EXPECT_TRUE(yuyv.GuardIntact());
  // A line length the frame cannot have is refused when streaming starts.
  TUnpack narrow(V4L2_PIX_FMT_YUYV, MEDIASUBTYPE_YUY2, 64, 32, 100);
  EXPECT_FALSE(narrow.prepared);
  TUnpack wrong(V4L2_PIX_FMT_YUYV, MEDIASUBTYPE_RGB24, 64, 32);
  EXPECT_FALSE(wrong.prepared);
}

TEST_F(CameraTest, SemiPlanarAndPlanarRepackToYuy2WithPaddedLines) {
  // 4 × 2 pixels, lines padded to 8 bytes.
  const std::vector<uint8_t> nv12 = {10, 11, 12, 13, 0,   0,   0,   0,   20, 21, 22, 23,
                                     0,  0,  0,  0,  100, 200, 101, 201, 0,  0,  0,  0};
  TUnpack n(V4L2_PIX_FMT_NV12, MEDIASUBTYPE_YUY2, 4, 2, 8);
  ASSERT_TRUE(n.prepared);
  ASSERT_EQ(n.Run(nv12), TDSUnpackResult::ok);
  const std::vector<uint8_t> wantNv12 = {10, 100, 11, 200, 12, 101, 13, 201, 20, 100, 21, 200, 22, 101, 23, 201};
  EXPECT_TRUE(std::equal(wantNv12.begin(), wantNv12.end(), n.out.begin()));
  const std::vector<uint8_t> yu12 = {10, 11, 12, 13, 0,   0,   0, 0, 20,  21,  22, 23,
                                     0,  0,  0,  0,  100, 101, 0, 0, 200, 201, 0,  0};
  TUnpack p(V4L2_PIX_FMT_YUV420, MEDIASUBTYPE_YUY2, 4, 2, 8);
  ASSERT_EQ(p.Run(yu12), TDSUnpackResult::ok);
  EXPECT_TRUE(std::equal(wantNv12.begin(), wantNv12.end(), p.out.begin()));
  EXPECT_EQ(p.Run({1, 2, 3}), TDSUnpackResult::shortBuffer);
  EXPECT_TRUE(p.GuardIntact());
}

}  // namespace
}  // namespace lumicar::camtest
