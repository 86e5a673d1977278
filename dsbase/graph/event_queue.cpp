#include "dsbase/graph/event_queue.h"

#include <QCoreApplication>
#include <chrono>

#include "dsbase/com/graph_ids.h"
#include "dsbase/com/media_event_sink.h"
#include "dsbase/graph/graph_interfaces.h"
#include "dsbase/graph/graph_notify_event.h"
#include "runtime/sync/race_annotations.h"

namespace lumicar {

namespace {
constexpr int32_t EC_USERABORT = 0x02;
bool IsCompletion(int32_t code) { return code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT; }
}  // namespace

QEvent::Type TDSGraphNotifyEvent::EventType() {
  static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
  return type;
}

void TDSGraphNotifyEvent::Post(QObject* target, int32_t message, intptr_t instanceData) {
  auto* event = new TDSGraphNotifyEvent(message, instanceData);
  RaceHandOver(event);
  QCoreApplication::postEvent(target, event);
}

const TDSGraphNotifyEvent* TDSGraphNotifyEvent::From(QEvent* event) {
  RaceTakeOver(event);
  return event->type() == EventType() ? static_cast<const TDSGraphNotifyEvent*>(event) : nullptr;
}

void TDSEventQueue::Add(const TEvent& event) {
  std::lock_guard guard(lock_);
  events_.push_back(event);
  if (IsCompletion(event.code)) {
    ++completions_;
    lastCompletion_ = event.code;
  }
  // Posted under the lock: once SetTarget has replaced a target, no
  // notification can reach the old one any more.
  if (target_ && !(flags_ & AM_MEDIAEVENT_NONOTIFY)) TDSGraphNotifyEvent::Post(target_, message_, instanceData_);
  added_.notify_all();
}

HRESULT TDSEventQueue::Get(TEvent* event, int32_t msTimeout) {
  std::unique_lock guard(lock_);
  auto ready = [this] { return !events_.empty(); };
  if (msTimeout < 0) {
    added_.wait(guard, ready);
  } else if (!added_.wait_for(guard, std::chrono::milliseconds(msTimeout), ready)) {
    return E_ABORT;
  }
  *event = events_.front();
  events_.pop_front();
  return S_OK;
}

HRESULT TDSEventQueue::WaitForCompletion(int32_t msTimeout, int32_t* code) {
  std::unique_lock guard(lock_);
  const uint64_t seen = completions_;
  auto done = [&] { return completions_ != seen; };
  if (msTimeout < 0) {
    added_.wait(guard, done);
  } else if (!added_.wait_for(guard, std::chrono::milliseconds(msTimeout), done)) {
    *code = 0;
    return E_ABORT;
  }
  *code = lastCompletion_;
  return S_OK;
}

void TDSEventQueue::SetTarget(QObject* target, int32_t message, intptr_t instanceData) {
  std::lock_guard guard(lock_);
  target_ = target;
  message_ = message;
  instanceData_ = instanceData;
}

void TDSEventQueue::SetFlags(int32_t flags) {
  std::lock_guard guard(lock_);
  flags_ = flags;
}

int32_t TDSEventQueue::Flags() {
  std::lock_guard guard(lock_);
  return flags_;
}

void TDSEventQueue::Clear() {
  std::lock_guard guard(lock_);
  events_.clear();
}

size_t TDSEventQueue::Size() {
  std::lock_guard guard(lock_);
  return events_.size();
}

}  // namespace lumicar
