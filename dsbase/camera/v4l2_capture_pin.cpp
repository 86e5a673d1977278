#include "dsbase/camera/v4l2_capture_pin.h"

#include <linux/videodev2.h>
#include <sys/mman.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "dsbase/camera/camera_media_type.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/media_event_sink.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/com/task_memory.h"
#include "dsbase/graph/system_clock.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info.h"

namespace lumicar {

namespace {

constexpr int kBufferCount = 4;
// A device that can wake its poller is polled with a camera's usual time-out;
// on one that cannot, the thread sees a stop request only between slices.
constexpr int kPollTimeoutMs = 1000;
constexpr int kPollSliceMs = 100;
// A camera silent this long has its stream restarted (STREAMOFF, buffers
// queued again, STREAMON), which wakes many a stuck driver; one still silent
// after that restart is reported, and restarted again each time this passes.
constexpr int kSilentRestartMs = 5 * kPollTimeoutMs;
constexpr size_t kMaxBufferBytes = 256u << 20;
bool IsJpeg(uint32_t fourcc) { return fourcc == V4L2_PIX_FMT_MJPEG || fourcc == V4L2_PIX_FMT_JPEG; }

int64_t ThreadCpuNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

bool IsVideoInfo(const AM_MEDIA_TYPE& mt) {
  return mt.majortype == MEDIATYPE_Video && (mt.formattype == FORMAT_VideoInfo || mt.formattype == FORMAT_VideoInfo2);
}

}  // namespace

TDSV4L2CapturePin::TDSV4L2CapturePin(TDSV4L2CaptureFilter* filter)
    : TDSSourceStreamPin(QStringLiteral("V4L2 capture pin"), filter, QStringLiteral("Capture")), camera_(filter) {}

TDSV4L2CapturePin::~TDSV4L2CapturePin() { StopStreaming(); }

HRESULT TDSV4L2CapturePin::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IKsPropertySet) return GetInterface<IKsPropertySet>(this, object);
  if (iid == IID_IAMStreamConfig) return GetInterface<IAMStreamConfig>(this, object);
  return TDSSourceStreamPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSV4L2CapturePin::Get(const TGUID& set, uint32_t id, const void*, uint32_t, void* data, uint32_t length,
                               uint32_t* returned) {
  if (!(set == AMPROPSETID_Pin) || id != AMPROPERTY_PIN_CATEGORY) return E_NOTIMPL;
  if (!data || !returned) return E_POINTER;
  if (length < sizeof(TGUID)) return E_INVALIDARG;
  std::memcpy(data, &PIN_CATEGORY_CAPTURE, sizeof(TGUID));
  *returned = sizeof(TGUID);
  return S_OK;
}

HRESULT TDSV4L2CapturePin::QuerySupported(const TGUID& set, uint32_t id, uint32_t* support) {
  if (!support) return E_POINTER;
  *support = set == AMPROPSETID_Pin && id == AMPROPERTY_PIN_CATEGORY ? KSPROPERTY_SUPPORT_GET : 0;
  return *support ? S_OK : E_NOTIMPL;
}

const TDSCameraCapability* TDSV4L2CapturePin::FindCapability(const TGUID& subtype, int width, int height) const {
  for (const TDSCameraCapability& c : camera_->Capabilities())
    if (c.subtype == subtype && c.width == width && c.height == height) return &c;
  return nullptr;
}

TDSMediaType TDSV4L2CapturePin::DefaultType(const TDSCameraCapability& cap) const {
  const TDSCameraSource* source;
  int64_t interval = cap.MinInterval();
  TDSFraction f;
  DSPickCameraSource(cap, 0, &source, &interval, &f);
  return DSCameraMediaType(cap.subtype, cap.width, cap.height, interval);
}

TDSMediaType TDSV4L2CapturePin::CurrentFormat() const {
  if (hasFormat_) return format_;
  if (IsConnected()) return TDSMediaType(CurrentMediaType());
  const auto& caps = camera_->Capabilities();
  return caps.empty() ? TDSMediaType() : DefaultType(caps.front());
}

