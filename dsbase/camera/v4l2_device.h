#pragma once
// The thin I/O seam under the capture filter: the six system calls it makes
// on a V4L2 node, and a wake-up for the thread that polls it. The kernel
// implementation passes them through; tests put a scripted device here. Calls
// answer as the system calls do: -1 (or MAP_FAILED) with errno set on failure.

#include <poll.h>
#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>

namespace lumicar {

class IV4L2Device {
 public:
  virtual ~IV4L2Device() = default;
  virtual int Open(const std::string& path, int flags) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
  virtual void* Mmap(size_t length, int prot, int flags, int fd, off_t offset) = 0;
  virtual int Munmap(void* address, size_t length) = 0;
  // fds[0] is the node; the caller may add descriptors of its own after it
  // (its wake-ups), which are polled as the system polls them.
  virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;
  virtual int Close(int fd) = 0;

  // Wakes the thread that waits in Poll on `fd`, or the next one to poll it
  // when none waits yet: that Poll answers -1 with errno EINTR at once. A
  // stop then neither waits for a frame nor for the poll's time-out. Only
  // devices that answer true from Interruptible do this; on the others the
  // caller polls in short slices and checks for a stop between them.
  virtual bool Interruptible() const { return false; }
  virtual void Interrupt(int fd) { (void)fd; }
};

// The kernel's V4L2 API.
std::shared_ptr<IV4L2Device> DSKernelV4L2Device();

}  // namespace lumicar
