#include "capture/ds_capture_graph_builder.h"

#include "capture/capture_ids.h"
#include "capture/format_preference.h"
#include "capture/frames/capture_log.h"
#include "capture/frames/frame_pump.h"
#include "capture/temporary_renderer.h"
#include "dsbase/camera/camera_media_type.h"
#include "dsbase/com/class_factory.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/graph/graph_pins.h"
#include "dsbase/holder/capture_graph_holder.h"
#include "dsbase/media/media_guids.h"
#include "runtime/runtime_log.h"

namespace lumicar {

namespace {

const QString kSetVideoGrabber = QStringLiteral("Can't set video sample grabber.");
const QString kSetVideoGrabberFormat = QStringLiteral("Can't set video sample grabber format.");
const QString kSetAudioGrabber = QStringLiteral("Can't set audio sample grabber.");
const QString kRemoveFilter = QStringLiteral("Can't remove DirectShow filter from the graph.");
const QString kMasterStream = QStringLiteral("SetMasterStream failed");

TIntf<IBaseFilter> AdoptFilter(void* raw) { return TIntf<IBaseFilter>::Adopt(static_cast<IBaseFilter*>(raw)); }

bool PinConnected(IBaseFilter* filter, PIN_DIRECTION dir) {
  TIntf<IPin> pin = DSFirstPin(filter, dir, false);
  return pin && DSPeerOf(pin.get());
}

}  // namespace

TVLDSCaptureGraphBuilder::TVLDSCaptureGraphBuilder(TDSCaptureGraph& graph, TVLFramePump& pump,
                                                   IVLDSCaptureGraphHost& host)
    : graph_(&graph), pump_(&pump), host_(host) {}

// ---------------------------------------------------------------- helpers

TIntf<IBaseFilter> TVLDSCaptureGraphBuilder::FindFilter(const char16_t* name) {
  IGraphBuilder* graph = graph_->Graph();
  if (!graph) return {};
  IBaseFilter* raw = nullptr;
  if (FAILED(graph->FindFilterByName(name, &raw)) || !raw) return {};
  return TIntf<IBaseFilter>::Adopt(raw);
}

bool TVLDSCaptureGraphBuilder::CreateAddFilter(const TGUID& classId, IUnknown* outer, const char16_t* name,
                                               TIntf<IBaseFilter>* filter, const TGUID& iid, uint32_t context) {
  filter->reset();
  void* raw = nullptr;
  if (FAILED(CoCreateInstance(classId, outer, context, iid, &raw)) || !raw) return false;
  *filter = AdoptFilter(raw);
  IGraphBuilder* graph = graph_->Graph();
  if (!graph || FAILED(graph->AddFilter(filter->get(), name))) {
    filter->reset();
    return false;
  }
  return true;
}

TIntf<IBaseFilter> TVLDSCaptureGraphBuilder::FindOrCreateGrabber(const char16_t* name, bool add) {
  if (TIntf<IBaseFilter> found = FindFilter(name)) return found;
  TIntf<IBaseFilter> filter;
  if (add) {
    CreateAddFilter(CLSID_SampleGrabber, nullptr, name, &filter, IID_IBaseFilter, CLSCTX_INPROC_SERVER | 2);
    return filter;
  }
  void* raw = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER | 2, IID_IBaseFilter, &raw)) && raw)
    filter = AdoptFilter(raw);
  return filter;
}

void TVLDSCaptureGraphBuilder::FlushGraph() {
  // The camera's SetFormat reconnects its pin through the graph's queue; any
  // graph operation carries the queue out before it returns, so the types
  // read afterwards are the new ones.
  FindFilter(kVideoCaptureFilterName);
}

TIntf<IMediaControl> TVLDSCaptureGraphBuilder::MediaControl() {
  if (!graph_->Graph()) return {};
  if (!graph_->MediaControl()) graph_->GetMediaControl();
  return TIntf<IMediaControl>(graph_->MediaControl());
}

// ---------------------------------------------------------------- binding

