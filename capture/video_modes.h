#pragma once
// The camera's stream capabilities as the capture shows them to callers
// (TVLVideoModes, a list of TVLVideoModeFormat records), rebuilt from the
// capture pin's stream configuration each time the camera is bound. Reading
// the list opens the capture first, so that it describes the chosen camera.

#include <QObject>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "buffers/video_format.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {
class IAMStreamConfig;
struct AM_MEDIA_TYPE;
struct VIDEO_STREAM_CONFIG_CAPS;
}  // namespace lumicar

namespace lumicar {

class IAMStreamConfig;

struct TVLVideoModeFormat {
  // vfYUY2 for YUY2, vfUYVY for UYVY, vfRGB24 for every other subtype.
  TVLVideoFormat Format = vfRGB24;
  // Heights are magnitudes (a negative height only names the row order), so
  // unsigned: the magnitude of INT32_MIN has no signed 32-bit value.
  int32_t Width = 0;
  uint32_t Height = 0;
  int32_t MinWidth = 0, MaxWidth = 0;
  uint32_t MinHeight = 0, MaxHeight = 0;
  int32_t WidthStep = 0;
  uint32_t HeightStep = 0;
  // Frames per second the capability reaches, truncated; 0 when its frame
  // interval is not positive.
  int32_t MinFrames = 0, MaxFrames = 0;
};

// Room for one capability record of a driver that reports `size` bytes a
// record (GetNumberOfCapabilities): the reported size, which the driver
// writes in full, and never less than the record read here (a driver
// reporting a short one leaves zeros behind it); 0 for a size no driver has.
size_t VLCapsRecordRoom(int size);

// How a walk over a camera's capability records went: whether its count and
// record size were usable, and what the camera said.
struct TVLStreamCapsWalk {
  bool usable = false;
  int count = 0, size = 0;
  int32_t counted = 0;  // GetNumberOfCapabilities' result code
};
// Calls `each` with the media type and record of every capability the camera
// answers for (records read into room it cannot overrun; the type freed
// after the call). Nothing is called when the count or the record size is
// unusable.
TVLStreamCapsWalk VLForEachStreamCaps(
    IAMStreamConfig* config, const std::function<void(const AM_MEDIA_TYPE&, const VIDEO_STREAM_CONFIG_CAPS&)>& each);

class TVLVideoModes {
 public:
  // `open` runs before every read (GetCount, GetItem); may be empty.
  explicit TVLVideoModes(std::function<void()> open = {}) : open_(std::move(open)) {}
  TVLVideoModes(const TVLVideoModes&) = delete;
  TVLVideoModes& operator=(const TVLVideoModes&) = delete;

  int GetCount();
  // The record at `index`; an empty record outside the list.
  TVLVideoModeFormat GetItem(int index);
  // The records without opening anything.
  std::vector<TVLVideoModeFormat> Snapshot() const;

  void Clear();
  // Rebuilds the list from the stream configuration's capabilities; only
  // video-header capabilities are listed. Nothing with no configuration.
  void Read(IAMStreamConfig* config);
  void Add(const TVLVideoModeFormat& mode);

 private:
  std::function<void()> open_;
  mutable TLeafMutex lock_{"video modes lock"};  // the records only
  std::vector<TVLVideoModeFormat> items_;
};

}  // namespace lumicar
