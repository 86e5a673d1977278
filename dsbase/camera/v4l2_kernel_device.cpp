// The seam on the real kernel: each call retried on EINTR where the kernel
// may interrupt it, otherwise passed through unchanged. Every open node gets
// an eventfd that Poll watches beside it (and beside any descriptors the
// caller polls with the node), so a stop wakes the streaming thread at once.

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
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
    const int wake = count >= 1 && count < kMaxPolled ? WakeOf(fds[0].fd) : -1;
    if (wake < 0) return ::poll(fds, count, timeoutMs);
    // The node, the caller's own descriptors, then the node's wake-up.
    pollfd all[kMaxPolled + 1];
    std::copy(fds, fds + count, all);
    all[count] = {wake, POLLIN, 0};
    const int r = ::poll(all, count + 1, timeoutMs);
    if (r < 0) return r;
    if (all[count].revents) {
      uint64_t pending;
      while (::read(wake, &pending, sizeof pending) < 0 && errno == EINTR) {
      }
      for (nfds_t i = 0; i < count; ++i) fds[i].revents = 0;
      errno = EINTR;
      return -1;
    }
    int ready = 0;
    for (nfds_t i = 0; i < count; ++i) {
      fds[i].revents = all[i].revents;
      ready += fds[i].revents ? 1 : 0;
    }
    return ready;
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
  // Descriptors a caller may poll with the node (its own wake-ups).
  static constexpr nfds_t kMaxPolled = 8;

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
