// The seam on the real kernel: each call retried on EINTR where the kernel
// may interrupt it, otherwise passed through unchanged. Every open node gets
// an eventfd that Poll watches beside it, so a stop wakes the streaming
// thread at once.

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>

#include "dsbase/camera/v4l2_device.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

namespace {

class TKernelV4L2Device final : public IV4L2Device {
 public:
  int Open(const std::string& path, int flags) override {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return fd;
    // Without its wake-up a node could not be stopped promptly: refuse it
    // as the system would refuse the node itself when out of descriptors.
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
      const int e = errno;
      ::close(fd);
      errno = e;
      return -1;
    }
    std::lock_guard guard(lock_);
    wakes_[fd] = wake;
    return fd;
  }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    int r;
    do r = ::ioctl(fd, request, arg);
    while (r == -1 && errno == EINTR);
    return r;
  }
  void* Mmap(size_t length, int prot, int flags, int fd, off_t offset) override {
    return ::mmap(nullptr, length, prot, flags, fd, offset);
  }
  int Munmap(void* address, size_t length) override { return ::munmap(address, length); }
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override {
    const int wake = count == 1 ? WakeOf(fds[0].fd) : -1;
    if (wake < 0) return ::poll(fds, count, timeoutMs);
    pollfd both[2] = {fds[0], {wake, POLLIN, 0}};
    const int r = ::poll(both, 2, timeoutMs);
    if (r < 0) return r;
    if (both[1].revents) {
      uint64_t pending;
      while (::read(wake, &pending, sizeof pending) < 0 && errno == EINTR) {
      }
      fds[0].revents = 0;
      errno = EINTR;
      return -1;
    }
    fds[0].revents = both[0].revents;
    return fds[0].revents ? 1 : 0;
  }
  int Close(int fd) override {
    int wake = -1;
    {
      std::lock_guard guard(lock_);
      if (auto i = wakes_.find(fd); i != wakes_.end()) {
        wake = i->second;
        wakes_.erase(i);
      }
    }
    if (wake >= 0) ::close(wake);
    return ::close(fd);
  }
  bool Interruptible() const override { return true; }
  void Interrupt(int fd) override {
    const int wake = WakeOf(fd);
    if (wake < 0) return;
    const uint64_t one = 1;
    // EAGAIN only when the counter is full: a wake-up is pending anyway.
    while (::write(wake, &one, sizeof one) < 0 && errno == EINTR) {
    }
  }

 private:
  int WakeOf(int fd) {
    std::lock_guard guard(lock_);
    const auto i = wakes_.find(fd);
    return i == wakes_.end() ? -1 : i->second;
  }

  TLeafMutex lock_{"kernel device wake-up lock"};
  std::map<int, int> wakes_;  // node → its eventfd
};

}  // namespace

std::shared_ptr<IV4L2Device> DSKernelV4L2Device() {
  static const std::shared_ptr<IV4L2Device> device = std::make_shared<TKernelV4L2Device>();
  return device;
}

}  // namespace lumicar