bool TVLDSCaptureGraphBuilder::InitCaptureFilters(IMoniker* videoMoniker, IMoniker* audioMoniker) {
  IGraphBuilder* graph = nullptr;
  ICaptureGraphBuilder2* builder = nullptr;
  auto fail = [&](const QString& message, HRESULT code) {
    graph_->Error(message, code);
    FreeCapFilters();
    return false;
  };
  try {
    FreeCapFilters();
    dvSplitter_.reset();
    dvDecoder_.reset();
    if (videoMoniker) {
      void* raw = nullptr;
      const HRESULT hr = videoMoniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, &raw);
      if (FAILED(hr)) return fail(QStringLiteral("Can't create video capture filter."), hr);
      captureFilter_ = AdoptFilter(raw);
    }
    if (!captureFilter_) return fail(QStringLiteral("Can't create video capture filter."), 0);

    // The holder reports its own failures ("Can't build DirectShow graph.",
    // "Can't build DirectShow graph builder.").
    auto failed = [&] {
      FreeCapFilters();
      return false;
    };
    if (!graph_->CreateGraph()) return failed();
    graph_->RegisterAdditionalFilters();
    if (!graph_->CreateGraphBuilder()) return failed();
    graph = graph_->Graph();
    builder = graph_->GraphBuilder();

    HRESULT hr = graph->AddFilter(captureFilter_.get(), kVideoCaptureFilterName);
    if (FAILED(hr)) return fail(QStringLiteral("Can't add video capture filter."), hr);

    void* raw = nullptr;
    hr = builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, captureFilter_.get(),
                                IID_IAMStreamConfig, &raw);
    if (FAILED(hr) || !raw)
      hr = builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, captureFilter_.get(), IID_IAMStreamConfig,
                                  &raw);
    if (FAILED(hr) || !raw) return fail(QStringLiteral("Can't obtain IAMStreamConfig."), hr);
    streamConfig_ = TIntf<IAMStreamConfig>::Adopt(static_cast<IAMStreamConfig*>(raw));

    // A DV camcorder streams interleaved video and audio: it needs the
    // splitter and decoder (added when the graph is rendered).
    if (IsDVSource()) {
      dvDecoder_ = FindFilter(u"VLDS_DVDecoder");
      if (!dvDecoder_) {
        raw = nullptr;
        hr = CoCreateInstance(CLSID_DVVideoCodec, nullptr, CLSCTX_INPROC_SERVER | 2, IID_IBaseFilter, &raw);
        if (FAILED(hr) || !raw) return fail(QStringLiteral("Can't add DVDecoder filter."), hr);
        dvDecoder_ = AdoptFilter(raw);
      }
      dvSplitter_ = FindFilter(u"VLDS_DVSplitter");
      if (!dvSplitter_) {
        raw = nullptr;
        hr = CoCreateInstance(CLSID_DVSplitter, nullptr, CLSCTX_INPROC_SERVER | 2, IID_IBaseFilter, &raw);
        if (FAILED(hr) || !raw) return fail(QStringLiteral("Can't add DVSplitter filter."), hr);
        dvSplitter_ = AdoptFilter(raw);
      }
    }

    raw = nullptr;
    if (SUCCEEDED(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, captureFilter_.get(),
                                         IID_IAMVfwCaptureDialogs, &raw)) &&
        raw)
      vfwDialogs_ = TIntf<IAMVfwCaptureDialogs>::Adopt(static_cast<IAMVfwCaptureDialogs*>(raw));

    if (audioMoniker) {
      if (audioMoniker == videoMoniker) {
        audioFilter_ = captureFilter_;
      } else {
        raw = nullptr;
        hr = audioMoniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, &raw);
        if (FAILED(hr) || !raw) return fail(QStringLiteral("Can't create audio capture filter."), FAILED(hr) ? hr : 0);
        audioFilter_ = AdoptFilter(raw);
        hr = graph->AddFilter(audioFilter_.get(), kAudioCaptureFilterName);
        if (FAILED(hr)) return fail(QStringLiteral("Can't add audio capture filter."), hr);
      }
    }

    IPin* found = nullptr;
    captionsAvailable_ =
        SUCCEEDED(builder->FindPin(captureFilter_.get(), PINDIR_OUTPUT, &PIN_CATEGORY_VBI, nullptr, false, 0, &found));
    if (!captionsAvailable_)
      captionsAvailable_ =
          SUCCEEDED(builder->FindPin(captureFilter_.get(), PINDIR_OUTPUT, &PIN_CATEGORY_CC, nullptr, false, 0, &found));
    if (found) found->Release();

    auto findOnCapturePin = [&](const TGUID& iid) -> TIntf<IUnknown> {
      void* object = nullptr;
      if (FAILED(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, captureFilter_.get(), iid,
                                        &object)) ||
          !object)
        builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, captureFilter_.get(), iid, &object);
      return TIntf<IUnknown>::Adopt(static_cast<IUnknown*>(object));
    };
    analogDecoder_ = findOnCapturePin(IID_IAMAnalogVideoDecoder);
    tvTunerInterface_ = findOnCapturePin(IID_IAMTVTuner);
    videoProcAmp_ = QueryIntf<IAMVideoProcAmp>(captureFilter_.get(), IID_IAMVideoProcAmp);
    if (!videoProcAmp_) {
      void* object = nullptr;
      if (SUCCEEDED(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, captureFilter_.get(),
                                           IID_IAMVideoProcAmp, &object)) ||
          SUCCEEDED(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, captureFilter_.get(),
                                           IID_IAMVideoProcAmp, &object)))
        videoProcAmp_ = TIntf<IAMVideoProcAmp>::Adopt(static_cast<IAMVideoProcAmp*>(object));
    }

    host_.CameraBound();
    return true;
  } catch (...) {
    qCWarning(lcCapture) << "Binding the camera's capture filters failed:" << CurrentExceptionText();
    FreeCapFilters();
    return false;
  }
}

