// The seam's wake-up on the kernel and on the synthetic camera: a wake-up
// given before the poll is kept for it, ends it with EINTR however long its
// time-out, is taken only once, and the kernel's eventfd goes with its node;
// a caller's own descriptor polled beside the node wakes the kernel's and the
// scripted node's poll.
// A poll on a FIFO stands in for a V4L2 node: the kernel treats both alike.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <future>
#include <string>

#include "dsbase/camera/test_pattern_device.h"
#include "dsbase/camera/v4l2_device.h"
#include "testing/camera/fake_v4l2_device.h"
#include "tests/runtime/sync/sync_test_util.h"

namespace lumicar {
namespace {

int OpenFdCount() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

class KernelPollWakeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/lumicar-poll-wake-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    node_ = dir_ + "/node";
    ASSERT_EQ(mkfifo(node_.c_str(), 0600), 0);
  }
  void TearDown() override {
    unlink(node_.c_str());
    rmdir(dir_.c_str());
  }
  std::string dir_, node_;
};

TEST_F(KernelPollWakeTest, AWakeUpEndsThePollOnceAndGoesWithTheNode) {
  IV4L2Device& d = *DSKernelV4L2Device();
  ASSERT_TRUE(d.Interruptible());
  const int before = OpenFdCount();
  const int fd = d.Open(node_, O_RDWR | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(OpenFdCount(), before + 2);  // the node and its wake-up
  pollfd p{fd, POLLIN, 0};
  // Given before the poll: kept for it, taken once.
  d.Interrupt(fd);
  errno = 0;
  EXPECT_EQ(d.Poll(&p, 1, 0), -1);
  EXPECT_EQ(errno, EINTR);
  EXPECT_EQ(d.Poll(&p, 1, 0), 0);
  // The node's own readiness still comes through.
  const char byte = 1;
  ASSERT_EQ(write(fd, &byte, 1), 1);
  EXPECT_EQ(d.Poll(&p, 1, 0), 1);
  EXPECT_TRUE(p.revents & POLLIN);
  char got;
  ASSERT_EQ(read(fd, &got, 1), 1);
  // A poll waiting on another thread with a long time-out ends at once.
  std::promise<std::pair<int, int>> answer;
  std::future<std::pair<int, int>> polled = answer.get_future();
  std::thread poller([&] {
    pollfd q{fd, POLLIN, 0};
    const int r = d.Poll(&q, 1, 60'000);
    answer.set_value({r, r < 0 ? errno : 0});
  });
  d.Interrupt(fd);
  const bool finished = polled.wait_for(lumicar::testing::kGenerous) == std::future_status::ready;
  if (!finished) {
    EXPECT_EQ(write(fd, &byte, 1), 1);  // failsafe: free the poller
  }
  poller.join();
  EXPECT_TRUE(finished);
  EXPECT_EQ(polled.get(), std::make_pair(-1, EINTR));
  EXPECT_EQ(d.Close(fd), 0);
  EXPECT_EQ(OpenFdCount(), before);
}

TEST_F(KernelPollWakeTest, ACallersOwnDescriptorIsPolledBesideTheNode) {
  IV4L2Device& d = *DSKernelV4L2Device();
  const int fd = d.Open(node_, O_RDWR | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  const int own = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  ASSERT_GE(own, 0);
  pollfd p[2] = {{fd, POLLIN, 0}, {own, POLLIN, 0}};
  EXPECT_EQ(d.Poll(p, 2, 0), 0);
  const uint64_t one = 1;
  ASSERT_EQ(write(own, &one, sizeof one), ssize_t(sizeof one));
  EXPECT_EQ(d.Poll(p, 2, 60'000), 1);
  EXPECT_EQ(p[0].revents, 0);
  EXPECT_TRUE(p[1].revents & POLLIN);
  // The stop's wake-up still wins over it.
  d.Interrupt(fd);
  errno = 0;
  EXPECT_EQ(d.Poll(p, 2, 0), -1);
  EXPECT_EQ(errno, EINTR);
  EXPECT_EQ(p[1].revents, 0);
  close(own);
  EXPECT_EQ(d.Close(fd), 0);
}

TEST(FakePollTest, ACallersOwnDescriptorWakesAPollThatWaitsForAFrame) {
  camtest::TFakeV4L2Device d;
  d.pollIgnoresTimeout_ = true;
  const int fd = d.Open("/dev/video0", O_RDWR);
  ASSERT_GE(fd, 0);
  const int own = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  ASSERT_GE(own, 0);
  std::promise<std::pair<int, short>> answer;
  std::future<std::pair<int, short>> polled = answer.get_future();
  std::thread poller([&] {
    pollfd p[2] = {{fd, POLLIN, 0}, {own, POLLIN, 0}};
    const int r = d.Poll(p, 2, 60'000);
    answer.set_value({r, p[1].revents});
  });
  ASSERT_TRUE(d.WaitPolling());
  const uint64_t one = 1;
  ASSERT_EQ(write(own, &one, sizeof one), ssize_t(sizeof one));
  const bool finished = polled.wait_for(lumicar::testing::kGenerous) == std::future_status::ready;
  if (!finished) d.Unplug();  // failsafe: free the poller
  poller.join();
  ASSERT_TRUE(finished);
  const auto [r, revents] = polled.get();
  EXPECT_EQ(r, 1);
  EXPECT_TRUE(revents & POLLIN);
  // And an unplug wakes it as before, reported on the node.
  d.Unplug();
  pollfd p[2] = {{fd, POLLIN, 0}, {-1, POLLIN, 0}};
  EXPECT_EQ(d.Poll(p, 2, 60'000), 1);
  EXPECT_TRUE(p[0].revents & POLLERR);
  close(own);
  d.Close(fd);
}

TEST(TestPatternPollWakeTest, AWakeUpEndsAPollThatWaitsForTheNextFrame) {
  TDSTestPatternDevice d;
  ASSERT_TRUE(d.Interruptible());
  const int fd = d.Open(TDSTestPatternDevice::kPath, O_RDWR);
  ASSERT_GE(fd, 0);
  v4l2_streamparm parm{};
  parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  parm.parm.capture.timeperframe = {1, 1};  // the next frame is a second away
  ASSERT_EQ(d.Ioctl(fd, VIDIOC_S_PARM, &parm), 0);
  v4l2_requestbuffers r{};
  r.count = 2;
  r.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  r.memory = V4L2_MEMORY_MMAP;
  ASSERT_EQ(d.Ioctl(fd, VIDIOC_REQBUFS, &r), 0);
  for (uint32_t i = 0; i < r.count; ++i) {
    v4l2_buffer b{};
    b.index = i;
    ASSERT_EQ(d.Ioctl(fd, VIDIOC_QBUF, &b), 0);
  }
  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  ASSERT_EQ(d.Ioctl(fd, VIDIOC_STREAMON, &type), 0);
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(d.Poll(&p, 1, 0), 1);  // the first frame is due at once
  v4l2_buffer b{};
  ASSERT_EQ(d.Ioctl(fd, VIDIOC_DQBUF, &b), 0);
  // Woken, the poll answers EINTR rather than waiting for the frame.
  d.Interrupt(fd);
  errno = 0;
  EXPECT_EQ(d.Poll(&p, 1, 10'000), -1);
  EXPECT_EQ(errno, EINTR);
  EXPECT_EQ(d.Poll(&p, 1, 0), 0);
  ASSERT_EQ(d.Ioctl(fd, VIDIOC_STREAMOFF, &type), 0);
  EXPECT_EQ(d.Close(fd), 0);
}

}  // namespace
}  // namespace lumicar
