#include "testing/camera/fake_v4l2_device.h"

#include <sys/eventfd.h>
#include <sys/mman.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "testing/camera/camera_profiles.h"

namespace lumicar::camtest {

TFakeV4L2Device::TFakeV4L2Device() { ApplyCameraProfile(*this, DocumentCameraProfile()); }

TFakeV4L2Device::~TFakeV4L2Device() {
  if (changed_.load() >= 0) ::close(changed_.load());
}

void TFakeV4L2Device::Changed() {
  wake_.notify_all();
  const uint64_t one = 1;
  const int changed = changed_.load();
  if (changed >= 0) (void)!::write(changed, &one, sizeof one);
}

int TFakeV4L2Device::Fail(int error) {
  errno = error;
  return -1;
}

const TFakeV4L2Device::TControl* TFakeV4L2Device::FindControl(uint32_t id) const {
  for (const TControl& c : table_)
    if (c.id == id) return &c;
  return nullptr;
}

int TFakeV4L2Device::Open(const std::string& path, int) {
  std::lock_guard guard(lock_);
  if (unplugged_) return Fail(ENOENT);
  for (size_t i = 0; i < nodes_.size(); ++i)
    if (nodes_[i].path == path) {
      ++openFds_;
      fdNode_[nextFd_] = i;
      return nextFd_++;
    }
  return Fail(ENOENT);
}

int TFakeV4L2Device::Close(int fd) {
  std::lock_guard guard(lock_);
  woken_.erase(fd);
  --openFds_;
  return 0;
}

void* TFakeV4L2Device::Mmap(size_t length, int, int, int, off_t offset) {
  std::lock_guard guard(lock_);
  const size_t index = size_t(offset) >> 20;
  if (unplugged_ || index >= buffers_.size() || length != buffers_[index].bytes.size()) {
    errno = unplugged_ ? ENODEV : EINVAL;
    return MAP_FAILED;
  }
  ++liveMappings_;
  return buffers_[index].bytes.data();
}

int TFakeV4L2Device::Munmap(void*, size_t) {
  std::lock_guard guard(lock_);
  --liveMappings_;
  return 0;
}

const std::vector<TFakeV4L2Device::TInterval>& TFakeV4L2Device::IntervalsOf(int fd) {
  const TNode& n = nodes_[fdNode_[fd]];
  return n.intervals.empty() ? intervals_ : n.intervals;
}

bool TFakeV4L2Device::VideoNode(int fd) { return (nodes_[fdNode_[fd]].caps & V4L2_CAP_VIDEO_CAPTURE) != 0; }

namespace {

bool InRange(const v4l2_frmsize_stepwise& r, uint32_t w, uint32_t h) {
  const uint32_t sw = std::max<uint32_t>(r.step_width, 1), sh = std::max<uint32_t>(r.step_height, 1);
  return w >= r.min_width && w <= r.max_width && h >= r.min_height && h <= r.max_height &&
         (w - r.min_width) % sw == 0 && (h - r.min_height) % sh == 0;
}

// Bytes per pixel of a row as the driver lays it out (the luma plane for
// the planar layouts); 0 for the compressed formats.
uint32_t RowBytesPerPixel(uint32_t fourcc) {
  switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
    case V4L2_PIX_FMT_UYVY:
    case V4L2_PIX_FMT_RGB565:
    case V4L2_PIX_FMT_RGB555:
      return 2;
    case V4L2_PIX_FMT_RGB24:
    case V4L2_PIX_FMT_BGR24:
      return 3;
    case V4L2_PIX_FMT_XBGR32:
    case V4L2_PIX_FMT_BGR32:
      return 4;
    case V4L2_PIX_FMT_GREY:
    case V4L2_PIX_FMT_NV12:
    case V4L2_PIX_FMT_YUV420:
      return 1;
    default:
      return 0;
  }
}

bool Planar(uint32_t fourcc) { return fourcc == V4L2_PIX_FMT_NV12 || fourcc == V4L2_PIX_FMT_YUV420; }

}  // namespace

bool TFakeV4L2Device::Offers(int fd, uint32_t fourcc, uint32_t w, uint32_t h) {
  for (const TInterval& i : IntervalsOf(fd))
    if (i.fourcc == fourcc && i.width == w && i.height == h) return true;
  if (nodes_[fdNode_[fd]].intervals.empty())
    for (const TStepwise& s : stepwise_)
      if (s.fourcc == fourcc && InRange(s.range, w, h)) return true;
  return false;
}

