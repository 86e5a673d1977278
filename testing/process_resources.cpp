#include "testing/process_resources.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <sstream>
#include <thread>
#include <utility>

namespace lumicar::testtools {
namespace {

// Reads a small /proc file relative to an open directory; false when the
// entry has gone (a thread that ended after the listing named it).
bool ReadSmallFile(int dirFd, const std::string& path, std::string* text) {
  const int fd = ::openat(dirFd, path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[256];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  ::close(fd);
  if (n <= 0) return false;
  text->assign(buffer, static_cast<size_t>(n));
  while (!text->empty() && (text->back() == '\n' || text->back() == '\0')) text->pop_back();
  return true;
}

// Every entry of a /proc directory but "." and "..", with `describe` naming
// it; an entry that `describe` cannot read any more is not counted.
template <typename Describe>
std::vector<std::string> ListEntries(const char* path, Describe describe) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(path);
  if (dir == nullptr) return names;
  const int ownFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string described;
    if (describe(ownFd, name, &described)) names.push_back(std::move(described));
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TProcessResources ReadProcessResources() {
  TProcessResources r;
  r.threads = ListEntries("/proc/self/task", [](int dirFd, const std::string& tid, std::string* name) {
    return ReadSmallFile(dirFd, tid + "/comm", name);
  });
  r.fds = ListEntries("/proc/self/fd", [](int dirFd, const std::string& fd, std::string* target) {
    // The listing's own descriptor is no resource of the program's.
    if (fd == std::to_string(dirFd)) return false;
    char buffer[512];
    const ssize_t n = ::readlinkat(dirFd, fd.c_str(), buffer, sizeof buffer - 1);
    if (n < 0) return false;
    target->assign(buffer, static_cast<size_t>(n));
    return true;
  });
  return r;
}

namespace {

// Takes `look` until `enough` accepts one or `end` passes, and returns the
// last one taken: the one loop under both kinds of patient look below.
TProcessResources LookUntil(std::chrono::steady_clock::time_point end, const std::function<TProcessResources()>& look,
                            const std::function<bool(const TProcessResources&)>& enough) {
  for (;;) {
    TProcessResources next = look();
    if (enough(next) || std::chrono::steady_clock::now() > end) return next;
  }
}

}  // namespace

TProcessResources SettledProcessResources(const std::function<void()>& between, std::chrono::milliseconds bound) {
  TProcessResources last = ReadProcessResources();
  return LookUntil(
      std::chrono::steady_clock::now() + bound,
      [&] {
        if (between) {
          between();
        } else {
          std::this_thread::yield();
        }
        return ReadProcessResources();
      },
      [&](const TProcessResources& next) { return std::exchange(last, next) == next; });
}

TProcessResources QuietProcessResources(const std::function<void()>& drain, const std::function<void()>& between) {
  return LookUntil(
      std::chrono::steady_clock::now() + kHangGuard,
      [&] {
        if (drain) drain();
        return SettledProcessResources(between);
      },
      [](const TProcessResources& look) {
        return std::find(look.threads.begin(), look.threads.end(), kPooledWorkerName) == look.threads.end();
      });
}

const std::vector<std::string>& PlatformThreadNames() {
  // Qt's thread pool keeps idle workers for a while after a job (large
  // pictures are scaled on them); the D-Bus and GLib helpers belong to the
  // platform plug-ins.
  static const std::vector<std::string> names = {kPooledWorkerName, "QDBusConnection", "gmain",
                                                 "gdbus",           "dconf worker",    "QXcbEventQueue"};
  return names;
}

int TProcessResources::ProgramThreads() const {
  return static_cast<int>(Growth({}, threads, PlatformThreadNames()).size());
}

std::vector<std::string> Growth(const std::vector<std::string>& before, const std::vector<std::string>& after,
                                const std::vector<std::string>& ignored) {
  std::map<std::string, int> counts;
  for (const std::string& name : before) --counts[name];
  for (const std::string& name : after) ++counts[name];
  std::vector<std::string> grown;
  for (const auto& [name, extra] : counts) {
    if (std::find(ignored.begin(), ignored.end(), name) != ignored.end()) continue;
    for (int i = 0; i < extra; ++i) grown.push_back(name);
  }
  return grown;
}

std::string DescribeGrowth(const TProcessResources& before, const TProcessResources& after) {
  const std::vector<std::string> threads = Growth(before.threads, after.threads, PlatformThreadNames());
  const std::vector<std::string> fds = Growth(before.fds, after.fds);
  if (threads.empty() && fds.empty()) return {};
  std::ostringstream out;
  for (const std::string& t : threads) out << "thread grown: " << t << '\n';
  for (const std::string& f : fds) out << "descriptor grown: " << f << '\n';
  out << "before: " << before << "\nafter: " << after;
  return out.str();
}

std::ostream& operator<<(std::ostream& out, const TProcessResources& r) {
  out << r.Threads() << " threads (";
  for (size_t i = 0; i < r.threads.size(); ++i) out << (i ? ", " : "") << r.threads[i];
  out << "), " << r.Fds() << " fds (";
  for (size_t i = 0; i < r.fds.size(); ++i) out << (i ? ", " : "") << r.fds[i];
  return out << ')';
}

}  // namespace lumicar::testtools
