#pragma once
// Finding cameras and naming them stably: the video4linux nodes listed by
// udev (or, without udev, by /sys/class/video4linux), each with its
// /dev/v4l/by-id/ name when it has one; then, through the seam, only nodes
// that capture and stream video (metadata nodes skipped), named by their card
// and keyed by the by-id name, else the bus information plus the card name.

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "dsbase/camera/v4l2_device.h"
#include "dsbase/graph/device_provider.h"

namespace lumicar {

struct TDSVideoNode {
  std::string devnode;  // /dev/videoN
  std::string byId;     // the by-id link's file name, or empty
};

// The by-id link's file name among a node's udev links, or empty.
std::string DSByIdName(const std::vector<std::string>& devlinks);

std::vector<TDSVideoNode> DSListVideoNodes();
// Video nodes under a sysfs class directory and a by-id directory (the
// fallback without udev; separate so that it can be pointed elsewhere).
std::vector<TDSVideoNode> DSListVideoNodesFromSys(const std::string& classDir, const std::string& byIdDir);
// One node's camera, when the node captures and streams video: its name
// and key (ids shared with another camera not yet told apart), and the bus
// information that tells such cameras apart. `error`, when given, receives
// errno when the node could not be opened or asked, else 0.
struct TDSCameraNode {
  TDSDeviceDescription description;
  QString busInfo;
};
std::optional<TDSCameraNode> DSDescribeCamera(IV4L2Device& device, const TDSVideoNode& node, int* error = nullptr);
// The key of a camera whose by-id name `id` another camera listed before it
// has too (two cameras of one make and serial).
QString DSCameraIdOnBus(const QString& id, const QString& busInfo);
// The capture devices among `nodes`, in node order; identical card names
// are numbered " (2)", " (3)" in that order.
std::vector<TDSDeviceDescription> DSDescribeCameras(IV4L2Device& device, const std::vector<TDSVideoNode>& nodes);

}  // namespace lumicar