// ---------------------------------------------------------------- building

bool TVLDSCaptureGraphBuilder::RenderVideoPreview() {
  host_.RenderingStarts();

  videoGrabberFilter_ = FindFilter(kVideoGrabberName);
  if (!videoGrabberFilter_) {
    customGrabber_ = false;
    if (TIntf<IBaseFilter> custom = graph_->VideoGrabberCreate()) {
      videoGrabberFilter_ = custom;
      customGrabber_ = true;
    }
    if (!videoGrabberFilter_) {
      videoGrabberFilter_ = FindOrCreateGrabber(kVideoGrabberName, false);
      if (!videoGrabberFilter_) {
        graph_->Error(kSetVideoGrabber, REGDB_E_CLASSNOTREG);
        return false;
      }
    }
  }
  captionGrabberFilter_ = FindOrCreateGrabber(kCaptionGrabberName, false);
  textCaptionGrabberFilter_ = FindOrCreateGrabber(kTextCaptionGrabberName, true);

  nullRenderer_ = FindFilter(kNullRenderName);
  if (!nullRenderer_ &&
      !CreateAddFilter(CLSID_NullRenderer, nullptr, kNullRenderName, &nullRenderer_, IID_IBaseFilter, 3)) {
    graph_->Error(QStringLiteral("Can't obtain null video render."), E_FAIL);
    return false;
  }
  captionNullRenderer_ = FindFilter(kCaptionNullRenderName);
  if (!captionNullRenderer_ && !CreateAddFilter(CLSID_NullRenderer, nullptr, kCaptionNullRenderName,
                                                &captionNullRenderer_, IID_IBaseFilter, 3)) {
    graph_->Error(QStringLiteral("Can't obtain null video render."), E_FAIL);
    return false;
  }

  if (!customGrabber_) videoGrabber_ = QueryIntf<ISampleGrabber>(videoGrabberFilter_.get(), IID_ISampleGrabber);
  captionGrabber_ = QueryIntf<ISampleGrabber>(captionGrabberFilter_.get(), IID_ISampleGrabber);
  textCaptionGrabber_ = QueryIntf<ISampleGrabber>(textCaptionGrabberFilter_.get(), IID_ISampleGrabber);
  if ((!customGrabber_ && !videoGrabber_) || !captionGrabber_ || !textCaptionGrabber_) {
    graph_->Error(kSetVideoGrabber, E_NOINTERFACE);
    return false;
  }

  AM_MEDIA_TYPE vbi{};
  vbi.majortype = KSDATAFORMAT_TYPE_VBI;
  const HRESULT hr = textCaptionGrabber_->SetMediaType(&vbi);
  if (FAILED(hr)) {
    graph_->Error(kSetVideoGrabberFormat, hr);
    return false;
  }
  return true;
}

