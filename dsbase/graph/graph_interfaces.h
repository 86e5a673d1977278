#pragma once
// What an application drives a graph through: running and stopping it, and
// reading the events its filters raise (with notification by a posted Qt
// event to an object on the user-interface thread).

#include <cstdint>

#include "dsbase/com/filter_interfaces.h"

class QObject;

namespace lumicar {

inline const TGUID IID_IMediaControl = TGUID::FromString("{56A868B1-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID IID_IMediaEvent = TGUID::FromString("{56A868B6-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID IID_IMediaEventEx = TGUID::FromString("{56A868C0-0AD4-11CE-B03A-0020AF0BA770}");

// SetNotifyFlags: no notification is posted while set.
constexpr int32_t AM_MEDIAEVENT_NONOTIFY = 0x01;

class IMediaControl : public virtual IUnknown {
 public:
  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;
  // The graph's state (a FILTER_STATE value).
  virtual HRESULT GetState(int32_t msTimeout, int32_t* state) = 0;
  virtual HRESULT StopWhenReady() = 0;
};

class IMediaEvent : public virtual IUnknown {
 public:
  // The oldest queued event; E_ABORT when none arrives within msTimeout.
  virtual HRESULT GetEvent(int32_t* eventCode, intptr_t* param1, intptr_t* param2, int32_t msTimeout) = 0;
  virtual HRESULT WaitForCompletion(int32_t msTimeout, int32_t* eventCode) = 0;
  virtual HRESULT CancelDefaultHandling(int32_t eventCode) = 0;
  virtual HRESULT RestoreDefaultHandling(int32_t eventCode) = 0;
  virtual HRESULT FreeEventParams(int32_t eventCode, intptr_t param1, intptr_t param2) = 0;
};

class IMediaEventEx : public IMediaEvent {
 public:
  // Each queued event posts a TDSGraphNotifyEvent carrying `message` and
  // `instanceData` to `target`; nullptr stops it. Once this returns, nothing
  // more is posted to an earlier target.
  virtual HRESULT SetNotifyWindow(QObject* target, int32_t message, intptr_t instanceData) = 0;
  virtual HRESULT SetNotifyFlags(int32_t flags) = 0;
  virtual HRESULT GetNotifyFlags(int32_t* flags) = 0;
};

}  // namespace lumicar
