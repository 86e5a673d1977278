#pragma once
// The camera's V4L2 controls: the picture controls of the video processing
// amplifier mapped to V4L2 user controls (with their automatic companions),
// and the whole control list for the settings page. Values set here are
// remembered and set again once streaming has started, because some drivers
// drop controls set before VIDIOC_STREAMON. The caller serialises access.

#include <linux/videodev2.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/camera/v4l2_device.h"

namespace lumicar {

class TDSV4L2Controls {
 public:
  explicit TDSV4L2Controls(IV4L2Device& device) : device_(device) {}

  HRESULT GetRange(int fd, int32_t property, int32_t* min, int32_t* max, int32_t* step, int32_t* defaultValue,
                   int32_t* capsFlags);
  HRESULT Get(int fd, int32_t property, int32_t* value, int32_t* flags);
  HRESULT Set(int fd, int32_t property, int32_t value, int32_t flags);

  // The whole list; a failure code when the camera cannot be asked.
  HRESULT List(int fd, std::vector<TDSCameraControl>* controls);
  HRESULT GetControl(int fd, uint32_t id, int32_t* value);
  HRESULT SetControl(int fd, uint32_t id, int32_t value);
  HRESULT Reset(int fd);
  // Sets the remembered values again (after VIDIOC_STREAMON).
  void Replay(int fd);

 private:
  struct TMapping {
    uint32_t id, autoId;
    bool inverted;  // colour enable is the opposite of the colour killer
  };
  static bool MappingOf(int32_t property, TMapping* m);
  // Queries one control; false when the camera lacks it or has it disabled.
  bool Query(int fd, uint32_t id, v4l2_query_ext_ctrl* q);
  HRESULT Write(int fd, uint32_t id, int32_t value);
  void Remember(uint32_t id, int32_t value);

  IV4L2Device& device_;
  std::vector<std::pair<uint32_t, int32_t>> written_;
};

}  // namespace lumicar