void TFakeV4L2Device::Layout(v4l2_pix_format& p) const {
  const uint32_t bpp = RowBytesPerPixel(p.pixelformat);
  if (!bpp) {
    p.bytesperline = 0;
    p.sizeimage = p.width * p.height;
    return;
  }
  const uint32_t align = std::max<uint32_t>(rowAlign_, 1);
  p.bytesperline = (p.width * bpp + align - 1) / align * align + rowPadding_;
  p.sizeimage = p.bytesperline * p.height;
  if (Planar(p.pixelformat)) p.sizeimage += p.bytesperline * (p.height / 2);
  p.sizeimage += sizeImageSlack_;
}

void TFakeV4L2Device::ResetFormat() {
  std::lock_guard guard(lock_);
  const std::vector<TInterval>& own = nodes_.empty() ? intervals_ : nodes_[0].intervals;
  const std::vector<TInterval>& list = own.empty() ? intervals_ : own;
  v4l2_pix_format p{};
  if (!list.empty()) {
    p.pixelformat = list[0].fourcc, p.width = list[0].width, p.height = list[0].height;
  } else if (!stepwise_.empty()) {
    p.pixelformat = stepwise_[0].fourcc;
    p.width = stepwise_[0].range.max_width, p.height = stepwise_[0].range.max_height;
  }
  Layout(p);
  format_ = p;
}

bool TFakeV4L2Device::Readable() const {
  return streaming_ && !pending_.empty() &&
         std::any_of(buffers_.begin(), buffers_.end(), [](const TBuffer& b) { return b.queued; });
}

int TFakeV4L2Device::Poll(pollfd* fds, nfds_t count, int timeoutMs) {
  if (count > 1) return PollWithOthers(fds, count, timeoutMs);
  std::unique_lock guard(lock_);
  const int fd = fds[0].fd;
  const auto ready = [&] { return unplugged_ || Readable() || woken_.count(fd) != 0; };
  ++polling_;
  Changed();
  if (instantTimeouts_ > 0 && !ready()) {
    --instantTimeouts_;
    --polling_;
    fds[0].revents = 0;
    return 0;
  }
  if (pollIgnoresTimeout_)
    wake_.wait(guard, ready);
  else
    wake_.wait_for(guard, std::chrono::milliseconds(timeoutMs), ready);
  --polling_;
  if (woken_.erase(fd) != 0) {
    fds[0].revents = 0;
    return Fail(EINTR);
  }
  fds[0].revents = unplugged_ ? short(POLLERR) : Readable() ? short(POLLIN) : short(0);
  return fds[0].revents ? 1 : 0;
}

int TFakeV4L2Device::PollWithOthers(pollfd* fds, nfds_t count, int timeoutMs) {
  // The node's state lives under the lock; the other descriptors are real
  // ones, polled together with the eventfd every change of state writes.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<pollfd> others(fds + 1, fds + count);
  std::unique_lock guard(lock_);
  if (changed_.load() < 0) changed_.store(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  others.push_back({changed_.load(), POLLIN, 0});
  const int fd = fds[0].fd;
  ++polling_;
  Changed();
  bool instant = instantTimeouts_ > 0;
  bool mine = false, theirs = false;
  for (;;) {
    mine = unplugged_ || Readable() || woken_.count(fd) != 0;
    int waitMs = 0;
    if (!mine && !instant) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      waitMs = pollIgnoresTimeout_ ? -1 : int(std::max<int64_t>(left.count(), 0));
    }
    guard.unlock();
    for (pollfd& o : others) o.revents = 0;
    const int r = ::poll(others.data(), others.size(), waitMs);
    const int error = errno;
    if (others.back().revents) {
      uint64_t drained;
      (void)!::read(changed_.load(), &drained, sizeof drained);
    }
    guard.lock();
    if (r < 0 && error != EINTR) {
      --polling_;
      return Fail(error);
    }
    theirs = std::any_of(others.begin(), others.end() - 1, [](const pollfd& o) { return o.revents != 0; });
    if (mine || theirs || instant) break;
    if (!pollIgnoresTimeout_ && std::chrono::steady_clock::now() >= deadline) break;
  }
  --polling_;
  if (instant && !mine && !theirs) --instantTimeouts_;
  if (woken_.erase(fd) != 0) {
    for (nfds_t i = 0; i < count; ++i) fds[i].revents = 0;
    return Fail(EINTR);
  }
  fds[0].revents = unplugged_ ? short(POLLERR) : Readable() ? short(POLLIN) : short(0);
  int ready = fds[0].revents ? 1 : 0;
  for (nfds_t i = 1; i < count; ++i) {
    fds[i].revents = others[i - 1].revents;
    ready += fds[i].revents ? 1 : 0;
  }
  return ready;
}

