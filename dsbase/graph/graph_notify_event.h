#pragma once
// The Qt event a graph posts to its notify target for each queued event: the
// receiver then fetches the events with GetEvent on its own thread.

#include <QEvent>
#include <cstdint>

namespace lumicar {

class TDSGraphNotifyEvent : public QEvent {
 public:
  TDSGraphNotifyEvent(int32_t message, intptr_t instanceData)
      : QEvent(EventType()), message_(message), instanceData_(instanceData) {}

  // The event type, registered with Qt once per process.
  static QEvent::Type EventType();
  int32_t Message() const { return message_; }
  intptr_t InstanceData() const { return instanceData_; }

 private:
  int32_t message_;
  intptr_t instanceData_;
};

}  // namespace lumicar
