#pragma once
// A scripted V4L2 node for the camera tests and benchmarks. By default it is
// the document camera (MJPEG 1600 × 1200 at 30 fps, YUYV 1600 × 1200 at
// 7 fps and 640 × 480 in both, picture controls with ranges and automatic
// companions); camera_profiles.h makes it other cameras: discrete or stepwise
// frame sizes, formats the filter cannot use, several nodes with their own
// formats, rows padded past the picture, buffers larger than a frame, control
// reads that fail. Faults the test queues: unplug, EAGAIN, short, empty or
// error-flagged buffers, corrupt or truncated JPEG, a driver that refuses
// S_FMT or a control, a poll that waits for nothing but a frame, an unplug
// or a wake-up. The filter sees it only through the I/O seam; its polls
// also watch the real descriptors a caller puts after the node.

#include <linux/videodev2.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "dsbase/camera/v4l2_device.h"

namespace lumicar::camtest {

class TFakeV4L2Device final : public IV4L2Device {
 public:
  struct TFrame {
    std::vector<uint8_t> bytes;
    uint32_t bytesused = 0;  // what DQBUF reports (may lie)
    uint32_t flags = 0;      // extra buffer flags, e.g. V4L2_BUF_FLAG_ERROR
    bool eagain = false;     // DQBUF answers EAGAIN once instead
    // The driver's capture time (CLOCK_MONOTONIC, ns) that DQBUF reports;
    // 0: the moment the frame was pushed, as a driver stamps a buffer
    // when it completes.
    int64_t timestampNs = 0;
  };
  struct TInterval {
    uint32_t fourcc, width, height, numerator, denominator;
  };
  struct TNode {
    std::string path;
    std::string card = "Document Camera";
    std::string bus = "usb-0000:00:14.0-1";
    uint32_t caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    // The formats of this node when it has its own (a second node of the
    // same camera offering only H.264); empty: the device's intervals_ and
    // stepwise_.
    std::vector<TInterval> intervals = {};
  };
  // A format whose sizes the driver states as one stepwise range, every size
  // in it at one frame interval.
  struct TStepwise {
    uint32_t fourcc;
    v4l2_frmsize_stepwise range;
    uint32_t numerator, denominator;
  };
  struct TControl {
    uint32_t id;
    uint32_t type;
    std::string name;
    int32_t min, max, def;
    uint32_t autoId = 0;  // the automatic companion that makes this one inactive
    uint32_t flags = 0;   // further V4L2_CTRL_FLAG_* the query reports
    // Menu labels (menu) or values (integer menu) from `min` on; an empty
    // label is an index the driver skips.
    std::vector<std::string> menu = {};
    int32_t step = 1;
  };

  TFakeV4L2Device();
  ~TFakeV4L2Device() override;
  TFakeV4L2Device(const TFakeV4L2Device&) = delete;
  TFakeV4L2Device& operator=(const TFakeV4L2Device&) = delete;

  int Open(const std::string& path, int flags) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;
  void* Mmap(size_t length, int prot, int flags, int fd, off_t offset) override;
  int Munmap(void* address, size_t length) override;
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override;
  int Close(int fd) override;
  bool Interruptible() const override { return interruptible_; }
  void Interrupt(int fd) override;

  // The script.
  void Push(TFrame frame);
  void PushBytes(const std::vector<uint8_t>& bytes, uint32_t flags = 0);
  void Unplug();
  // Waits (bounded, as a failsafe) until `count` buffers have come back
  // through VIDIOC_QBUF after being dequeued.
  bool WaitRequeued(int count);
  // Waits (bounded, as a failsafe) until a thread waits in Poll.
  bool WaitPolling();
  // Waits (bounded, as a failsafe) until the filter has asked `count` times
  // for a wake-up (also when the wake-up is switched off).
  bool WaitInterrupts(int count);