namespace {

int64_t MonotonicNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

}  // namespace

void TFakeV4L2Device::AddControl(TControl control) {
  std::lock_guard guard(lock_);
  controls_[control.id] = control.def;
  table_.push_back(std::move(control));
}

void TFakeV4L2Device::SetControls(std::vector<TControl> controls) {
  std::lock_guard guard(lock_);
  table_ = std::move(controls);
  controls_.clear();
  for (const TControl& c : table_) controls_[c.id] = c.def;
}

void TFakeV4L2Device::Push(TFrame frame) {
  if (!frame.timestampNs) frame.timestampNs = MonotonicNs();
  std::lock_guard guard(lock_);
  pending_.push_back(std::move(frame));
  Changed();
}

void TFakeV4L2Device::PushBytes(const std::vector<uint8_t>& bytes, uint32_t flags) {
  Push({bytes, uint32_t(bytes.size()), flags, false});
}

void TFakeV4L2Device::Unplug() {
  std::lock_guard guard(lock_);
  unplugged_ = true;
  Changed();
}

void TFakeV4L2Device::Interrupt(int fd) {
  std::lock_guard guard(lock_);
  ++interrupts_;
  if (interruptible_) woken_.insert(fd);
  Changed();
}

bool TFakeV4L2Device::WaitPolling() {
  std::unique_lock guard(lock_);
  return wake_.wait_for(guard, std::chrono::seconds(20), [&] { return polling_ > 0; });
}

bool TFakeV4L2Device::WaitInterrupts(int count) {
  std::unique_lock guard(lock_);
  return wake_.wait_for(guard, std::chrono::seconds(20), [&] { return interrupts_ >= count; });
}

bool TFakeV4L2Device::WaitRequeued(int count) {
  std::unique_lock guard(lock_);
  return wake_.wait_for(guard, std::chrono::seconds(20), [&] { return requeued_ >= count; });
}

