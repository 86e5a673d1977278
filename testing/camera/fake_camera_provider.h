#pragma once
// The scripted document camera as "Document Camera" in the video input
// category, for tests and benchmarks that go through device choice: it can be
// unplugged (the node vanishes and fails) and plugged back (a fresh node under
// the same stable name), and it counts what it handed out.

#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "dsbase/graph/device_provider.h"
#include "testing/camera/fake_v4l2_device.h"

namespace lumicar::camtest {

// The document camera (MJPEG 1600 × 1200 at 30 and 15 fps, YUYV 1600 × 1200
// at 7 fps, both at 640 × 480).
class TFakeCameraProvider final : public IDSDeviceProvider {
 public:
  static inline const QString kName = QStringLiteral("Document Camera");

  TFakeCameraProvider();
  TGUID Category() const override;
  QString Kind() const override { return QStringLiteral("fake"); }
  std::vector<TDSDeviceDescription> Devices() override;
  HRESULT CreateFilter(const TDSDeviceDescription& device, IBaseFilter** filter) override;

  // The node that is plugged in now (or was last).
  std::shared_ptr<TFakeV4L2Device> Fake();
  // Filters are made over `seam` instead of the node itself: a wrapper of
  // the node that records or times what the filter does (benchmarks).
  void SetSeam(std::shared_ptr<IV4L2Device> seam);
  void Unplug();
  void Replug();
  // Plugged back under another node (another /dev/videoN), same identity.
  void ReplugAt(const std::string& devnode);
  // Open file descriptors and mappings of every node made so far (0 when
  // nothing leaked).
  int OpenFds();
  // Capture filters made so far: one per binding of the camera.
  int FiltersMade() const { return filtersMade_.load(); }

 private:
  std::mutex lock_;
  std::shared_ptr<TFakeV4L2Device> fake_;
  std::shared_ptr<IV4L2Device> seam_;
  std::vector<std::shared_ptr<TFakeV4L2Device>> all_;
  bool plugged_ = true;
  std::string devnode_ = "/dev/video0";
  std::atomic<int> filtersMade_{0};
};

// The camera's node plugged in at the moment of each call, as the system's
// V4L2 calls reach whichever node is there now: for code that is handed a
// node path by someone else (the camera watch asks the node udev announced).
class TPluggedNode final : public IV4L2Device {
 public:
  explicit TPluggedNode(std::shared_ptr<TFakeCameraProvider> camera) : camera_(std::move(camera)) {}
  int Open(const std::string& path, int flags) override { return camera_->Fake()->Open(path, flags); }
  int Ioctl(int fd, unsigned long request, void* arg) override { return camera_->Fake()->Ioctl(fd, request, arg); }
  void* Mmap(size_t length, int prot, int flags, int fd, off_t offset) override {
    return camera_->Fake()->Mmap(length, prot, flags, fd, offset);
  }
  int Munmap(void* address, size_t length) override { return camera_->Fake()->Munmap(address, length); }
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override { return camera_->Fake()->Poll(fds, count, timeoutMs); }
  int Close(int fd) override { return camera_->Fake()->Close(fd); }

 private:
  std::shared_ptr<TFakeCameraProvider> camera_;
};

}  // namespace lumicar::camtest