HRESULT TDSV4L2CapturePin::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  int w, h;
  int64_t interval;
  if (!IsVideoInfo(*mt) || !DSCameraTypeGeometry(*mt, &w, &h, &interval)) return VFW_E_TYPE_NOT_ACCEPTED;
  const TDSCameraCapability* cap = FindCapability(mt->subtype, w, h);
  if (!cap) return VFW_E_TYPE_NOT_ACCEPTED;
  // Rates outside the camera's reach are refused; 0 means "any".
  if (interval < 0 ||
      (interval > 0 && (interval * 1001 < cap->MinInterval() * 1000 || interval * 1000 > cap->MaxInterval() * 1001)))
    return VFW_E_TYPE_NOT_ACCEPTED;
  const BITMAPINFOHEADER* bmi = DSBitmapHeader(*mt);
  if (bmi->biSizeImage && bmi->biSizeImage < DSBitmapImageSize(w, h, bmi->biBitCount)) return VFW_E_TYPE_NOT_ACCEPTED;
  return S_OK;
}

HRESULT TDSV4L2CapturePin::IntGetMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (position < 0) return E_INVALIDARG;
  // After SetFormat the pin offers that type alone.
  if (hasFormat_) {
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    return LPDSCopyMediaType(*mt, format_.Get());
  }
  const auto& caps = camera_->Capabilities();
  if (size_t(position) >= caps.size()) return VFW_S_NO_MORE_ITEMS;
  return LPDSCopyMediaType(*mt, DefaultType(caps[size_t(position)]).Get());
}

HRESULT TDSV4L2CapturePin::IntDecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  const BITMAPINFOHEADER* bmi = DSBitmapHeader(CurrentMediaType());
  if (!bmi || bmi->biSizeImage == 0) return VFW_E_TYPE_NOT_ACCEPTED;
  // Few samples: a camera's picture is worth most when it is new.
  request->cBuffers = std::max(request->cBuffers, 2);
  request->cbBuffer = std::max<int32_t>(request->cbBuffer, int32_t(bmi->biSizeImage));
  request->cbAlign = std::max(request->cbAlign, 1);
  ALLOCATOR_PROPERTIES actual;
  const HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < int32_t(bmi->biSizeImage) ? E_FAIL : S_OK;
}

HRESULT TDSV4L2CapturePin::SetFormat(const AM_MEDIA_TYPE* mt) {
  std::lock_guard guard(*lock_);
  if (!camera_->IsStopped()) return VFW_E_NOT_STOPPED;
  if (!mt) {  // back to the camera's own choice
    hasFormat_ = false;
    IncrementTypeVersion();
    return S_OK;
  }
  int w, h;
  int64_t interval;
  if (!IsVideoInfo(*mt) || !DSCameraTypeGeometry(*mt, &w, &h, &interval) || interval < 0) return VFW_E_INVALIDMEDIATYPE;
  // The nearest size the camera has in that subtype.
  const TDSCameraCapability* cap = nullptr;
  int64_t best = INT64_MAX;
  for (const TDSCameraCapability& c : camera_->Capabilities()) {
    if (!(c.subtype == mt->subtype)) continue;
    const int64_t d = std::llabs(int64_t(c.width) * c.height - int64_t(w) * h) + std::llabs(c.width - w);
    if (d < best) best = d, cap = &c;
  }
  if (!cap) return VFW_E_INVALIDMEDIATYPE;
  const TDSCameraSource* source;
  int64_t applied;
  TDSFraction fraction;
  bool exact = DSPickCameraSource(*cap, interval, &source, &applied, &fraction);
  exact = exact && cap->width == w && cap->height == h;
  TDSMediaType chosen = DSCameraMediaType(cap->subtype, cap->width, cap->height, applied);
  if (!chosen->pbFormat) return E_OUTOFMEMORY;
  if (IsConnected()) {
    if (!DSIsEqualMediaType(chosen.Get(), CurrentMediaType())) {
      TIntf<IPin> peer = GetConnected();
      if (peer && peer->QueryAccept(&chosen.Get()) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
      const HRESULT hr = camera_->ReconnectPin(static_cast<IPin*>(this), &chosen.Get());
      if (FAILED(hr)) return hr;
    }
  }
  format_ = chosen;
  hasFormat_ = true;
  IncrementTypeVersion();
  return exact ? S_OK : S_FALSE;
}

HRESULT TDSV4L2CapturePin::GetFormat(AM_MEDIA_TYPE** mt) {
  if (!mt) return E_POINTER;
  std::lock_guard guard(*lock_);
  TDSMediaType current = CurrentFormat();
  if (!current->pbFormat) return VFW_E_NOT_CONNECTED;
  *mt = LPDSCreateMediaType(current.Get());
  return *mt ? S_OK : E_OUTOFMEMORY;
}

HRESULT TDSV4L2CapturePin::GetNumberOfCapabilities(int* count, int* size) {
  if (!count || !size) return E_POINTER;
  *count = int(camera_->Capabilities().size());
  *size = int(sizeof(VIDEO_STREAM_CONFIG_CAPS));
  return S_OK;
}

HRESULT TDSV4L2CapturePin::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, uint8_t* caps) {
  if (!mt || !caps) return E_POINTER;
  const auto& all = camera_->Capabilities();
  if (index < 0 || size_t(index) >= all.size()) return S_FALSE;
  const TDSCameraCapability& c = all[size_t(index)];
  TDSMediaType type = DefaultType(c);
  VIDEO_STREAM_CONFIG_CAPS s;
  s.guid = FORMAT_VideoInfo;
  s.InputSize = s.MinCroppingSize = s.MaxCroppingSize = s.MinOutputSize = s.MaxOutputSize = SIZE{c.width, c.height};
  // Sizes are discrete: no cropping or stretching steps.
  s.CropGranularityX = s.CropGranularityY = s.CropAlignX = s.CropAlignY = 1;
  s.OutputGranularityX = s.OutputGranularityY = 1;
  s.MinFrameInterval = c.MinInterval();
  s.MaxFrameInterval = c.MaxInterval();
  const uint64_t bits = uint64_t(DSBitmapHeader(type.Get())->biSizeImage) * 8;
  auto rate = [&](int64_t interval) {
    const uint64_t b = interval > 0 ? bits * 10'000'000 / uint64_t(interval) : 0;
    return int32_t(std::min<uint64_t>(b, INT32_MAX));
  };
  s.MinBitsPerSecond = rate(s.MaxFrameInterval);
  s.MaxBitsPerSecond = rate(s.MinFrameInterval);
  std::memcpy(caps, &s, sizeof s);
  *mt = LPDSCreateMediaType(type.Get());
  return *mt ? S_OK : E_OUTOFMEMORY;
}

