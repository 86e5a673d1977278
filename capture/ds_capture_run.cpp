#include "capture/ds_capture_run.h"

#include <cerrno>
#include <exception>

#include "capture/capture_frame_rate.h"
#include "capture/ds_capture_formats.h"
#include "capture/ds_capture_graph_builder.h"
#include "capture/frames/capture_log.h"
#include "capture/frames/frame_pump.h"
#include "capture/video_dialogs.h"
#include "capture/video_preview.h"
#include "capture/video_size.h"
#include "components/lp_lock.h"
#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/com/media_event_sink.h"
#include "dsbase/devices/capture_device.h"
#include "dsbase/holder/capture_graph_holder.h"
#include "dsbase/holder/preview_dock.h"

namespace lumicar {

namespace {

// The errno a camera's failure carries, or 0 for another failure.
int ErrnoOf(HRESULT hr) {
  const uint32_t code = uint32_t(hr);
  return (code & 0xFFFF0000u) == uint32_t(DSErrnoResult(0)) ? int(code & 0xFFFFu) : 0;
}

// Runs one step of the teardown; a failure cannot reach anyone from a
// destructor, so it is logged and the teardown goes on.
template <typename TStep>
void GuardTeardown(const char* what, TStep step) {
  try {
    step();
  } catch (const std::exception& e) {
    qCWarning(lcCapture) << "Destroying the capture:" << what << "failed (" << e.what()
                         << "); the graph is torn down regardless";
  } catch (...) {
    qCWarning(lcCapture) << "Destroying the capture:" << what << "failed; the graph is torn down regardless";
  }
}

}  // namespace

TVLDSCaptureRun::TStopScope::TStopScope(TVLDSCaptureRun& run) : run_(run) {
  run_.stopGate_.StopBegins();
  section_ = run_.parts_.lock.StopLock();
}

TVLDSCaptureRun::TStopScope::~TStopScope() {
  section_.reset();
  run_.stopGate_.StopEnds();
}

void TVLDSCaptureRun::Start() {
  // The write lock is refused only while a stop holds the stop lock, and
  // every stop of this component counts itself from before it asks for that
  // lock: once the count is back to 0 the lock is free of it. Deciding on
  // the running state without the lock would lose this start when the stop
  // clears it afterwards.
  for (;;) {
    if (auto section = parts_.lock.WriteLock()) {
      if (!running_) IntStart();
      return;
    }
    if (!stopGate_.AwaitStopEnd()) return;
  }
}

void TVLDSCaptureRun::Stop() {
  bool running;
  {
    auto section = parts_.lock.ReadLock();
    running = running_;
  }
  if (running) IntStop();
}

void TVLDSCaptureRun::IntStart() {
  // Every graph call of the start is made under the write lock; a thread
  // that stops the component meanwhile makes the start give up.
  auto section = parts_.lock.WriteLock();
  if (!section) return;
  TVLFramePump& pump = parts_.pump;
  pump.Clear();
  Open();
  if (!opened_) return;
  parts_.builder.RefreshInterfaces();
  if (!parts_.formats.ApplyFormats(false)) {
    // The graph had to be rendered anew for the camera's new format and
    // that failed: as after a failed build, the graph is not open.
    opened_ = false;
    return;
  }
  host_.ApplyAdjustments();
  host_.AnnounceFormats();
  SizeQueues();
  StartRun();
}

void TVLDSCaptureRun::SizeQueues() {
  TVLFramePump& pump = parts_.pump;
  const BITMAPINFOHEADER& header = parts_.formats.Header();
  const int width = header.biWidth;
  // The magnitude in 64 bits: a driver's INT32_MIN must not overflow here; the
  // queue refuses a size it cannot hold.
  const int64_t magnitude = header.biHeight < 0 ? -int64_t{header.biHeight} : int64_t{header.biHeight};
  const int height = magnitude > INT32_MAX ? 0 : static_cast<int>(magnitude);
  // A negative height is a top-down bitmap; the queue turns only bottom-up rows.
  pump.SetFrameSize(width, height, pump.NegotiatedFormat(),
                    header.biHeight < 0 ? TVLRowOrder::kTopDown : TVLRowOrder::kBottomUp, captionFormat_);
}

bool TVLDSCaptureRun::Open() {
  auto section = parts_.lock.WriteLock();
  if (!section) return false;
  if (active_) return opened_;
  if (opened_) {
    const TVLOptionalVideoSize& size = parts_.videoSize;
    const TVLCaptureFrameRate& rate = parts_.frameRate;
    const bool sizeCurrent = size.Current();
    const TVLDSCaptureFormats::TRequest& request = parts_.formats.Request();
    const bool stale = parts_.pump.NegotiatedFormat() != host_.RequestedFormat() ||
                       (!sizeCurrent && (size.Width() != request.width || size.Height() != request.height)) ||
                       (sizeCurrent && !rate.Current() && rate.Rate() != request.rate) ||
                       // A lost camera's graph cannot run again: its device must be bound anew.
                       deviceLost_;
    if (!stale) return true;
    Close();
  }
  videoMoniker_ = parts_.videoDevice.GetMoniker();
  if (!videoMoniker_) {
    ReportAbsentCamera();
    return false;
  }
  if (parts_.audioDevice.IsShareVideoDevice())
    audioMoniker_ = videoMoniker_;
  else
    audioMoniker_ = parts_.audioDevice.GetMoniker();
  deviceLost_ = false;
  InitCaptureFilters();
  opened_ = BuildGraph();
  if (opened_) opened_ = parts_.graph.GetMediaControl();
  return opened_;
}

void TVLDSCaptureRun::Close() {
  TStopScope stop(*this);
  if (parts_.preview.PreviewDock()) parts_.preview.Undock();
  if (opened_) DestroyGraph();
  parts_.builder.FreeCapFilters();
  videoMoniker_.reset();
  audioMoniker_.reset();
  parts_.videoDevice.CloseDevice();
  parts_.audioDevice.CloseDevice();
  opened_ = false;
}

void TVLDSCaptureRun::IntStop() {
  TStopScope stop(*this);
  TVLFramePump& pump = parts_.pump;
  pump.ForgetPalette();
  if (!running_ || stopping_) return;
  // The stop operation sent below may come back from downstream as a stop
  // request: that one finds the stop under way.
  stopping_ = true;
  struct TStopping {
    bool& flag;
    ~TStopping() { flag = false; }
  } stopping{stopping_};
  active_ = false;
  if (parts_.graph.Graph()) {
    // The notify thread cannot drain the queue while the stop lock is held,
    // and the camera's streaming thread may be waiting for room in it: let
    // it go before the graph waits for that thread.
    pump.Halt();
    TIntf<IMediaControl> control = parts_.builder.MediaControl();
    const HRESULT hr = control ? control->Stop() : E_NOINTERFACE;
    if (FAILED(hr)) {
      pump.Start();
      parts_.graph.Error(QStringLiteral("Can't stop capture."), hr);
      return;
    }
  }
  // Whatever a streaming thread queued between the halt and the graph's stop.
  pump.Clear();
  host_.StopOutputs();
  host_.RaiseOnStop();
  running_ = false;
}

bool TVLDSCaptureRun::StartRun() {
  TDSCaptureGraph& graph = parts_.graph;
  if (graph.Graph() && running_) return true;
  if (!BuildGraph()) return false;
  TIntf<IMediaControl> control(graph.MediaControl());
  if (!control) {
    graph.Error(QStringLiteral("Can't start capture."), 0);
    return false;
  }
  ConfigVideoWindow(false);
  parts_.pump.Start();
  HRESULT hr = control->Run();
  // No USB bandwidth for the format: the next format down, until one fits.
  QString reduced;
  while (FAILED(hr) && ErrnoOf(hr) == ENOSPC) {
    parts_.pump.Halt();
    control->Stop();
    QString shown;
    if (!parts_.formats.FallBackForBandwidth(&shown)) {
      parts_.graph.Warning(QStringLiteral("Can't start capture."), hr);
      host_.ReportCamera(cstNoBandwidth, ENOSPC, QStringLiteral("starting the camera's stream"));
      // A graph left without its rendering is built again by the next start.
      if (!parts_.builder.Built()) opened_ = false;
      return false;
    }
    reduced = shown;
    // What the camera sends now, read back from the grabber's connection.
    host_.AnnounceFormats();
    SizeQueues();
    parts_.pump.Start();
    hr = control->Run();
  }
  if (FAILED(hr)) {
    parts_.pump.Halt();
    control->Stop();
    if (!ReportRunFailure(hr)) graph.Error(QStringLiteral("Can't start capture."), hr);
    return false;
  }
  if (parts_.preview.Enabled() && parts_.preview.Visible()) ConfigVideoWindow(true);
  running_ = true;
  active_ = true;
  lostIdentity_.clear();
  if (reduced.isEmpty())
    host_.ReportCamera(cstReady, 0, QStringLiteral("starting the camera"));
  else
    host_.ReportCamera(cstLowBandwidth, ENOSPC, QStringLiteral("starting the camera's stream"), reduced);
  return true;
}

bool TVLDSCaptureRun::ReportRunFailure(HRESULT hr) {
  const int error = ErrnoOf(hr);
  if (error == EBUSY) {
    // Not the program's fault, and it passes: the status says so and the
    // capture tries again, where an error would end a start (the viewer's,
    // at start-up) for good.
    parts_.graph.Warning(QStringLiteral("Can't start capture."), hr);
    host_.ReportCamera(cstBusy, error, QStringLiteral("starting the camera's stream"));
    return true;
  }
  if (error == ENODEV) {
    // Found gone only now: the next open binds the camera anew once it is
    // back, and it is waited for. The failure itself is still the caller's.
    deviceLost_ = true;
    const QString identity = parts_.videoDevice.GetVC_OpenedDriverName();
    if (!identity.isEmpty()) lostIdentity_ = identity;
    host_.ReportCamera(cstDisconnected, error, QStringLiteral("starting the camera's stream"), lostIdentity_);
  }
  return false;
}

void TVLDSCaptureRun::ReportAbsentCamera() {
  TDSVideoCaptureDevice& device = parts_.videoDevice;
  if (device.IsSelectedNone()) return;
  // "Default" stands for whichever camera is there; only the one it had
  // bound before it was lost is waited for.
  const QString identity = device.IsSelectedDefault() ? lostIdentity_ : device.GetVC_DriverName();
  if (identity.isEmpty()) return;
  host_.ReportCamera(cstDisconnected, ENODEV, QStringLiteral("opening the chosen camera"), identity);
}

bool TVLDSCaptureRun::StopRun() {
  auto section = parts_.lock.WriteLock();
  if (!section || !running_) return false;
  active_ = false;
  if (!parts_.graph.Graph()) {
    running_ = false;
    return true;
  }
  TIntf<IMediaControl> control(parts_.graph.MediaControl());
  if (control) {
    // Halted, not only closed: a streaming thread waiting for room in a full
    // queue is let go, since the graph's stop waits for it.
    parts_.pump.Halt();
    HRESULT hr;
    {
      // The streaming thread may be waiting in the frame path for work that
      // needs this component's lock.
      auto unlocked = parts_.lock.UnlockAll();
      hr = control->Stop();
    }
    if (FAILED(hr)) {
      parts_.graph.Error(QStringLiteral("Can't stop capture."), hr);
      return false;
    }
  }
  running_ = false;
  return true;
}

void TVLDSCaptureRun::GraphEvent(int32_t code, intptr_t param1, intptr_t param2) {
  QString identity;
  if (code == EC_DEVICE_LOST) {
    auto section = parts_.lock.WriteLock();
    deviceLost_ = true;
    identity = parts_.videoDevice.GetVC_OpenedDriverName();
    if (!identity.isEmpty()) lostIdentity_ = identity;
  }
  if (code == EC_ERRORABORT || code == EC_DEVICE_LOST) StopRun();
  if (code == EC_DEVICE_LOST)
    host_.ReportCamera(cstDisconnected, ENODEV, QStringLiteral("streaming from the camera"), lostIdentity_);
  else if (code == EC_CAMERA_SILENT)
    host_.ReportCamera(cstSilent, ETIMEDOUT,
                       QStringLiteral("waiting for the camera's frames after restarting its stream"));
  else if (code == EC_CAMERA_RESUMED)
    host_.ReportCamera(cstReady, 0, QStringLiteral("streaming from the camera"));
  else if (code == EC_CAMERA_COMPRESSED)
    host_.ReportCamera(cstLowBandwidth, ENOSPC, QStringLiteral("starting the camera's stream"),
                       QStringLiteral("MJPEG %1 × %2").arg(qint64(param1)).arg(qint64(param2)));
}

void TVLDSCaptureRun::RateChanged() {
  if (!parts_.frameRate.VariableRate() || !opened_) return;
  TIntf<IMediaControl> control = parts_.builder.MediaControl();
  if (!control) return;
  // The graph stops under this lock: the notify thread cannot drain the
  // queue meanwhile, so a streaming thread waiting for room is let go first.
  const bool wasRunning = running_;
  TVLFramePump& pump = parts_.pump;
  pump.Halt();
  control->Stop();
  if (!parts_.formats.ApplyFormats(true)) {
    // No graph to run any more: a running capture stops in order, so that
    // the components downstream hear of it.
    if (wasRunning) IntStop();
    opened_ = false;
    return;
  }
  // Only a graph that ran is run again: an idle one would send frames
  // without a start-frame operation before them.
  if (wasRunning) {
    pump.Start();
    if (FAILED(control->Run())) pump.Halt();
  }
}

// ---------------------------------------------------------------- preview

bool TVLDSCaptureRun::ConfigVideoWindow(bool show) {
  TVLDSVideoPreview& preview = parts_.preview;
  TComponent* dock = preview.PreviewDock();
  TIntf<IDSPreviewDock> previewDock;
  if (auto* d = dynamic_cast<IDSPreviewDock*>(static_cast<QObject*>(dock))) previewDock = TIntf<IDSPreviewDock>(d);
  const bool visible = show && preview.Visible() && preview.Enabled();
  const BITMAPINFOHEADER& header = parts_.formats.Header();
  const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  return parts_.graph.ConfigVideoWindow(previewDock.get(), visible, QSize(header.biWidth, height));
}

void TVLDSCaptureRun::PreviewEnableChanged() {
  if (!running_) Close();
}

void TVLDSCaptureRun::PreviewWindowChanged() {
  if (opened_) ConfigVideoWindow(running_);
}

// ---------------------------------------------------------------- graph steps

bool TVLDSCaptureRun::InitCaptureFilters() {
  auto section = parts_.lock.WriteLock();
  if (!section) return false;
  return parts_.builder.InitCaptureFilters(videoMoniker_.get(), audioMoniker_.get());
}

bool TVLDSCaptureRun::BuildGraph() {
  TVLDSCaptureGraphBuilder& builder = parts_.builder;
  if (!builder.BuildGraph()) return false;
  TDSCaptureGraph& graph = parts_.graph;
  graph.RegisterGraph();
  graph.GraphChanged();
  builder.Dialogs().Refresh(builder.DialogSources());
  if (!parts_.formats.ApplyFormats(false)) return false;
  // Crossbar and mixer routing (VideoSources, AudioSources) and the TV
  // tuner settings need interfaces that no filter of this platform offers;
  // with none found there is nothing to switch.
  graph.GraphBuilt();
  return true;
}

void TVLDSCaptureRun::DestroyGraph() {
  auto section = parts_.lock.WriteLock();
  if (!section || !parts_.builder.Built()) return;
  if (running_) IntStop();
  parts_.builder.DestroyGraph();
}

bool TVLDSCaptureRun::ShowDialog(int32_t kind, bool designing) {
  TVLDSDialogActions actions;
  {
    auto section = parts_.lock.ReadLock();
    actions.wasRunning = running_;
  }
  Open();
  TVLDSDialogSources sources;
  {
    auto section = parts_.lock.ReadLock();
    sources = parts_.builder.DialogSources();
  }
  actions.designing = designing;
  actions.destroyGraph = [this] { DestroyGraph(); };
  actions.buildGraph = [this] { BuildGraph(); };
  actions.stopCapture = [this] { IntStop(); };
  actions.startCapture = [this] { IntStart(); };
  return parts_.builder.Dialogs().Show(kind, sources, parts_.graph.OwnerWindow(), actions);
}

void TVLDSCaptureRun::TearDown() {
  // Errors of the stop cannot reach anyone from here: the graph is torn
  // down regardless.
  GuardTeardown("stopping", [this] { Stop(); });
  GuardTeardown("closing", [this] { Close(); });
  // No frame is handed on from here, and no streaming thread waits in the
  // frame path while the graph goes.
  parts_.pump.Terminate();
  DestroyGraph();
  parts_.builder.FreeCapFilters();
  videoMoniker_.reset();
  audioMoniker_.reset();
}

}  // namespace lumicar
