// The leak checks' look at the process: what grew is reported by name, what
// went away or belongs to the platform is not.

#include "testing/process_resources.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace lumicar::testtools {
namespace {

// A thread with a given name that lives until it is released.
class TNamedThread {
 public:
  explicit TNamedThread(const char* name) {
    thread_ = std::thread([this, name] {
      pthread_setname_np(pthread_self(), name);
      std::unique_lock guard(lock_);
      named_ = true;
      wake_.notify_all();
      wake_.wait(guard, [this] { return released_; });
    });
    std::unique_lock guard(lock_);
    wake_.wait(guard, [this] { return named_; });
  }
  ~TNamedThread() { Release(); }
  void Release() {
    {
      std::lock_guard guard(lock_);
      released_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::mutex lock_;
  std::condition_variable wake_;
  bool named_ = false, released_ = false;
  std::thread thread_;
};

// The runtime starts threads of its own on the first thread the program
// makes (ThreadSanitizer's background thread): one thread made and joined
// first keeps them out of every baseline.
class ProcessResourcesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::thread([] {}).join();
  }
};

TEST_F(ProcessResourcesTest, AThreadStartedSinceTheBaselineIsGrowthByName) {
  const TProcessResources before = SettledProcessResources();
  TNamedThread leaked("leaky worker");
  const TProcessResources after = SettledProcessResources();
  EXPECT_EQ(Growth(before.threads, after.threads), std::vector<std::string>{"leaky worker"});
  EXPECT_NE(DescribeGrowth(before, after).find("thread grown: leaky worker"), std::string::npos);
}

// A joined thread may still be on its way out of the kernel's task list:
// whether or not the look still sees it, it is never growth.
TEST_F(ProcessResourcesTest, AThreadThatEndedIsNoGrowth) {
  TNamedThread ending("ending worker");
  const TProcessResources before = SettledProcessResources();
  ending.Release();
  EXPECT_EQ(DescribeGrowth(before, SettledProcessResources()), "");
}

TEST_F(ProcessResourcesTest, PlatformThreadsComeAndGoUnreported) {
  const TProcessResources before = SettledProcessResources();
  TNamedThread pooled("Thread (pooled)");
  const TProcessResources after = SettledProcessResources();
  EXPECT_EQ(after.Threads(), before.Threads() + 1);
  EXPECT_EQ(DescribeGrowth(before, after), "");
}

// A pooled worker holds a descriptor of its own (here the one it opened):
// a quiet look drains the pool until no worker is left, so the worker's
// descriptor is not taken for the program's.
TEST_F(ProcessResourcesTest, AQuietLookWaitsUntilThePoolIsDrained) {
  const TProcessResources before = SettledProcessResources();
  TNamedThread pooled(kPooledWorkerName);
  const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  int drains = 0;
  const TProcessResources quiet = QuietProcessResources([&] {
    if (++drains == 2) {
      ::close(fd);
      pooled.Release();
    }
  });
  EXPECT_GE(drains, 2);
  EXPECT_EQ(DescribeGrowth(before, quiet), "");
  EXPECT_EQ(quiet.Fds(), before.Fds());
}

TEST_F(ProcessResourcesTest, AnOpenDescriptorIsGrowthUntilClosed) {
  const TProcessResources before = SettledProcessResources();
  const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  const TProcessResources open = SettledProcessResources();
  EXPECT_EQ(Growth(before.fds, open.fds), std::vector<std::string>{"/dev/null"});
  ::close(fd);
  EXPECT_EQ(DescribeGrowth(before, SettledProcessResources()), "");
}

TEST(ProcessResourcesGrowth, CountsEachExtraOccurrence) {
  EXPECT_EQ(Growth({"a", "b"}, {"a", "a", "a", "b"}), (std::vector<std::string>{"a", "a"}));
  EXPECT_EQ(Growth({"a", "a"}, {"a"}), std::vector<std::string>{});
  EXPECT_EQ(Growth({}, {"a", "x"}, {"x"}), std::vector<std::string>{"a"});
}

}  // namespace
}  // namespace lumicar::testtools
