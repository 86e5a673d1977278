// The seam on the real kernel: each call retried on EINTR where the kernel
// may interrupt it, otherwise passed through unchanged.

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include "dsbase/camera/v4l2_device.h"

namespace lumicar {

namespace {

class TKernelV4L2Device final : public IV4L2Device {
 public:
  int Open(const std::string& path, int flags) override { return ::open(path.c_str(), flags | O_CLOEXEC); }
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
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override { return ::poll(fds, count, timeoutMs); }
  int Close(int fd) override { return ::close(fd); }
};

}  // namespace

std::shared_ptr<IV4L2Device> DSKernelV4L2Device() {
  static const std::shared_ptr<IV4L2Device> device = std::make_shared<TKernelV4L2Device>();
  return device;
}

}  // namespace lumicar
