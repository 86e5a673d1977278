#pragma once
// The camera interfaces a capture filter offers: stream configuration on the
// capture pin, the picture controls (video processing amplifier), the
// driver-dialog interface and our own full control list for the settings page.

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

#include "dsbase/media/media_type.h"
#include "runtime/interface.h"

class QWidget;

namespace lumicar {

inline const TGUID IID_IAMStreamConfig = TGUID::FromString("{C6E13340-30AC-11D0-A18C-00A0C9118956}");
inline const TGUID IID_IAMVideoProcAmp = TGUID::FromString("{C6E13360-30AC-11D0-A18C-00A0C9118956}");
inline const TGUID IID_IAMVfwCaptureDialogs = TGUID::FromString("{D8D715A0-6E5E-11D0-B3F0-00AA003761C5}");
inline const TGUID IID_ICameraControls = TGUID::FromString("{3B0C7E2A-58D1-4E6B-A4C2-91F5D7E06B13}");
// The capture filter of V4L2 cameras and of the synthetic camera.
inline const TGUID CLSID_V4L2CaptureFilter = TGUID::FromString("{6E4C1F70-2B9A-4D35-8E1B-0C7A5F3D9E21}");
// The settings page built from a camera's control list.
inline const TGUID CLSID_CameraPropertyPage = TGUID::FromString("{9A2D6B31-7C4E-4F08-B5A9-E3C1D70F2846}");

// The property a camera lacks (the platform's "element not found").
constexpr HRESULT E_PROP_ID_UNSUPPORTED = HRESULT(0x80070490u);
// A system error number as a result code, so the reason survives the interface.
constexpr HRESULT DSErrnoResult(int error) { return HRESULT(0x80070000u | (uint32_t(error) & 0xFFFFu)); }

struct SIZE {
  int32_t cx = 0, cy = 0;
};

struct VIDEO_STREAM_CONFIG_CAPS {
  TGUID guid;
  uint32_t VideoStandard = 0;
  SIZE InputSize;
  SIZE MinCroppingSize;
  SIZE MaxCroppingSize;
  int32_t CropGranularityX = 0;
  int32_t CropGranularityY = 0;
  int32_t CropAlignX = 0;
  int32_t CropAlignY = 0;
  SIZE MinOutputSize;
  SIZE MaxOutputSize;
  int32_t OutputGranularityX = 0;
  int32_t OutputGranularityY = 0;
  int32_t StretchTapsX = 0;
  int32_t StretchTapsY = 0;
  int32_t ShrinkTapsX = 0;
  int32_t ShrinkTapsY = 0;
  int64_t MinFrameInterval = 0;  // 100 ns units
  int64_t MaxFrameInterval = 0;
  int32_t MinBitsPerSecond = 0;
  int32_t MaxBitsPerSecond = 0;
};

class IAMStreamConfig : public virtual IUnknown {
 public:
  // Adopts size, rate and subtype of `mt` (see the capture pin for the
  // answers when the camera cannot meet it exactly).
  virtual HRESULT SetFormat(const AM_MEDIA_TYPE* mt) = 0;
  // A task-memory type the caller frees with LPDSDeleteMediaType.
  virtual HRESULT GetFormat(AM_MEDIA_TYPE** mt) = 0;
  virtual HRESULT GetNumberOfCapabilities(int* count, int* size) = 0;
  // `caps` points at a VIDEO_STREAM_CONFIG_CAPS.
  virtual HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mt, uint8_t* caps) = 0;
};

enum VideoProcAmpProperty : int32_t {
  VideoProcAmp_Brightness = 0,
  VideoProcAmp_Contrast = 1,
  VideoProcAmp_Hue = 2,
  VideoProcAmp_Saturation = 3,
  VideoProcAmp_Sharpness = 4,
  VideoProcAmp_Gamma = 5,
  VideoProcAmp_ColorEnable = 6,
  VideoProcAmp_WhiteBalance = 7,
  VideoProcAmp_BacklightCompensation = 8,
  VideoProcAmp_Gain = 9,
};
constexpr int32_t VideoProcAmp_Flags_Auto = 1;
constexpr int32_t VideoProcAmp_Flags_Manual = 2;

class IAMVideoProcAmp : public virtual IUnknown {
 public:
  virtual HRESULT GetRange(int32_t property, int32_t* min, int32_t* max, int32_t* step, int32_t* defaultValue,
                           int32_t* capsFlags) = 0;
  virtual HRESULT Set(int32_t property, int32_t value, int32_t flags) = 0;
  virtual HRESULT Get(int32_t property, int32_t* value, int32_t* flags) = 0;
};

constexpr int VfwCaptureDialog_Source = 1;
constexpr int VfwCaptureDialog_Format = 2;
constexpr int VfwCaptureDialog_Display = 4;

class IAMVfwCaptureDialogs : public virtual IUnknown {
 public:
  // S_OK when the dialog exists, S_FALSE when not.
  virtual HRESULT HasDialog(int dialog) = 0;
  // Modal over `parent`; returns when closed.
  virtual HRESULT ShowDialog(int dialog, QWidget* parent) = 0;
  virtual HRESULT SendDriverMessage(int dialog, int message, intptr_t data1, intptr_t data2) = 0;
};

// One control of a camera as the settings page shows it.
struct TDSCameraControl {
  enum TKind { ckInteger, ckBoolean, ckMenu, ckButton };
  uint32_t id = 0;
  QString name;
  TKind kind = ckInteger;
  int32_t minimum = 0, maximum = 0, step = 1, defaultValue = 0;
  bool readOnly = false;
  bool inactive = false;                          // governed by an automatic control at the moment
  std::vector<std::pair<int32_t, QString>> menu;  // value, label
};

class ICameraControls : public virtual IUnknown {
 public:
  // The camera's whole control list in its own order.
  virtual HRESULT GetControls(std::vector<TDSCameraControl>* controls) = 0;
  virtual HRESULT GetControl(uint32_t id, int32_t* value) = 0;
  virtual HRESULT SetControl(uint32_t id, int32_t value) = 0;
  // Every writable control back to its default.
  virtual HRESULT ResetControls() = 0;
  virtual QString CameraName() = 0;
};

}  // namespace lumicar