HRESULT TDSV4L2CapturePin::Active() {
  HRESULT hr = TDSSourceStreamPin::Active();
  if (FAILED(hr)) return hr;
  hr = StartStreaming();
  if (FAILED(hr)) {
    TDSSourceStreamPin::Inactive();
    // A node unplugged while the camera stood still is found gone only here.
    // It is lost as much as one that vanishes while streaming: the graph's
    // owner must hear it, or it would keep running this dead node even after
    // the camera is plugged back in.
    if (hr == DSErrnoResult(ENODEV) && !camera_->IsLost()) Lost(ENODEV);
  }
  return hr;
}

HRESULT TDSV4L2CapturePin::Inactive() {
  stop_.store(true);
  // Decommitting first wakes a streaming thread that waits for a sample.
  const HRESULT hr = TDSSourceStreamPin::Inactive();
  StopStreaming();
  return hr;
}

HRESULT TDSV4L2CapturePin::StartStreaming() {
  StopStreaming();
  // The streaming thread logs under this copy: asking the filter for its
  // name takes the filter's lock, which a Stop holds while it waits for the
  // thread to end.
  streamName_ = camera_->FilterName();
  if (camera_->IsLost()) return DSErrnoResult(ENODEV);
  const AM_MEDIA_TYPE& mt = CurrentMediaType();
  int w, h;
  int64_t interval;
  if (!DSCameraTypeGeometry(mt, &w, &h, &interval)) return VFW_E_TYPE_NOT_ACCEPTED;
  const TDSCameraCapability* cap = FindCapability(mt.subtype, w, h);
  if (!cap) return VFW_E_TYPE_NOT_ACCEPTED;
  const int64_t wanted = interval;
  const TDSCameraSource* source;
  TDSFraction fraction;
  DSPickCameraSource(*cap, wanted, &source, &interval, &fraction);
  // A bus without room for the uncompressed stream may still carry the
  // same picture compressed: the camera's MJPEG at the same size, decoded
  // here into the same output, is tried before the start fails.
  TDSCameraCapability compressed;
  bool forBandwidth = false;
  for (;;) {
    const HRESULT hr = OpenStream(*source, fraction, w, h, mt);
    if (SUCCEEDED(hr)) break;
    const TDSCameraSource* mjpeg = nullptr;
    for (const TDSCameraSource& s : cap->sources)
      if (s.fourcc == V4L2_PIX_FMT_MJPEG) mjpeg = &s;
    if (hr != DSErrnoResult(ENOSPC) || source->fourcc == V4L2_PIX_FMT_MJPEG || !mjpeg) return hr;
    compressed = *cap;
    compressed.sources = {*mjpeg};
    DSPickCameraSource(compressed, wanted, &source, &interval, &fraction);
    qCWarning(lcCamera) << camera_->FilterName() << "has no USB bandwidth for" << w << "x" << h
                        << "uncompressed; trying its MJPEG at that size";
    forBandwidth = true;
  }
  frameInterval_ = interval;
  camera_->ReplayControls();
  streamingFourcc_.store(source->fourcc);
  // Told once it streams: the capture says what it shows instead.
  if (forBandwidth) camera_->NotifyEvent(EC_CAMERA_COMPRESSED, w, h);
  stop_.store(false);
  // Decided before the streaming thread runs (which owns the decoder from
  // then on), or on its first frames.
  const TDSMjpegDecoding decoding = decoding_.load();
  decodeTimer_.Reset(frameInterval_, !IsJpeg(source->fourcc) || decoding != TDSMjpegDecoding::automatic);
  if (IsJpeg(source->fourcc) && decoding == TDSMjpegDecoding::ownThread) StartDecoderThread();
  thread_ = std::thread([this] { Stream(); });
  return S_OK;
}

