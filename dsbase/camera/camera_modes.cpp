#include "dsbase/camera/camera_modes.h"

#include <linux/videodev2.h>

#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "dsbase/media/media_guids.h"

namespace lumicar {

namespace {

constexpr int kMaxSide = 16384;
constexpr int kMaxEntries = 256;                     // a driver that lists more is broken
constexpr int64_t kMaxInterval = 10 * 10'000'000LL;  // 10 s per frame

bool PlausibleSize(uint32_t fourcc, uint32_t w, uint32_t h) {
  if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) return false;
  switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
    case V4L2_PIX_FMT_UYVY:
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG:
      return (w & 1) == 0;
    case V4L2_PIX_FMT_NV12:
    case V4L2_PIX_FMT_YUV420:
      return (w & 1) == 0 && (h & 1) == 0;
    default:
      return true;
  }
}

bool Known(uint32_t fourcc) { return !DSSubtypesFromFourcc(fourcc).empty(); }

void AddInterval(TDSCameraSource& s, const TDSFraction& f) {
  const int64_t i = DSIntervalOf(f);
  if (i <= 0) return;
  s.discrete.push_back(f);
  s.minInterval = s.minInterval ? std::min(s.minInterval, i) : i;
  s.maxInterval = std::max(s.maxInterval, i);
}

// Fills the intervals of one format at one size; false when it has none.
bool ReadIntervals(IV4L2Device& d, int fd, uint32_t fourcc, uint32_t w, uint32_t h, TDSCameraSource* s) {
  for (uint32_t index = 0; index < kMaxEntries; ++index) {
    v4l2_frmivalenum e{};
    e.index = index;
    e.pixel_format = fourcc;
    e.width = w;
    e.height = h;
    if (d.Ioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &e) != 0) break;
    if (e.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
      AddInterval(*s, {e.discrete.numerator, e.discrete.denominator});
    } else {
      const int64_t lo = DSIntervalOf({e.stepwise.min.numerator, e.stepwise.min.denominator});
      const int64_t hi = DSIntervalOf({e.stepwise.max.numerator, e.stepwise.max.denominator});
      if (lo > 0 && hi >= lo) {
        s->discrete.clear();
        s->minInterval = lo;
        s->maxInterval = hi;
      }
      break;
    }
  }
  if (s->minInterval == 0) {
    // No interval list: the driver's current rate is all we know.
    v4l2_streamparm p{};
    p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (d.Ioctl(fd, VIDIOC_G_PARM, &p) == 0)
      AddInterval(*s, {p.parm.capture.timeperframe.numerator, p.parm.capture.timeperframe.denominator});
  }
  return s->minInterval > 0;
}

struct TSize {
  uint32_t w, h;
  bool operator==(const TSize&) const = default;
};

std::vector<TSize> ReadSizes(IV4L2Device& d, int fd, uint32_t fourcc) {
  std::vector<TSize> sizes;
  for (uint32_t index = 0; index < kMaxEntries; ++index) {
    v4l2_frmsizeenum e{};
    e.index = index;
    e.pixel_format = fourcc;
    if (d.Ioctl(fd, VIDIOC_ENUM_FRAMESIZES, &e) != 0) break;
    if (e.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
      if (PlausibleSize(fourcc, e.discrete.width, e.discrete.height))
        sizes.push_back({e.discrete.width, e.discrete.height});
      continue;
    }
    // A range: the common sizes inside it, and its largest.
    const auto& r = e.stepwise;
    const uint32_t sw = std::max<uint32_t>(r.step_width, 1), sh = std::max<uint32_t>(r.step_height, 1);
    for (const auto& [cw, ch] : DSCommonCameraSizes()) {
      const uint32_t w = uint32_t(cw), h = uint32_t(ch);
      if (w < r.min_width || w > r.max_width || h < r.min_height || h > r.max_height) continue;
      if ((w - r.min_width) % sw || (h - r.min_height) % sh) continue;
      if (PlausibleSize(fourcc, w, h)) sizes.push_back({w, h});
    }
    if (PlausibleSize(fourcc, r.max_width, r.max_height) &&
        std::find(sizes.begin(), sizes.end(), TSize{r.max_width, r.max_height}) == sizes.end())
      sizes.push_back({r.max_width, r.max_height});
    break;
  }
  return sizes;
}

}  // namespace