int TFakeV4L2Device::Ioctl(int fd, unsigned long request, void* arg) {
  std::lock_guard guard(lock_);
  if (unplugged_ && request != VIDIOC_STREAMOFF) return Fail(ENODEV);
  switch (request) {
    case VIDIOC_QUERYCAP: {
      auto* c = static_cast<v4l2_capability*>(arg);
      std::memset(c, 0, sizeof *c);
      const TNode& n = nodes_[fdNode_[fd]];
      std::strncpy(reinterpret_cast<char*>(c->card), n.card.c_str(), sizeof c->card - 1);
      std::strncpy(reinterpret_cast<char*>(c->bus_info), n.bus.c_str(), sizeof c->bus_info - 1);
      c->device_caps = n.caps;
      c->capabilities = n.caps | V4L2_CAP_DEVICE_CAPS;
      return 0;
    }
    case VIDIOC_ENUM_FMT: {
      auto* f = static_cast<v4l2_fmtdesc*>(arg);
      if (!VideoNode(fd)) return Fail(EINVAL);  // a metadata node has no video formats
      std::vector<uint32_t> formats;
      for (const TInterval& i : IntervalsOf(fd))
        if (std::find(formats.begin(), formats.end(), i.fourcc) == formats.end()) formats.push_back(i.fourcc);
      if (nodes_[fdNode_[fd]].intervals.empty())
        for (const TStepwise& st : stepwise_)
          if (std::find(formats.begin(), formats.end(), st.fourcc) == formats.end()) formats.push_back(st.fourcc);
      if (f->index >= formats.size()) return Fail(EINVAL);
      f->pixelformat = formats[f->index];
      return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
      auto* s = static_cast<v4l2_frmsizeenum*>(arg);
      if (nodes_[fdNode_[fd]].intervals.empty())
        for (const TStepwise& st : stepwise_)
          if (st.fourcc == s->pixel_format) {
            if (s->index != 0) return Fail(EINVAL);
            s->type = V4L2_FRMSIZE_TYPE_STEPWISE;
            s->stepwise = st.range;
            return 0;
          }
      std::vector<std::pair<uint32_t, uint32_t>> sizes;
      for (const TInterval& i : IntervalsOf(fd))
        if (i.fourcc == s->pixel_format &&
            std::find(sizes.begin(), sizes.end(), std::pair(i.width, i.height)) == sizes.end())
          sizes.emplace_back(i.width, i.height);
      if (s->index >= sizes.size()) return Fail(EINVAL);
      s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
      s->discrete = {sizes[s->index].first, sizes[s->index].second};
      return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
      auto* e = static_cast<v4l2_frmivalenum*>(arg);
      if (nodes_[fdNode_[fd]].intervals.empty())
        for (const TStepwise& st : stepwise_)
          if (st.fourcc == e->pixel_format) {
            if (e->index != 0 || !InRange(st.range, e->width, e->height)) return Fail(EINVAL);
            e->type = V4L2_FRMIVAL_TYPE_DISCRETE;
            e->discrete = {st.numerator, st.denominator};
            return 0;
          }
      uint32_t n = 0;
      for (const TInterval& i : IntervalsOf(fd))
        if (i.fourcc == e->pixel_format && i.width == e->width && i.height == e->height && n++ == e->index) {
          e->type = V4L2_FRMIVAL_TYPE_DISCRETE;
          e->discrete = {i.numerator, i.denominator};
          return 0;
        }
      return Fail(EINVAL);
    }
    case VIDIOC_G_FMT:
      static_cast<v4l2_format*>(arg)->fmt.pix = format_;
      return 0;
    case VIDIOC_S_FMT: {
      if (refuseSetFormat_) return Fail(EBUSY);
      if (streaming_) return Fail(EBUSY);
      if (!VideoNode(fd)) return Fail(EINVAL);
      v4l2_pix_format& p = static_cast<v4l2_format*>(arg)->fmt.pix;
      // A size or format the driver lacks: it answers with one it has.
      if (!Offers(fd, p.pixelformat, p.width, p.height)) {
        const std::vector<TInterval>& list = IntervalsOf(fd);
        if (!list.empty())
          p.pixelformat = list[0].fourcc, p.width = list[0].width, p.height = list[0].height;
        else if (!stepwise_.empty())
          p.pixelformat = stepwise_[0].fourcc, p.width = stepwise_[0].range.max_width,
          p.height = stepwise_[0].range.max_height;
      }
      Layout(p);
      format_ = p;
      return 0;
    }
    case VIDIOC_G_PARM:
    case VIDIOC_S_PARM: {
      auto* p = static_cast<v4l2_streamparm*>(arg);
      if (request == VIDIOC_S_PARM) parm_ = p->parm.capture.timeperframe;
      p->parm.capture.timeperframe = parm_;
      return 0;
    }
    case VIDIOC_REQBUFS: {
      auto* r = static_cast<v4l2_requestbuffers*>(arg);
      if (streaming_) return Fail(EBUSY);
      buffers_.assign(r->count, TBuffer{});
      for (TBuffer& b : buffers_) b.bytes.assign(format_.sizeimage, 0);
      return 0;
    }
    case VIDIOC_QUERYBUF: {
      auto* b = static_cast<v4l2_buffer*>(arg);
      if (b->index >= buffers_.size()) return Fail(EINVAL);
      b->length = uint32_t(buffers_[b->index].bytes.size());
      b->m.offset = b->index << 20;
      return 0;
    }
    case VIDIOC_QBUF: {
      auto* b = static_cast<v4l2_buffer*>(arg);
      if (b->index >= buffers_.size() || buffers_[b->index].queued) return Fail(EINVAL);
      buffers_[b->index].queued = true;
      if (streaming_) ++requeued_;
      Changed();
      return 0;
    }
    case VIDIOC_DQBUF: {
      if (!Readable()) return Fail(EAGAIN);
      TFrame f = std::move(pending_.front());
      pending_.pop_front();
      if (f.eagain) return Fail(EAGAIN);
      size_t i = 0;
      while (!buffers_[i].queued) ++i;
      TBuffer& buf = buffers_[i];
      buf.queued = false;
      std::memcpy(buf.bytes.data(), f.bytes.data(), std::min(f.bytes.size(), buf.bytes.size()));
      auto* b = static_cast<v4l2_buffer*>(arg);
      b->index = uint32_t(i);
      b->bytesused = f.bytesused;
      b->length = uint32_t(buf.bytes.size());
      b->flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC | f.flags;
      b->sequence = sequence_++;
      b->timestamp.tv_sec = f.timestampNs / 1'000'000'000;
      b->timestamp.tv_usec = f.timestampNs % 1'000'000'000 / 1000;
      return 0;
    }
    case VIDIOC_STREAMON:
      if (streamOnError_) return Fail(streamOnError_);
      if (streamOnCheck_)
        if (const int e = streamOnCheck_(format_)) return Fail(e);
      streaming_ = true;
      ++streamOns_;
      Changed();
      return 0;
    case VIDIOC_STREAMOFF:
      streaming_ = false;
      for (TBuffer& b : buffers_) b.queued = false;
      return 0;
    case VIDIOC_QUERY_EXT_CTRL: {
      if (controlReadError_) return Fail(controlReadError_);
      auto* q = static_cast<v4l2_query_ext_ctrl*>(arg);
      const bool next = q->id & V4L2_CTRL_FLAG_NEXT_CTRL;
      const uint32_t id = q->id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
      const TControl* found = nullptr;
      for (const TControl& c : table_)
        if (next ? c.id > id && (!found || c.id < found->id) : c.id == id) found = &c;
      if (!found) return Fail(EINVAL);
      std::memset(q, 0, sizeof *q);
      q->id = found->id;
      q->type = found->type;
      std::strncpy(q->name, found->name.c_str(), sizeof q->name - 1);
      q->minimum = found->min;
      q->maximum = found->max;
      q->step = uint64_t(found->step);
      q->default_value = found->def;
      q->flags = found->flags;
      if (found->type == V4L2_CTRL_TYPE_BUTTON) q->flags |= V4L2_CTRL_FLAG_WRITE_ONLY;
      if (found->autoId && controls_[found->autoId]) q->flags |= V4L2_CTRL_FLAG_INACTIVE;
      return 0;
    }
    case VIDIOC_QUERYCTRL:
      return Fail(controlReadError_ ? controlReadError_ : ENOTTY);
    case VIDIOC_QUERYMENU: {
      if (controlReadError_) return Fail(controlReadError_);
      auto* m = static_cast<v4l2_querymenu*>(arg);
      const TControl* k = FindControl(m->id);
      if (!k || int64_t(m->index) < k->min || int64_t(m->index) - k->min >= int64_t(k->menu.size()))
        return Fail(EINVAL);
      const std::string& entry = k->menu[size_t(int64_t(m->index) - k->min)];
      if (entry.empty()) return Fail(EINVAL);
      if (k->type == V4L2_CTRL_TYPE_INTEGER_MENU)
        m->value = std::stoll(entry);
      else
        std::strncpy(reinterpret_cast<char*>(m->name), entry.c_str(), sizeof m->name - 1);
      return 0;
    }
    case VIDIOC_G_CTRL: {
      if (controlReadError_) return Fail(controlReadError_);
      auto* c = static_cast<v4l2_control*>(arg);
      const TControl* k = FindControl(c->id);
      if (!k) return Fail(EINVAL);
      if (k->type == V4L2_CTRL_TYPE_BUTTON) return Fail(EACCES);  // write-only
      c->value = controls_[c->id];
      return 0;
    }
    case VIDIOC_S_CTRL: {
      auto* c = static_cast<v4l2_control*>(arg);
      const TControl* k = FindControl(c->id);
      if (!k) return Fail(EINVAL);
      if (setControlError_) return Fail(setControlError_);
      if (k->flags & V4L2_CTRL_FLAG_READ_ONLY) return Fail(EACCES);
      if (k->type == V4L2_CTRL_TYPE_BUTTON) c->value = 0;  // the value of a press is ignored
      if (c->value < k->min || c->value > k->max) return Fail(ERANGE);
      // A manual value is refused while its automatic control is on.
      if (k->autoId && controls_[k->autoId]) return Fail(EBUSY);
      controls_[c->id] = c->value;
      controlWrites_.emplace_back(c->id, c->value);
      return 0;
    }
    default:
      return Fail(ENOTTY);
  }
}

