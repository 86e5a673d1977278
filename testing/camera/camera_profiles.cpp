#include "testing/camera/camera_profiles.h"

#include <cerrno>

namespace lumicar::camtest {

namespace {

using TControl = TFakeV4L2Device::TControl;

constexpr uint32_t kCapture = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
constexpr uint32_t kMetadata = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;

// UVC picture controls as most webcams report them.
std::vector<TControl> UvcControls() {
  const std::vector<std::string> powerLine = {"Disabled", "50 Hz", "60 Hz"};
  return {{V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", 0, 255, 128, 0},
          {V4L2_CID_CONTRAST, V4L2_CTRL_TYPE_INTEGER, "Contrast", 0, 255, 128, 0},
          {V4L2_CID_SATURATION, V4L2_CTRL_TYPE_INTEGER, "Saturation", 0, 255, 128, 0},
          {V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Auto", 0, 1, 1, 0},
          {V4L2_CID_GAIN, V4L2_CTRL_TYPE_INTEGER, "Gain", 0, 255, 0, 0},
          {V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CTRL_TYPE_MENU, "Power Line Frequency", 0, 2, 2, 0, 0, powerLine},
          {V4L2_CID_WHITE_BALANCE_TEMPERATURE,
           V4L2_CTRL_TYPE_INTEGER,
           "White Balance Temperature",
           2000,
           6500,
           4000,
           V4L2_CID_AUTO_WHITE_BALANCE,
           0,
           {},
           10},
          {V4L2_CID_SHARPNESS, V4L2_CTRL_TYPE_INTEGER, "Sharpness", 0, 255, 128, 0}};
}

TCameraProfile MakeDocumentCamera() {
  TCameraProfile p;
  p.name = "DocumentCamera";
  p.nodes = {{"/dev/video0"}};
  p.intervals = {{V4L2_PIX_FMT_YUYV, 640, 480, 1, 30},    {V4L2_PIX_FMT_YUYV, 640, 480, 1, 15},
                 {V4L2_PIX_FMT_YUYV, 1600, 1200, 1, 7},   {V4L2_PIX_FMT_MJPEG, 640, 480, 1, 30},
                 {V4L2_PIX_FMT_MJPEG, 1600, 1200, 1, 30}, {V4L2_PIX_FMT_MJPEG, 1600, 1200, 1, 15}};
  const std::vector<std::string> powerLine = {"Disabled", "50 Hz", "60 Hz"};
  p.controls = {{V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 0, 0},
                {V4L2_CID_CONTRAST, V4L2_CTRL_TYPE_INTEGER, "Contrast", 0, 95, 32, 0},
                {V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Auto", 0, 1, 1, 0},
                {V4L2_CID_GAIN, V4L2_CTRL_TYPE_INTEGER, "Gain", 0, 100, 10, 0},
                {V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CTRL_TYPE_MENU, "Power Line Frequency", 0, 2, 1, 0, 0, powerLine},
                {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CTRL_TYPE_INTEGER, "White Balance Temperature", 2800, 6500,
                 4600, V4L2_CID_AUTO_WHITE_BALANCE},
                {V4L2_CID_BACKLIGHT_COMPENSATION, V4L2_CTRL_TYPE_INTEGER, "Backlight Compensation", 0, 2, 1, 0}};
  return p;
}

TCameraProfile MakeWebcam() {
  TCameraProfile p;
  p.name = "Webcam1080p";
  const uint32_t h264 = V4L2_PIX_FMT_H264;
  const std::string card = "HD Webcam", bus = "usb-0000:00:14.0-2";
  p.nodes = {{"/dev/video0", card, bus, kCapture},
             {"/dev/video1", card, bus, kMetadata},
             {"/dev/video2", card, bus, kCapture, {{h264, 1920, 1080, 1, 30}, {h264, 1280, 720, 1, 30}}},
             {"/dev/video3", card, bus, kMetadata}};
  for (const auto& [w, h] : std::vector<std::pair<uint32_t, uint32_t>>{{640, 480}, {160, 120}, {320, 240}, {640, 360}})
    for (uint32_t rate : {30u, 15u}) p.intervals.push_back({V4L2_PIX_FMT_YUYV, w, h, 1, rate});
  p.intervals.push_back({V4L2_PIX_FMT_YUYV, 1280, 720, 1, 10});
  p.intervals.push_back({V4L2_PIX_FMT_YUYV, 1280, 720, 1, 5});
  for (const auto& [w, h] : std::vector<std::pair<uint32_t, uint32_t>>{{1920, 1080}, {1280, 720}, {640, 480}})
    p.intervals.push_back({V4L2_PIX_FMT_MJPEG, w, h, 1, 30});
  p.intervals.push_back({h264, 1920, 1080, 1, 30});
  p.controls = UvcControls();
  return p;
}

TCameraProfile MakeInfrared() {
  TCameraProfile p;
  p.name = "InfraredGrey";
  p.nodes = {{"/dev/video0", "IR Camera", "usb-0000:00:14.0-5", kCapture}};
  p.intervals = {{V4L2_PIX_FMT_GREY, 640, 360, 1, 30}, {V4L2_PIX_FMT_GREY, 640, 360, 1, 15}};
  // 640 × 360 bytes rounded up to whole 4 KiB pages.
  p.sizeImageSlack = 4096 - 640 * 360 % 4096;
  p.controls = {{V4L2_CID_GAIN, V4L2_CTRL_TYPE_INTEGER, "Gain", 0, 64, 16, 0}};
  return p;
}

TCameraProfile MakeIndustrial() {
  TCameraProfile p;
  p.name = "IndustrialNv12Stepwise";
  p.nodes = {{"/dev/video0", "Industrial Camera", "usb-0000:00:14.0-3", kCapture}};
  p.stepwise = {{V4L2_PIX_FMT_NV12, {64, 1936, 8, 64, 1216, 2}, 1, 30}};
  p.rowAlign = 64;
  p.controls = {{V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Exposure Time, Absolute", 1, 10000, 166, 0},
                {V4L2_CID_GAIN, V4L2_CTRL_TYPE_INTEGER, "Gain", 0, 480, 0, 0}};
  return p;
}

TCameraProfile MakeFaultyControls() {
  TCameraProfile p;
  p.name = "PaddedRowsControlReadsFail";
  p.nodes = {{"/dev/video0", "USB Camera", "usb-0000:00:14.0-4", kCapture}};
  // Full size at full rate only as YU12 (12 bits a pixel against YUYV's 16).
  p.intervals = {{V4L2_PIX_FMT_YUYV, 640, 480, 1, 15},
                 {V4L2_PIX_FMT_YUYV, 320, 240, 1, 30},
                 {V4L2_PIX_FMT_YUV420, 640, 480, 1, 30},
                 {V4L2_PIX_FMT_YUV420, 320, 240, 1, 30}};
  p.rowPadding = 32;
  p.sizeImageSlack = 512;
  p.controls = UvcControls();
  p.controlReadError = EIO;
  return p;
}

TCameraProfile MakeMetadataNode() {
  TCameraProfile p;
  p.name = "MetadataNode";
  const std::string card = "USB Video Camera", bus = "usb-0000:00:14.0-6";
  p.nodes = {{"/dev/video0", card, bus, kCapture}, {"/dev/video1", card, bus, kMetadata}};
  p.intervals = {{V4L2_PIX_FMT_YUYV, 640, 480, 1, 30},
                 {V4L2_PIX_FMT_YUYV, 1280, 720, 1, 10},
                 {V4L2_PIX_FMT_MJPEG, 1280, 720, 1, 30},
                 {V4L2_PIX_FMT_MJPEG, 640, 480, 1, 30}};
  p.sizeImageSlack = 4096;
  p.controls = UvcControls();
  return p;
}

TCameraProfile MakeDocumentCamera4K() {
  TCameraProfile p;
  p.name = "DocumentCamera4K";
  p.nodes = {{"/dev/video0", "4K Document Camera", "usb-0000:00:14.0-7", kCapture}};
  p.intervals = {{V4L2_PIX_FMT_MJPEG, 3840, 2160, 1, 30}, {V4L2_PIX_FMT_MJPEG, 3840, 2160, 1, 15},
                 {V4L2_PIX_FMT_MJPEG, 3264, 2448, 1, 30}, {V4L2_PIX_FMT_MJPEG, 3264, 2448, 1, 15},
                 {V4L2_PIX_FMT_MJPEG, 1920, 1080, 1, 30}, {V4L2_PIX_FMT_MJPEG, 640, 480, 1, 30},
                 {V4L2_PIX_FMT_YUYV, 640, 480, 1, 15},    {V4L2_PIX_FMT_YUYV, 1920, 1080, 1, 5}};
  p.controls = UvcControls();
  return p;
}

}  // namespace

const TCameraProfile& DocumentCamera4KProfile() {
  static const TCameraProfile p = MakeDocumentCamera4K();
  return p;
}

const TCameraProfile& DocumentCameraProfile() {
  static const TCameraProfile p = MakeDocumentCamera();
  return p;
}
const TCameraProfile& WebcamProfile() {
  static const TCameraProfile p = MakeWebcam();
  return p;
}
const TCameraProfile& InfraredCameraProfile() {
  static const TCameraProfile p = MakeInfrared();
  return p;
}
const TCameraProfile& IndustrialCameraProfile() {
  static const TCameraProfile p = MakeIndustrial();
  return p;
}
const TCameraProfile& FaultyControlsCameraProfile() {
  static const TCameraProfile p = MakeFaultyControls();
  return p;
}
const TCameraProfile& MetadataNodeCameraProfile() {
  static const TCameraProfile p = MakeMetadataNode();
  return p;
}

const std::vector<TCameraProfile>& CameraProfiles() {
  static const std::vector<TCameraProfile> all = {DocumentCameraProfile(),       WebcamProfile(),
                                                  InfraredCameraProfile(),       IndustrialCameraProfile(),
                                                  FaultyControlsCameraProfile(), MetadataNodeCameraProfile()};
  return all;
}

void ApplyCameraProfile(TFakeV4L2Device& fake, const TCameraProfile& profile) {
  fake.nodes_ = profile.nodes;
  fake.intervals_ = profile.intervals;
  fake.stepwise_ = profile.stepwise;
  fake.rowAlign_ = profile.rowAlign;
  fake.rowPadding_ = profile.rowPadding;
  fake.sizeImageSlack_ = profile.sizeImageSlack;
  fake.controlReadError_ = profile.controlReadError;
  fake.SetControls(profile.controls);
  fake.ResetFormat();
}

}  // namespace lumicar::camtest
