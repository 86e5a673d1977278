#pragma once
// A call posted to a QObject's thread through Qt's event queue, ordered for
// every race checker: Qt's queue lock is invisible to ThreadSanitizer (Qt is
// not built with it), so a posted lambda's captures would look written on
// the posting thread and read on the receiving one without order. A lock of
// our own is held while the call is made and posted, and taken once when it
// starts to run:
//
//   PostOrdered(window, [this] { Repaint(); });   // from any thread
//
// The context object decides the thread, and a call still queued when the
// context is destroyed is dropped, as with QMetaObject::invokeMethod.

#include <QMetaObject>
#include <QObject>
#include <mutex>
#include <utility>

#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

namespace detail {
TLeafMutex& PostedCallLock();
}

template <typename Call>
void PostOrdered(QObject* context, Call call) {
  std::lock_guard guard(detail::PostedCallLock());
  QMetaObject::invokeMethod(
      context,
      [call = std::move(call)]() mutable {
        { std::lock_guard ordered(detail::PostedCallLock()); }
        call();
      },
      Qt::QueuedConnection);
}

}  // namespace lumicar
