#pragma once
// The events and callbacks of a graph holder: the error and warning hooks,
// the raw graph-event callback its component gives it, the extra message
// hook, and the capture holder's rendering hooks.

#include <QString>
#include <cstdint>
#include <functional>

#include "dsbase/com/filter_interfaces.h"
#include "runtime/event.h"

class QEvent;

namespace lumicar {

// (sender, message, code, handled): a handler that sets *handled keeps the
// holder from raising.
using TDSErrorEvent = TEvent<TObject*, QString, HRESULT, bool*>;
// (sender, message, code).
using TDSWarningEvent = TEvent<TObject*, QString, HRESULT>;
// (sender, grabber): the handler may store a filter (with its own reference)
// in *grabber to be used as the video grabber.
using TDSVideoGrabberCreateEvent = TEvent<TObject*, TIntf<IBaseFilter>*>;
// (sender, source filter, video, grabber filter).
using TDSCustomRenderEvent = TEvent<TObject*, IBaseFilter*, bool, IBaseFilter*>;

// (event code, parameter 1, parameter 2) of each graph event, on the
// user-interface thread.
using TDSGraphEventCallback = std::function<void(int32_t code, intptr_t param1, intptr_t param2)>;
// A message that reached the holder's hidden window.
using TDSMessageEvent = std::function<void(QEvent* message)>;

}  // namespace lumicar

Q_DECLARE_METATYPE(lumicar::TDSErrorEvent)
Q_DECLARE_METATYPE(lumicar::TDSWarningEvent)
Q_DECLARE_METATYPE(lumicar::TDSVideoGrabberCreateEvent)
Q_DECLARE_METATYPE(lumicar::TDSCustomRenderEvent)
