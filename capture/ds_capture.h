#pragma once
// TVLDSCapture: the component at the head of the viewer's chain. It opens a
// camera, builds a capture graph whose video ends in a sample grabber, and
// sends every captured frame out of OutputPin: one start-frame operation,
// then one image buffer per frame, a stop operation at the end.
//
// Threads: everything public runs on the thread that owns the component (the
// user-interface thread), except that frames arrive on the graph's streaming
// thread, are copied into image buffers on the frame queue thread and leave
// OutputPin on the notify thread. The component lock guards all state and
// every graph call is made under it: the write lock for a start, the stop
// lock for a stop (which first lets a streaming thread that waits for the
// frame queue go), none while frames are handed on downstream.

#include <memory>
#include <mutex>
#include <vector>

#include "buffers/video_format.h"
#include "capture/adjustment.h"
#include "capture/adjustment_host.h"
#include "capture/audio_settings.h"
#include "capture/audio_source_pin.h"
#include "capture/camera_recovery.h"
#include "capture/camera_status.h"
#include "capture/capture_frame_rate.h"
#include "capture/capture_options.h"
#include "capture/ds_capture_formats.h"
#include "capture/ds_capture_graph_builder.h"
#include "capture/ds_capture_run.h"
#include "capture/frames/frame_pump.h"
#include "capture/video_dialogs.h"
#include "capture/video_interlacing.h"
#include "capture/video_modes.h"
#include "capture/video_preview.h"
#include "capture/video_size.h"
#include "components/lp_component.h"
#include "dsbase/devices/capture_device.h"
#include "dsbase/filters/sample_grabber_interfaces.h"
#include "dsbase/holder/capture_graph_holder.h"
#include "dsbase/media/media_type.h"
#include "dsbase/media/video_info.h"
#include "imagepins/image_pins.h"
#include "pins/typed/bool_pins.h"

