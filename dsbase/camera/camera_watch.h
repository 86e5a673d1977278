#pragma once
// Watching cameras leave and come back: a thread waits on udev's monitor for
// video4linux nodes being added and removed and tells the watch's own thread
// (the UI thread that made it) about each capture node, keyed as the camera
// lister keys it, so that a camera pulled out and plugged back in can be
// reopened by its identity, also under another /dev/videoN. A node that
// appears is asked through the V4L2 seam what it is, as the lister asks it:
// metadata and other non-capture nodes are never reported.
//
//   auto* watch = new TDSCameraWatch(DSKernelUdevMonitor(), DSKernelV4L2Device(), window);
//   watch->Follow(chosen.Id, chosen.DevicePath);
//   connect(watch, &TDSCameraWatch::CameraAppeared, window, [](const TDSCameraEvent& c) { ...reopen c.devicePath... });
//   watch->Start();
//
// Without udev (no netlink socket, as in many containers) Start logs once
// and answers false; the viewer then simply does not reopen by itself.

#include <QObject>
#include <QString>
#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "dsbase/camera/udev_monitor.h"
#include "dsbase/camera/v4l2_device.h"

namespace lumicar {

struct TDSCameraEvent {
  // The camera's key, as the lister's TDSDeviceDescription::Id. Empty for
  // a removal when the node was not seen arriving and has no by-id link:
  // the camera's node tells it then.
  QString id;
  QString devicePath;  // /dev/videoN
  QString name;        // the driver's card name, when known
  QString busInfo;     // when known
  // Whether this is the camera listed as `cameraId`, also when the list had
  // to tell two cameras of one serial apart by their bus.
  bool Is(const QString& cameraId) const;
};

class TDSCameraWatch final : public QObject {
  Q_OBJECT

 public:
  explicit TDSCameraWatch(std::shared_ptr<IUdevMonitor> udev = DSKernelUdevMonitor(),
                          std::shared_ptr<IV4L2Device> device = DSKernelV4L2Device(), QObject* parent = nullptr);
  // Stops: the thread is woken, joined and the monitor closed.
  ~TDSCameraWatch() override;

  // Opens the monitor and starts the thread; true when it runs (also when
  // it already did). On failure it logs, once per watch, and stays off.
  bool Start();
  // Wakes the thread wherever it waits, joins it and closes the monitor;
  // events not yet delivered are dropped.
  void Stop();
  // Whether the thread still watches (it gives up when udev's monitor hangs
  // up or keeps failing, and says so in the log).
  bool Running() const { return running_.load(); }

  // Reports only about the camera keyed `id`, open at `devicePath`; an empty
  // id reports every camera. When the camera appears its new node is kept,
  // so that its removal is recognised by the node too.
  void Follow(const QString& id, const QString& devicePath = {});
  QString FollowedId() const { return followedId_; }
  QString FollowedPath() const { return followedPath_; }

 signals:
  // A capture node of a camera appeared (udev's rules have run: the node
  // has its permissions and links).
  void CameraAppeared(const lumicar::TDSCameraEvent& camera);
  void CameraGone(const lumicar::TDSCameraEvent& camera);
  // udev's socket overflowed and events were lost: whoever waits for a
  // camera should look for it again.
  void EventsLost();

 private:
  void Run();
  void Handle(const TUdevEvent& event);
  void Arrived(const TUdevEvent& event);
  void Left(const TUdevEvent& event);
  void Post(const TDSCameraEvent& camera, bool appeared);
  void Deliver(const TDSCameraEvent& camera, bool appeared);
  void LogOnce(const char* doing, int error, const std::string& node = {});

  const std::shared_ptr<IUdevMonitor> udev_;
  const std::shared_ptr<IV4L2Device> device_;
  int monitor_ = -1, wake_ = -1;
  std::thread thread_;
  std::atomic<bool> stop_{false}, running_{false};
  bool startLogged_ = false;
  // The watch's thread's own.
  std::map<std::string, TDSCameraEvent> cameras_;  // capture nodes seen arriving
  std::set<std::string> others_;                   // nodes seen arriving that are not cameras
  std::set<std::pair<std::string, int>> logged_;   // failures already logged: what was done, errno
  // The watch's owner thread's own.
  QString followedId_, followedPath_;
};

}  // namespace lumicar
