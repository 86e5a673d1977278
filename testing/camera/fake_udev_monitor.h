#pragma once
// A scripted udev monitor for the camera watch's tests and benchmarks. Its
// descriptor is a real eventfd that is readable while events are queued, so
// the watch polls it as it polls libudev's socket. The test queues add and
// remove events with their links and properties, and faults: a monitor that
// cannot be made, filtered or enabled, a receive that fails, a socket that
// hangs up. It counts the monitors open and the threads waiting in Poll.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

#include "dsbase/camera/udev_monitor.h"

namespace lumicar::camtest {

class TFakeUdevMonitor final : public IUdevMonitor {
 public:
  ~TFakeUdevMonitor() override;

  int Open(const std::string& netlink) override;
  int FilterSubsystem(int fd, const std::string& subsystem) override;
  int EnableReceiving(int fd) override;
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override;
  int Receive(int fd, TUdevEvent& event) override;
  int Close(int fd) override;

  // The script; events queued before the monitor opens wait for it.
  void Queue(TUdevEvent event);
  // An "add" or "remove" of a video node with its by-id link (none when
  // empty) and ID_V4L_CAPABILITIES as udev's rules set it.
  void Add(const std::string& devnode, const std::string& byId = {}, const std::string& capabilities = ":capture:");
  void Remove(const std::string& devnode, const std::string& byId = {}, const std::string& capabilities = ":capture:");
  // The receive at this point of the queue fails with `error`.
  void QueueFailure(int error);
  // Every later Poll reports POLLHUP on the monitor, as on a closed socket.
  void HangUp();
  // Wait (bounded, as a failsafe) until a thread has entered Poll `count`
  // times in all, or until every queued event and failure was received.
  bool WaitPolls(int count);
  bool WaitDrained();

  // Faults for the set-up calls: errno to fail with, or 0.
  int openError_ = 0, filterError_ = 0, enableError_ = 0;

  // What the watch did.
  std::mutex lock_;
  int openFds_ = 0, opens_ = 0, polls_ = 0, received_ = 0;
  std::string netlink_, subsystem_;
  bool enabled_ = false;

 private:
  struct TItem {
    TUdevEvent event;
    int error = 0;
  };
  int Fail(int error);
  void Signal();  // under lock_: one more item readable

  std::condition_variable changed_;
  std::deque<TItem> queue_;
  int fd_ = -1;
  bool hungUp_ = false;
};

}  // namespace lumicar::camtest