HRESULT TDSV4L2CapturePin::OpenStream(const TDSCameraSource& sourceRef, const TDSFraction& fraction, int w, int h,
                                      const AM_MEDIA_TYPE& mt) {
  const TDSCameraSource* source = &sourceRef;
  IV4L2Device& d = camera_->Device();
  const int fd = camera_->Fd();
  v4l2_format f{};
  f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  f.fmt.pix.width = uint32_t(w);
  f.fmt.pix.height = uint32_t(h);
  f.fmt.pix.pixelformat = source->fourcc;
  f.fmt.pix.field = V4L2_FIELD_ANY;
  if (d.Ioctl(fd, VIDIOC_S_FMT, &f) != 0) {
    const int e = errno;
    qCWarning(lcCamera) << camera_->FilterName() << "refused the format" << w << "x" << h << ":" << strerror(e);
    return DSErrnoResult(e);
  }
  if (f.fmt.pix.pixelformat != source->fourcc || f.fmt.pix.width != uint32_t(w) || f.fmt.pix.height != uint32_t(h)) {
    qCWarning(lcCamera) << camera_->FilterName() << "gave" << f.fmt.pix.width << "x" << f.fmt.pix.height << "instead of"
                        << w << "x" << h;
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  if (!unpacker_.Prepare(f.fmt.pix, mt)) {
    qCWarning(lcCamera) << camera_->FilterName() << unpacker_.LastError();
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  v4l2_streamparm p{};
  p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  p.parm.capture.timeperframe = {fraction.numerator, fraction.denominator};
  if (d.Ioctl(fd, VIDIOC_S_PARM, &p) != 0)
    qCInfo(lcCamera) << camera_->FilterName() << "keeps its own frame rate:" << strerror(errno);

  v4l2_requestbuffers r{};
  r.count = kBufferCount;
  r.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  r.memory = V4L2_MEMORY_MMAP;
  if (d.Ioctl(fd, VIDIOC_REQBUFS, &r) != 0) return DSErrnoResult(errno);
  if (r.count < 1 || r.count > 32) {
    ReleaseBuffers();
    return E_FAIL;
  }
  for (uint32_t i = 0; i < r.count; ++i) {
    v4l2_buffer b{};
    b.index = i;
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    if (d.Ioctl(fd, VIDIOC_QUERYBUF, &b) != 0 || b.length == 0 || b.length > kMaxBufferBytes) {
      const int e = errno;
      ReleaseBuffers();
      return e ? DSErrnoResult(e) : E_FAIL;
    }
    void* a = d.Mmap(b.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, off_t(b.m.offset));
    if (a == MAP_FAILED) {
      const int e = errno;
      ReleaseBuffers();
      return DSErrnoResult(e);
    }
    buffers_.push_back({a, b.length});
  }
  for (uint32_t i = 0; i < buffers_.size(); ++i)
    if (!Requeue(i)) {
      const int e = errno;
      ReleaseBuffers();
      return DSErrnoResult(e);
    }
  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (d.Ioctl(fd, VIDIOC_STREAMON, &type) != 0) {
    const int e = errno;
    if (e == ENOSPC)
      qCWarning(lcCamera) << camera_->FilterName()
                          << "cannot stream: the USB bus has no bandwidth left; choose a smaller size or MJPEG";
    else
      qCWarning(lcCamera) << camera_->FilterName() << "cannot stream:" << strerror(e);
    ReleaseBuffers();
    return DSErrnoResult(e);
  }
  return S_OK;
}

void TDSV4L2CapturePin::StopStreaming() {
  stop_.store(true);
  if (thread_.joinable()) {
    // Not waiting for the next frame or poll time-out keeps every restart
    // (each format, size or flip change) quick.
    camera_->Device().Interrupt(camera_->Fd());
    thread_.join();
  }
  ReleaseBuffers();
}

void TDSV4L2CapturePin::ReleaseBuffers() {
  IV4L2Device& d = camera_->Device();
  const int fd = camera_->Fd();
  if (streamingFourcc_.exchange(0) != 0) {
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    d.Ioctl(fd, VIDIOC_STREAMOFF, &type);
  }
  for (const TBuffer& b : buffers_) d.Munmap(b.address, b.length);
  const bool had = !buffers_.empty();
  buffers_.clear();
  if (had && !camera_->IsLost()) {
    v4l2_requestbuffers r{};
    r.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    r.memory = V4L2_MEMORY_MMAP;
    d.Ioctl(fd, VIDIOC_REQBUFS, &r);
  }
}

bool TDSV4L2CapturePin::Requeue(uint32_t index) {
  v4l2_buffer b{};
  b.index = index;
  b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  b.memory = V4L2_MEMORY_MMAP;
  return camera_->Device().Ioctl(camera_->Fd(), VIDIOC_QBUF, &b) == 0;
}

void TDSV4L2CapturePin::Lost(int error) {
  qCWarning(lcCamera) << streamName_ << "was lost:" << strerror(error);
  camera_->MarkLost();
  camera_->NotifyEvent(EC_DEVICE_LOST, 0, 0);
}

bool TDSV4L2CapturePin::RestartStream() {
  IV4L2Device& d = camera_->Device();
  const int fd = camera_->Fd();
  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  // STREAMOFF gives every buffer back, dequeued or not.
  d.Ioctl(fd, VIDIOC_STREAMOFF, &type);
  for (uint32_t i = 0; i < buffers_.size(); ++i)
    if (!Requeue(i)) return false;
  if (d.Ioctl(fd, VIDIOC_STREAMON, &type) != 0) return false;
  silentRestarts_.fetch_add(1);
  return true;
}

void TDSV4L2CapturePin::Stream() {
  Pump();
  // Stopped and joined before the stream stops: nothing it decoded is
  // delivered after this.
  if (pipeline_) {
    pipeline_->Stop();
    pipeline_.reset();
    ownThread_.store(false);
  }
}

void TDSV4L2CapturePin::Pump() {
  IV4L2Device& d = camera_->Device();
  const int fd = camera_->Fd();
  const int timeoutMs = d.Interruptible() ? kPollTimeoutMs : kPollSliceMs;
  int silentMs = 0;
  int restarts = 0;  // of this silence
  bool reported = false;
  while (!stop_.load()) {
    // The node, and the decoder thread's wake-up while it runs.
    pollfd polled[2] = {{fd, POLLIN, 0}, {pipeline_ ? pipeline_->WakeFd() : -1, POLLIN, 0}};
    pollfd& p = polled[0];
    const int n = d.Poll(polled, pipeline_ ? 2 : 1, timeoutMs);
    if (n < 0) {
      if (errno == EINTR) continue;  // a signal, or StopStreaming's wake-up
      Lost(errno);
      return;
    }
    if (n == 0) {
      timeouts_.fetch_add(1);
      silentMs += timeoutMs;
      if (silentMs < kSilentRestartMs) continue;
      silentMs = 0;
      if (restarts == 0)
        qCWarning(lcCamera) << streamName_ << "sent no frame for" << kSilentRestartMs / 1000
                            << "s; restarting its stream";
      // Still silent after a restart: the user hears of it (once), and the
      // stream is restarted again every few seconds.
      const bool report = restarts > 0 && !reported;
      ++restarts;
      if (!RestartStream()) {
        const int e = errno;
        if (e == ENODEV || e == EIO) {
          Lost(e);
          return;
        }
        if (restarts == 1)
          qCWarning(lcCamera) << streamName_ << "could not restart its stream:" << strerror(e) << "(errno" << e
                              << "); trying again";
      }
      if (report) {
        qCWarning(lcCamera) << streamName_ << "stays silent after its stream was restarted; retrying every"
                            << kSilentRestartMs / 1000 << "s";
        camera_->NotifyEvent(EC_CAMERA_SILENT, 0, 0);
        reported = true;
      }
      continue;
    }
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
      Lost(ENODEV);
      return;
    }
    // Taken before the next frame goes to the decoder (which starts on it
    // only once this one is out) and delivered after: the delivery of this
    // frame and the decode of the next overlap.
    TDSDecodedFrame decoded;
    const bool haveDecoded = pipeline_ && pipeline_->TakeDecoded(&decoded);
    if (!p.revents) {
      if (haveDecoded) DeliverDecoded(decoded);
      continue;
    }
    silentMs = 0;
    if (restarts > 0) {
      qCInfo(lcCamera) << streamName_ << "sends frames again";
      if (reported) camera_->NotifyEvent(EC_CAMERA_RESUMED, 0, 0);
      restarts = 0;
      reported = false;
    }
    // Take the buffers that are ready and hand on only the newest. At most one
    // round of the queue per wake-up: a camera that refills the buffers as
    // fast as they are given back would otherwise keep this loop from ever
    // delivering a frame or seeing a stop.
    v4l2_buffer newest{};
    bool have = false;
    for (size_t taken = 0; taken < buffers_.size() && !stop_.load(); ++taken) {
      v4l2_buffer b{};
      b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      b.memory = V4L2_MEMORY_MMAP;
      if (d.Ioctl(fd, VIDIOC_DQBUF, &b) != 0) {
        const int e = errno;
        if (e == EAGAIN || e == EINTR) break;
        if (have) Requeue(newest.index);
        Lost(e);
        return;
      }
      if (b.index >= buffers_.size()) continue;  // not one of ours: nothing to requeue
      if (have) {
        dropped_.fetch_add(1);
        if (!Requeue(newest.index)) {
          Lost(errno);
          return;
        }
      }
      newest = b;
      have = true;
    }
    if (have) Process(newest);
    if (camera_->IsLost()) return;
    if (haveDecoded) DeliverDecoded(decoded);
  }
}

void TDSV4L2CapturePin::DropFrame(const char* why) {
  dropped_.fetch_add(1);
  if (dropLog_.Open())
    qCWarning(lcCamera) << streamName_ << "dropped a frame:" << why << "(" << dropLog_.TakeSuppressed()
                        << "more since the last message)";
}

void TDSV4L2CapturePin::Process(const v4l2_buffer& b) {
  const TBuffer& buffer = buffers_[b.index];
  bool deliver = camera_->State() == State_Running;
  if (b.flags & V4L2_BUF_FLAG_ERROR) {
    DropFrame("the driver flagged the buffer");
    deliver = false;
  } else if (b.bytesused == 0) {
    DropFrame("the driver delivered an empty buffer");
    deliver = false;
  } else if (b.bytesused > buffer.length) {
    DropFrame("the driver claims more bytes than its buffer holds");
    deliver = false;
  }
  if (pipeline_) {
    // The compressed bytes are copied and the buffer goes back at once; a
    // frame still waiting for the busy decoder gives way to this newer one.
    if (deliver &&
        pipeline_->Submit(static_cast<const uint8_t*>(buffer.address), b.bytesused, {b.sequence, b.flags, b.timestamp}))
      dropped_.fetch_add(1);
    if (!Requeue(b.index) && (errno == ENODEV || errno == EIO)) Lost(errno);
    return;
  }
  TIntf<IMediaSample> sample;
  if (deliver) {
    IMediaSample* raw = nullptr;
    if (SUCCEEDED(GetDeliveryBuffer(&raw, nullptr, nullptr, 0)) && raw) sample = TIntf<IMediaSample>::Adopt(raw);
  }
  int64_t decodeNs = -1;
  if (sample) {
    uint8_t* data = nullptr;
    const int32_t size = sample->GetSize();
    const size_t used = b.bytesused;
    if (FAILED(sample->GetPointer(&data)) || size <= 0) {
      sample.reset();
    } else {
      const int64_t begin = decodeTimer_.Timing() ? ThreadCpuNs() : 0;
      const TDSUnpackResult r = unpacker_.Unpack(static_cast<const uint8_t*>(buffer.address), used, data, size_t(size));
      if (r != TDSUnpackResult::ok) {
        if (r == TDSUnpackResult::shortBuffer) short_.fetch_add(1);
        DropFrame(unpacker_.LastError());
        sample.reset();
      } else if (decodeTimer_.Timing()) {
        decodeNs = ThreadCpuNs() - begin;
      }
    }
  }
  if (!Requeue(b.index)) {
    if (errno == ENODEV || errno == EIO) {
      Lost(errno);
      return;
    }
  }
  if (sample) {
    sample->SetActualDataLength(int32_t(unpacker_.OutputBytes()));
    DeliverSample(sample.get(), b.flags, b.timestamp);
  }
  if (decodeNs >= 0 && decodeTimer_.Add(decodeNs)) {
    qCInfo(lcCamera) << streamName_ << "decodes MJPEG on a thread of its own: a frame takes"
                     << decodeTimer_.MedianNs() / 1'000'000 << "ms of the" << frameInterval_ / 10'000
                     << "ms between frames";
    StartDecoderThread();
  }
}

void TDSV4L2CapturePin::DeliverSample(IMediaSample* sample, uint32_t flags, const timeval& timestamp) {
  REFERENCE_TIME when = 0;
  if ((flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) == V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC &&
      (timestamp.tv_sec || timestamp.tv_usec))
    when = REFERENCE_TIME(timestamp.tv_sec) * 10'000'000 + REFERENCE_TIME(timestamp.tv_usec) * 10;
  else
    when = TDSSystemClock::Now();
  REFERENCE_TIME start;
  if (camera_->StreamTimeOf(when, &start)) {
    const REFERENCE_TIME stop = start + frameInterval_;
    sample->SetTime(&start, &stop);
  }
  sample->SetSyncPoint(true);
  if (Deliver(sample) == S_OK) delivered_.fetch_add(1);
}

void TDSV4L2CapturePin::StartDecoderThread() {
  auto pipeline = std::make_unique<TDSMjpegPipeline>(
      [this](const uint8_t* data, size_t size, TDSDecodedFrame* out) { DecodeInto(data, size, out); }, streamName_);
  if (!pipeline->Start()) return;  // logged; the streaming thread goes on decoding
  pipeline_ = std::move(pipeline);
  ownThread_.store(true);
}

void TDSV4L2CapturePin::DecodeInto(const uint8_t* data, size_t size, TDSDecodedFrame* out) {
  // No sample (stopping, or none to be had): nothing to deliver, as on the
  // streaming thread.
  out->result = TDSUnpackResult::ok;
  IMediaSample* raw = nullptr;
  if (FAILED(GetDeliveryBuffer(&raw, nullptr, nullptr, 0)) || !raw) return;
  TIntf<IMediaSample> sample = TIntf<IMediaSample>::Adopt(raw);
  uint8_t* dst = nullptr;
  const int32_t capacity = sample->GetSize();
  if (FAILED(sample->GetPointer(&dst)) || capacity <= 0) return;
  out->result = unpacker_.Unpack(data, size, dst, size_t(capacity));
  if (out->result != TDSUnpackResult::ok) {
    out->error = unpacker_.LastError();
    return;
  }
  sample->SetActualDataLength(int32_t(unpacker_.OutputBytes()));
  out->sample = std::move(sample);
}

void TDSV4L2CapturePin::DeliverDecoded(TDSDecodedFrame& decoded) {
  if (decoded.result != TDSUnpackResult::ok) {
    if (decoded.result == TDSUnpackResult::shortBuffer) short_.fetch_add(1);
    DropFrame(decoded.error.c_str());
    return;
  }
  if (!decoded.sample || stop_.load() || camera_->State() != State_Running) return;
  DeliverSample(decoded.sample.get(), decoded.frame.flags, decoded.frame.timestamp);
}

}  // namespace lumicar