std::vector<uint8_t> MakeJpeg(int width, int height, bool stripHuffman) {
  std::vector<uint8_t> bgr(size_t(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &bgr[(size_t(y) * width + x) * 3];
      const bool block = x < width / 4 && y < height / 4;
      p[0] = block ? 20 : uint8_t(x * 255 / width);
      p[1] = block ? 20 : uint8_t(200);
      p[2] = block ? 20 : uint8_t(y * 255 / height);
    }
  tjhandle h = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  tjCompress2(h, bgr.data(), width, 0, height, TJPF_BGR, &out, &size, TJSAMP_422, 90, 0);
  std::vector<uint8_t> jpeg(out, out + size);
  tjFree(out);
  tjDestroy(h);
  if (stripHuffman) {
    // Remove every DHT segment (FF C4 + length).
    for (size_t i = 2; i + 4 < jpeg.size();) {
      if (jpeg[i] != 0xFF) break;
      const size_t length = size_t(jpeg[i + 2]) << 8 | jpeg[i + 3];
      if (jpeg[i + 1] == 0xDA) break;  // start of scan: headers are over
      if (jpeg[i + 1] == 0xC4)
        jpeg.erase(jpeg.begin() + ptrdiff_t(i), jpeg.begin() + ptrdiff_t(i + 2 + length));
      else
        i += 2 + length;
    }
  }
  return jpeg;
}

std::vector<uint8_t> MakeYuyv(int width, int height, uint8_t seed) {
  std::vector<uint8_t> f(size_t(width) * height * 2);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      f[(size_t(y) * width + x) * 2] = uint8_t(seed + x + y);
      f[(size_t(y) * width + x) * 2 + 1] = uint8_t(x & 1 ? 90 : 160);
    }
  return f;
}

