#include "dsbase/camera/camera_identity.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/videodev2.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/camera/camera_log.h"
#include "dsbase/camera/camera_modes.h"

namespace lumicar {

namespace {

// videoN in N order, so that the list is stable within one boot.
void SortNodes(std::vector<TDSVideoNode>& nodes) {
  auto number = [](const std::string& path) {
    const size_t p = path.find_last_not_of("0123456789");
    return p + 1 < path.size() ? std::stol(path.substr(p + 1)) : -1L;
  };
  std::sort(nodes.begin(), nodes.end(),
            [&](const TDSVideoNode& a, const TDSVideoNode& b) { return number(a.devnode) < number(b.devnode); });
}

std::string ByIdOf(const std::string& devnode, const std::string& byIdDir) {
  const QDir dir(QString::fromStdString(byIdDir));
  const QString target = QFileInfo(QString::fromStdString(devnode)).canonicalFilePath();
  for (const QFileInfo& link : dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
    if (!target.isEmpty() && link.canonicalFilePath() == target) return link.fileName().toStdString();
  return {};
}

QString Text(const uint8_t* bytes, size_t size) {
  const char* c = reinterpret_cast<const char*>(bytes);
  return QString::fromUtf8(c, int(strnlen(c, size))).trimmed();
}

}  // namespace

std::vector<TDSVideoNode> DSListVideoNodesFromSys(const std::string& classDir, const std::string& byIdDir) {
  std::vector<TDSVideoNode> nodes;
  const QDir dir(QString::fromStdString(classDir));
  for (const QString& name : dir.entryList({QStringLiteral("video*")}, QDir::AllEntries | QDir::System)) {
    const std::string devnode = "/dev/" + name.toStdString();
    nodes.push_back({devnode, ByIdOf(devnode, byIdDir)});
  }
  SortNodes(nodes);
  return nodes;
}

std::string DSByIdName(const std::vector<std::string>& devlinks) {
  const std::string prefix = "/dev/v4l/by-id/";
  std::string byId;
  for (const std::string& path : devlinks)
    if (path.rfind(prefix, 0) == 0 && path.size() > prefix.size()) byId = path.substr(prefix.size());
  return byId;
}

std::vector<TDSVideoNode> DSListVideoNodes() {
  udev* u = udev_new();
  if (!u) return DSListVideoNodesFromSys("/sys/class/video4linux", "/dev/v4l/by-id");
  std::vector<TDSVideoNode> nodes;
  if (udev_enumerate* e = udev_enumerate_new(u)) {
    udev_enumerate_add_match_subsystem(e, "video4linux");
    udev_enumerate_scan_devices(e);
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
      udev_device* d = udev_device_new_from_syspath(u, udev_list_entry_get_name(entry));
      if (!d) continue;
      const char* node = udev_device_get_devnode(d);
      if (node && std::strncmp(udev_device_get_sysname(d), "video", 5) == 0) {
        std::vector<std::string> links;
        udev_list_entry* link;
        udev_list_entry_foreach(link, udev_device_get_devlinks_list_entry(d)) {
          links.emplace_back(udev_list_entry_get_name(link));
        }
        nodes.push_back({node, DSByIdName(links)});
      }
      udev_device_unref(d);
    }
    udev_enumerate_unref(e);
  }
  udev_unref(u);
  // A system without a udev database lists nothing: the fallback then does.
  if (nodes.empty()) return DSListVideoNodesFromSys("/sys/class/video4linux", "/dev/v4l/by-id");
  SortNodes(nodes);
  return nodes;
}

std::optional<TDSCameraNode> DSDescribeCamera(IV4L2Device& device, const TDSVideoNode& node, int* error) {
  int ignored;
  int& failure = error ? *error : ignored;
  failure = 0;
  const int fd = device.Open(node.devnode, O_RDWR | O_NONBLOCK);
  if (fd < 0) {
    failure = errno;
    return std::nullopt;
  }
  v4l2_capability cap{};
  const bool queried = device.Ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0;
  const int queryError = errno;
  const uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
  const bool video =
      queried && (caps & V4L2_CAP_VIDEO_CAPTURE) && (caps & V4L2_CAP_STREAMING) && !(caps & V4L2_CAP_META_CAPTURE);
  // A second node of a webcam may stream only H.264, which the filter does
  // not decode: choosing it would show nothing, so it is no camera here.
  const TDSNodeFormats formats = video ? DSListNodeFormats(device, fd) : TDSNodeFormats{};
  device.Close(fd);
  if (!queried) {
    failure = queryError;
    return std::nullopt;
  }
  if (!video) return std::nullopt;
  const QString card = Text(cap.card, sizeof cap.card);
  if (formats.usable.empty()) {
    qCInfo(lcCamera).noquote() << QStringLiteral("%1 (%2) offers only %3: not listed as a camera")
                                      .arg(QString::fromStdString(node.devnode), card,
                                           formats.skipped.empty() ? QStringLiteral("no video format")
                                                                   : DSFourccList(formats.skipped));
    return std::nullopt;
  }
  TDSCameraNode camera;
  TDSDeviceDescription& d = camera.description;
  camera.busInfo = Text(cap.bus_info, sizeof cap.bus_info);
  d.FriendlyName = card.isEmpty() ? QStringLiteral("Camera") : card;
  d.Id = !node.byId.empty() ? QString::fromStdString(node.byId) : camera.busInfo + QLatin1Char('/') + d.FriendlyName;
  d.DevicePath = QString::fromStdString(node.devnode);
  d.FilterClassId = CLSID_V4L2CaptureFilter;
  return camera;
}

QString DSCameraIdOnBus(const QString& id, const QString& busInfo) { return id + QLatin1Char('@') + busInfo; }

std::vector<TDSDeviceDescription> DSDescribeCameras(IV4L2Device& device, const std::vector<TDSVideoNode>& nodes) {
  std::vector<TDSDeviceDescription> cameras;
  for (const TDSVideoNode& node : nodes) {
    std::optional<TDSCameraNode> camera = DSDescribeCamera(device, node);
    if (!camera) continue;
    TDSDeviceDescription& d = camera->description;
    // Two cameras with the same serial share a by-id name: the bus tells them apart.
    for (const auto& other : cameras)
      if (other.Id == d.Id) d.Id = DSCameraIdOnBus(d.Id, camera->busInfo);
    cameras.push_back(std::move(d));
  }
  for (size_t i = 0; i < cameras.size(); ++i) {
    int n = 1;
    for (size_t j = 0; j < i; ++j)
      if (cameras[j].FriendlyName.section(QStringLiteral(" ("), 0, 0) == cameras[i].FriendlyName) ++n;
    if (n > 1) cameras[i].FriendlyName += QStringLiteral(" (%1)").arg(n);
  }
  return cameras;
}

}  // namespace lumicar
