#pragma once
// TVLDSCaptureGraphBuilder: the capture's graph on the camera. It binds the
// camera's filters, renders its capture pin into a temporary renderer that
// decides the pixel format, puts the sample grabber in that renderer's place,
// adds the caption and audio branches, and tears it all down again. It owns
// every filter and interface of the graph and the driver dialogs they offer.
//
// Threads: the capture calls it under its component lock only (the write lock
// for a build, the stop lock for a teardown); it has no lock of its own.

#include <cstdint>

#include "buffers/video_format.h"
#include "capture/ds_capture_graph_host.h"
#include "capture/video_dialogs.h"
#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/filters/sample_grabber_interfaces.h"
#include "dsbase/graph/graph_interfaces.h"
#include "dsbase/graph/moniker_interfaces.h"
#include "dsbase/media/media_type.h"
#include "runtime/interface.h"

namespace lumicar {

class TDSCaptureGraph;
class TVLDSVideoRenderer;
class TVLFramePump;

class TVLDSCaptureGraphBuilder {
 public:
  // The names under which the builder finds its filters in the graph again.
  static constexpr const char16_t* kVideoCaptureFilterName = u"Video Capture Filter";
  static constexpr const char16_t* kAudioCaptureFilterName = u"Audio Capture Filter";
  static constexpr const char16_t* kVideoTmpRenderName = u"Video Tmp Render";
  static constexpr const char16_t* kVideoGrabberName = u"VLDS_VideoGrabber";
  static constexpr const char16_t* kCaptionGrabberName = u"VLDS_CaptionGrabber";
  static constexpr const char16_t* kTextCaptionGrabberName = u"VLDS_TextCaptionGrabber";
  static constexpr const char16_t* kNullRenderName = u"VLDS_NullRender";
  static constexpr const char16_t* kCaptionNullRenderName = u"VLDS_CaptionNullRender";
  static constexpr const char16_t* kRawGrabberName = u"VLDS_RawGrabber";
  static constexpr const char16_t* kAudioGrabberName = u"VLDS_AudioGrabber";

  // `graph` holds the graph, `pump` gives the grabbers' callbacks; both and
  // `host` outlive the builder.
  TVLDSCaptureGraphBuilder(TDSCaptureGraph& graph, TVLFramePump& pump, IVLDSCaptureGraphHost& host);
  TVLDSCaptureGraphBuilder(const TVLDSCaptureGraphBuilder&) = delete;
  TVLDSCaptureGraphBuilder& operator=(const TVLDSCaptureGraphBuilder&) = delete;

  // Makes the graph and binds the camera's filters (video from `video`, audio
  // from `audio`, which may be the same device) and their interfaces; on
  // failure (reported through the graph holder) nothing stays bound.
  bool InitCaptureFilters(IMoniker* video, IMoniker* audio);
  // Renders the bound camera into the grabbers; true at once when built. A
  // build that fails leaves nothing of itself behind the camera.
  bool BuildGraph();
  // Takes the rendering behind the camera down (the graph is no longer
  // built), keeping the bound filters.
  void DestroyRendering();
  // Tears the built graph down to the bound filters; the grabbers forget the
  // pump's callbacks.
  void DestroyGraph();
  // Releases every filter and interface and the graph itself.
  void FreeCapFilters();
  // Finds the grabbers in the graph again and asks for their interfaces.
  void RefreshInterfaces();
  // Carries out the reconnections the camera queued with the graph.
  void FlushGraph();
  TIntf<IMediaControl> MediaControl();
  // Whether the graph holds a filter with a video window.
  bool HasRenderer();
  // The camera's current stream format has the interleaved major type.
  bool IsDVSource();

  bool Built() const { return built_; }
  IBaseFilter* CaptureFilter() const { return captureFilter_.get(); }
  IAMStreamConfig* StreamConfig() const { return streamConfig_.get(); }
  ISampleGrabber* VideoGrabber() const { return videoGrabber_.get(); }
  ISampleGrabber* AudioGrabber() const { return audioGrabber_.get(); }
  const TIntf<IAMVideoProcAmp>& VideoProcAmp() const { return videoProcAmp_; }
  // The camera's type as the raw grabber took it (hardware compression).
  const TDSMediaType& RawType() const { return rawType_; }
  // The driver dialogs the graph offers.
  TVLDSVideoDialogs& Dialogs() { return dialogs_; }
  TVLDSDialogSources DialogSources() const;

 private:
  bool RenderVideoPreview();
  bool RenderCapturePin(TVLDSVideoRenderer* renderer, HRESULT* failure);
  bool RenderRawCapture(TVLDSVideoRenderer* renderer);
  bool RenderAudio();
  bool RenderCaptions(TVLDSVideoRenderer* renderer);
  void FindVideoGrabber(bool add);
  bool CreateAddFilter(const TGUID& classId, IUnknown* outer, const char16_t* name, TIntf<IBaseFilter>* filter,
                       const TGUID& iid, uint32_t context);
  TIntf<IBaseFilter> FindFilter(const char16_t* name);
  TIntf<IBaseFilter> FindOrCreateGrabber(const char16_t* name, bool add);
  void ForgetGrabberInterfaces();

  TDSCaptureGraph* const graph_;
  TVLFramePump* const pump_;
  IVLDSCaptureGraphHost& host_;

  bool built_ = false;
  bool customGrabber_ = false;
  bool captionsAvailable_ = false;
  TDSMediaType rawType_;
  TVLDSVideoDialogs dialogs_;

  // ---- The graph's interfaces (released together by FreeCapFilters) ----
  TIntf<IBaseFilter> captureFilter_, audioFilter_;
  TIntf<IAMStreamConfig> streamConfig_;
  TIntf<IAMVfwCaptureDialogs> vfwDialogs_;
  TIntf<IUnknown> analogDecoder_, tvTunerInterface_;
  TIntf<IAMVideoProcAmp> videoProcAmp_;
  TIntf<IBaseFilter> videoGrabberFilter_, captionGrabberFilter_, textCaptionGrabberFilter_, rawGrabberFilter_,
      audioGrabberFilter_, timeCodeGrabberFilter_;
  TIntf<ISampleGrabber> videoGrabber_, captionGrabber_, textCaptionGrabber_, rawGrabber_, audioGrabber_,
      timeCodeGrabber_;
  TIntf<IBaseFilter> dvSplitter_, dvDecoder_;
  TIntf<IBaseFilter> nullRenderer_, captionNullRenderer_;
};

}  // namespace lumicar
