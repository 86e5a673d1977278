#include "dsbase/camera/camera_watch.h"

#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "dsbase/camera/camera_identity.h"
#include "dsbase/camera/camera_log.h"
#include "runtime/sync/posted_call.h"

namespace lumicar {

namespace {

// Failed receives in a row after which the monitor is taken for broken: a
// descriptor that polls readable but never yields an event would otherwise
// keep the thread spinning.
constexpr int kFailuresInARow = 64;

// The lister's rule: video4linux nodes named video*, not radio, vbi or
// sub-device nodes.
bool IsVideoNode(const std::string& devnode) {
  const size_t slash = devnode.rfind('/');
  const std::string name = slash == std::string::npos ? devnode : devnode.substr(slash + 1);
  return name.rfind("video", 0) == 0;
}

}  // namespace

bool TDSCameraEvent::Is(const QString& cameraId) const {
  return !id.isEmpty() && (id == cameraId || DSCameraIdOnBus(id, busInfo) == cameraId);
}

TDSCameraWatch::TDSCameraWatch(std::shared_ptr<IUdevMonitor> udev, std::shared_ptr<IV4L2Device> device, QObject* parent)
    : QObject(parent), udev_(std::move(udev)), device_(std::move(device)) {}

TDSCameraWatch::~TDSCameraWatch() { Stop(); }

bool TDSCameraWatch::Start() {
  if (running_.load()) return true;
  Stop();  // a thread that gave up by itself is joined first
  const auto off =
      [this](const char* doing, int error, int fd) {
        if (fd >= 0) udev_->Close(fd);
        if (!startLogged_)
          qCWarning(lcCameraWatch).nospace()
              << "cameras that are unplugged and plugged back will not be reopened: could not " << doing << ": "
              << std::strerror(error) << " (errno " << error << ")";
        startLogged_ = true;
        return false;
      };
  const int fd = udev_->Open("udev");
  if (fd < 0) return off("open udev's event monitor", errno, -1);
  if (udev_->FilterSubsystem(fd, "video4linux") != 0) return off("filter udev's events for video4linux", errno, fd);
  if (udev_->EnableReceiving(fd) != 0) return off("receive udev's events", errno, fd);
  const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake < 0) return off("make the watch's wake-up", errno, fd);
  monitor_ = fd;
  wake_ = wake;
  stop_.store(false);
  running_.store(true);
  thread_ = std::thread([this] { Run(); });
  return true;
}

void TDSCameraWatch::Stop() {
  if (!thread_.joinable()) return;
  stop_.store(true);
  // The thread polls the wake-up beside the monitor: it ends now, or at its
  // next poll when it is busy with an event, never waiting for one.
  const uint64_t one = 1;
  while (::write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
  }
  thread_.join();
  udev_->Close(monitor_);
  ::close(wake_);
  monitor_ = wake_ = -1;
  running_.store(false);
}

void TDSCameraWatch::Follow(const QString& id, const QString& devicePath) {
  followedId_ = id;
  followedPath_ = devicePath;
}

void TDSCameraWatch::LogOnce(const char* doing, int error, const std::string& node) {
  if (!logged_.insert({doing, error}).second) return;
  qCWarning(lcCameraWatch).nospace() << "could not " << doing << (node.empty() ? "" : " ") << node.c_str() << ": "
                                     << std::strerror(error) << " (errno " << error << ")";
}

void TDSCameraWatch::Run() {
  pthread_setname_np(pthread_self(), "camera watch");
  int failures = 0;
  while (!stop_.load()) {
    pollfd fds[2] = {{monitor_, POLLIN, 0}, {wake_, POLLIN, 0}};
    if (udev_->Poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      LogOnce("wait for udev's events", errno);
      break;
    }
    if (fds[1].revents) break;
    if (fds[0].revents & (POLLHUP | POLLNVAL)) {
      qCWarning(lcCameraWatch) << "udev's event monitor closed; cameras plugged back will not be reopened";
      break;
    }
    // POLLERR on a netlink socket is its overflow, which the receive reports.
    if (!(fds[0].revents & (POLLIN | POLLERR))) continue;
    TUdevEvent event;
    if (udev_->Receive(monitor_, event) != 0) {
      const int error = errno;
      // Nothing left: a message that libudev read and dropped.
      if (error == EAGAIN || error == EINTR) continue;
      LogOnce("receive udev's events", error);
      if (error == ENOBUFS) PostOrdered(this, [this] { emit EventsLost(); });
      if (++failures >= kFailuresInARow) {
        qCWarning(lcCameraWatch) << "udev's event monitor keeps failing; cameras plugged back will not be reopened";
        break;
      }
      continue;
    }
    failures = 0;
    Handle(event);
  }
  running_.store(false);
}

void TDSCameraWatch::Handle(const TUdevEvent& event) {
  if (event.devnode.empty() || !IsVideoNode(event.devnode)) return;
  if (event.action == "add")
    Arrived(event);
  else if (event.action == "remove")
    Left(event);
}

void TDSCameraWatch::Arrived(const TUdevEvent& event) {
  int error = 0;
  const std::optional<TDSCameraNode> camera =
      DSDescribeCamera(*device_, {event.devnode, DSByIdName(event.devlinks)}, &error);
  cameras_.erase(event.devnode);
  if (!camera) {
    if (error)
      LogOnce("ask what the new node is:", error, event.devnode);
    else
      others_.insert(event.devnode);
    return;
  }
  others_.erase(event.devnode);
  const TDSDeviceDescription& d = camera->description;
  TDSCameraEvent appeared{d.Id, d.DevicePath, d.FriendlyName, camera->busInfo};
  cameras_[event.devnode] = appeared;
  Post(appeared, true);
}

void TDSCameraWatch::Left(const TUdevEvent& event) {
  TDSCameraEvent gone;
  if (const auto known = cameras_.find(event.devnode); known != cameras_.end()) {
    gone = known->second;
    cameras_.erase(known);
  } else {
    if (others_.erase(event.devnode)) return;
    // Not seen arriving: udev's rules tell what the node could do.
    const auto caps = event.properties.find("ID_V4L_CAPABILITIES");
    if (caps != event.properties.end() && caps->second.find(":capture:") == std::string::npos) return;
    gone.id = QString::fromStdString(DSByIdName(event.devlinks));
    gone.devicePath = QString::fromStdString(event.devnode);
  }
  Post(gone, false);
}

void TDSCameraWatch::Post(const TDSCameraEvent& camera, bool appeared) {
  // One queue for both kinds keeps their order.
  PostOrdered(this, [this, camera, appeared] { Deliver(camera, appeared); });
}

void TDSCameraWatch::Deliver(const TDSCameraEvent& camera, bool appeared) {
  if (!followedId_.isEmpty()) {
    if (appeared) {
      if (!camera.Is(followedId_)) return;
      followedPath_ = camera.devicePath;
    } else {
      const bool atItsNode = !followedPath_.isEmpty() && camera.devicePath == followedPath_;
      if (!camera.Is(followedId_) && !atItsNode) return;
      // The node number may go to another camera next.
      followedPath_.clear();
    }
  }
  if (appeared)
    emit CameraAppeared(camera);
  else
    emit CameraGone(camera);
}

}  // namespace lumicar
