#pragma once
// The graph's event sink that filters report completion, errors and quality
// changes to, and the event codes they use.

#include <cstdint>

#include "runtime/interface.h"

namespace lumicar {

constexpr int32_t EC_COMPLETE = 0x01;
constexpr int32_t EC_ERRORABORT = 0x03;
constexpr int32_t EC_QUALITY_CHANGE = 0x0B;
constexpr int32_t EC_FULLSCREEN_LOST = 0x12;
constexpr int32_t EC_WINDOW_DESTROYED = 0x15;
constexpr int32_t EC_STARVATION = 0x17;
constexpr int32_t EC_DEVICE_LOST = 0x1F;
// Our cameras' own events (the range above EC_USER): the camera stayed silent
// after its stream was restarted (it keeps restarting it), it sends again, and
// it streams compressed.
constexpr int32_t EC_CAMERA_SILENT = 0x8001;
constexpr int32_t EC_CAMERA_RESUMED = 0x8002;
// The camera streams its MJPEG for want of USB bandwidth (width, height).
constexpr int32_t EC_CAMERA_COMPRESSED = 0x8003;

inline const TGUID IID_IMediaEventSink = TGUID::FromString("{56A868A2-0AD4-11CE-B03A-0020AF0BA770}");

class IMediaEventSink : public virtual IUnknown {
 public:
  virtual HRESULT Notify(int32_t eventCode, intptr_t param1, intptr_t param2) = 0;
};

}  // namespace lumicar
