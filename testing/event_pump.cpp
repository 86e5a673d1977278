#include "testing/event_pump.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThreadPool>
#include <QTimer>
#include <thread>

namespace lumicar::testtools {

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds failsafe) {
  const QDeadlineTimer deadline(failsafe);
  if (QCoreApplication::instance() == nullptr) {
    // No event loop to sleep in: only other threads can bring `done` about.
    while (!done()) {
      if (deadline.hasExpired()) return false;
      std::this_thread::yield();
    }
    return true;
  }
  // Wakes the wait below when a condition changes without an event (a
  // counter another thread raises).
  QTimer tick;
  tick.setInterval(2);
  tick.start();
  for (;;) {
    if (done()) return true;
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    QCoreApplication::sendPostedEvents();
  }
}

TProcessResources QuietQtProcessResources() {
  return QuietProcessResources([] { QThreadPool::globalInstance()->waitForDone(); },
                               [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
}

}  // namespace lumicar::testtools