std::vector<uint8_t> MakeCameraFrame(const v4l2_pix_format& f, uint8_t seed) {
  const int w = int(f.width), h = int(f.height);
  if (f.pixelformat == V4L2_PIX_FMT_MJPEG || f.pixelformat == V4L2_PIX_FMT_JPEG) return MakeJpeg(w, h);
  const uint32_t bpp = RowBytesPerPixel(f.pixelformat);
  const bool drawn = f.pixelformat == V4L2_PIX_FMT_YUYV || f.pixelformat == V4L2_PIX_FMT_UYVY ||
                     f.pixelformat == V4L2_PIX_FMT_RGB24 || f.pixelformat == V4L2_PIX_FMT_BGR24 || bpp == 1;
  if (!drawn || w <= 0 || h <= 0) return {};
  const size_t line = f.bytesperline ? f.bytesperline : size_t(w) * bpp;
  const size_t chroma = Planar(f.pixelformat) ? line * size_t(h / 2) : 0;
  std::vector<uint8_t> bytes(std::max<size_t>(f.sizeimage, line * size_t(h) + chroma), 0xA5);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = bytes.data() + line * size_t(y);
    for (int x = 0; x < w; ++x) switch (f.pixelformat) {
        case V4L2_PIX_FMT_YUYV:
          row[2 * x] = TestLuma(x, y, seed);
          row[2 * x + 1] = x & 1 ? 200 : 100;
          break;
        case V4L2_PIX_FMT_UYVY:
          row[2 * x + 1] = TestLuma(x, y, seed);
          row[2 * x] = x & 1 ? 200 : 100;
          break;
        case V4L2_PIX_FMT_RGB24:
        case V4L2_PIX_FMT_BGR24:
          std::memset(row + 3 * x, TestLuma(x, y, seed), 3);
          break;
        default:  // GREY and the luma planes
          row[x] = TestLuma(x, y, seed);
          break;
      }
  }
  uint8_t* plane = bytes.data() + line * size_t(h);
  for (int y = 0; y < h / 2; ++y)
    for (int x = 0; x < w / 2; ++x)
      if (f.pixelformat == V4L2_PIX_FMT_NV12) {
        plane[line * size_t(y) + 2 * size_t(x)] = 100;
        plane[line * size_t(y) + 2 * size_t(x) + 1] = 200;
      } else if (f.pixelformat == V4L2_PIX_FMT_YUV420) {
        // Two half-width planes at half the line length.
        plane[line / 2 * size_t(y) + size_t(x)] = 100;
        plane[line / 2 * size_t(h / 2) + line / 2 * size_t(y) + size_t(x)] = 200;
      }
  return bytes;
}

}  // namespace lumicar::camtest
