#include "tests/capture/capture_test_support.h"

#include <QDir>
#include <QEventLoop>
#include <map>

#include "dsbase/camera/camera_identity.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/camera/v4l2_capture_pin.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/live_objects.h"
#include "dsbase/graph/graph_pins.h"
#include "dsbase/media/video_info.h"
#include "imagepins/buffer_operations.h"
#include "testing/event_pump.h"
#include "tests/ui/qt_application.h"

namespace lumicar::capturetest {

// ---------------------------------------------------------------- sink

TCollectingSink::TCollectingSink(size_t keep) : keep_(keep) {
  input_.reset(new TVLOWImageSinkPin(
      this, nullptr, [this](TOWPin*, const TGUID&, IOWNotifyOperation* op, TOWNotifyState) { return Receive(op); }));
}

TCollectingSink::~TCollectingSink() {
  OpenGate();
  input_.reset();
}

TOWDispatchResult TCollectingSink::Receive(IOWNotifyOperation* operation) {
  if (auto* start = OWOperationAs<TOWStartFrameOperation>(operation)) {
    std::lock_guard guard(lock_);
    ++starts_;
    lastStart_ = TIntf<TOWStartFrameOperation>(start);
    changed_.notify_all();
    return {};
  }
  if (OWOperationAs<TOWStopOperation>(operation)) {
    std::lock_guard guard(lock_);
    ++stops_;
    changed_.notify_all();
    return {};
  }
  auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(operation);
  if (!supplied || !supplied->Buffer()) return {};
  auto frame = MakeIntf<TVLImageBuffer>(supplied->Buffer());
  std::unique_lock guard(lock_);
  ++atGate_;
  changed_.notify_all();
  changed_.wait(guard, [this] { return gateOpen_; });
  ++frames_;
  TSLSequenceStamp* number = frame->GetSequenceStamp();
  sequence_.push_back(number->Available() ? number->BufferNumber() : -1);
  if (kept_.size() < keep_) kept_.push_back(frame);
  changed_.notify_all();
  return {};
}

int TCollectingSink::Frames() const {
  std::lock_guard guard(lock_);
  return frames_;
}

int TCollectingSink::Starts() const {
  std::lock_guard guard(lock_);
  return starts_;
}

int TCollectingSink::Stops() const {
  std::lock_guard guard(lock_);
  return stops_;
}

std::vector<int64_t> TCollectingSink::Sequence() const {
  std::lock_guard guard(lock_);
  return sequence_;
}

std::vector<TIntf<TVLImageBuffer>> TCollectingSink::Kept() const {
  std::lock_guard guard(lock_);
  return kept_;
}

TIntf<TOWStartFrameOperation> TCollectingSink::LastStart() const {
  std::lock_guard guard(lock_);
  return lastStart_;
}

bool TCollectingSink::WaitFrames(int frames, std::chrono::milliseconds failsafe) const {
  std::unique_lock guard(lock_);
  return changed_.wait_for(guard, failsafe, [&] { return frames_ >= frames; });
}

bool TCollectingSink::WaitStops(int stops, std::chrono::milliseconds failsafe) const {
  std::unique_lock guard(lock_);
  return changed_.wait_for(guard, failsafe, [&] { return stops_ >= stops; });
}

void TCollectingSink::CloseGate() {
  std::lock_guard guard(lock_);
  gateOpen_ = false;
}

void TCollectingSink::OpenGate() {
  std::lock_guard guard(lock_);
  gateOpen_ = true;
  changed_.notify_all();
}

bool TCollectingSink::WaitAtGate(int count, std::chrono::milliseconds failsafe) const {
  std::unique_lock guard(lock_);
  return changed_.wait_for(guard, failsafe, [&] { return atGate_ >= count; });
}

void TCollectingSink::Clear() {
  std::lock_guard guard(lock_);
  frames_ = starts_ = stops_ = atGate_ = 0;
  sequence_.clear();
  kept_.clear();
  lastStart_.reset();
}

// ---------------------------------------------------------------- helpers

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds failsafe) {
  return testtools::PumpUntil(done, failsafe);
}

