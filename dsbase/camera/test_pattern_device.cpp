#include "dsbase/camera/test_pattern_device.h"

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include "dsbase/camera/camera_modes.h"
#include "dsbase/camera/frame_unpacker.h"

namespace lumicar {

namespace {

constexpr int kFd = 7700;  // any number: the device is a process-local object
constexpr uint32_t kFormats[] = {V4L2_PIX_FMT_YUYV,   V4L2_PIX_FMT_UYVY,   V4L2_PIX_FMT_BGR24, V4L2_PIX_FMT_XBGR32,
                                 V4L2_PIX_FMT_RGB565, V4L2_PIX_FMT_RGB555, V4L2_PIX_FMT_GREY};

int BytesPerPixel(uint32_t f) {
  switch (f) {
    case V4L2_PIX_FMT_BGR24:
      return 3;
    case V4L2_PIX_FMT_XBGR32:
      return 4;
    case V4L2_PIX_FMT_GREY:
      return 1;
    default:
      return 2;
  }
}

bool KnownSize(uint32_t w, uint32_t h) {
  for (const auto& [cw, ch] : DSCommonCameraSizes())
    if (uint32_t(cw) == w && uint32_t(ch) == h) return true;
  return false;
}

struct TControl {
  uint32_t id;
  const char* name;
  int32_t min, max, def;
};
constexpr TControl kControls[] = {{V4L2_CID_BRIGHTNESS, "Brightness", -64, 64, 0},
                                  {V4L2_CID_CONTRAST, "Contrast", 0, 64, 32},
                                  {V4L2_CID_SATURATION, "Saturation", 0, 128, 64},
                                  {V4L2_CID_HFLIP, "Horizontal Flip", 0, 1, 0}};

// A 3 × 5 digit font, one bit per cell, rows top first.
constexpr uint16_t kDigits[10] = {0x7B6F, 0x2492, 0x73E7, 0x73CF, 0x5BC9, 0x79CF, 0x79EF, 0x7249, 0x7BEF, 0x7BCF};

void FillRect(uint8_t* bgr, int w, int h, int x, int y, int rw, int rh, uint8_t b, uint8_t g, uint8_t r) {
  for (int j = std::max(0, y); j < std::min(h, y + rh); ++j)
    for (int i = std::max(0, x); i < std::min(w, x + rw); ++i) {
      uint8_t* p = bgr + (size_t(j) * w + i) * 3;
      p[0] = b, p[1] = g, p[2] = r;
    }
}

}  // namespace

int TDSTestPatternDevice::Fail(int error) {
  errno = error;
  return -1;
}

int64_t TDSTestPatternDevice::NowNs() const {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

int TDSTestPatternDevice::Open(const std::string& path, int) {
  if (path != kPath) return Fail(ENOENT);
  std::lock_guard guard(lock_);
  ++openCount_;
  if (!formatSet_) {
    format_ = {};
    format_.width = 640;
    format_.height = 480;
    format_.pixelformat = V4L2_PIX_FMT_YUYV;
    format_.bytesperline = 1280;
    format_.sizeimage = 1280 * 480;
    format_.field = V4L2_FIELD_NONE;
    formatSet_ = true;
  }
  return kFd;
}

int TDSTestPatternDevice::Close(int fd) {
  if (fd != kFd) return Fail(EBADF);
  std::lock_guard guard(lock_);
  --openCount_;
  return 0;
}

void* TDSTestPatternDevice::Mmap(size_t length, int, int, int fd, off_t offset) {
  std::lock_guard guard(lock_);
  const size_t index = size_t(offset) / (1u << 28);
  if (fd != kFd || index >= buffers_.size() || length != buffers_[index].bytes.size()) {
    errno = EINVAL;
    return MAP_FAILED;
  }
  buffers_[index].mapped = true;
  return buffers_[index].bytes.data();
}

int TDSTestPatternDevice::Munmap(void* address, size_t) {
  std::lock_guard guard(lock_);
  for (TBuffer& b : buffers_)
    if (b.bytes.data() == address) b.mapped = false;
  return 0;
}

bool TDSTestPatternDevice::FrameDue(int64_t now) const {
  if (!streaming_ || now < nextDueNs_) return false;
  return std::any_of(buffers_.begin(), buffers_.end(), [](const TBuffer& b) { return b.queued; });
}

int TDSTestPatternDevice::Poll(pollfd* fds, nfds_t count, int timeoutMs) {
  if (count != 1 || fds[0].fd != kFd) return Fail(EINVAL);
  std::unique_lock guard(lock_);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (interrupted_) {
      interrupted_ = false;
      fds[0].revents = 0;
      return Fail(EINTR);
    }
    const int64_t now = NowNs();
    if (FrameDue(now)) {
      fds[0].revents = POLLIN;
      return 1;
    }
    if (std::chrono::steady_clock::now() >= until) {
      fds[0].revents = 0;
      return 0;
    }
    const auto wait = streaming_ ? std::chrono::nanoseconds(std::max<int64_t>(nextDueNs_ - now, 0))
                                 : std::chrono::nanoseconds(std::chrono::milliseconds(timeoutMs));
    wake_.wait_until(guard, std::min(until, std::chrono::steady_clock::now() + wait));
  }
}

void TDSTestPatternDevice::Interrupt(int fd) {
  if (fd != kFd) return;
  std::lock_guard guard(lock_);
  interrupted_ = true;
  wake_.notify_all();
}

void TDSTestPatternDevice::Render(TBuffer& b) {
  const int w = int(format_.width), h = int(format_.height);
  bgr_.resize(size_t(w) * h * 3);
  // Colour bars moving right by a few pixels a frame: one row, copied down.
  row_.resize(size_t(w) * 3);
  static constexpr uint8_t bars[8][3] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                                         {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};
  const int shift = int((sequence_ * 4u) % uint32_t(w));
  const int level = std::clamp(contrast_ * 4 + brightness_ * 2, 0, 255 * 2);
  for (int x = 0; x < w; ++x) {
    const int bar = ((x + w - shift) % w) * 8 / w;
    const int src = mirror_ ? w - 1 - x : x;
    for (int c = 0; c < 3; ++c) row_[size_t(src) * 3 + c] = uint8_t(std::min(255, bars[bar][c] * level / 128));
  }
  for (int y = 0; y < h; ++y) std::memcpy(bgr_.data() + size_t(y) * w * 3, row_.data(), row_.size());
  // The marker: a red block in the top-left corner with a smaller white
  // block to its right; no rotation or mirror of the picture maps it on itself.
  const int unit = std::max(2, w / 40);
  FillRect(bgr_.data(), w, h, unit, unit, 3 * unit, 3 * unit, 0, 0, 255);
  FillRect(bgr_.data(), w, h, 5 * unit, unit, unit, unit, 255, 255, 255);
  // The frame counter, six digits, under the marker.
  uint32_t n = sequence_;
  const int cell = std::max(1, unit / 2);
  for (int d = 5; d >= 0; --d, n /= 10) {
    const uint16_t glyph = kDigits[n % 10];
    const int ox = unit + d * 4 * cell, oy = 5 * unit;
    FillRect(bgr_.data(), w, h, ox - cell / 2, oy - cell / 2, 4 * cell, 6 * cell, 0, 0, 0);
    for (int r = 0; r < 5; ++r)
      for (int c = 0; c < 3; ++c)
        if (glyph & (1u << (14 - (r * 3 + c))))
          FillRect(bgr_.data(), w, h, ox + c * cell, oy + r * cell, cell, cell, 255, 255, 255);
  }
  const TDSFrameFormat from{vfRGB24, w, h, false, w * 3, nullptr};
  const TDSFrameFormat to{DSLayoutOfFourcc(format_.pixelformat), w, h, false, int(format_.bytesperline), nullptr};
  converter_.Convert(bgr_.data(), from, b.bytes.data(), to);
}

int TDSTestPatternDevice::Dequeue(v4l2_buffer* b) {
  const int64_t now = NowNs();
  if (!FrameDue(now)) return Fail(EAGAIN);
  size_t i = 0;
  while (!buffers_[i].queued) ++i;
  TBuffer& buf = buffers_[i];
  Render(buf);
  buf.queued = false;
  const uint32_t index = uint32_t(i);
  std::memset(b, 0, sizeof *b);
  b->index = index;
  b->type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  b->memory = V4L2_MEMORY_MMAP;
  b->bytesused = format_.sizeimage;
  b->length = uint32_t(buf.bytes.size());
  b->flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC | V4L2_BUF_FLAG_DONE;
  b->sequence = sequence_++;
  b->timestamp.tv_sec = now / 1'000'000'000;
  b->timestamp.tv_usec = (now % 1'000'000'000) / 1000;
  const int64_t period = int64_t(interval_.numerator) * 1'000'000'000 / interval_.denominator;
  nextDueNs_ += period;
  if (nextDueNs_ < now - period) nextDueNs_ = now + period;  // fell behind: do not burst
  return 0;
}

int TDSTestPatternDevice::Ioctl(int fd, unsigned long request, void* arg) {
  if (fd != kFd) return Fail(EBADF);
  std::lock_guard guard(lock_);
  switch (request) {
    case VIDIOC_QUERYCAP: {
      auto* c = static_cast<v4l2_capability*>(arg);
      std::memset(c, 0, sizeof *c);
      std::strncpy(reinterpret_cast<char*>(c->driver), "lumicar", sizeof c->driver - 1);
      std::strncpy(reinterpret_cast<char*>(c->card), "Test pattern", sizeof c->card - 1);
      std::strncpy(reinterpret_cast<char*>(c->bus_info), "platform:test-pattern", sizeof c->bus_info - 1);
      c->device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
      c->capabilities = c->device_caps | V4L2_CAP_DEVICE_CAPS;
      return 0;
    }
    case VIDIOC_ENUM_FMT: {
      auto* f = static_cast<v4l2_fmtdesc*>(arg);
      if (f->index >= std::size(kFormats)) return Fail(EINVAL);
      f->pixelformat = kFormats[f->index];
      return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
      auto* s = static_cast<v4l2_frmsizeenum*>(arg);
      const auto& sizes = DSCommonCameraSizes();
      if (s->index >= sizes.size()) return Fail(EINVAL);
      s->type = V4L2_FRMSIZE_TYPE_DISCRETE;
      s->discrete = {uint32_t(sizes[s->index].first), uint32_t(sizes[s->index].second)};
      return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
      auto* e = static_cast<v4l2_frmivalenum*>(arg);
      if (e->index > 0 || !KnownSize(e->width, e->height)) return Fail(EINVAL);
      e->type = V4L2_FRMIVAL_TYPE_CONTINUOUS;
      e->stepwise.min = {1, 60};
      e->stepwise.max = {1, 1};
      e->stepwise.step = {1, 1};
      return 0;
    }
    case VIDIOC_G_FMT:
      static_cast<v4l2_format*>(arg)->fmt.pix = format_;
      return 0;
    case VIDIOC_S_FMT: {
      if (streaming_ || !buffers_.empty()) return Fail(EBUSY);
      v4l2_pix_format& p = static_cast<v4l2_format*>(arg)->fmt.pix;
      if (std::find(std::begin(kFormats), std::end(kFormats), p.pixelformat) == std::end(kFormats))
        p.pixelformat = V4L2_PIX_FMT_YUYV;
      if (!KnownSize(p.width, p.height)) p.width = 640, p.height = 480;
      p.bytesperline = p.width * uint32_t(BytesPerPixel(p.pixelformat));
      p.sizeimage = p.bytesperline * p.height;
      p.field = V4L2_FIELD_NONE;
      format_ = p;
      return 0;
    }
    case VIDIOC_G_PARM:
    case VIDIOC_S_PARM: {
      auto* p = static_cast<v4l2_streamparm*>(arg);
      if (request == VIDIOC_S_PARM) {
        v4l2_fract& t = p->parm.capture.timeperframe;
        if (t.numerator == 0 || t.denominator == 0) t = {1, 30};
        // 1 to 60 frames a second.
        if (uint64_t(t.numerator) * 60 < t.denominator) t = {1, 60};
        if (t.numerator > t.denominator) t = {1, 1};
        interval_ = t;
      }
      p->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
      p->parm.capture.timeperframe = interval_;
      return 0;
    }
    case VIDIOC_REQBUFS: {
      auto* r = static_cast<v4l2_requestbuffers*>(arg);
      if (r->memory != V4L2_MEMORY_MMAP) return Fail(EINVAL);
      if (streaming_) return Fail(EBUSY);
      buffers_.clear();
      r->count = std::min<uint32_t>(r->count, 8);
      buffers_.resize(r->count);
      for (TBuffer& b : buffers_) b.bytes.assign(format_.sizeimage, 0);
      return 0;
    }
    case VIDIOC_QUERYBUF: {
      auto* b = static_cast<v4l2_buffer*>(arg);
      if (b->index >= buffers_.size()) return Fail(EINVAL);
      b->length = uint32_t(buffers_[b->index].bytes.size());
      b->m.offset = b->index * (1u << 28);
      return 0;
    }
    case VIDIOC_QBUF: {
      auto* b = static_cast<v4l2_buffer*>(arg);
      if (b->index >= buffers_.size() || buffers_[b->index].queued) return Fail(EINVAL);
      buffers_[b->index].queued = true;
      wake_.notify_all();
      return 0;
    }
    case VIDIOC_DQBUF:
      return Dequeue(static_cast<v4l2_buffer*>(arg));
    case VIDIOC_STREAMON:
      if (buffers_.empty()) return Fail(EINVAL);
      streaming_ = true;
      nextDueNs_ = NowNs();
      wake_.notify_all();
      return 0;
    case VIDIOC_STREAMOFF:
      streaming_ = false;
      for (TBuffer& b : buffers_) b.queued = false;
      wake_.notify_all();
      return 0;
    case VIDIOC_QUERY_EXT_CTRL: {
      auto* q = static_cast<v4l2_query_ext_ctrl*>(arg);
      const bool next = (q->id & V4L2_CTRL_FLAG_NEXT_CTRL) != 0;
      const uint32_t id = q->id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
      const TControl* found = nullptr;
      for (const TControl& c : kControls)
        if (next ? c.id > id && (!found || c.id < found->id) : c.id == id) found = &c;
      if (!found) return Fail(EINVAL);
      std::memset(q, 0, sizeof *q);
      q->id = found->id;
      q->type = found->id == V4L2_CID_HFLIP ? V4L2_CTRL_TYPE_BOOLEAN : V4L2_CTRL_TYPE_INTEGER;
      std::strncpy(q->name, found->name, sizeof q->name - 1);
      q->minimum = found->min;
      q->maximum = found->max;
      q->step = 1;
      q->default_value = found->def;
      return 0;
    }
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL: {
      auto* c = static_cast<v4l2_control*>(arg);
      int32_t* value = c->id == V4L2_CID_BRIGHTNESS   ? &brightness_
                       : c->id == V4L2_CID_CONTRAST   ? &contrast_
                       : c->id == V4L2_CID_SATURATION ? &saturation_
                                                      : nullptr;
      int32_t flip = mirror_ ? 1 : 0;
      if (c->id == V4L2_CID_HFLIP) value = &flip;
      if (!value) return Fail(EINVAL);
      if (request == VIDIOC_G_CTRL) {
        c->value = *value;
        return 0;
      }
      for (const TControl& k : kControls)
        if (k.id == c->id && (c->value < k.min || c->value > k.max)) return Fail(ERANGE);
      *value = c->value;
      mirror_ = flip != 0;
      return 0;
    }
    default:
      return Fail(ENOTTY);
  }
}

}  // namespace lumicar