void TVLDSCaptureGraphBuilder::FindVideoGrabber(bool add) {
  if (TIntf<IBaseFilter> found = FindFilter(kVideoGrabberName)) {
    videoGrabberFilter_ = found;
    return;
  }
  // Between the grabber's preparation and its connection the build holds it
  // outside the graph: that one is still the video grabber.
  if (videoGrabberFilter_) return;
  customGrabber_ = false;
  if (TIntf<IBaseFilter> custom = graph_->VideoGrabberCreate()) {
    videoGrabberFilter_ = custom;
    customGrabber_ = true;
    return;
  }
  videoGrabberFilter_ = FindOrCreateGrabber(kVideoGrabberName, add);
}

void TVLDSCaptureGraphBuilder::RefreshInterfaces() {
  FindVideoGrabber(false);
  if (!customGrabber_) {
    videoGrabber_ = QueryIntf<ISampleGrabber>(videoGrabberFilter_.get(), IID_ISampleGrabber);
    if (!videoGrabber_) graph_->Error(kSetVideoGrabber, E_NOINTERFACE);
  }
  if (TIntf<IBaseFilter> found = FindFilter(kCaptionGrabberName))
    captionGrabberFilter_ = found;
  else if (!captionGrabberFilter_)
    captionGrabberFilter_ = FindOrCreateGrabber(kCaptionGrabberName, false);
  textCaptionGrabberFilter_ = FindOrCreateGrabber(kTextCaptionGrabberName, true);
  captionGrabber_ = QueryIntf<ISampleGrabber>(captionGrabberFilter_.get(), IID_ISampleGrabber);
  textCaptionGrabber_ = QueryIntf<ISampleGrabber>(textCaptionGrabberFilter_.get(), IID_ISampleGrabber);
  if (!captionGrabber_ || !textCaptionGrabber_) graph_->Error(kSetVideoGrabber, E_NOINTERFACE);
  audioGrabberFilter_ = FindOrCreateGrabber(kAudioGrabberName, true);
  audioGrabber_ = QueryIntf<ISampleGrabber>(audioGrabberFilter_.get(), IID_ISampleGrabber);
  if (!audioGrabber_) graph_->Error(kSetAudioGrabber, E_NOINTERFACE);
}

bool TVLDSCaptureGraphBuilder::RenderCapturePin(TVLDSVideoRenderer* renderer, HRESULT* failure) {
  ICaptureGraphBuilder2* builder = graph_->GraphBuilder();
  IUnknown* source = captureFilter_.get();
  // The graph's connect lets the camera's order of types win: offering one
  // entry of the row at a time, in row order, makes the request decide.
  // Where the request names a size or a rate, the camera is first set to the
  // type that meets it (the host's PresetCameraFormat), so that a converter
  // put in between works at that size and the rate comes from whichever of
  // the camera's sources reaches it.
  const bool preset = host_.PresetsCamera();
  const TVLDSPreferenceRow& row = VLDSPreferenceRow(host_.RequestedFormat());
  HRESULT hr = VFW_E_CANNOT_CONNECT;
  for (int entry = 0; entry < kVLDSPreferenceCount; ++entry) {
    renderer->SetAcceptedEntry(entry);
    if (preset) host_.PresetCameraFormat(row[size_t(entry)]);
    hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, source, nullptr, renderer);
    if (FAILED(hr)) hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source, nullptr, renderer);
    if (SUCCEEDED(hr)) return true;
  }
  renderer->SetAcceptedEntry(-1);
  if (preset) streamConfig_->SetFormat(nullptr);
  *failure = hr;
  return false;
}

