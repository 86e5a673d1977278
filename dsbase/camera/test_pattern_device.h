#pragma once
// The synthetic camera behind the V4L2 seam: every common size in the seven
// uncompressed formats, 1 to 60 frames a second, a moving pattern with a
// frame counter and an asymmetric corner marker (so a turned or mirrored
// picture shows), stamped with real monotonic time. The capture filter
// drives it exactly as it drives a kernel node.

#include <linux/videodev2.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "dsbase/camera/v4l2_device.h"
#include "dsbase/filters/frame_conversion.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSTestPatternDevice final : public IV4L2Device {
 public:
  static constexpr const char* kPath = "test-pattern";

  int Open(const std::string& path, int flags) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;
  void* Mmap(size_t length, int prot, int flags, int fd, off_t offset) override;
  int Munmap(void* address, size_t length) override;
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override;
  int Close(int fd) override;
  bool Interruptible() const override { return true; }
  void Interrupt(int fd) override;

 private:
  struct TBuffer {
    std::vector<uint8_t> bytes;
    bool queued = false;
    bool mapped = false;
  };
  int Fail(int error);
  int64_t NowNs() const;
  bool FrameDue(int64_t now) const;
  void Render(TBuffer& b);
  int Dequeue(v4l2_buffer* b);

  TLeafMutex lock_{"test pattern device lock"};
  std::condition_variable_any wake_;
  int openCount_ = 0;
  v4l2_pix_format format_{};
  bool formatSet_ = false;
  v4l2_fract interval_{1, 30};
  std::vector<TBuffer> buffers_;
  bool streaming_ = false;
  bool interrupted_ = false;  // a wake-up the next Poll answers
  int64_t nextDueNs_ = 0;
  uint32_t sequence_ = 0;
  int32_t brightness_ = 0, contrast_ = 32, saturation_ = 64;
  bool mirror_ = false;
  std::vector<uint8_t> bgr_, row_;
  TDSFrameConverter converter_;
};

}  // namespace lumicar
