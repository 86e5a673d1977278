#include "capture/ds_capture.h"

#include <QMouseEvent>

#include "buffers/block_buffer.h"
#include "buffers/image_buffer.h"
#include "capture/frames/capture_log.h"
#include "dsbase/camera/test_pattern_provider.h"
#include "dsbase/classes/system_classes.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/media/media_guids.h"
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

}  // namespace

TVLDSCapture::TVLDSCapture(TComponent* owner) : TLPComponent(owner), videoModes_([this] { Open(); }) {
  VLDSCaptureRegisterServices();
  closedCaptions_ = std::make_unique<TVLClosedCaptions>(this);
  adjustment_ = std::make_unique<TVLDSAdjustment>(this, this);
  audioFormat_ = std::make_unique<TALAudioFormatBasic>(this);
  graph_ = std::make_unique<TDSCaptureGraph>(
      this, [this](int32_t code, intptr_t param1, intptr_t param2) { run_->GraphEvent(code, param1, param2); });
  videoFormat_ = vfRGB24;
  tvTuner_ = std::make_unique<TVLDSTVTuner>(this);
  dvResolution_ = dvrUseCurrent;
  storedEnabled_ = true;
  // A change of camera stops the capture and lets the camera go.
  const TNotifyEvent deviceChanged([this](TObject*) {
    // Whatever was retried or waited for was the other camera's.
    if (recovery_) recovery_->Cancel();
    run_->ForgetLostCamera();
    run_->Stop();
    run_->Close();
  });
  videoDevice_ = std::make_unique<TDSVideoCaptureDevice>(this, deviceChanged);
  audioDevice_ = std::make_unique<TDSVLAudioCaptureDevice>(this, videoDevice_.get(), deviceChanged);
  videoDevice_->SetOwnerWindow(graph_->OwnerWindow());
  audioDevice_->SetOwnerWindow(graph_->OwnerWindow());
  videoSources_ = std::make_unique<TDSSwitches>(this);
  audioSources_ = std::make_unique<TDSSwitches>(this);
  videoSize_ = std::make_unique<TVLOptionalVideoSize>(this);
  frameRate_ = std::make_unique<TVLCaptureFrameRate>(this, TNotifyEvent([this](TObject*) { run_->RateChanged(); }));
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
      this, [this] { run_->PreviewEnableChanged(); }, [this] { run_->PreviewWindowChanged(); });
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
  run_ = std::make_unique<TVLDSCaptureRun>(
      TVLDSCaptureRun::TParts{*Lock(), *builder_, *formats_, *graph_, *pump_, *videoDevice_, *audioDevice_,
                              *videoPreview_, *videoSize_, *frameRate_},
      static_cast<IVLDSCaptureRunHost&>(*this));
  TVLCameraRecovery::THooks hooks;
  hooks.start = [this] { run_->Start(); };
  hooks.rebind = [this] { run_->Close(); };
  hooks.listed = [this](const QString& identity) {
    QStringList present;
    videoDevice_->GetDeviceList(&present, diDriverName);
    return present.contains(identity);
  };
  hooks.announce = [this](TVLCameraStatus status, const QString& text) {
    if (TVLCameraStatusEvent e = OnCameraStatus()) e(this, status, text);
  };
  recovery_ = std::make_unique<TVLCameraRecovery>(std::move(hooks));
  CleanUp();
  graph_->SetMsgEvent([this](QEvent* message) { PassMouseMessage(videoPreview_.get(), message); });
}