namespace lumicar {

class TSLNotifyThread;
class TVLDSVideoRenderer;

class TVLDSCapture : public TLPComponent,
                     public IVLDSAdjustmentHost,
                     private IVLDSCaptureGraphHost,
                     private IVLDSCaptureRunHost {
  Q_OBJECT
  Q_PROPERTY(lumicar::TVLOWImageRawSourcePin* OutputPin READ OutputPin)
  Q_PROPERTY(lumicar::TVLOWImageSourcePin* CaptionOutputPin READ CaptionOutputPin)
  Q_PROPERTY(lumicar::TALOWAudioSourcePin* AudioOutputPin READ AudioOutputPin)
  Q_PROPERTY(lumicar::TOWBoolStatePin* EnablePin READ EnablePin)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(lumicar::TVLDSVideoPreview* VideoPreview READ VideoPreview WRITE SetVideoPreview)
  Q_PROPERTY(lumicar::TALDSAudioPreview* AudioPreview READ AudioPreview WRITE SetAudioPreview)
  Q_PROPERTY(lumicar::TVLOptionalVideoSize* VideoSize READ VideoSize WRITE SetVideoSize)
  Q_PROPERTY(lumicar::TVLCaptureFrameRate* FrameRate READ FrameRate WRITE SetFrameRate)
  Q_PROPERTY(lumicar::video_format::TVLVideoFormat VideoFormat READ VideoFormat WRITE SetVideoFormat)
  Q_PROPERTY(lumicar::TALAudioFormatBasic* AudioFormat READ AudioFormat WRITE SetAudioFormat)
  Q_PROPERTY(lumicar::TVLDSTVTuner* TVTuner READ TVTuner WRITE SetTVTuner)
  Q_PROPERTY(lumicar::TVLClosedCaptions* ClosedCaptions READ ClosedCaptions WRITE SetClosedCaptions)
  Q_PROPERTY(lumicar::capture_options::TVLDSDVInResolution DVResolution READ DVResolution WRITE SetDVResolution)
  Q_PROPERTY(lumicar::TDSVideoCaptureDevice* VideoCaptureDevice READ VideoCaptureDevice WRITE SetVideoCaptureDevice)
  Q_PROPERTY(lumicar::TDSVLAudioCaptureDevice* AudioCaptureDevice READ AudioCaptureDevice WRITE SetAudioCaptureDevice)
  Q_PROPERTY(lumicar::TDSSwitches* VideoSources READ VideoSources WRITE SetVideoSources)
  Q_PROPERTY(lumicar::TDSSwitches* AudioSources READ AudioSources WRITE SetAudioSources)
  Q_PROPERTY(lumicar::TVLDSAdjustment* Adjustment READ Adjustment WRITE SetAdjustment)
  Q_PROPERTY(bool UseHardwareCompression READ UseHardwareCompression WRITE SetUseHardwareCompression)
  Q_PROPERTY(lumicar::TDSCaptureGraph* Graph READ Graph WRITE SetGraph)
  Q_PROPERTY(lumicar::TNotifyEvent OnStop READ OnStop WRITE SetOnStop)
  Q_PROPERTY(lumicar::TVLCameraStatusEvent OnCameraStatus READ OnCameraStatus WRITE SetOnCameraStatus)
  Q_CLASSINFO("Default.Enabled", "True")
  Q_CLASSINFO("Default.VideoFormat", "vfRGB24")
  Q_CLASSINFO("Default.DVResolution", "dvrUseCurrent")
  Q_CLASSINFO("Default.UseHardwareCompression", "False")

 public:
  // The names under which the capture finds its filters in the graph again.
  static constexpr const char16_t* kVideoCaptureFilterName = TVLDSCaptureGraphBuilder::kVideoCaptureFilterName;
  static constexpr const char16_t* kAudioCaptureFilterName = TVLDSCaptureGraphBuilder::kAudioCaptureFilterName;
  static constexpr const char16_t* kVideoTmpRenderName = TVLDSCaptureGraphBuilder::kVideoTmpRenderName;
  static constexpr const char16_t* kVideoGrabberName = TVLDSCaptureGraphBuilder::kVideoGrabberName;
  static constexpr const char16_t* kCaptionGrabberName = TVLDSCaptureGraphBuilder::kCaptionGrabberName;
  static constexpr const char16_t* kTextCaptionGrabberName = TVLDSCaptureGraphBuilder::kTextCaptionGrabberName;
  static constexpr const char16_t* kNullRenderName = TVLDSCaptureGraphBuilder::kNullRenderName;
  static constexpr const char16_t* kCaptionNullRenderName = TVLDSCaptureGraphBuilder::kCaptionNullRenderName;
  static constexpr const char16_t* kRawGrabberName = TVLDSCaptureGraphBuilder::kRawGrabberName;
  static constexpr const char16_t* kAudioGrabberName = TVLDSCaptureGraphBuilder::kAudioGrabberName;
  // Frames handled per wake-up of the notify thread.
  static constexpr int kFramesPerWakeUp = TVLFramePump::kFramesPerWakeUp;

  Q_INVOKABLE explicit TVLDSCapture(lumicar::TComponent* owner = nullptr);
  ~TVLDSCapture() override;

  // ---- Pins ----
  TVLOWImageRawSourcePin* OutputPin() const { return output_.get(); }
  TVLOWImageSourcePin* CaptionOutputPin() const { return captionOutput_.get(); }
  TALOWAudioSourcePin* AudioOutputPin() const { return audioOutput_.get(); }
  TOWBoolStatePin* EnablePin() const { return enablePin_.get(); }

  // ---- Published properties ----
  // Running state. While loading or designing the stored value (which the
  // start after loading uses); otherwise whether the capture runs.
  bool Enabled() const;
  // Loading or designing: stores the value and puts it on EnablePin.
  // Otherwise a value other than the running state starts or stops the
  // capture, entirely under the write lock. Nothing happens while another
  // thread holds the stop lock.
  void SetEnabled(bool value);
  TVLDSVideoPreview* VideoPreview() const { return videoPreview_.get(); }
  void SetVideoPreview(TVLDSVideoPreview* source);
  TALDSAudioPreview* AudioPreview() const { return audioPreview_.get(); }
  void SetAudioPreview(TALDSAudioPreview* source);
  TVLOptionalVideoSize* VideoSize() const { return videoSize_.get(); }
  void SetVideoSize(TVLOptionalVideoSize* source);
  TVLCaptureFrameRate* FrameRate() const { return frameRate_.get(); }
  void SetFrameRate(TVLCaptureFrameRate* source);
  TVLVideoFormat VideoFormat() const;
  // vfRGB is stored as vfRGB24.
  void SetVideoFormat(TVLVideoFormat value);
  TALAudioFormatBasic* AudioFormat() const { return audioFormat_.get(); }
  void SetAudioFormat(TALAudioFormatBasic* source);
  TVLDSTVTuner* TVTuner() const { return tvTuner_.get(); }
  void SetTVTuner(TVLDSTVTuner* source);
  TVLClosedCaptions* ClosedCaptions() const { return closedCaptions_.get(); }
  void SetClosedCaptions(TVLClosedCaptions* source);
  TVLDSDVInResolution DVResolution() const;
  void SetDVResolution(TVLDSDVInResolution value);
  TDSVideoCaptureDevice* VideoCaptureDevice() const { return videoDevice_.get(); }
  void SetVideoCaptureDevice(TDSVideoCaptureDevice* source);
  TDSVLAudioCaptureDevice* AudioCaptureDevice() const { return audioDevice_.get(); }
  void SetAudioCaptureDevice(TDSVLAudioCaptureDevice* source);
  TDSSwitches* VideoSources() const { return videoSources_.get(); }
  void SetVideoSources(TDSSwitches* source);
  TDSSwitches* AudioSources() const { return audioSources_.get(); }
  void SetAudioSources(TDSSwitches* source);
  TVLDSAdjustment* Adjustment() const { return adjustment_.get(); }
  void SetAdjustment(TVLDSAdjustment* source);
  bool UseHardwareCompression() const;
  void SetUseHardwareCompression(bool value);
  TDSCaptureGraph* Graph() const { return graph_.get(); }
  void SetGraph(TDSCaptureGraph* source);
  TNotifyEvent OnStop() const;
  void SetOnStop(const TNotifyEvent& event);
  // Raised on the user-interface thread whenever the camera's status
  // changes: why no picture comes and what the capture does about it, with
  // the text to show (empty once the camera works again).
  TVLCameraStatusEvent OnCameraStatus() const;
  void SetOnCameraStatus(const TVLCameraStatusEvent& event);

  // "CaptionsEnabled": read from older designs into ClosedCaptions.Enabled,
  // never written.
  void DefineProperties(TFiler& filer) override;

  // ---- Life cycle ----
  // IntStart unless running, decided under the write lock: a stop under way
  // on another thread (a component downstream asking for one while a frame
  // is delivered) ends first, and the start then runs.
  void Start();
  // IntStop while running. Retrying the camera ends as well.
  void Stop();
  // Opens the camera and builds the graph unless an open graph still matches
  // the properties; returns whether the graph is open. At once (no change)
  // while the capture is active.
  bool Open();
  // Destroys the graph and releases the camera.
  void Close();
  bool GetVC_Opened() const;
  bool IsRunning() const;
  bool IsBuilt() const;

  // ---- The camera's status (user-interface thread) ----
  TVLCameraStatus CameraStatus() const { return recovery_->Status(); }
  QString CameraStatusText() const { return recovery_->Text(); }
  // A camera may have been plugged in (any thread; whoever watches the
  // system's devices calls it): a capture waiting for its lost camera opens
  // it at once when it is listed again, whatever /dev node it came back
  // under, and one waiting for a camera held by another program tries now.
  void CameraMayBeBack();
  // The status and its retry timer, for diagnostics and tests.
  TVLCameraRecovery* Recovery() const { return recovery_.get(); }

  // ---- What was negotiated ----
  // 0 when not open; the negotiated value while running; otherwise the video
  // grabber's connected format.
  int GetWidth();
  int GetHeight();
  int64_t GetFramePeriod();
  // The video grabber's connected type as bitmap header, frame period and
  // pixel format; false without a grabber connection or video header.
  bool GetVideoFormat(BITMAPINFOHEADER* header, int64_t* period, TVLVideoFormat* format);
  // The negotiated pixel format (the request's until a start sent one).
  TVLVideoFormat NegotiatedFormat() const;
  // Open first when needed, then read the connected format.
  TVLDSVideoInterlacing* GetInterlacing();
  TVLBasicAspectRatio* GetAspectRatio();
  // The camera's current stream format has the interleaved major type.
  bool GetIsDVSource();
  // The camera's stream capabilities; reading them opens the capture first.
  TVLVideoModes* GetVC_VideoModes() { return &videoModes_; }
  // The 8-bit stream's palette (256 entries blue, green, red, reserved), or
  // empty.
  std::vector<uint8_t> Palette() const;

  // ---- Camera controls and dialogs (the adjustment helper's operations) ----
  bool GetVideoProcAmpRanges(int32_t identifier, int32_t* min, int32_t* max, int32_t* delta, int32_t* defaultValue,
                             int32_t* flags);
  bool GetVideoProcAmpValue(int32_t identifier, int32_t* value);
  bool SetVideoProcAmpValueFlags(int32_t identifier, int32_t value, TVLDSAdjustmentMode mode);
  bool ShowVideoDialog(int32_t kind);
  void GetAvailableDialogs();
  TVLDSCaptureDialogs GetVC_AvailableVideoDialogs() const;
  // IVLDSAdjustmentHost
  TIntf<IAMVideoProcAmp> CurrentVideoProcAmp() override;
  TIntf<IAMVideoProcAmp> OpenVideoProcAmp() override;

  // Whether the built graph holds a filter with a video window (the
  // preview's renderer).
  bool HasRenderer();

  // ---- Frame delivery ----
  // Reads the negotiated format and sends the start-frame operation.
  void SendVideoFormat();
  void SendAudioFormat();
  // Streaming thread: one video sample.
  void NewVideoBuffer(double time, IMediaSample* sample);
  void NewRawBuffer(double time, IMediaSample* sample);
  void NewCaptionBuffer(double time, IMediaSample* sample);
  void NewTextCaptionBuffer(double time, IMediaSample* sample);
  void NewTimeCodeBuffer(double time, IMediaSample* sample);
  void NewAudioBuffer(double time, IMediaSample* sample);
  // Notify thread: drains the queues and sends what they held.
  void NewThreadFrame();

  // For diagnostics and tests.
  TVLVideoBufferQueueThread* VideoQueue() const { return pump_->VideoQueue(); }
  TSLNotifyThread* NotifyThread() const { return pump_->NotifyThread(); }
  IBaseFilter* CaptureFilter() const { return builder_->CaptureFilter(); }
  IAMStreamConfig* StreamConfig() const { return builder_->StreamConfig(); }
  ISampleGrabber* VideoGrabber() const { return builder_->VideoGrabber(); }
  // Starts waiting for a stop on another thread to end.
  int StartsWaitingForStop() const { return run_->StartsWaitingForStop(); }

  // Operations arriving at the output pins from downstream.
  TOWDispatchResult DispatchOperation(TOWPin* pin, IOWNotifyOperation* operation);

 protected:
  // The start after loading (or right after construction by code): the
  // capture starts when the stored Enabled is true.
  void CreateStart() override;

 private:
  // Tests reach the graph steps through TVLDSCaptureGraphAccess.
  friend struct TVLDSCaptureGraphAccess;
  void CleanUp();

  // IVLDSCaptureGraphHost and IVLDSCaptureRunHost
  TVLVideoFormat RequestedFormat() const override { return videoFormat_; }
  // IVLDSCaptureRunHost
  void ApplyAdjustments() override { adjustment_->ApplyValues(); }
  void AnnounceFormats() override;
  void StopOutputs() override;
  void RaiseOnStop() override;
  void ReportCamera(TVLCameraStatus status, int error, const QString& what, const QString& detail) override;
  // IVLDSCaptureGraphHost
  bool ConfigVideoWindow(bool show) override { return run_->ConfigVideoWindow(show); }
  bool UsesHardwareCompression() const override { return useHardwareCompression_; }
  bool CaptionsEnabled() const override { return closedCaptions_->Enabled(); }
  bool VideoPreviewEnabled() const override { return videoPreview_->Enabled(); }
  bool AudioPreviewEnabled() const override { return audioPreview_->Enabled(); }
  void MakeAudioMediaType(AM_MEDIA_TYPE& type) const override { audioFormat_->MakeMediaType(type); }
  void RenderingStarts() override { formats_->RecordRequest(videoFormat_); }
  bool PresetsCamera() const override { return formats_->PresetsCamera(); }
  void PresetCameraFormat(TVLVideoFormat wanted) override { formats_->PresetCameraFormat(wanted); }
  void CameraBound() override { videoModes_.Read(builder_->StreamConfig()); }

  // ---- Pins ----
  TOWPinPtr<TVLOWImageRawSourcePin> output_;
  TOWPinPtr<TVLOWImageSourcePin> captionOutput_;
  TOWPinPtr<TALOWAudioSourcePin> audioOutput_;
  TOWPinPtr<TOWBoolStatePin> enablePin_;

  // ---- Property objects (own the component's lock through it) ----
  std::unique_ptr<TVLClosedCaptions> closedCaptions_;
  std::unique_ptr<TVLDSAdjustment> adjustment_;
  std::unique_ptr<TALAudioFormatBasic> audioFormat_;
  std::unique_ptr<TDSCaptureGraph> graph_;
  std::unique_ptr<TVLDSTVTuner> tvTuner_;
  std::unique_ptr<TDSVideoCaptureDevice> videoDevice_;
  std::unique_ptr<TDSVLAudioCaptureDevice> audioDevice_;
  std::unique_ptr<TDSSwitches> videoSources_, audioSources_;
  std::unique_ptr<TVLOptionalVideoSize> videoSize_;
  std::unique_ptr<TVLCaptureFrameRate> frameRate_;
  std::unique_ptr<TVLDSVideoInterlacing> interlacing_;
  std::unique_ptr<TVLBasicAspectRatio> pictureRatio_;
  std::unique_ptr<TVLDSVideoPreview> videoPreview_;
  std::unique_ptr<TALDSAudioPreview> audioPreview_;
  TVLVideoModes videoModes_;
  TNotifyEvent onStop_;
  TVLCameraStatusEvent onCameraStatus_;

  // ---- State (component lock) ----
  TVLVideoFormat videoFormat_ = vfRGB24;
  TVLDSDVInResolution dvResolution_ = dvrUseCurrent;
  bool useHardwareCompression_ = false;
  bool storedEnabled_ = true;

  // The graph's filters and interfaces, the format negotiation over them,
  // and the run control: the open and running state, the camera's binding
  // and the stops under way.
  std::unique_ptr<TVLDSCaptureGraphBuilder> builder_;
  std::unique_ptr<TVLDSCaptureFormats> formats_;
  std::unique_ptr<TVLDSCaptureRun> run_;
  // The camera's status and the retries behind it (user-interface thread).
  std::unique_ptr<TVLCameraRecovery> recovery_;

  // ---- Frame path: the grabbers' callbacks, the queues, the notify
  // thread and the negotiated format, and where the frames go ----
  std::unique_ptr<TVLFramePump> pump_;
  TVLFrameOutputs outputs_;
};

// Registers the graph services, the system filters, the renderer and the
// cameras once per process (every registration is idempotent); the capture
// calls it when it is made.
void VLDSCaptureRegisterServices();

}  // namespace lumicar
