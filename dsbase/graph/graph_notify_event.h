#pragma once
// The Qt event a graph posts to its notify target for each queued event: the
// receiver then fetches the events with GetEvent on its own thread.
//
// The event crosses threads through Qt's queue, whose ordering the thread
// checker cannot see; Post and From tell it, so a receiver reads the event
// only through From.

#include <QEvent>
#include <cstdint>

class QObject;

namespace lumicar {

class TDSGraphNotifyEvent : public QEvent {
 public:
  TDSGraphNotifyEvent(int32_t message, intptr_t instanceData)
      : QEvent(EventType()), message_(message), instanceData_(instanceData) {}

  // The event type, registered with Qt once per process.
  static QEvent::Type EventType();

  // Posts a notification to `target` from any thread.
  static void Post(QObject* target, int32_t message, intptr_t instanceData);
  // The notification `event` is, or null for any other event; call it before
  // reading anything of an event that may come from another thread.
  static const TDSGraphNotifyEvent* From(QEvent* event);

  int32_t Message() const { return message_; }
  intptr_t InstanceData() const { return instanceData_; }

 private:
  int32_t message_;
  intptr_t instanceData_;
};

}  // namespace lumicar