TVLDSCapture::~TVLDSCapture() {
  // No retry from here on: the timer and the statuses still queued go.
  recovery_.reset();
  // A start waiting for a stop gives up: this stop waits for the notify
  // thread, on which such a start may be waiting.
  run_->CloseGate();
  {
    TVLDSCaptureRun::TStopScope stop(*run_);
    run_->TearDown();
    CleanUp();
    graph_->SetMsgEvent({});
  }
  videoPreview_.reset();
  audioPreview_.reset();
  // The pins leave their links under the stop lock, so that what the
  // unlinking sends is not handled half-way through destruction.
  {
    TVLDSCaptureRun::TStopScope stop(*run_);
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
  // Last: the callbacks of the graph holder, the devices and the frame rate
  // reach the run control until they are gone.
  run_.reset();
}

// ---------------------------------------------------------------- properties

bool TVLDSCapture::Enabled() const {
  auto section = ReadLock();
  if (IsLoading() || IsDesigning()) return storedEnabled_;
  return run_->Running();
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
  if (value == run_->Running()) return;
  if (value) {
    run_->IntStart();
  } else {
    recovery_->Cancel();
    run_->IntStop();
  }
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

TVLCameraStatusEvent TVLDSCapture::OnCameraStatus() const {
  auto section = ReadLock();
  return onCameraStatus_;
}

void TVLDSCapture::SetOnCameraStatus(const TVLCameraStatusEvent& event) {
  auto section = WriteLock();
  onCameraStatus_ = event;
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
  return run_->Opened();
}

bool TVLDSCapture::IsRunning() const {
  auto section = ReadLock();
  return run_->Running();
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
  if (start) run_->IntStart();
}

void TVLDSCapture::Start() { run_->Start(); }

void TVLDSCapture::Stop() {
  recovery_->Cancel();
  run_->Stop();
}

void TVLDSCapture::CameraMayBeBack() {
  if (recovery_) recovery_->MayBeBack();
}

void TVLDSCapture::ReportCamera(TVLCameraStatus status, int error, const QString& what, const QString& detail) {
  if (recovery_) recovery_->Report(status, error, what, detail);
}

bool TVLDSCapture::Open() { return run_->Open(); }

void TVLDSCapture::Close() { run_->Close(); }

void TVLDSCapture::StopOutputs() {
  output_->Stop();
  captionOutput_->Stop();
  audioOutput_->Stop();
}

void TVLDSCapture::RaiseOnStop() {
  TNotifyEvent e = onStop_;
  if (e) e(this);
}

TOWDispatchResult TVLDSCapture::DispatchOperation(TOWPin*, IOWNotifyOperation* operation) {
  auto section = WriteLock();
  if (!section) return {};
  if (OWOperationAs<TOWStartSampleRateOperation>(operation)) return {};
  if (OWOperationAs<TOWQueryStreamOperation>(operation)) {
    if (!run_->Opened()) output_->Notify(MakeIntf<TOWIgnoreStreamOperation>());
    return {};
  }
  if (OWOperationAs<TOWStopOperation>(operation)) run_->IntStop();
  return {};
}

// ---------------------------------------------------------------- negotiated

TVLVideoFormat TVLDSCapture::NegotiatedFormat() const { return pump_->NegotiatedFormat(); }

std::vector<uint8_t> TVLDSCapture::Palette() const { return pump_->Palette(); }

int TVLDSCapture::GetWidth() {
  auto section = ReadLock();
  BITMAPINFOHEADER h{};
  int64_t period = 0;
  return run_->Opened() && formats_->Current(run_->Running(), &h, &period) ? h.biWidth : 0;
}

int TVLDSCapture::GetHeight() {
  auto section = ReadLock();
  BITMAPINFOHEADER h{};
  int64_t period = 0;
  return run_->Opened() && formats_->Current(run_->Running(), &h, &period) ? h.biHeight : 0;
}

int64_t TVLDSCapture::GetFramePeriod() {
  auto section = ReadLock();
  BITMAPINFOHEADER h{};
  int64_t period = 0;
  return run_->Opened() && formats_->Current(run_->Running(), &h, &period) ? period : 0;
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
  return run_->Opened() ? builder_->VideoProcAmp() : TIntf<IAMVideoProcAmp>();
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

bool TVLDSCapture::ShowVideoDialog(int32_t kind) { return run_->ShowDialog(kind, IsDesigning()); }

// ---------------------------------------------------------------- teardown

void TVLDSCapture::CleanUp() {
  auto section = WriteLock();
  builder_->FreeCapFilters();
  graph_->ReleaseMediaEvent();
}

// ---------------------------------------------------------------- frame delivery

void TVLDSCapture::AnnounceFormats() {
  SendVideoFormat();
  SendAudioFormat();
}

void TVLDSCapture::SendVideoFormat() {
  if (TIntf<IOWNotifyOperation> start = formats_->ReadConnectedFormat(useHardwareCompression_)) output_->Notify(start);
}

void TVLDSCapture::SendAudioFormat() {
  if (TIntf<IOWNotifyOperation> start = formats_->ReadAudioFormat()) audioOutput_->Notify(start);
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