bool TVLDSCaptureGraphBuilder::RenderRawCapture(TVLDSVideoRenderer* renderer) {
  ICaptureGraphBuilder2* builder = graph_->GraphBuilder();
  const QString rawError = QStringLiteral("Can't set raw video sample grabber.");
  if (!CreateAddFilter(CLSID_SampleGrabber, nullptr, kRawGrabberName, &rawGrabberFilter_, IID_IBaseFilter, 3)) {
    graph_->Error(rawError, E_FAIL);
    return false;
  }
  rawGrabber_ = QueryIntf<ISampleGrabber>(rawGrabberFilter_.get(), IID_ISampleGrabber);
  if (!rawGrabber_) {
    graph_->Error(rawError, E_NOINTERFACE);
    return false;
  }
  rawGrabber_->SetBufferSamples(false);
  rawGrabber_->SetOneShot(false);
  rawGrabber_->SetCallback(pump_->RawCallback(), 0);
  auto renderCapture = [&] {
    HRESULT hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, captureFilter_.get(), nullptr,
                                       rawGrabberFilter_.get());
    if (FAILED(hr))
      hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, captureFilter_.get(), nullptr,
                                 rawGrabberFilter_.get());
    return hr;
  };
  HRESULT hr = renderCapture();
  if (SUCCEEDED(hr)) hr = builder->RenderStream(nullptr, nullptr, rawGrabberFilter_.get(), nullptr, renderer);
  if (FAILED(hr)) {
    graph_->Error(kMasterStream, hr);
    return false;
  }
  rawGrabber_->GetConnectedMediaType(&rawType_.Get());
  if (!PinConnected(rawGrabberFilter_.get(), PINDIR_INPUT)) renderCapture();
  return true;
}

bool TVLDSCaptureGraphBuilder::RenderCaptions(TVLDSVideoRenderer* renderer) {
  ICaptureGraphBuilder2* builder = graph_->GraphBuilder();
  TIntf<IBaseFilter> decoder;
  if (!CreateAddFilter(CLSID_Line21Decoder, nullptr, u"Line 21 Decoder", &decoder, IID_IBaseFilter, 3)) {
    graph_->Error(QStringLiteral("Can't create Closed Captions Line 21 Decoder."), HRESULT(-1));
    return false;
  }
  AM_MEDIA_TYPE none{};
  graph_->CheckWarning(QStringLiteral("Can't set caption text media type."), textCaptionGrabber_->SetMediaType(&none));
  HRESULT hr = builder->RenderStream(&PIN_CATEGORY_VBI, nullptr, captureFilter_.get(), textCaptionGrabberFilter_.get(),
                                     decoder.get());
  if (SUCCEEDED(hr)) hr = builder->RenderStream(nullptr, nullptr, decoder.get(), nullptr, renderer);
  if (FAILED(hr)) {
    graph_->Error(QStringLiteral("Can't render Closed Captions."), hr);
    return false;
  }
  return true;
}

bool TVLDSCaptureGraphBuilder::RenderAudio() {
  ICaptureGraphBuilder2* builder = graph_->GraphBuilder();
  IPin* raw = nullptr;
  TIntf<IAMBufferNegotiation> negotiation;
  if (SUCCEEDED(builder->FindPin(audioFilter_.get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio, false, 0, &raw)) &&
      raw) {
    TIntf<IPin> pin = TIntf<IPin>::Adopt(raw);
    negotiation = QueryIntf<IAMBufferNegotiation>(pin.get(), IID_IAMBufferNegotiation);
  }
  ALLOCATOR_PROPERTIES suggestion{-1, 8192, -1, -1};
  graph_->CheckWarning(QStringLiteral("Can't suggest audio buffer size."),
                       negotiation ? negotiation->SuggestAllocatorProperties(&suggestion) : E_NOINTERFACE);

  audioGrabberFilter_ = FindOrCreateGrabber(kAudioGrabberName, true);
  audioGrabber_ = QueryIntf<ISampleGrabber>(audioGrabberFilter_.get(), IID_ISampleGrabber);
  if (!audioGrabber_) {
    graph_->Error(kSetAudioGrabber, E_NOINTERFACE);
    return false;
  }
  TDSMediaType type;
  host_.MakeAudioMediaType(type.Get());
  HRESULT hr = audioGrabber_->SetMediaType(&type.Get());
  if (FAILED(hr)) {
    graph_->Error(QStringLiteral("Can't set audio sample grabber format."), hr);
    return false;
  }
  hr = builder->RenderStream(nullptr, &MEDIATYPE_Audio, audioFilter_.get(), nullptr, audioGrabberFilter_.get());
  if (FAILED(hr)) {
    graph_->Error(kSetAudioGrabber, hr);
    return false;
  }
  audioGrabber_->SetBufferSamples(false);
  audioGrabber_->SetOneShot(false);
  audioGrabber_->SetCallback(pump_->AudioCallback(), 0);
  if (host_.AudioPreviewEnabled())
    graph_->CheckWarning(QStringLiteral("Can't play audio."),
                         builder->RenderStream(nullptr, &MEDIATYPE_Audio, audioGrabberFilter_.get(), nullptr, nullptr));
  return true;
}