int64_t DSIntervalOf(const TDSFraction& f) {
  if (f.numerator == 0 || f.denominator == 0) return 0;
  const int64_t i = (int64_t(f.numerator) * 10'000'000 + f.denominator / 2) / f.denominator;
  return i > 0 && i <= kMaxInterval ? i : 0;
}

const std::vector<std::pair<int, int>>& DSCommonCameraSizes() {
  static const std::vector<std::pair<int, int>> sizes = {
      {160, 120},  {176, 144},  {320, 240},   {352, 288},   {640, 480},   {800, 600},  {1024, 768},
      {1280, 720}, {1280, 960}, {1280, 1024}, {1600, 1200}, {1920, 1080}, {2592, 1944}};
  return sizes;
}

std::vector<TGUID> DSSubtypesFromFourcc(uint32_t fourcc) {
  switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
      return {MEDIASUBTYPE_YUY2};
    case V4L2_PIX_FMT_UYVY:
      return {MEDIASUBTYPE_UYVY};
    case V4L2_PIX_FMT_BGR24:
    case V4L2_PIX_FMT_RGB24:
      return {MEDIASUBTYPE_RGB24};
    case V4L2_PIX_FMT_XBGR32:
    case V4L2_PIX_FMT_BGR32:
      return {MEDIASUBTYPE_RGB32};
    case V4L2_PIX_FMT_RGB565:
      return {MEDIASUBTYPE_RGB565};
    case V4L2_PIX_FMT_RGB555:
      return {MEDIASUBTYPE_RGB555};
    case V4L2_PIX_FMT_GREY:
      return {MEDIASUBTYPE_RGB8};
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG:
      return {MEDIASUBTYPE_YUY2, MEDIASUBTYPE_RGB24};
    case V4L2_PIX_FMT_NV12:
    case V4L2_PIX_FMT_YUV420:
      return {MEDIASUBTYPE_YUY2};
    default:
      return {};
  }
}

bool DSIsNativeOutput(uint32_t fourcc, const TGUID& subtype) {
  switch (fourcc) {
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG:
    case V4L2_PIX_FMT_NV12:
    case V4L2_PIX_FMT_YUV420:
      return false;
    default: {
      const auto s = DSSubtypesFromFourcc(fourcc);
      return !s.empty() && s.front() == subtype;
    }
  }
}

int64_t TDSCameraCapability::MinInterval() const {
  int64_t v = 0;
  for (const auto& s : sources) v = v ? std::min(v, s.minInterval) : s.minInterval;
  return v;
}

int64_t TDSCameraCapability::MaxInterval() const {
  int64_t v = 0;
  for (const auto& s : sources) v = std::max(v, s.maxInterval);
  return v;
}

bool DSPickCameraSource(const TDSCameraCapability& cap, int64_t interval, const TDSCameraSource** source,
                        int64_t* applied, TDSFraction* fraction) {
  // The nearest reachable interval of each source; the first source that
  // meets the request exactly wins (native ones come first), otherwise the
  // nearest one overall.
  const TDSCameraSource* best = nullptr;
  int64_t bestInterval = 0, bestDistance = std::numeric_limits<int64_t>::max();
  TDSFraction bestFraction;
  for (const TDSCameraSource& s : cap.sources) {
    const int64_t want = interval > 0 ? interval : s.minInterval;
    int64_t got;
    TDSFraction f;
    if (s.discrete.empty()) {
      got = std::clamp(want, s.minInterval, s.maxInterval);
      f = {uint32_t(got), 10'000'000u};
    } else {
      got = 0;
      int64_t d = std::numeric_limits<int64_t>::max();
      for (const TDSFraction& c : s.discrete) {
        const int64_t i = DSIntervalOf(c);
        if (std::llabs(i - want) < d) d = std::llabs(i - want), got = i, f = c;
      }
    }
    // Intervals within 0.1 % count as the same rate (30 fps is 333 333 or 333 334).
    const int64_t distance = interval > 0 ? std::llabs(got - interval) : got;
    const bool meets = interval > 0 ? distance * 1000 <= interval : true;
    if (meets && interval > 0) {
      *source = &s, *applied = got, *fraction = f;
      return true;
    }
    if (distance < bestDistance) best = &s, bestDistance = distance, bestInterval = got, bestFraction = f;
  }
  if (!best) return false;
  *source = best, *applied = bestInterval, *fraction = bestFraction;
  return interval <= 0;
}

