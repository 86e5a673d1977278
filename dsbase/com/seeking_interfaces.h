#pragma once
// Position and seeking control of a stream, answered by the filter that
// owns the stream and passed upstream by the filters in between.

#include <cstdint>

#include "dsbase/com/reference_clock.h"

namespace lumicar {

inline const TGUID IID_IMediaSeeking = TGUID::FromString("{36B73880-C2C8-11CF-8B46-00805F6CEF60}");
inline const TGUID IID_IMediaPosition = TGUID::FromString("{56A868B2-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID TIME_FORMAT_MEDIA_TIME = TGUID::FromString("{7B785574-8C82-11CF-BC0C-00AA00AC74F6}");

constexpr uint32_t AM_SEEKING_NoPositioning = 0;
constexpr uint32_t AM_SEEKING_AbsolutePositioning = 1;

class IMediaSeeking : public virtual IUnknown {
 public:
  virtual HRESULT GetCapabilities(uint32_t* caps) = 0;
  virtual HRESULT CheckCapabilities(uint32_t* caps) = 0;
  virtual HRESULT IsFormatSupported(const TGUID* format) = 0;
  virtual HRESULT QueryPreferredFormat(TGUID* format) = 0;
  virtual HRESULT GetTimeFormat(TGUID* format) = 0;
  virtual HRESULT IsUsingTimeFormat(const TGUID* format) = 0;
  virtual HRESULT SetTimeFormat(const TGUID* format) = 0;
  virtual HRESULT GetDuration(int64_t* duration) = 0;
  virtual HRESULT GetStopPosition(int64_t* stop) = 0;
  virtual HRESULT GetCurrentPosition(int64_t* current) = 0;
  virtual HRESULT ConvertTimeFormat(int64_t* target, const TGUID* targetFormat, int64_t source,
                                    const TGUID* sourceFormat) = 0;
  virtual HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop, uint32_t stopFlags) = 0;
  virtual HRESULT GetPositions(int64_t* current, int64_t* stop) = 0;
  virtual HRESULT GetAvailable(int64_t* earliest, int64_t* latest) = 0;
  virtual HRESULT SetRate(double rate) = 0;
  virtual HRESULT GetRate(double* rate) = 0;
  virtual HRESULT GetPreroll(int64_t* preroll) = 0;
};

// Positions in seconds, for callers that do not work in media time.
class IMediaPosition : public virtual IUnknown {
 public:
  virtual HRESULT get_Duration(double* length) = 0;
  virtual HRESULT put_CurrentPosition(double time) = 0;
  virtual HRESULT get_CurrentPosition(double* time) = 0;
  virtual HRESULT get_StopTime(double* time) = 0;
  virtual HRESULT put_StopTime(double time) = 0;
  virtual HRESULT get_PrerollTime(double* time) = 0;
  virtual HRESULT put_PrerollTime(double time) = 0;
  virtual HRESULT put_Rate(double rate) = 0;
  virtual HRESULT get_Rate(double* rate) = 0;
  virtual HRESULT CanSeekForward(int32_t* canSeek) = 0;
  virtual HRESULT CanSeekBackward(int32_t* canSeek) = 0;
};

}  // namespace lumicar