bool TVLDSCaptureGraphBuilder::BuildGraph() {
  IGraphBuilder* graph = graph_->Graph();
  ICaptureGraphBuilder2* builder = graph_->GraphBuilder();
  if (!graph || !builder || !captureFilter_) return false;
  if (built_) return true;

  TIntf<TVLDSVideoRenderer> renderer, captionRenderer;
  // A build that does not end leaves nothing of itself behind the camera.
  auto undo = [&] {
    if (renderer) graph->RemoveFilter(renderer.get());
    graph_->DestroyDownstream(captureFilter_.get());
    if (audioFilter_ && audioFilter_ != captureFilter_) graph_->DestroyDownstream(audioFilter_.get());
    return false;
  };
  try {
    if (!RenderVideoPreview()) return undo();

    for (IBaseFilter* f : {videoGrabberFilter_.get(), captionGrabberFilter_.get()}) {
      FILTER_INFO info{};
      if (!f || FAILED(f->QueryFilterInfo(&info)) || !info.pGraph) continue;
      info.pGraph->Release();
      graph_->CheckWarning(kRemoveFilter, graph->RemoveFilter(f));
    }

    renderer = MakeIntf<TVLDSVideoRenderer>();
    captionRenderer = MakeIntf<TVLDSVideoRenderer>();
    renderer->SetVideoFormat(host_.RequestedFormat());
    captionRenderer->SetVideoFormat(host_.RequestedFormat());
    HRESULT hr = graph->AddFilter(renderer.get(), kVideoTmpRenderName);
    if (FAILED(hr)) {
      renderer.reset();
      graph_->Error(kSetVideoGrabber, hr);
      return undo();
    }

    if (!graph_->CustomRender(captureFilter_.get(), true, videoGrabberFilter_.get())) {
      if (!host_.UsesHardwareCompression()) {
        HRESULT failure = E_FAIL;
        if (!RenderCapturePin(renderer.get(), &failure)) {
          graph_->Error(kMasterStream, failure);
          return undo();
        }
      } else if (!RenderRawCapture(renderer.get())) {
        return undo();
      }
    }

    RefreshInterfaces();
    if (captionsAvailable_ && host_.CaptionsEnabled() && !RenderCaptions(captionRenderer.get())) return undo();
    if (audioFilter_ && !RenderAudio()) return undo();
    graph_->AfterRendering();
    // Without a renderer in the graph there is no video window to set up:
    // only a renderer whose window cannot be configured fails the build.
    if (!host_.ConfigVideoWindow(false) && HasRenderer()) return undo();
    graph_->SetMediaEvent();

    TDSMediaType connected;
    hr = renderer->InputPin()->ConnectionMediaType(&connected.Get());
    if (FAILED(hr)) {
      graph_->Error(kSetVideoGrabberFormat, hr);
      return undo();
    }
    TIntf<IPin> upstream = renderer->InputPin()->GetConnected();
    if (videoGrabber_) {
      hr = videoGrabber_->SetMediaType(&connected.Get());
      if (FAILED(hr)) {
        graph_->Error(kSetVideoGrabberFormat, hr);
        return undo();
      }
    }
    graph_->CheckWarning(kRemoveFilter, graph->RemoveFilter(renderer.get()));
    renderer.reset();

    hr = graph->AddFilter(videoGrabberFilter_.get(), kVideoGrabberName);
    if (SUCCEEDED(hr)) hr = graph->AddFilter(captionGrabberFilter_.get(), kCaptionGrabberName);
    if (FAILED(hr)) {
      graph_->Error(kSetVideoGrabber, hr);
      return undo();
    }
    TIntf<IPin> grabberIn = DSFirstPin(videoGrabberFilter_.get(), PINDIR_INPUT, false);
    if (!upstream || !grabberIn || FAILED(graph->Connect(upstream.get(), grabberIn.get()))) {
      graph_->Error(QStringLiteral("Can't render video sample grabber output pin."), 0);
      return undo();
    }

    if (!captionRenderer->InputPin()->IsConnected()) {
      graph_->CheckWarning(kRemoveFilter, graph->RemoveFilter(captionGrabberFilter_.get()));
      captionGrabberFilter_.reset();
      captionGrabber_.reset();
    } else {
      TDSMediaType captionType;
      hr = captionRenderer->InputPin()->ConnectionMediaType(&captionType.Get());
      if (SUCCEEDED(hr)) hr = captionGrabber_->SetMediaType(&captionType.Get());
      if (FAILED(hr)) {
        graph_->Error(kSetVideoGrabberFormat, hr);
        return undo();
      }
      TIntf<IPin> captionUpstream = captionRenderer->InputPin()->GetConnected();
      captionRenderer->InputPin()->Disconnect();
      if (captionUpstream) captionUpstream->Disconnect();
      TIntf<IPin> captionIn = DSFirstPin(captionGrabberFilter_.get(), PINDIR_INPUT, false);
      if (!captionUpstream || !captionIn || FAILED(graph->Connect(captionUpstream.get(), captionIn.get()))) {
        graph_->Error(QStringLiteral("Can't render video sample grabber output pin."), 0);
        return undo();
      }
    }

    auto arm = [&](ISampleGrabber* grabber, TDSSampleGrabberCB* callback) {
      if (!grabber) return true;
      return SUCCEEDED(grabber->SetBufferSamples(false)) && SUCCEEDED(grabber->SetOneShot(false)) &&
             SUCCEEDED(grabber->SetCallback(callback, 0));
    };
    if (!arm(videoGrabber_.get(), pump_->VideoCallback()) || !arm(captionGrabber_.get(), pump_->CaptionCallback()) ||
        !arm(textCaptionGrabber_.get(), pump_->TextCaptionCallback())) {
      graph_->Error(kSetVideoGrabber, E_FAIL);
      return undo();
    }

    if (host_.VideoPreviewEnabled() && !HasRenderer())
      graph_->CheckWarning(
          QStringLiteral("Can't render video preview."),
          builder->RenderStream(nullptr, &MEDIATYPE_Video, videoGrabberFilter_.get(), nullptr, nullptr));
    else
      graph_->CheckWarning(
          QStringLiteral("Can't render null video render."),
          builder->RenderStream(nullptr, &MEDIATYPE_Video, videoGrabberFilter_.get(), nullptr, nullRenderer_.get()));
    built_ = true;
    return true;
  } catch (...) {
    qCWarning(lcCapture) << "Building the capture graph failed:" << CurrentExceptionText();
    try {
      undo();
    } catch (...) {
      qCWarning(lcCapture) << "Taking the half-built capture graph down failed too:" << CurrentExceptionText();
    }
    return false;
  }
}

