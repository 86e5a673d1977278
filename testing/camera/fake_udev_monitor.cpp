#include "testing/camera/fake_udev_monitor.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "testing/hang_guard.h"

namespace lumicar::camtest {

TFakeUdevMonitor::~TFakeUdevMonitor() {
  // A watch that forgot to close leaves the count up for the test to see;
  // the descriptor itself goes so that the process does not keep it.
  if (fd_ >= 0) ::close(fd_);
}

int TFakeUdevMonitor::Fail(int error) {
  errno = error;
  return -1;
}

void TFakeUdevMonitor::Signal() {
  // A semaphore eventfd: each write adds one, each read takes one, so the
  // descriptor stays readable exactly while items are queued.
  const uint64_t one = 1;
  if (fd_ >= 0) (void)!::write(fd_, &one, sizeof one);
}

int TFakeUdevMonitor::Open(const std::string& netlink) {
  std::lock_guard guard(lock_);
  ++opens_;
  netlink_ = netlink;
  if (openError_) return Fail(openError_);
  if (fd_ >= 0) return Fail(EBUSY);  // one monitor at a time is all the tests need
  fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE);
  if (fd_ < 0) return -1;
  ++openFds_;
  enabled_ = false;
  for (size_t i = 0; i < queue_.size(); ++i) Signal();
  return fd_;
}

int TFakeUdevMonitor::FilterSubsystem(int fd, const std::string& subsystem) {
  std::lock_guard guard(lock_);
  if (fd != fd_ || fd < 0) return Fail(EBADF);
  if (filterError_) return Fail(filterError_);
  subsystem_ = subsystem;
  return 0;
}

int TFakeUdevMonitor::EnableReceiving(int fd) {
  std::lock_guard guard(lock_);
  if (fd != fd_ || fd < 0) return Fail(EBADF);
  if (enableError_) return Fail(enableError_);
  enabled_ = true;
  return 0;
}

int TFakeUdevMonitor::Poll(pollfd* fds, nfds_t count, int timeoutMs) {
  int monitor;
  bool hungUp;
  {
    std::lock_guard guard(lock_);
    ++polls_;
    monitor = fd_;
    hungUp = hungUp_;
  }
  changed_.notify_all();
  int r = hungUp ? ::poll(fds, count, 0) : ::poll(fds, count, timeoutMs);
  std::lock_guard guard(lock_);
  if (r < 0 || !hungUp_) return r;
  int ready = 0;
  for (nfds_t i = 0; i < count; ++i) {
    if (fds[i].fd == monitor) fds[i].revents |= POLLHUP;
    if (fds[i].revents) ++ready;
  }
  return ready;
}

int TFakeUdevMonitor::Receive(int fd, TUdevEvent& event) {
  std::unique_lock guard(lock_);
  if (fd != fd_ || fd < 0) return Fail(EBADF);
  if (!enabled_) return Fail(ENOTCONN);  // a monitor receives only once enabled
  if (queue_.empty()) return Fail(EAGAIN);
  uint64_t taken;
  (void)!::read(fd_, &taken, sizeof taken);
  TItem item = std::move(queue_.front());
  queue_.pop_front();
  ++received_;
  guard.unlock();
  changed_.notify_all();
  if (item.error) return Fail(item.error);
  event = std::move(item.event);
  return 0;
}

int TFakeUdevMonitor::Close(int fd) {
  std::lock_guard guard(lock_);
  if (fd != fd_ || fd < 0) return Fail(EBADF);
  ::close(fd_);
  fd_ = -1;
  --openFds_;
  enabled_ = false;
  return 0;
}

void TFakeUdevMonitor::Queue(TUdevEvent event) {
  std::lock_guard guard(lock_);
  queue_.push_back({std::move(event), 0});
  Signal();
}

namespace {

TUdevEvent VideoEvent(const char* action, const std::string& devnode, const std::string& byId,
                      const std::string& capabilities) {
  TUdevEvent e;
  e.action = action;
  e.devnode = devnode;
  e.properties["SUBSYSTEM"] = "video4linux";
  e.properties["DEVNAME"] = devnode;
  if (!capabilities.empty()) e.properties["ID_V4L_CAPABILITIES"] = capabilities;
  if (!byId.empty()) {
    e.devlinks.push_back("/dev/v4l/by-id/" + byId);
    e.properties["DEVLINKS"] = e.devlinks.back();
  }
  return e;
}

}  // namespace

void TFakeUdevMonitor::Add(const std::string& devnode, const std::string& byId, const std::string& capabilities) {
  Queue(VideoEvent("add", devnode, byId, capabilities));
}

void TFakeUdevMonitor::Remove(const std::string& devnode, const std::string& byId, const std::string& capabilities) {
  Queue(VideoEvent("remove", devnode, byId, capabilities));
}

void TFakeUdevMonitor::QueueFailure(int error) {
  std::lock_guard guard(lock_);
  queue_.push_back({{}, error});
  Signal();
}

void TFakeUdevMonitor::HangUp() {
  std::lock_guard guard(lock_);
  hungUp_ = true;
  // Wakes a poll in progress, which then sees the hang-up.
  Signal();
}

bool TFakeUdevMonitor::WaitPolls(int count) {
  std::unique_lock guard(lock_);
  return changed_.wait_for(guard, testtools::kHangGuard, [&] { return polls_ >= count; });
}

bool TFakeUdevMonitor::WaitDrained() {
  std::unique_lock guard(lock_);
  return changed_.wait_for(guard, testtools::kHangGuard, [&] { return queue_.empty(); });
}

}  // namespace lumicar::camtest