  // Configuration before the filter opens the node.
  // Adds a control after the document camera's own ones.
  void AddControl(TControl control);
  // Replaces the whole control table (values back to the defaults).
  void SetControls(std::vector<TControl> controls);
  // The driver's current format becomes the first node's first one, laid
  // out with the row and buffer quirks below.
  void ResetFormat();
  std::vector<TNode> nodes_;
  std::vector<TInterval> intervals_;  // one entry per format, size and rate
  std::vector<TStepwise> stepwise_;   // formats sized by a range instead
  // Row and buffer layout S_FMT reports for uncompressed formats: rows are
  // rounded up to `rowAlign_` bytes and then `rowPadding_` bytes longer;
  // `sizeImageSlack_` bytes follow the picture in every buffer.
  uint32_t rowAlign_ = 1, rowPadding_ = 0, sizeImageSlack_ = 0;
  // errno for every control read (VIDIOC_G_CTRL, VIDIOC_QUERYCTRL and
  // VIDIOC_QUERY_EXT_CTRL), or 0.
  int controlReadError_ = 0;
  bool refuseSetFormat_ = false;
  int streamOnError_ = 0;    // errno for VIDIOC_STREAMON, or 0
  int setControlError_ = 0;  // errno for every VIDIOC_S_CTRL, or 0
  // Poll ignores its time-out and ends only with a frame, an unplug or a
  // wake-up, as on a camera that sends nothing for a long while.
  bool pollIgnoresTimeout_ = false;
  // The next this many polls that find nothing to read time out at once, as
  // if their time-out had passed (a silent camera without the waiting).
  int instantTimeouts_ = 0;
  // Asked at every VIDIOC_STREAMON with the format set: an errno to fail
  // with (ENOSPC: no USB bandwidth left for it), or 0.
  std::function<int(const v4l2_pix_format&)> streamOnCheck_;
  // Whether Interrupt wakes the poller (a seam without the wake-up otherwise;
  // the requests are still counted).
  bool interruptible_ = true;

  // What the filter did.
  std::mutex lock_;
  v4l2_pix_format format_{};
  v4l2_fract parm_{1, 30};
  int openFds_ = 0, liveMappings_ = 0, streamOns_ = 0;
  int interrupts_ = 0;  // wake-ups asked for
  std::map<uint32_t, int32_t> controls_;
  std::vector<std::pair<uint32_t, int32_t>> controlWrites_;

 private:
  int Fail(int error);
  // Wakes the waits on the state: the condition and the eventfd a poll
  // with other descriptors watches.
  void Changed();
  // Poll with real descriptors after the node (the caller's own wake-ups).
  int PollWithOthers(pollfd* fds, nfds_t count, int timeoutMs);
  const TControl* FindControl(uint32_t id) const;
  bool Readable() const;
  // The formats of the node behind `fd`, stepwise ranges expanded to their
  // bounds for ENUM_FMT; and whether `w` × `h` of `fourcc` is one it offers.
  const std::vector<TInterval>& IntervalsOf(int fd);
  bool Offers(int fd, uint32_t fourcc, uint32_t w, uint32_t h);
  bool VideoNode(int fd);
  // Fills bytesperline and sizeimage of `p` as this driver lays it out.
  void Layout(v4l2_pix_format& p) const;

  std::condition_variable wake_;
  // eventfd written at every change of state, made by the first poll with
  // descriptors of the caller's own (a device polled only on its node holds
  // no descriptor of its own, as a node counts in the tests' fd checks).
  std::atomic<int> changed_{-1};
  std::vector<TControl> table_;
  std::deque<TFrame> pending_;
  struct TBuffer {
    std::vector<uint8_t> bytes;
    bool queued = false;
  };
  std::vector<TBuffer> buffers_;
  bool streaming_ = false, unplugged_ = false;
  int requeued_ = 0, nextFd_ = 100;
  int polling_ = 0;      // threads waiting in Poll
  std::set<int> woken_;  // nodes whose next Poll answers EINTR
  std::map<int, size_t> fdNode_;
  uint32_t sequence_ = 0;
};

// A 4:2:2 JPEG of a `width` × `height` picture (horizontal gradient with a
// dark block in the top-left corner), without its Huffman tables when
// `stripHuffman`, as many cameras send them.
std::vector<uint8_t> MakeJpeg(int width, int height, bool stripHuffman = false);
// A YUYV frame whose luma counts up along each row.
std::vector<uint8_t> MakeYuyv(int width, int height, uint8_t seed);

// The picture the camera frames below show: its luma (or grey) at `x`, `y`.
inline uint8_t TestLuma(int x, int y, uint8_t seed) { return uint8_t(seed + x + 3 * y); }
// One driver buffer of `format` (as S_FMT reported it: bytesperline and
// sizeimage) showing TestLuma, chroma 100 / 200 (U / V), RGB as grey. The
// bytes a row or the buffer has past the picture are 0xA5, so that reading
// them shows. YUYV, UYVY, RGB24, BGR24, GREY, NV12 and YU12; MJPEG gives
// MakeJpeg; others an empty vector.
std::vector<uint8_t> MakeCameraFrame(const v4l2_pix_format& format, uint8_t seed);

}  // namespace lumicar::camtest
