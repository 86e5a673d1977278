#include "capture/video_modes.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "capture/frames/capture_log.h"
#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info.h"

namespace lumicar {

namespace {

// A driver writes as many bytes of each capability record as it reports;
// newer drivers report records longer than the one read here. A record
// longer than this is a broken driver.
constexpr size_t kMaxCapsBytes = 64 * 1024;
// A list of more capabilities than this is a broken driver.
constexpr int kMaxCapabilities = 4096;

int32_t FramesOf(int64_t interval) { return interval > 0 ? int32_t(10'000'000 / interval) : 0; }

// In 64 bits, so that a driver's INT32_MIN keeps its magnitude.
uint32_t Magnitude(int32_t v) { return uint32_t(std::llabs(int64_t{v})); }

}  // namespace

size_t VLCapsRecordRoom(int size) {
  if (size < 0 || size_t(size) > kMaxCapsBytes) return 0;
  return std::max(size_t(size), sizeof(VIDEO_STREAM_CONFIG_CAPS));
}

TVLStreamCapsWalk VLForEachStreamCaps(
    IAMStreamConfig* config, const std::function<void(const AM_MEDIA_TYPE&, const VIDEO_STREAM_CONFIG_CAPS&)>& each) {
  TVLStreamCapsWalk walk;
  if (!config) return walk;
  walk.counted = config->GetNumberOfCapabilities(&walk.count, &walk.size);
  const size_t room = VLCapsRecordRoom(walk.size);
  walk.usable = SUCCEEDED(walk.counted) && walk.count >= 0 && walk.count <= kMaxCapabilities && room > 0;
  if (!walk.usable) return walk;
  std::vector<uint8_t> record(room);
  for (int i = 0; i < walk.count; ++i) {
    AM_MEDIA_TYPE* mt = nullptr;
    std::fill(record.begin(), record.end(), uint8_t{0});
    if (config->GetStreamCaps(i, &mt, record.data()) == S_OK && mt) {
      VIDEO_STREAM_CONFIG_CAPS caps;
      std::memcpy(&caps, record.data(), sizeof caps);
      each(*mt, caps);
    }
    LPDSDeleteMediaType(mt);
  }
  return walk;
}

int TVLVideoModes::GetCount() {
  if (open_) open_();
  std::lock_guard guard(lock_);
  return int(items_.size());
}

TVLVideoModeFormat TVLVideoModes::GetItem(int index) {
  if (open_) open_();
  std::lock_guard guard(lock_);
  if (index < 0 || size_t(index) >= items_.size()) return {};
  return items_[size_t(index)];
}

std::vector<TVLVideoModeFormat> TVLVideoModes::Snapshot() const {
  std::lock_guard guard(lock_);
  return items_;
}

void TVLVideoModes::Clear() {
  std::lock_guard guard(lock_);
  items_.clear();
}

void TVLVideoModes::Add(const TVLVideoModeFormat& mode) {
  std::lock_guard guard(lock_);
  items_.push_back(mode);
}

void TVLVideoModes::Read(IAMStreamConfig* config) {
  Clear();
  if (!config) return;
  const TVLStreamCapsWalk walk =
      VLForEachStreamCaps(config, [this](const AM_MEDIA_TYPE& type, const VIDEO_STREAM_CONFIG_CAPS& caps) {
        const AM_MEDIA_TYPE* mt = &type;
        const BITMAPINFOHEADER* bmi = DSBitmapHeader(*mt);
        if ((mt->formattype == FORMAT_VideoInfo || mt->formattype == FORMAT_VideoInfo2) && bmi) {
          TVLVideoModeFormat m;
          m.Format = mt->subtype == MEDIASUBTYPE_YUY2 ? vfYUY2 : mt->subtype == MEDIASUBTYPE_UYVY ? vfUYVY : vfRGB24;
          m.Width = bmi->biWidth;
          m.Height = Magnitude(bmi->biHeight);
          m.MinWidth = caps.MinOutputSize.cx;
          m.MinHeight = Magnitude(caps.MinOutputSize.cy);
          m.MaxWidth = caps.MaxOutputSize.cx;
          m.MaxHeight = Magnitude(caps.MaxOutputSize.cy);
          m.WidthStep = caps.OutputGranularityX;
          m.HeightStep = Magnitude(caps.OutputGranularityY);
          m.MinFrames = FramesOf(caps.MaxFrameInterval);
          m.MaxFrames = FramesOf(caps.MinFrameInterval);
          Add(m);
        }
      });
  if (!walk.usable)
    qCWarning(lcCapture) << "Reading the camera's capabilities: unusable count" << walk.count << "or record size"
                         << walk.size << "(code" << Qt::hex << uint32_t(walk.counted) << Qt::dec << "), none listed";
}

}  // namespace lumicar