TDSNodeFormats DSListNodeFormats(IV4L2Device& d, int fd) {
  TDSNodeFormats formats;
  for (uint32_t index = 0; index < 64; ++index) {
    v4l2_fmtdesc f{};
    f.index = index;
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (d.Ioctl(fd, VIDIOC_ENUM_FMT, &f) != 0) break;
    auto& list = Known(f.pixelformat) ? formats.usable : formats.skipped;
    if (std::find(list.begin(), list.end(), f.pixelformat) == list.end()) list.push_back(f.pixelformat);
  }
  return formats;
}

QString DSFourccText(uint32_t fourcc) {
  QString text;
  for (int i = 0; i < 4; ++i) {
    const char c = char((fourcc >> (8 * i)) & 0xFF);
    text += c >= 0x21 && c <= 0x7E ? QLatin1Char(c) : QLatin1Char(c == ' ' ? ' ' : '?');
  }
  return text.trimmed();
}

QString DSFourccList(const std::vector<uint32_t>& fourccs) {
  QStringList names;
  for (uint32_t f : fourccs) names << DSFourccText(f);
  return names.join(QStringLiteral(", "));
}

std::vector<TDSCameraCapability> DSEnumerateCameraModes(IV4L2Device& d, int fd, std::vector<uint32_t>* skipped) {
  struct TNative {
    uint32_t fourcc;
    std::vector<std::pair<TSize, TDSCameraSource>> sizes;
  };
  std::vector<TNative> natives;
  const TDSNodeFormats formats = DSListNodeFormats(d, fd);
  if (skipped) *skipped = formats.skipped;
  for (const uint32_t fourcc : formats.usable) {
    TNative n{fourcc, {}};
    for (const TSize& s : ReadSizes(d, fd, fourcc)) {
      TDSCameraSource src;
      src.fourcc = fourcc;
      if (ReadIntervals(d, fd, fourcc, s.w, s.h, &src)) n.sizes.push_back({s, std::move(src)});
    }
    if (!n.sizes.empty()) natives.push_back(std::move(n));
  }

  // Sizes in the order the camera first names them, its current size first.
  std::vector<TSize> sizes;
  v4l2_format current{};
  current.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (d.Ioctl(fd, VIDIOC_G_FMT, &current) == 0) sizes.push_back({current.fmt.pix.width, current.fmt.pix.height});
  for (const TNative& n : natives)
    for (const auto& [s, src] : n.sizes)
      if (std::find(sizes.begin(), sizes.end(), s) == sizes.end()) sizes.push_back(s);

  std::vector<TDSCameraCapability> caps;
  for (const TSize& size : sizes) {
    std::vector<TDSCameraCapability> atSize;
    auto add = [&](const TGUID& subtype, const TDSCameraSource& src) {
      for (auto& c : atSize)
        if (c.subtype == subtype) {
          c.sources.push_back(src);
          return;
        }
      TDSCameraCapability c;
      c.subtype = subtype;
      c.width = int(size.w);
      c.height = int(size.h);
      c.sources.push_back(src);
      atSize.push_back(std::move(c));
    };
    // Native outputs first, then those the filter makes itself.
    for (int pass = 0; pass < 2; ++pass)
      for (const TNative& n : natives)
        for (const auto& [s, src] : n.sizes) {
          if (!(s == size)) continue;
          for (const TGUID& subtype : DSSubtypesFromFourcc(n.fourcc))
            if (DSIsNativeOutput(n.fourcc, subtype) == (pass == 0)) add(subtype, src);
        }
    for (auto& c : atSize) caps.push_back(std::move(c));
  }
  return caps;
}

}  // namespace lumicar
