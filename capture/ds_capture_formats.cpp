#include "capture/ds_capture_formats.h"

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "buffers/image_buffer.h"
#include "capture/capture_frame_rate.h"
#include "capture/ds_capture_graph_builder.h"
#include "capture/frames/capture_log.h"
#include "capture/frames/frame_pump.h"
#include "capture/video_interlacing.h"
#include "capture/video_modes.h"
#include "capture/video_size.h"
#include "dsbase/camera/camera_media_type.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/holder/capture_graph_holder.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info_view.h"
#include "dsbase/media/wave_format.h"
#include "imagepins/frame_operations.h"

namespace lumicar {

namespace {

constexpr size_t kPaletteBytes = TVLFramePump::kPaletteBytes;

int32_t Magnitude(int32_t v) { return v == INT32_MIN ? INT32_MAX : (v < 0 ? -v : v); }

// The media type record as it travels in a start-compression operation: the
// record with its pointers cleared, followed by its format block, so that the
// copy never points into memory its sender may free.
QByteArray SerializeMediaType(const AM_MEDIA_TYPE& mt) {
  AM_MEDIA_TYPE record = mt;
  record.pUnk = nullptr;
  record.pbFormat = nullptr;
  QByteArray bytes(reinterpret_cast<const char*>(&record), sizeof record);
  if (mt.pbFormat && mt.cbFormat) bytes.append(reinterpret_cast<const char*>(mt.pbFormat), qsizetype(mt.cbFormat));
  return bytes;
}

// Frames per second as a frame period in 100 ns units, rounded to the nearest
// integer (ties to even). A rate above 20 000 000 frames a second rounds to
// 0, which is a period too: the camera answers it with the nearest it has.
// None for a rate that names no period (not positive, not finite, or a
// period beyond 64 bits).
std::optional<int64_t> PeriodOf(double rate) {
  if (!(rate > 0) || !std::isfinite(rate)) return std::nullopt;
  const double period = std::nearbyint(10'000'000.0 / rate);
  if (!(period < 0x1p63)) return std::nullopt;
  return int64_t(period);
}

int32_t ClampToInt32(uint32_t value) {
  return value > uint32_t(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max() : int32_t(value);
}

}  // namespace

// ---------------------------------------------------------------- request

void TVLDSCaptureFormats::RecordRequest(TVLVideoFormat format) {
  request_.format = format;
  request_.width = parts_.videoSize.Width();
  request_.height = parts_.videoSize.Height();
  request_.rate = parts_.frameRate.Rate();
  parts_.pump.SetNegotiated(format);
}

bool TVLDSCaptureFormats::PresetsCamera() const {
  // A fallback renders at the format it set itself, not at the request.
  if (holdCamera_) return false;
  return !(parts_.videoSize.Current() && parts_.frameRate.Current());
}

void TVLDSCaptureFormats::PresetCameraFormat(TVLVideoFormat wanted) {
  IAMStreamConfig* streamConfig = parts_.builder.StreamConfig();
  // The camera's own current format gives the size when the request keeps it.
  int width = int(ClampToInt32(parts_.videoSize.Width())), height = int(ClampToInt32(parts_.videoSize.Height()));
  if (parts_.videoSize.Current()) {
    streamConfig->SetFormat(nullptr);
    AM_MEDIA_TYPE* current = nullptr;
    if (FAILED(streamConfig->GetFormat(&current)) || !current) return;
    int64_t unused;
    const bool known = DSCameraTypeGeometry(*current, &width, &height, &unused);
    LPDSDeleteMediaType(current);
    if (!known) return;
  }
  const int64_t interval = parts_.frameRate.Current() ? 0 : PeriodOf(parts_.frameRate.Rate()).value_or(0);

  // The wanted subtype first, then every other subtype the camera offers,
  // each of which the graph can convert. The first the camera delivers at
  // exactly that size and rate wins; otherwise the one that comes nearest,
  // the size counting before the rate and the earlier subtype winning ties.
  std::vector<TGUID> subtypes{VLGetGUIDFromFormat(wanted)};
  VLForEachStreamCaps(streamConfig, [&](const AM_MEDIA_TYPE& mt, const VIDEO_STREAM_CONFIG_CAPS&) {
    if (std::find(subtypes.begin(), subtypes.end(), mt.subtype) == subtypes.end()) subtypes.push_back(mt.subtype);
  });
  struct TScore {
    int64_t size, rate;
    bool operator<(const TScore& o) const { return size != o.size ? size < o.size : rate < o.rate; }
  };
  const TGUID* best = nullptr;
  TScore bestScore{};
  for (const TGUID& subtype : subtypes) {
    TDSMediaType type = DSCameraMediaType(subtype, width, height, interval);
    const HRESULT hr = streamConfig->SetFormat(&type.Get());
    if (hr == S_OK) return;
    if (FAILED(hr)) continue;
    AM_MEDIA_TYPE* applied = nullptr;
    int w = 0, h = 0;
    int64_t got = 0;
    if (SUCCEEDED(streamConfig->GetFormat(&applied)) && applied && DSCameraTypeGeometry(*applied, &w, &h, &got)) {
      const TScore score{std::llabs(int64_t(w) * h - int64_t(width) * height) + std::llabs(int64_t(w) - width),
                         interval > 0 ? std::llabs(got - interval) : 0};
      if (!best || score < bestScore) best = &subtype, bestScore = score;
    }
    LPDSDeleteMediaType(applied);
  }
  if (best) {
    TDSMediaType type = DSCameraMediaType(*best, width, height, interval);
    streamConfig->SetFormat(&type.Get());
  } else {
    streamConfig->SetFormat(nullptr);
  }
}

// ---------------------------------------------------------------- the camera's format

bool TVLDSCaptureFormats::ApplyFormats(bool onlyRate) {
  IAMStreamConfig* streamConfig = parts_.builder.StreamConfig();
  if (!streamConfig) return true;
  AM_MEDIA_TYPE* mt = nullptr;
  const HRESULT got = streamConfig->GetFormat(&mt);
  struct TFree {
    AM_MEDIA_TYPE*& mt;
    ~TFree() { LPDSDeleteMediaType(mt); }
  } free{mt};
  if (FAILED(got) || !mt) return true;
  TDSVideoInfoEdit block(*mt);
  BITMAPINFOHEADER* bmi = block.Header();
  if (!bmi) {
    parts_.graph.Warning(QStringLiteral("Can't set desired video size and rate."), 0);
    return true;
  }
  if (!onlyRate && !parts_.videoSize.Current()) {
    block.SetSize(ClampToInt32(parts_.videoSize.Width()), ClampToInt32(parts_.videoSize.Height()));
    // Two bytes a pixel whatever the subtype: the camera works the real
    // size out from the subtype it keeps.
    const uint64_t bytes = uint64_t(parts_.videoSize.Width()) * parts_.videoSize.Height() * 2;
    bmi->biSizeImage = uint32_t(std::min<uint64_t>(bytes, std::numeric_limits<uint32_t>::max()));
  }
  if (!parts_.frameRate.Current()) {
    if (const std::optional<int64_t> p = PeriodOf(parts_.frameRate.Rate()))
      block.SetAvgTimePerFrame(*p);
    else
      qCWarning(lcCapture) << "Applying the frame rate:" << parts_.frameRate.Rate()
                           << "frames a second names no frame period; the camera keeps its own";
  }
  // S_FALSE is the camera's "nearest I have": the request was not met.
  HRESULT hr = streamConfig->SetFormat(mt);
  parts_.builder.FlushGraph();
  // A filter behind the camera that cannot take the new type while it is
  // connected (the grabber passes samples on in place; a converter keeps
  // its output type) refuses it or leaves the grabber on the old one: the
  // rendering is done again from the camera at its new format.
  bool rendered = true;
  if (parts_.builder.Built() && (hr == VFW_E_TYPE_NOT_ACCEPTED || !GrabberMatchesCamera()))
    rendered = RenderAgain(*mt, &hr);
  if (hr != S_OK) parts_.graph.Warning(QStringLiteral("Can't set desired video size and rate."), hr);
  if (!rendered)
    qCWarning(lcCapture) << "Rendering the camera's stream again at its new format failed (camera's answer" << Qt::hex
                         << uint32_t(hr) << Qt::dec << "); the graph is not built";
  return rendered;
}

bool TVLDSCaptureFormats::GrabberMatchesCamera() {
  ISampleGrabber* videoGrabber = parts_.builder.VideoGrabber();
  IAMStreamConfig* streamConfig = parts_.builder.StreamConfig();
  if (!videoGrabber || !streamConfig) return true;
  AM_MEDIA_TYPE* camera = nullptr;
  TDSMediaType grabbed;
  int cw = 0, ch = 0, gw = 0, gh = 0;
  int64_t cp = 0, gp = 0;
  const bool known = SUCCEEDED(streamConfig->GetFormat(&camera)) && camera &&
                     DSCameraTypeGeometry(*camera, &cw, &ch, &cp) &&
                     SUCCEEDED(videoGrabber->GetConnectedMediaType(&grabbed.Get())) &&
                     DSCameraTypeGeometry(grabbed.Get(), &gw, &gh, &gp);
  LPDSDeleteMediaType(camera);
  return !known || (cw == gw && ch == gh && cp == gp);
}

bool TVLDSCaptureFormats::RenderAgain(const AM_MEDIA_TYPE& format, HRESULT* answer) {
  parts_.builder.DestroyRendering();
  // A camera that took the format already streams it at its next
  // connection; one that refused it while connected is asked again now that
  // its pin is free, and that answer is the one that counts.
  if (*answer == VFW_E_TYPE_NOT_ACCEPTED) *answer = parts_.builder.StreamConfig()->SetFormat(&format);
  return parts_.builder.BuildGraph();
}

// ---------------------------------------------------------------- bandwidth

bool TVLDSCaptureFormats::FallBackForBandwidth(QString* shown) {
  IAMStreamConfig* streamConfig = parts_.builder.StreamConfig();
  if (!streamConfig) return false;
  AM_MEDIA_TYPE* current = nullptr;
  int width = 0, height = 0;
  int64_t period = 0;
  TGUID subtype{};
  const bool known = SUCCEEDED(streamConfig->GetFormat(&current)) && current &&
                     DSCameraTypeGeometry(*current, &width, &height, &period);
  if (current) subtype = current->subtype;
  LPDSDeleteMediaType(current);
  if (!known) return false;

  // What the camera offers, as (subtype, width, height).
  struct TMode {
    TGUID subtype;
    int width, height;
  };
  std::vector<TMode> modes;
  VLForEachStreamCaps(streamConfig, [&](const AM_MEDIA_TYPE& mt, const VIDEO_STREAM_CONFIG_CAPS&) {
    int w = 0, h = 0;
    int64_t p = 0;
    if (DSCameraTypeGeometry(mt, &w, &h, &p)) modes.push_back({mt.subtype, w, h});
  });
  // MJPEG at the same size carries the picture in a fraction of the bytes.
  const TMode* next = nullptr;
  if (!(subtype == MEDIASUBTYPE_MJPG))
    for (const TMode& m : modes)
      if (m.subtype == MEDIASUBTYPE_MJPG && m.width == width && m.height == height) next = &m;
  // Otherwise the largest smaller size, in MJPEG where offered, else in the
  // subtype streamed now, else in any.
  if (!next) {
    const int64_t area = int64_t(width) * height;
    auto rank = [&](const TMode& m) { return m.subtype == MEDIASUBTYPE_MJPG ? 2 : m.subtype == subtype ? 1 : 0; };
    for (const TMode& m : modes) {
      const int64_t a = int64_t(m.width) * m.height;
      if (a >= area) continue;
      const int64_t best = next ? int64_t(next->width) * next->height : -1;
      if (a > best || (a == best && rank(m) > rank(*next))) next = &m;
    }
  }
  if (!next) {
    qCWarning(lcCapture) << "No USB bandwidth for the camera's" << width << "x" << height
                         << "stream, and it offers nothing smaller";
    return false;
  }
  const bool mjpeg = next->subtype == MEDIASUBTYPE_MJPG;
  *shown =
      QStringLiteral("%1%2 × %3").arg(mjpeg ? QStringLiteral("MJPEG ") : QString()).arg(next->width).arg(next->height);
  qCWarning(lcCapture).noquote() << "No USB bandwidth for the camera's" << width << "x" << height
                                 << "stream (ENOSPC); asking for" << *shown;
  TDSMediaType type = DSCameraMediaType(next->subtype, next->width, next->height, period);
  parts_.builder.DestroyRendering();
  // The camera's nearest rate at that size is fine (S_FALSE); the size and
  // subtype are read back from what the grabber is connected with.
  const HRESULT hr = streamConfig->SetFormat(&type.Get());
  holdCamera_ = SUCCEEDED(hr);
  const bool built = parts_.builder.BuildGraph();
  holdCamera_ = false;
  if (FAILED(hr)) {
    qCWarning(lcCapture) << "The camera refused the smaller format (" << Qt::hex << uint32_t(hr) << Qt::dec << ")";
    return false;
  }
  // Only a step down counts: a camera that kept its format would be asked
  // for the same one for ever.
  AM_MEDIA_TYPE* now = nullptr;
  int w = 0, h = 0;
  int64_t p = 0;
  const bool moved = SUCCEEDED(streamConfig->GetFormat(&now)) && now && DSCameraTypeGeometry(*now, &w, &h, &p) &&
                     (now->subtype == next->subtype) && w == next->width && h == next->height;
  LPDSDeleteMediaType(now);
  if (!moved) qCWarning(lcCapture) << "The camera did not take the smaller format; giving up";
  return built && moved;
}

// ---------------------------------------------------------------- negotiated format

bool TVLDSCaptureFormats::GetVideoFormat(BITMAPINFOHEADER* header, int64_t* period, TVLVideoFormat* format) {
  ISampleGrabber* videoGrabber = parts_.builder.VideoGrabber();
  if (!videoGrabber || !header || !period || !format) return false;
  TDSMediaType mt;
  if (FAILED(videoGrabber->GetConnectedMediaType(&mt.Get()))) return false;
  const AM_MEDIA_TYPE& t = mt.Get();
  *format = VLGetFormatFromGUID(t.subtype);
  const TDSVideoInfoView view(t);
  if (!view) return false;
  ReadPicture(view, header, period);
  return true;
}

void TVLDSCaptureFormats::ReadPicture(const TDSVideoInfoView& view, BITMAPINFOHEADER* header, int64_t* period) {
  *header = *view.Header();
  *period = view.AvgTimePerFrame();
  if (const VIDEOINFOHEADER2* v = view.Info2()) {
    parts_.interlacing.SetFlags(v->dwInterlaceFlags);
    parts_.pictureRatio.SetWidth(v->dwPictAspectRatioX);
    parts_.pictureRatio.SetHeight(v->dwPictAspectRatioY);
  } else {
    parts_.pictureRatio.SetWidth(uint32_t(std::max(header->biWidth, 0)));
    parts_.pictureRatio.SetHeight(uint32_t(Magnitude(header->biHeight)));
  }
}

bool TVLDSCaptureFormats::Current(bool running, BITMAPINFOHEADER* header, int64_t* period) {
  if (!running) {
    TVLVideoFormat format;
    return GetVideoFormat(header, period, &format);
  }
  *header = header_;
  *period = framePeriod_;
  return true;
}

TIntf<IOWNotifyOperation> TVLDSCaptureFormats::ReadConnectedFormat(bool compression) {
  parts_.interlacing.SetFlags(0);
  parts_.pictureRatio.SetWidth(uint32_t(std::max(header_.biWidth, 0)));
  parts_.pictureRatio.SetHeight(uint32_t(Magnitude(header_.biHeight)));
  ISampleGrabber* videoGrabber = parts_.builder.VideoGrabber();
  if (!videoGrabber) return {};
  TDSMediaType mt;
  if (videoGrabber->GetConnectedMediaType(&mt.Get()) != S_OK) return {};
  return AnnounceConnected(mt.Get(), compression);
}

TIntf<IOWNotifyOperation> TVLDSCaptureFormats::ReadAudioFormat() {
  // Only an audio branch that was rendered has a type to announce.
  ISampleGrabber* audioGrabber = parts_.builder.AudioGrabber();
  if (!audioGrabber) return {};
  TDSMediaType mt;
  if (audioGrabber->GetConnectedMediaType(&mt.Get()) != S_OK) return {};
  const AM_MEDIA_TYPE& t = mt.Get();
  if (!(t.formattype == FORMAT_WaveFormatEx) || !t.pbFormat || t.cbFormat < sizeof(WAVEFORMATEX)) return {};
  WAVEFORMATEX w;
  std::memcpy(&w, t.pbFormat, sizeof w);
  return MakeIntf<TOWStartSampleRateOperation>(double(w.nSamplesPerSec));
}

TIntf<IOWNotifyOperation> TVLDSCaptureFormats::AnnounceConnected(const AM_MEDIA_TYPE& t, bool compression) {
  const TVLVideoFormat format = VLGetFormatFromGUID(t.subtype);
  header_ = BITMAPINFOHEADER{};
  const TDSVideoInfoView view(t);
  if (!view) return {};
  ReadPicture(view, &header_, &framePeriod_);

  std::shared_ptr<const std::vector<uint8_t>> palette;
  if (format == vfGrayScale) {
    auto table = std::make_shared<std::vector<uint8_t>>(kPaletteBytes);
    if (const uint8_t* colours = view.TailOf(kPaletteBytes)) {
      std::memcpy(table->data(), colours, kPaletteBytes);
    } else {
      // A block without its colour table: the grey ramp an 8-bit camera means.
      for (size_t i = 0; i < 256; ++i) (*table)[4 * i] = (*table)[4 * i + 1] = (*table)[4 * i + 2] = uint8_t(i);
    }
    palette = std::move(table);
  }
  parts_.pump.SetNegotiated(format, std::move(palette));

  const int32_t width = header_.biWidth;
  const int32_t height = Magnitude(header_.biHeight);
  // 8-bit frames leave as RGB24 (they are expanded through the palette).
  const TVLVideoFormat announced = format == vfGrayScale ? vfRGB24 : format;
  const int64_t duration = int64_t(uint32_t(framePeriod_));
  TIntf<IOWNotifyOperation> start;
  if (compression)
    start = MakeIntf<TOWStartCompressionFrameOperation>(width, height, duration, announced, 0,
                                                        parts_.pictureRatio.Width(), parts_.pictureRatio.Height(),
                                                        SerializeMediaType(parts_.builder.RawType().Get()));
  else
    start = MakeIntf<TOWStartFrameOperation>(width, height, duration, announced, 0, parts_.pictureRatio.Width(),
                                             parts_.pictureRatio.Height());
  return start;
}

}  // namespace lumicar
