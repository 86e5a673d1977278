#pragma once

// One consistent look at the process's threads and open descriptors, for the
// tests that check that a storm or a teardown left nothing behind.
//
// Each look lists /proc/self/task and /proc/self/fd once and derives both the
// counts and the names from that one listing, so a thread that ends while the
// look is taken can never make the count and the names disagree. Threads the
// platform owns (Qt's pooled workers and the like) start and end by
// themselves; a leak check therefore asks what grew, never whether two looks
// are equal.

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "testing/hang_guard.h"

namespace lumicar::testtools {

struct TProcessResources {
  std::vector<std::string> threads;  // each live thread's name, sorted
  std::vector<std::string> fds;      // each open descriptor's target, sorted
  bool operator==(const TProcessResources&) const = default;
  int Threads() const { return static_cast<int>(threads.size()); }
  int Fds() const { return static_cast<int>(fds.size()); }
  // Threads but those the platform starts and ends by itself.
  int ProgramThreads() const;
};

// One look, as described above.
TProcessResources ReadProcessResources();

// Looks until two looks in a row agree, calling `between` (event processing,
// typically) before each further look, and returns the last one. Gives up
// after `bound` — a hang guard, not a timing assumption — and returns the
// last look, which the caller's growth check then judges.
TProcessResources SettledProcessResources(const std::function<void()>& between = {},
                                          std::chrono::milliseconds bound = kHangGuard);

// A settled look in which none of the platform's pooled workers is left.
// Such a worker holds descriptors of its own (its event loop's eventfd),
// which a growth check cannot tell from a leak, and work started while the
// look settles (a repaint scaling a picture) may start one again; so this
// calls `drain` (waiting for the pool to empty, typically) and looks again
// until a settled look has none. Gives up after the hang guard and returns
// the last look.
TProcessResources QuietProcessResources(const std::function<void()>& drain, const std::function<void()>& between = {});

// The name Qt gives the workers of its thread pools.
inline constexpr const char* kPooledWorkerName = "Thread (pooled)";

// Names of threads that the platform starts and ends by itself.
const std::vector<std::string>& PlatformThreadNames();

// What `after` holds beyond `before`, as a multiset: a name counted more often
// after than before is listed once per extra occurrence. Names in `ignored`
// are left out on both sides.
std::vector<std::string> Growth(const std::vector<std::string>& before, const std::vector<std::string>& after,
                                const std::vector<std::string>& ignored = {});

// Threads and descriptors grown since `before`, thread names the platform
// owns left out; empty when nothing grew. Meant for a failure message.
std::string DescribeGrowth(const TProcessResources& before, const TProcessResources& after);

std::ostream& operator<<(std::ostream& out, const TProcessResources& r);

}  // namespace lumicar::testtools
