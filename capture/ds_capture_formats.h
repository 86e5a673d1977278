#pragma once
// TVLDSCaptureFormats: the capture's format negotiation with the camera. It
// records what a build was asked for, sets the camera to the requested size
// and rate (writing them into its stream format and, where the graph behind
// it cannot follow, having the graph rendered anew), and reads what the video
// grabber was connected with: the bitmap header, frame period, interlacing,
// picture aspect ratio and the pixel format with its palette, which it hands
// to the frame pump and announces in the start-frame operation; and the
// sample rate the audio grabber was connected with.
//
// Threads: the capture calls it under its component lock only; it has no lock
// of its own.

#include <QString>
#include <cstdint>

#include "buffers/video_format.h"
#include "dsbase/media/media_type.h"
#include "dsbase/media/video_info.h"
#include "pins/notify_operation.h"
#include "runtime/interface.h"

namespace lumicar {

class TDSCaptureGraph;
class TDSVideoInfoView;
class TVLBasicAspectRatio;
class TVLCaptureFrameRate;
class TVLDSCaptureGraphBuilder;
class TVLDSVideoInterlacing;
class TVLFramePump;
class TVLOptionalVideoSize;

class TVLDSCaptureFormats {
 public:
  // What the last build was asked for.
  struct TRequest {
    TVLVideoFormat format = vfRGB24;
    uint32_t width = 0, height = 0;
    double rate = 0;
  };
  // The capture's settings and the objects the negotiation reports into.
  struct TParts {
    TVLDSCaptureGraphBuilder& builder;
    TDSCaptureGraph& graph;
    TVLFramePump& pump;
    const TVLOptionalVideoSize& videoSize;
    const TVLCaptureFrameRate& frameRate;
    TVLDSVideoInterlacing& interlacing;
    TVLBasicAspectRatio& pictureRatio;
  };

  // Every part outlives the negotiation.
  explicit TVLDSCaptureFormats(const TParts& parts) : parts_(parts) {}
  TVLDSCaptureFormats(const TVLDSCaptureFormats&) = delete;
  TVLDSCaptureFormats& operator=(const TVLDSCaptureFormats&) = delete;

  // ---- The build's request ----
  // A build starts rendering for `format` at the settings' size and rate.
  void RecordRequest(TVLVideoFormat format);
  const TRequest& Request() const { return request_; }
  // Whether the camera is set before each pixel format is tried: the
  // request names a size or a rate.
  bool PresetsCamera() const;
  // Sets the camera to `wanted` at the requested size and rate, or to the
  // subtype it offers that comes nearest.
  void PresetCameraFormat(TVLVideoFormat wanted);
  // Writes the requested size (unless `onlyRate`) and rate into the
  // camera's stream format. False when the camera's new format needed the
  // graph rendered anew and that failed: the graph is then not built, as
  // after a failed build.
  bool ApplyFormats(bool onlyRate);
  // The USB bus had no bandwidth for the camera's format: the graph (not
  // running) is rendered anew at the next format down, MJPEG at the same
  // size first, then the next smaller size. `shown` names the new format
  // for the user ("MJPEG 1600 × 1200", "640 × 480"). False when there is
  // no smaller format, or the graph could not be rendered at it (then it is
  // not built).
  bool FallBackForBandwidth(QString* shown);

  // ---- What was negotiated ----
  // The video grabber's connected type as bitmap header, frame period and
  // pixel format (interlacing and aspect ratio updated); false without a
  // grabber connection or video header.
  bool GetVideoFormat(BITMAPINFOHEADER* header, int64_t* period, TVLVideoFormat* format);
  // Reads the connected format into the header and period, hands the pixel
  // format and palette to the pump, and returns the start-frame operation
  // that announces them (a start-compression one for raw frames); none
  // without a grabber connection or video header.
  TIntf<IOWNotifyOperation> ReadConnectedFormat(bool compression);
  // The audio grabber's connected sample rate as the operation that
  // announces it; none without a rendered audio branch or a wave format.
  TIntf<IOWNotifyOperation> ReadAudioFormat();
  // The header and frame period the last start read.
  const BITMAPINFOHEADER& Header() const { return header_; }
  int64_t FramePeriod() const { return framePeriod_; }
  // While running the values the start read; otherwise the grabber's
  // connected ones. False when there are none.
  bool Current(bool running, BITMAPINFOHEADER* header, int64_t* period);

 private:
  TIntf<IOWNotifyOperation> AnnounceConnected(const AM_MEDIA_TYPE& mt, bool compression);
  // Reads the header and frame period of a video block and what they say of
  // the picture: the interlacing and aspect ratio a VideoInfo2 block
  // carries, or the frame's own proportions.
  void ReadPicture(const TDSVideoInfoView& view, BITMAPINFOHEADER* header, int64_t* period);
  // Whether the video grabber is connected with the camera's size and rate.
  bool GrabberMatchesCamera();
  // Renders the camera's stream anew at `format`. `answer` is the camera's
  // answer to it: one that refused it while connected is asked again once
  // its pin is free. False when the rendering failed.
  bool RenderAgain(const AM_MEDIA_TYPE& format, HRESULT* answer);

  TParts parts_;
  TRequest request_;
  BITMAPINFOHEADER header_{};
  int64_t framePeriod_ = 0;
  // While a fallback renders: the camera keeps the format it was set to.
  bool holdCamera_ = false;
};

}  // namespace lumicar