// ---------------------------------------------------------------- video window

bool TVLDSCaptureGraphBuilder::HasRenderer() {
  IGraphBuilder* graph = graph_->Graph();
  if (!graph) return false;
  IEnumFilters* raw = nullptr;
  if (FAILED(graph->EnumFilters(&raw)) || !raw) return true;
  TIntf<IEnumFilters> filters = TIntf<IEnumFilters>::Adopt(raw);
  for (;;) {
    IBaseFilter* f = nullptr;
    uint32_t fetched = 0;
    if (filters->Next(1, &f, &fetched) != S_OK || fetched != 1 || !f) return false;
    TIntf<IBaseFilter> filter = TIntf<IBaseFilter>::Adopt(f);
    if (QueryIntf<IVideoWindow>(filter.get(), IID_IVideoWindow)) return true;
  }
}

// ---------------------------------------------------------------- teardown

void TVLDSCaptureGraphBuilder::DestroyRendering() {
  graph_->DestroyDownstream(captureFilter_.get());
  built_ = false;
}

void TVLDSCaptureGraphBuilder::DestroyGraph() {
  if (!built_) return;
  graph_->UnregisterGraph();
  nullRenderer_.reset();
  captionNullRenderer_.reset();
  videoGrabber_.reset();
  for (TIntf<ISampleGrabber>* grabber : {&captionGrabber_, &rawGrabber_, &textCaptionGrabber_}) {
    if (*grabber) (*grabber)->SetCallback(nullptr, 0);
    grabber->reset();
  }
  audioGrabber_.reset();
  timeCodeGrabber_.reset();
  graph_->ReleaseMediaEvent();
  if (captureFilter_) graph_->DestroyDownstream(captureFilter_.get());
  if (audioFilter_ && audioFilter_ != captureFilter_) graph_->DestroyDownstream(audioFilter_.get());
  built_ = false;
}

