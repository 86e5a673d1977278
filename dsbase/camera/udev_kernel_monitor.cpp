// The udev seam on libudev: each monitor kept by its socket's descriptor,
// each call passed through. libudev's socket is non-blocking, so a Receive
// with nothing pending answers EAGAIN instead of waiting.

#include <libudev.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "dsbase/camera/udev_monitor.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

namespace {

class TKernelUdevMonitor final : public IUdevMonitor {
 public:
  int Open(const std::string& netlink) override {
    udev* u = udev_new();
    if (!u) return Fail(errno ? errno : ENOMEM);
    udev_monitor* m = udev_monitor_new_from_netlink(u, netlink.c_str());
    if (!m) {
      const int e = errno ? errno : EPROTONOSUPPORT;
      udev_unref(u);
      return Fail(e);
    }
    const int fd = udev_monitor_get_fd(m);
    if (fd < 0) {
      udev_monitor_unref(m);
      udev_unref(u);
      return Fail(EBADF);
    }
    std::lock_guard guard(lock_);
    monitors_[fd] = {u, m};
    return fd;
  }
  int FilterSubsystem(int fd, const std::string& subsystem) override {
    udev_monitor* m = MonitorOf(fd);
    if (!m) return Fail(EBADF);
    return Result(udev_monitor_filter_add_match_subsystem_devtype(m, subsystem.c_str(), nullptr));
  }
  int EnableReceiving(int fd) override {
    udev_monitor* m = MonitorOf(fd);
    if (!m) return Fail(EBADF);
    return Result(udev_monitor_enable_receiving(m));
  }
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override { return ::poll(fds, count, timeoutMs); }
  int Receive(int fd, TUdevEvent& event) override {
    udev_monitor* m = MonitorOf(fd);
    if (!m) return Fail(EBADF);
    errno = 0;
    udev_device* d = udev_monitor_receive_device(m);
    if (!d) return Fail(errno ? errno : EAGAIN);
    event = {};
    if (const char* a = udev_device_get_action(d)) event.action = a;
    if (const char* n = udev_device_get_devnode(d)) event.devnode = n;
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_device_get_devlinks_list_entry(d)) {
      event.devlinks.emplace_back(udev_list_entry_get_name(entry));
    }
    udev_list_entry_foreach(entry, udev_device_get_properties_list_entry(d)) {
      const char* value = udev_list_entry_get_value(entry);
      event.properties[udev_list_entry_get_name(entry)] = value ? value : "";
    }
    udev_device_unref(d);
    return 0;
  }
  int Close(int fd) override {
    TMonitor closing{};
    {
      std::lock_guard guard(lock_);
      const auto i = monitors_.find(fd);
      if (i == monitors_.end()) return Fail(EBADF);
      closing = i->second;
      monitors_.erase(i);
    }
    // Unreferencing the monitor closes its socket.
    udev_monitor_unref(closing.monitor);
    udev_unref(closing.context);
    return 0;
  }

 private:
  struct TMonitor {
    udev* context;
    udev_monitor* monitor;
  };

  static int Fail(int error) {
    errno = error;
    return -1;
  }
  // libudev answers a negative error number.
  static int Result(int r) { return r < 0 ? Fail(-r) : 0; }

  udev_monitor* MonitorOf(int fd) {
    std::lock_guard guard(lock_);
    const auto i = monitors_.find(fd);
    return i == monitors_.end() ? nullptr : i->second.monitor;
  }

  TLeafMutex lock_{"kernel udev monitors"};
  std::map<int, TMonitor> monitors_;
};

}  // namespace

std::shared_ptr<IUdevMonitor> DSKernelUdevMonitor() {
  static const std::shared_ptr<IUdevMonitor> monitor = std::make_shared<TKernelUdevMonitor>();
  return monitor;
}

}  // namespace lumicar
