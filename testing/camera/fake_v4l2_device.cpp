#include "testing/camera/fake_v4l2_device.h"

#include <sys/mman.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace lumicar::camtest {

TFakeV4L2Device::TFakeV4L2Device() {
  nodes_ = {{"/dev/video0"}};
  intervals_ = {{V4L2_PIX_FMT_YUYV, 640, 480, 1, 30},    {V4L2_PIX_FMT_YUYV, 640, 480, 1, 15},
                {V4L2_PIX_FMT_YUYV, 1600, 1200, 1, 7},   {V4L2_PIX_FMT_MJPEG, 640, 480, 1, 30},
                {V4L2_PIX_FMT_MJPEG, 1600, 1200, 1, 30}, {V4L2_PIX_FMT_MJPEG, 1600, 1200, 1, 15}};
  const std::vector<std::string> powerLine = {"Disabled", "50 Hz", "60 Hz"};
  table_ = {{V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 0, 0},
            {V4L2_CID_CONTRAST, V4L2_CTRL_TYPE_INTEGER, "Contrast", 0, 95, 32, 0},
            {V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Auto", 0, 1, 1, 0},
            {V4L2_CID_GAIN, V4L2_CTRL_TYPE_INTEGER, "Gain", 0, 100, 10, 0},
            {V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CTRL_TYPE_MENU, "Power Line Frequency", 0, 2, 1, 0, 0, powerLine},
            {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CTRL_TYPE_INTEGER, "White Balance Temperature", 2800, 6500, 4600,
             V4L2_CID_AUTO_WHITE_BALANCE},
            {V4L2_CID_BACKLIGHT_COMPENSATION, V4L2_CTRL_TYPE_INTEGER, "Backlight Compensation", 0, 2, 1, 0}};
  for (const TControl& c : table_) controls_[c.id] = c.def;
  format_.width = 640;
  format_.height = 480;
  format_.pixelformat = V4L2_PIX_FMT_YUYV;
  format_.bytesperline = 1280;
  format_.sizeimage = 1280 * 480;
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

bool TFakeV4L2Device::Readable() const {
  return streaming_ && !pending_.empty() &&
         std::any_of(buffers_.begin(), buffers_.end(), [](const TBuffer& b) { return b.queued; });
}

int TFakeV4L2Device::Poll(pollfd* fds, nfds_t, int timeoutMs) {
  std::unique_lock guard(lock_);
  const int fd = fds[0].fd;
  const auto ready = [&] { return unplugged_ || Readable() || woken_.count(fd) != 0; };
  ++polling_;
  wake_.notify_all();
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

void TFakeV4L2Device::Push(TFrame frame) {
  if (!frame.timestampNs) frame.timestampNs = MonotonicNs();
  std::lock_guard guard(lock_);
  pending_.push_back(std::move(frame));
  wake_.notify_all();
}

void TFakeV4L2Device::PushBytes(const std::vector<uint8_t>& bytes, uint32_t flags) {
  Push({bytes, uint32_t(bytes.size()), flags, false});
}

void TFakeV4L2Device::Unplug() {
  std::lock_guard guard(lock_);
  unplugged_ = true;
  wake_.notify_all();
}

void TFakeV4L2Device::Interrupt(int fd) {
  std::lock_guard guard(lock_);
  ++interrupts_;
  if (interruptible_) woken_.insert(fd);
  wake_.notify_all();
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
      std::vector<uint32_t> formats;
      for (const TInterval& i : intervals_)
        if (std::find(formats.begin(), formats.end(), i.fourcc) == formats.end()) formats.push_back(i.fourcc);
      if (f->index >= formats.size()) return Fail(EINVAL);
      f->pixelformat = formats[f->index];
      return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
      auto* s = static_cast<v4l2_frmsizeenum*>(arg);
      std::vector<std::pair<uint32_t, uint32_t>> sizes;
      for (const TInterval& i : intervals_)
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
      uint32_t n = 0;
      for (const TInterval& i : intervals_)
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
      v4l2_pix_format& p = static_cast<v4l2_format*>(arg)->fmt.pix;
      bool known = false;
      for (const TInterval& i : intervals_)
        known |= i.fourcc == p.pixelformat && i.width == p.width && i.height == p.height;
      if (!known) p.pixelformat = V4L2_PIX_FMT_YUYV, p.width = 640, p.height = 480;
      const bool jpeg = p.pixelformat == V4L2_PIX_FMT_MJPEG;
      p.bytesperline = jpeg ? 0 : p.width * 2;
      p.sizeimage = jpeg ? p.width * p.height : p.width * p.height * 2;
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
      wake_.notify_all();
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
      streaming_ = true;
      ++streamOns_;
      wake_.notify_all();
      return 0;
    case VIDIOC_STREAMOFF:
      streaming_ = false;
      for (TBuffer& b : buffers_) b.queued = false;
      return 0;
    case VIDIOC_QUERY_EXT_CTRL: {
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
    case VIDIOC_QUERYMENU: {
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

}  // namespace lumicar::camtest
