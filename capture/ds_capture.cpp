#include "capture/ds_capture.h"

#include <QMouseEvent>
#include <cstring>
#include <exception>

#include "buffers/block_buffer.h"
#include "buffers/image_buffer.h"
#include "capture/frames/capture_log.h"
#include "dsbase/camera/test_pattern_provider.h"
#include "dsbase/classes/system_classes.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/media_event_sink.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/wave_format.h"
#include "dsbase/render/render_classes.h"
#include "imagepins/buffer_operations.h"
#include "imagepins/frame_operations.h"
#include "runtime/filer.h"
#include "ui/mouse_types.h"

namespace lumicar {

void VLDSCaptureRegisterServices() {
  DSRegisterSystemClasses();
  // The preview's default renderer and the camera's settings page.
  DSRegisterRenderClasses();
  DSRegisterCameraProviders();
}

namespace {

// The preview's mouse events, from the messages of the graph holder's window.
void PassMouseMessage(TVLDSVideoPreview* preview, QEvent* message) {
  if (!preview || !message) return;
  const QEvent::Type type = message->type();
  if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) return;
  const auto* mouse = static_cast<QMouseEvent*>(message);
  const QPoint at = mouse->position().toPoint();
  const TShiftState shift = ShiftStateFromQt(mouse->modifiers(), mouse->buttons());
  if (type == QEvent::MouseMove) {
    if (TMouseMoveEvent e = preview->OnMouseMove()) e(preview, shift, at.x(), at.y());
    return;
  }
  TMouseButton button;
  if (!MouseButtonFromQt(mouse->button(), &button)) return;
  const TMouseEvent e = type == QEvent::MouseButtonPress ? preview->OnMouseDown() : preview->OnMouseUp();
  if (e) e(preview, button, shift, at.x(), at.y());
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

TVLDSCapture::TVLDSCapture(TComponent* owner) : TLPComponent(owner), videoModes_([this] { Open(); }) {
  VLDSCaptureRegisterServices();
  closedCaptions_ = std::make_unique<TVLClosedCaptions>(this);
  adjustment_ = std::make_unique<TVLDSAdjustment>(this, this);
  audioFormat_ = std::make_unique<TALAudioFormatBasic>(this);
  graph_ = std::make_unique<TDSCaptureGraph>(
      this, [this](int32_t code, intptr_t param1, intptr_t param2) { GraphEvent(code, param1, param2); });
  videoFormat_ = vfRGB24;
  tvTuner_ = std::make_unique<TVLDSTVTuner>(this);
  dvResolution_ = dvrUseCurrent;
  storedEnabled_ = true;
  videoDevice_ = std::make_unique<TDSVideoCaptureDevice>(this, TNotifyEvent([this](TObject*) { OnDeviceChanged(); }));
  audioDevice_ = std::make_unique<TDSVLAudioCaptureDevice>(this, videoDevice_.get(),
                                                           TNotifyEvent([this](TObject*) { OnDeviceChanged(); }));
  videoDevice_->SetOwnerWindow(graph_->OwnerWindow());
  audioDevice_->SetOwnerWindow(graph_->OwnerWindow());
  videoSources_ = std::make_unique<TDSSwitches>(this);
  audioSources_ = std::make_unique<TDSSwitches>(this);
  videoSize_ = std::make_unique<TVLOptionalVideoSize>(this);
  frameRate_ = std::make_unique<TVLCaptureFrameRate>(this, TNotifyEvent([this](TObject*) { OnRateChange(); }));
  interlacing_ = std::make_unique<TVLDSVideoInterlacing>(this);
  pictureRatio_ = std::make_unique<TVLBasicAspectRatio>(this);

  IOWLock* lock = Lock()->Instance();
  auto dispatch = [this](TOWPin* sender, const TGUID&, IOWNotifyOperation* operation, TOWNotifyState) {
    return DispatchOperation(sender, operation);
  };
  output_.reset(new TVLOWImageRawSourcePin(this, lock, dispatch));
  captionOutput_.reset(new TVLOWImageSourcePin(this, lock, dispatch));
  audioOutput_.reset(new TALOWAudioSourcePin(this, lock, dispatch));
  enablePin_.reset(
      new TOWBoolStatePin(this, nullptr, [this](TOWBoolStatePin*, const bool& value) { SetEnabled(value); }));
  enablePin_->SetValue(true);

  videoPreview_ = std::make_unique<TVLDSVideoPreview>(
      this, [this] { OnPreviewEnableChanged(); }, [this] { OnConfigVideoWindow(); });
  audioPreview_ = std::make_unique<TALDSAudioPreview>(this);

  outputs_.video = [this](TVLImageBuffer* frame) { output_->SubmitBuffer(frame); };
  outputs_.caption = [this](IVLImageBuffer* frame) { captionOutput_->SubmitBuffer(frame); };
  outputs_.audio = [this](TSLBlockBuffer* block) { audioOutput_->SubmitBuffer(block); };
  outputs_.raw = [this](TSLBlockBuffer* block) { output_->Notify(MakeIntf<TOWSuppliedRawBufferOperation>(block)); };
  outputs_.captionText = [this](const QString& text) {
    if (TVLCaptionTextEvent e = closedCaptions_->OnRawData()) e(this, text);
  };
  pump_ = std::make_unique<TVLFramePump>(this, !IsDesigning(), [this] { NewThreadFrame(); });
  // The builder reaches the capture through its host interface only.
  builder_ = std::make_unique<TVLDSCaptureGraphBuilder>(*graph_, *pump_, static_cast<IVLDSCaptureGraphHost&>(*this));
  formats_ = std::make_unique<TVLDSCaptureFormats>(
      TVLDSCaptureFormats::TParts{*builder_, *graph_, *pump_, *videoSize_, *frameRate_, *interlacing_, *pictureRatio_});
  CleanUp();
  graph_->SetMsgEvent([this](QEvent* message) { PassMouseMessage(videoPreview_.get(), message); });
}

TVLDSCapture::~TVLDSCapture() {
  // A start waiting for a stop gives up: this stop waits for the notify
  // thread, on which such a start may be waiting.
  stopGate_.Close();
  {
    TStopScope stop(this);
    // Errors of the stop cannot reach anyone from here: the graph is torn
    // down regardless.
    GuardTeardown("stopping", [this] { Stop(); });
    GuardTeardown("closing", [this] { Close(); });
    // No frame is handed on from here, and no streaming thread waits in the
    // frame path while the graph goes.
    pump_->Terminate();
    DestroyGraph();
    builder_->FreeCapFilters();
    videoMoniker_.reset();
    audioMoniker_.reset();
    CleanUp();
    graph_->SetMsgEvent({});
  }
  videoPreview_.reset();
  audioPreview_.reset();
  // The pins leave their links under the stop lock, so that what the
  // unlinking sends is not handled half-way through destruction.
  {
    TStopScope stop(this);
    enablePin_.reset();
    audioOutput_.reset();
    captionOutput_.reset();
    output_.reset();
  }
  // The grabbers are gone with the graph and no longer know the pump's
  // callbacks; the pins it handed frames to are gone too.
  formats_.reset();
  builder_.reset();
  pump_.reset();
  audioSources_.reset();
  videoSources_.reset();
  frameRate_.reset();
  videoSize_.reset();
  audioDevice_.reset();
  videoDevice_.reset();
  graph_.reset();
  audioFormat_.reset();
  tvTuner_.reset();
  adjustment_.reset();
  closedCaptions_.reset();
  interlacing_.reset();
  pictureRatio_.reset();
}

// ---------------------------------------------------------------- properties

bool TVLDSCapture::Enabled() const {
  auto section = ReadLock();
  if (IsLoading() || IsDesigning()) return storedEnabled_;
  return running_;
}

void TVLDSCapture::SetEnabled(bool value) {
  auto section = WriteLock();
  if (!section) return;
  if (IsLoading() || IsDesigning()) {
    if (value == storedEnabled_) return;
    storedEnabled_ = value;
    enablePin_->SetValue(value);
    return;
  }
  if (value == running_) return;
  if (value)
    IntStart();
  else
    IntStop();
}

void TVLDSCapture::SetVideoPreview(TVLDSVideoPreview* source) {
  if (source && source != videoPreview_.get()) videoPreview_->Assign(source);
}

void TVLDSCapture::SetAudioPreview(TALDSAudioPreview* source) {
  if (source && source != audioPreview_.get()) audioPreview_->Assign(source);
}

void TVLDSCapture::SetVideoSize(TVLOptionalVideoSize* source) {
  if (source && source != videoSize_.get()) videoSize_->Assign(source);
}

void TVLDSCapture::SetFrameRate(TVLCaptureFrameRate* source) {
  if (source && source != frameRate_.get()) frameRate_->Assign(source);
}

TVLVideoFormat TVLDSCapture::VideoFormat() const {
  auto section = ReadLock();
  return videoFormat_;
}

void TVLDSCapture::SetVideoFormat(TVLVideoFormat value) {
  if (!VLIsValidFormat(value)) return;
  auto section = WriteLock();
  videoFormat_ = value == vfRGB ? vfRGB24 : value;
}

void TVLDSCapture::SetAudioFormat(TALAudioFormatBasic* source) {
  if (source && source != audioFormat_.get()) audioFormat_->Assign(source);
}

void TVLDSCapture::SetTVTuner(TVLDSTVTuner* source) {
  if (source && source != tvTuner_.get()) tvTuner_->Assign(source);
}

void TVLDSCapture::SetClosedCaptions(TVLClosedCaptions* source) {
  if (source && source != closedCaptions_.get()) closedCaptions_->Assign(source);
}

TVLDSDVInResolution TVLDSCapture::DVResolution() const {
  auto section = ReadLock();
  return dvResolution_;
}

void TVLDSCapture::SetDVResolution(TVLDSDVInResolution value) {
  auto section = WriteLock();
  dvResolution_ = value;
}

void TVLDSCapture::SetVideoCaptureDevice(TDSVideoCaptureDevice* source) {
  if (source && source != videoDevice_.get()) videoDevice_->Assign(source);
}

void TVLDSCapture::SetAudioCaptureDevice(TDSVLAudioCaptureDevice* source) {
  if (source && source != audioDevice_.get()) audioDevice_->Assign(source);
}

void TVLDSCapture::SetVideoSources(TDSSwitches* source) {
  if (source && source != videoSources_.get()) videoSources_->Assign(source);
}

void TVLDSCapture::SetAudioSources(TDSSwitches* source) {
  if (source && source != audioSources_.get()) audioSources_->Assign(source);
}

void TVLDSCapture::SetAdjustment(TVLDSAdjustment* source) {
  if (source && source != adjustment_.get()) adjustment_->Assign(source);
}

bool TVLDSCapture::UseHardwareCompression() const {
  auto section = ReadLock();
  return useHardwareCompression_;
}

void TVLDSCapture::SetUseHardwareCompression(bool value) {
  auto section = WriteLock();
  useHardwareCompression_ = value;
}

void TVLDSCapture::SetGraph(TDSCaptureGraph* source) {
  if (source && source != graph_.get()) graph_->Assign(source);
}

TNotifyEvent TVLDSCapture::OnStop() const {
  auto section = ReadLock();
  return onStop_;
}

void TVLDSCapture::SetOnStop(const TNotifyEvent& event) {
  auto section = WriteLock();
  onStop_ = event;
}

void TVLDSCapture::DefineProperties(TFiler& filer) {
  TLPComponent::DefineProperties(filer);
  filer.DefineProperty(
      QStringLiteral("CaptionsEnabled"), [this](TReader& reader) { closedCaptions_->SetEnabled(reader.ReadBoolean()); },
      {}, false);
}

// ---------------------------------------------------------------- life cycle

bool TVLDSCapture::GetVC_Opened() const {
  auto section = ReadLock();
  return opened_;
}

bool TVLDSCapture::IsRunning() const {
  auto section = ReadLock();
  return running_;
}

bool TVLDSCapture::IsBuilt() const {
  auto section = ReadLock();
  return builder_->Built();
}

void TVLDSCapture::CreateStart() {
  TLPComponent::CreateStart();
  bool start;
  {
    auto section = ReadLock();
    start = storedEnabled_;
  }
  if (start) IntStart();
}

TVLDSCapture::TStopScope::TStopScope(TVLDSCapture* owner) : owner_(owner) {
  owner_->stopGate_.StopBegins();
  section_ = owner_->StopLock();
}

TVLDSCapture::TStopScope::~TStopScope() {
  section_.reset();
  owner_->stopGate_.StopEnds();
}

void TVLDSCapture::Start() {
  // The write lock is refused only while a stop holds the stop lock, and
  // every stop of this component counts itself from before it asks for that
  // lock: once the count is back to 0 the lock is free of it. Deciding on
  // the running state without the lock would lose this start when the stop
  // clears it afterwards.
  for (;;) {
    if (auto section = WriteLock()) {
      if (!running_) IntStart();
      return;
    }
    if (!stopGate_.AwaitStopEnd()) return;
  }
}

void TVLDSCapture::Stop() {
  if (IsRunning()) IntStop();
}

void TVLDSCapture::IntStart() {
  // Every graph call of the start is made under the write lock; a thread
  // that stops the component meanwhile makes the start give up.
  auto section = WriteLock();
  if (!section) return;
  pump_->Clear();
  Open();
  if (!opened_) return;
  builder_->RefreshInterfaces();
  if (!formats_->ApplyFormats(false)) {
    // The graph had to be rendered anew for the camera's new format and
    // that failed: as after a failed build, the graph is not open.
    opened_ = false;
    return;
  }
  adjustment_->ApplyValues();
  SendVideoFormat();
  SendAudioFormat();
  const BITMAPINFOHEADER& header = formats_->Header();
  const int width = header.biWidth;
  // The magnitude in 64 bits: a driver's INT32_MIN must not overflow here; the
  // queue refuses a size it cannot hold.
  const int64_t magnitude = header.biHeight < 0 ? -int64_t{header.biHeight} : int64_t{header.biHeight};
  const int height = magnitude > INT32_MAX ? 0 : static_cast<int>(magnitude);
  // A negative height is a top-down bitmap; the queue turns only bottom-up rows.
  pump_->SetFrameSize(width, height, NegotiatedFormat(),
                      header.biHeight < 0 ? TVLRowOrder::kTopDown : TVLRowOrder::kBottomUp, captionFormat_);
  StartRun();
}

bool TVLDSCapture::Open() {
  auto section = WriteLock();
  if (!section) return false;
  if (active_) return opened_;
  if (opened_) {
    const bool sizeCurrent = videoSize_->Current();
    const TVLDSCaptureFormats::TRequest& request = formats_->Request();
    const bool stale =
        NegotiatedFormat() != videoFormat_ ||
        (!sizeCurrent && (videoSize_->Width() != request.width || videoSize_->Height() != request.height)) ||
        (sizeCurrent && !frameRate_->Current() && frameRate_->Rate() != request.rate) ||
        // A lost camera's graph cannot run again: its device must be bound anew.
        deviceLost_;
    if (!stale) return true;
    Close();
  }
  videoMoniker_ = videoDevice_->GetMoniker();
  if (!videoMoniker_) return false;
  if (audioDevice_->IsShareVideoDevice())
    audioMoniker_ = videoMoniker_;
  else
    audioMoniker_ = audioDevice_->GetMoniker();
  deviceLost_ = false;
  InitCaptureFilters();
  opened_ = BuildGraph();
  if (opened_) opened_ = graph_->GetMediaControl();
  return opened_;
}

void TVLDSCapture::Close() {
  TStopScope stop(this);
  if (videoPreview_->PreviewDock()) videoPreview_->Undock();
  if (opened_) DestroyGraph();
  builder_->FreeCapFilters();
  videoMoniker_.reset();
  audioMoniker_.reset();
  videoDevice_->CloseDevice();
  audioDevice_->CloseDevice();
  opened_ = false;
}

void TVLDSCapture::IntStop() {
  TStopScope stop(this);
  pump_->ForgetPalette();
  if (!running_ || stopping_) return;
  // The stop operation sent below may come back from downstream as a stop
  // request: that one finds the stop under way.
  stopping_ = true;
  struct TStopping {
    bool& flag;
    ~TStopping() { flag = false; }
  } stopping{stopping_};
  active_ = false;
  if (graph_->Graph()) {
    // The notify thread cannot drain the queue while the stop lock is held,
    // and the camera's streaming thread may be waiting for room in it: let
    // it go before the graph waits for that thread.
    pump_->Halt();
    TIntf<IMediaControl> control = builder_->MediaControl();
    const HRESULT hr = control ? control->Stop() : E_NOINTERFACE;
    if (FAILED(hr)) {
      pump_->Start();
      graph_->Error(QStringLiteral("Can't stop capture."), hr);
      return;
    }
  }
  // Whatever a streaming thread queued between the halt and the graph's stop.
  pump_->Clear();
  output_->Stop();
  captionOutput_->Stop();
  audioOutput_->Stop();
  RaiseOnStop();
  running_ = false;
}

void TVLDSCapture::RaiseOnStop() {
  TNotifyEvent e = onStop_;
  if (e) e(this);
}

bool TVLDSCapture::StartRun() {
  if (graph_->Graph() && running_) return true;
  if (!BuildGraph()) return false;
  TIntf<IMediaControl> control(graph_->MediaControl());
  if (!control) {
    graph_->Error(QStringLiteral("Can't start capture."), 0);
    return false;
  }
  ConfigVideoWindow(false);
  pump_->Start();
  const HRESULT hr = control->Run();
  if (FAILED(hr)) {
    pump_->Halt();
    control->Stop();
    graph_->Error(QStringLiteral("Can't start capture."), hr);
    return false;
  }
  if (videoPreview_->Enabled() && videoPreview_->Visible()) ConfigVideoWindow(true);
  running_ = true;
  active_ = true;
  return true;
}

bool TVLDSCapture::StopRun() {
  auto section = WriteLock();
  if (!section || !running_) return false;
  active_ = false;
  if (!graph_->Graph()) {
    running_ = false;
    return true;
  }
  TIntf<IMediaControl> control(graph_->MediaControl());
  if (control) {
    // Halted, not only closed: a streaming thread waiting for room in a full
    // queue is let go, since the graph's stop waits for it.
    pump_->Halt();
    HRESULT hr;
    {
      // The streaming thread may be waiting in the frame path for work that
      // needs this component's lock.
      auto unlocked = UnlockAll();
      hr = control->Stop();
    }
    if (FAILED(hr)) {
      graph_->Error(QStringLiteral("Can't stop capture."), hr);
      return false;
    }
  }
  running_ = false;
  return true;
}

void TVLDSCapture::GraphEvent(int32_t code, intptr_t, intptr_t) {
  if (code == EC_DEVICE_LOST) {
    auto section = WriteLock();
    deviceLost_ = true;
  }
  if (code == EC_ERRORABORT || code == EC_DEVICE_LOST) StopRun();
}

void TVLDSCapture::OnDeviceChanged() {
  Stop();
  Close();
}

void TVLDSCapture::OnRateChange() {
  if (!frameRate_->VariableRate() || !opened_) return;
  TIntf<IMediaControl> control = builder_->MediaControl();
  if (!control) return;
  // The graph stops under this lock: the notify thread cannot drain the
  // queue meanwhile, so a streaming thread waiting for room is let go first.
  const bool wasRunning = running_;
  pump_->Halt();
  control->Stop();
  if (!formats_->ApplyFormats(true)) {
    // No graph to run any more: a running capture stops in order, so that
    // the components downstream hear of it.
    if (wasRunning) IntStop();
    opened_ = false;
    return;
  }
  // Only a graph that ran is run again: an idle one would send frames
  // without a start-frame operation before them.
  if (wasRunning) {
    pump_->Start();
    if (FAILED(control->Run())) pump_->Halt();
  }
}

void TVLDSCapture::OnPreviewEnableChanged() {
  if (!running_) Close();
}

void TVLDSCapture::OnConfigVideoWindow() {
  if (opened_) ConfigVideoWindow(running_);
}

TOWDispatchResult TVLDSCapture::DispatchOperation(TOWPin*, IOWNotifyOperation* operation) {
  auto section = WriteLock();
  if (!section) return {};
  if (OWOperationAs<TOWStartSampleRateOperation>(operation)) return {};
  if (OWOperationAs<TOWQueryStreamOperation>(operation)) {
    if (!opened_) output_->Notify(MakeIntf<TOWIgnoreStreamOperation>());
    return {};
  }
  if (OWOperationAs<TOWStopOperation>(operation)) IntStop();
  return {};
}

// ---------------------------------------------------------------- negotiated

TVLVideoFormat TVLDSCapture::NegotiatedFormat() const { return pump_->NegotiatedFormat(); }

std::vector<uint8_t> TVLDSCapture::Palette() const { return pump_->Palette(); }

int TVLDSCapture::GetWidth() {
  auto section = ReadLock();
  BITMAPINFOHEADER h{};
  int64_t period = 0;
  return opened_ && formats_->Current(running_, &h, &period) ? h.biWidth : 0;
}

int TVLDSCapture::GetHeight() {
  auto section = ReadLock();
  BITMAPINFOHEADER h{};
  int64_t period = 0;
  return opened_ && formats_->Current(running_, &h, &period) ? h.biHeight : 0;
}

int64_t TVLDSCapture::GetFramePeriod() {
  auto section = ReadLock();
  BITMAPINFOHEADER h{};
  int64_t period = 0;
  return opened_ && formats_->Current(running_, &h, &period) ? period : 0;
}

bool TVLDSCapture::GetVideoFormat(BITMAPINFOHEADER* header, int64_t* period, TVLVideoFormat* format) {
  return formats_->GetVideoFormat(header, period, format);
}

TVLDSVideoInterlacing* TVLDSCapture::GetInterlacing() {
  Open();
  BITMAPINFOHEADER h{};
  int64_t period;
  TVLVideoFormat format;
  GetVideoFormat(&h, &period, &format);
  return interlacing_.get();
}

TVLBasicAspectRatio* TVLDSCapture::GetAspectRatio() {
  Open();
  BITMAPINFOHEADER h{};
  int64_t period;
  TVLVideoFormat format;
  GetVideoFormat(&h, &period, &format);
  return pictureRatio_.get();
}

bool TVLDSCapture::GetIsDVSource() {
  auto section = ReadLock();
  return builder_->IsDVSource();
}

bool TVLDSCapture::HasRenderer() { return builder_->HasRenderer(); }

// ---------------------------------------------------------------- controls and dialogs

TIntf<IAMVideoProcAmp> TVLDSCapture::CurrentVideoProcAmp() {
  auto section = ReadLock();
  return opened_ ? builder_->VideoProcAmp() : TIntf<IAMVideoProcAmp>();
}

TIntf<IAMVideoProcAmp> TVLDSCapture::OpenVideoProcAmp() {
  Open();
  return CurrentVideoProcAmp();
}

bool TVLDSCapture::GetVideoProcAmpRanges(int32_t identifier, int32_t* min, int32_t* max, int32_t* delta,
                                         int32_t* defaultValue, int32_t* flags) {
  return adjustment_->GetVideoProcAmpRanges(identifier, min, max, delta, defaultValue, flags);
}

bool TVLDSCapture::GetVideoProcAmpValue(int32_t identifier, int32_t* value) {
  return adjustment_->GetVideoProcAmpValue(identifier, value);
}

bool TVLDSCapture::SetVideoProcAmpValueFlags(int32_t identifier, int32_t value, TVLDSAdjustmentMode mode) {
  return adjustment_->SetVideoProcAmpValueFlags(identifier, value, mode);
}

void TVLDSCapture::GetAvailableDialogs() { builder_->Dialogs().Refresh(builder_->DialogSources()); }

TVLDSCaptureDialogs TVLDSCapture::GetVC_AvailableVideoDialogs() const {
  auto section = ReadLock();
  return builder_->Dialogs().Available();
}

bool TVLDSCapture::ShowVideoDialog(int32_t kind) {
  TVLDSDialogActions actions;
  actions.wasRunning = IsRunning();
  Open();
  TVLDSDialogSources sources;
  {
    auto section = ReadLock();
    sources = builder_->DialogSources();
  }
  actions.designing = IsDesigning();
  actions.destroyGraph = [this] { DestroyGraph(); };
  actions.buildGraph = [this] { BuildGraph(); };
  actions.stopCapture = [this] { IntStop(); };
  actions.startCapture = [this] { IntStart(); };
  return builder_->Dialogs().Show(kind, sources, graph_->OwnerWindow(), actions);
}

// ---------------------------------------------------------------- graph steps

bool TVLDSCapture::InitCaptureFilters() {
  auto section = WriteLock();
  if (!section) return false;
  return builder_->InitCaptureFilters(videoMoniker_.get(), audioMoniker_.get());
}

bool TVLDSCapture::BuildGraph() {
  if (!builder_->BuildGraph()) return false;
  graph_->RegisterGraph();
  graph_->GraphChanged();
  GetAvailableDialogs();
  if (!formats_->ApplyFormats(false)) return false;
  // Crossbar and mixer routing (VideoSources, AudioSources) and the TV
  // tuner settings need interfaces that no filter of this platform offers;
  // with none found there is nothing to switch.
  graph_->GraphBuilt();
  return true;
}

bool TVLDSCapture::ConfigVideoWindow(bool show) {
  TComponent* dock = videoPreview_->PreviewDock();
  TIntf<IDSPreviewDock> previewDock;
  if (auto* d = dynamic_cast<IDSPreviewDock*>(static_cast<QObject*>(dock))) previewDock = TIntf<IDSPreviewDock>(d);
  const bool visible = show && videoPreview_->Visible() && videoPreview_->Enabled();
  const BITMAPINFOHEADER& header = formats_->Header();
  const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  return graph_->ConfigVideoWindow(previewDock.get(), visible, QSize(header.biWidth, height));
}

void TVLDSCapture::DestroyGraph() {
  auto section = WriteLock();
  if (!section || !builder_->Built()) return;
  if (running_) IntStop();
  builder_->DestroyGraph();
}

void TVLDSCapture::CleanUp() {
  auto section = WriteLock();
  builder_->FreeCapFilters();
  graph_->ReleaseMediaEvent();
}

// ---------------------------------------------------------------- frame delivery

void TVLDSCapture::SendVideoFormat() {
  if (TIntf<IOWNotifyOperation> start = formats_->ReadConnectedFormat(useHardwareCompression_)) output_->Notify(start);
}

void TVLDSCapture::SendAudioFormat() {
  // Only an audio branch that was rendered has a type to announce.
  ISampleGrabber* audioGrabber = builder_->AudioGrabber();
  if (!audioGrabber) return;
  TDSMediaType mt;
  if (audioGrabber->GetConnectedMediaType(&mt.Get()) != S_OK) return;
  const AM_MEDIA_TYPE& t = mt.Get();
  if (!(t.formattype == FORMAT_WaveFormatEx) || !t.pbFormat || t.cbFormat < sizeof(WAVEFORMATEX)) return;
  WAVEFORMATEX w;
  std::memcpy(&w, t.pbFormat, sizeof w);
  audioOutput_->Notify(MakeIntf<TOWStartSampleRateOperation>(double(w.nSamplesPerSec)));
}

// ---------------------------------------------------------------- frame path

void TVLDSCapture::NewVideoBuffer(double, IMediaSample* sample) { pump_->PushVideo(sample); }

void TVLDSCapture::NewCaptionBuffer(double, IMediaSample* sample) { pump_->PushCaption(sample); }

void TVLDSCapture::NewRawBuffer(double, IMediaSample* sample) { pump_->PushRaw(sample); }

void TVLDSCapture::NewAudioBuffer(double, IMediaSample* sample) { pump_->PushAudio(sample); }

void TVLDSCapture::NewTextCaptionBuffer(double, IMediaSample* sample) { pump_->PushTextCaption(sample); }

void TVLDSCapture::NewTimeCodeBuffer(double, IMediaSample* sample) { pump_->PushTimeCode(sample); }

void TVLDSCapture::NewThreadFrame() {
  auto section = WriteLock();
  if (!section) return;
  pump_->HandOver(outputs_);
}

}  // namespace lumicar