int ThreadCount() {
  return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

int FdCount() {
  return int(
      QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

bool Negotiated(TVLDSCapture* capture, TNegotiated* result) {
  ISampleGrabber* grabber = capture->VideoGrabber();
  if (!grabber) return false;
  TDSMediaType mt;
  if (FAILED(grabber->GetConnectedMediaType(&mt.Get()))) return false;
  const BITMAPINFOHEADER* bmi = DSBitmapHeader(mt.Get());
  if (!bmi) return false;
  result->subtype = mt->subtype;
  result->width = bmi->biWidth;
  result->height = bmi->biHeight < 0 ? -bmi->biHeight : bmi->biHeight;
  result->period = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat)->AvgTimePerFrame;
  return true;
}

bool HasFilter(TVLDSCapture* capture, const char16_t* name) {
  IGraphBuilder* graph = capture->Graph()->Graph();
  if (!graph) return false;
  IBaseFilter* raw = nullptr;
  if (FAILED(graph->FindFilterByName(name, &raw)) || !raw) return false;
  raw->Release();
  return true;
}

int FilterCount(TVLDSCapture* capture) {
  IGraphBuilder* graph = capture->Graph()->Graph();
  if (!graph) return 0;
  IEnumFilters* raw = nullptr;
  if (FAILED(graph->EnumFilters(&raw)) || !raw) return 0;
  TIntf<IEnumFilters> e = TIntf<IEnumFilters>::Adopt(raw);
  int n = 0;
  for (;;) {
    IBaseFilter* f = nullptr;
    uint32_t fetched = 0;
    if (e->Next(1, &f, &fetched) != S_OK || !f) break;
    f->Release();
    ++n;
  }
  return n;
}

// ---------------------------------------------------------------- fixture

void CaptureTest::SetUp() {
  VLDSCaptureRegisterServices();
  camera_ = std::make_shared<TFakeCameraProvider>();
  DSRegisterDeviceProvider(camera_);
  liveObjects_ = DSLiveObjectCount();
  sink_ = std::make_unique<TCollectingSink>();
}

void CaptureTest::TearDown() {
  if (sink_) sink_->OpenGate();
  capture_.reset();
  sink_.reset();
  DSUnregisterDeviceProvider(camera_.get());
  EXPECT_EQ(camera_->OpenFds(), 0) << "camera nodes or mappings left open";
  EXPECT_EQ(DSLiveObjectCount(), liveObjects_) << "media objects leaked";
  camera_.reset();
}

TVLDSCapture* CaptureTest::MakeCapture(const QString& device) {
  capture_.reset(new TVLDSCapture());
  if (!device.isEmpty()) capture_->VideoCaptureDevice()->SetName(device);
  EXPECT_TRUE(capture_->OutputPin()->Connect(sink_->InputPin()));
  return capture_.get();
}

void CaptureTest::RecordFailures(TVLDSCapture* capture) {
  capture->Graph()->SetOnError(TDSErrorEvent([this](TObject*, QString message, HRESULT code, bool* handled) {
    std::lock_guard guard(failuresLock_);
    failures_.push_back({message, code, true});
    *handled = true;
  }));
  capture->Graph()->SetOnWarning(TDSWarningEvent([this](TObject*, QString message, HRESULT code) {
    std::lock_guard guard(failuresLock_);
    failures_.push_back({message, code, false});
  }));
}

std::vector<CaptureTest::TFailure> CaptureTest::Failures() {
  std::lock_guard guard(failuresLock_);
  return failures_;
}

bool CaptureTest::HasFailure(const QString& message) {
  for (const TFailure& f : Failures())
    if (f.message == message) return true;
  return false;
}

void CaptureTest::PushFrames(int count) {
  static std::mutex cacheLock;
  static std::map<std::tuple<uint32_t, uint32_t, uint32_t>, std::vector<uint8_t>> cache;
  std::shared_ptr<camtest::TFakeV4L2Device> fake = camera_->Fake();
  v4l2_pix_format f;
  {
    std::lock_guard guard(fake->lock_);
    f = fake->format_;
  }
  std::vector<uint8_t> bytes;
  {
    std::lock_guard guard(cacheLock);
    auto& entry = cache[{f.pixelformat, f.width, f.height}];
    if (entry.empty())
      entry = f.pixelformat == V4L2_PIX_FMT_MJPEG ? camtest::MakeJpeg(int(f.width), int(f.height))
                                                  : camtest::MakeYuyv(int(f.width), int(f.height), 3);
    bytes = entry;
  }
  for (int i = 0; i < count; ++i) fake->PushBytes(bytes);
}

}  // namespace lumicar::capturetest