void TVLDSCaptureGraphBuilder::ForgetGrabberInterfaces() {
  // The callbacks are plain objects of this component: no grabber that may
  // outlive the graph keeps pointing at them.
  for (IBaseFilter* filter : {videoGrabberFilter_.get(), captionGrabberFilter_.get(), textCaptionGrabberFilter_.get(),
                              rawGrabberFilter_.get(), audioGrabberFilter_.get(), timeCodeGrabberFilter_.get()})
    if (TIntf<ISampleGrabber> grabber = QueryIntf<ISampleGrabber>(filter, IID_ISampleGrabber))
      grabber->SetCallback(nullptr, 0);
  videoGrabber_.reset();
  captionGrabber_.reset();
  textCaptionGrabber_.reset();
  rawGrabber_.reset();
  audioGrabber_.reset();
  timeCodeGrabber_.reset();
}

void TVLDSCaptureGraphBuilder::FreeCapFilters() {
  ForgetGrabberInterfaces();
  graph_->ReleaseFilters();
  graph_->DestroyGraph();
  captureFilter_.reset();
  audioFilter_.reset();
  streamConfig_.reset();
  vfwDialogs_.reset();
  analogDecoder_.reset();
  tvTunerInterface_.reset();
  videoProcAmp_.reset();
  videoGrabberFilter_.reset();
  captionGrabberFilter_.reset();
  textCaptionGrabberFilter_.reset();
  rawGrabberFilter_.reset();
  audioGrabberFilter_.reset();
  timeCodeGrabberFilter_.reset();
  dvSplitter_.reset();
  dvDecoder_.reset();
  nullRenderer_.reset();
  captionNullRenderer_.reset();
  customGrabber_ = false;
  built_ = false;
  dialogs_.Clear();
}

bool TVLDSCaptureGraphBuilder::IsDVSource() {
  if (!streamConfig_) return false;
  AM_MEDIA_TYPE* mt = nullptr;
  if (FAILED(streamConfig_->GetFormat(&mt)) || !mt) return false;
  const bool dv = mt->majortype == MEDIATYPE_Interleaved;
  LPDSDeleteMediaType(mt);
  return dv;
}

TVLDSDialogSources TVLDSCaptureGraphBuilder::DialogSources() const {
  TVLDSDialogSources sources;
  sources.captureFilter = captureFilter_;
  sources.vfwDialogs = vfwDialogs_;
  sources.builder = TIntf<ICaptureGraphBuilder2>(graph_->GraphBuilder());
  sources.tvTuner = tvTunerInterface_;
  return sources;
}

}  // namespace lumicar
