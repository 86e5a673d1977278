#pragma once
// The thin seam under the camera watch: the few libudev calls a netlink
// monitor makes, each answering as libudev does (-1 with errno set on
// failure). A monitor is known by its descriptor, which the watch polls. The
// kernel implementation passes the calls through; tests put a scripted
// monitor here that queues add and remove events and faults.

#include <poll.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lumicar {

// One device event as udev sends it once its rules have run.
struct TUdevEvent {
  std::string action;                             // "add", "remove", "change", ...
  std::string devnode;                            // /dev/videoN, or empty
  std::vector<std::string> devlinks;              // the node's links, /dev/v4l/by-id/... among them
  std::map<std::string, std::string> properties;  // ID_V4L_CAPABILITIES, ID_SERIAL, ...
};

class IUdevMonitor {
 public:
  virtual ~IUdevMonitor() = default;
  // A monitor of the netlink source `netlink` ("udev": events after udev's
  // rules ran, so by-id links exist): its descriptor, or -1.
  virtual int Open(const std::string& netlink) = 0;
  virtual int FilterSubsystem(int fd, const std::string& subsystem) = 0;
  virtual int EnableReceiving(int fd) = 0;
  // poll(2) on the monitor's descriptor and whatever else the caller watches.
  virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;
  // The next event, 0; -1 when none could be read (EAGAIN: none pending,
  // ENOBUFS: the socket overflowed and events were lost).
  virtual int Receive(int fd, TUdevEvent& event) = 0;
  virtual int Close(int fd) = 0;
};

// libudev's monitor.
std::shared_ptr<IUdevMonitor> DSKernelUdevMonitor();

}  // namespace lumicar
