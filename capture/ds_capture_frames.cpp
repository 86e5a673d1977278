// The format side of TVLDSCapture: what a build was asked for, reading the
// negotiated format and the start-frame operation that announces the stream.

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "buffers/image_buffer.h"
#include "capture/ds_capture.h"
#include "capture/frames/capture_log.h"
#include "dsbase/camera/camera_media_type.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"
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

}  // namespace

// ---------------------------------------------------------------- request

void TVLDSCapture::RenderingStarts() {
  request_.format = videoFormat_;
  request_.width = videoSize_->Width();
  request_.height = videoSize_->Height();
  request_.rate = frameRate_->Rate();
  pump_->SetNegotiated(videoFormat_);
}

bool TVLDSCapture::PresetsCamera() const { return !(videoSize_->Current() && frameRate_->Current()); }

// ---------------------------------------------------------------- negotiated format

bool TVLDSCapture::GetVideoFormat(BITMAPINFOHEADER* header, int64_t* period, TVLVideoFormat* format) {
  ISampleGrabber* videoGrabber = builder_->VideoGrabber();
  if (!videoGrabber || !header || !period || !format) return false;
  TDSMediaType mt;
  if (FAILED(videoGrabber->GetConnectedMediaType(&mt.Get()))) return false;
  const AM_MEDIA_TYPE& t = mt.Get();
  *format = VLGetFormatFromGUID(t.subtype);
  if (t.formattype == FORMAT_VideoInfo2 && t.pbFormat && t.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    const auto* v = reinterpret_cast<const VIDEOINFOHEADER2*>(t.pbFormat);
    *header = v->bmiHeader;
    *period = v->AvgTimePerFrame;
    interlacing_->SetFlags(v->dwInterlaceFlags);
    pictureRatio_->SetWidth(v->dwPictAspectRatioX);
    pictureRatio_->SetHeight(v->dwPictAspectRatioY);
    return true;
  }
  if (t.formattype == FORMAT_VideoInfo && t.pbFormat && t.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const auto* v = reinterpret_cast<const VIDEOINFOHEADER*>(t.pbFormat);
    *header = v->bmiHeader;
    *period = v->AvgTimePerFrame;
    pictureRatio_->SetWidth(uint32_t(std::max(v->bmiHeader.biWidth, 0)));
    pictureRatio_->SetHeight(uint32_t(Magnitude(v->bmiHeader.biHeight)));
    return true;
  }
  return false;
}

void TVLDSCapture::SendVideoFormat() {
  interlacing_->SetFlags(0);
  pictureRatio_->SetWidth(uint32_t(std::max(header_.biWidth, 0)));
  pictureRatio_->SetHeight(uint32_t(Magnitude(header_.biHeight)));
  ISampleGrabber* videoGrabber = builder_->VideoGrabber();
  if (!videoGrabber) return;
  TDSMediaType mt;
  if (videoGrabber->GetConnectedMediaType(&mt.Get()) != S_OK) return;
  ReadConnectedFormat(mt.Get());
}

void TVLDSCapture::ReadConnectedFormat(const AM_MEDIA_TYPE& t) {
  const TVLVideoFormat format = VLGetFormatFromGUID(t.subtype);
  header_ = BITMAPINFOHEADER{};
  size_t headerEnd = 0;
  if (t.formattype == FORMAT_VideoInfo && t.pbFormat && t.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const auto* v = reinterpret_cast<const VIDEOINFOHEADER*>(t.pbFormat);
    header_ = v->bmiHeader;
    framePeriod_ = v->AvgTimePerFrame;
    pictureRatio_->SetWidth(uint32_t(std::max(header_.biWidth, 0)));
    pictureRatio_->SetHeight(uint32_t(Magnitude(header_.biHeight)));
    headerEnd = sizeof(VIDEOINFOHEADER);
  } else if (t.formattype == FORMAT_VideoInfo2 && t.pbFormat && t.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    const auto* v = reinterpret_cast<const VIDEOINFOHEADER2*>(t.pbFormat);
    header_ = v->bmiHeader;
    framePeriod_ = v->AvgTimePerFrame;
    interlacing_->SetFlags(v->dwInterlaceFlags);
    pictureRatio_->SetWidth(v->dwPictAspectRatioX);
    pictureRatio_->SetHeight(v->dwPictAspectRatioY);
    headerEnd = sizeof(VIDEOINFOHEADER2);
  } else {
    return;
  }

  std::shared_ptr<const std::vector<uint8_t>> palette;
  if (format == vfGrayScale) {
    auto table = std::make_shared<std::vector<uint8_t>>(kPaletteBytes);
    if (t.cbFormat >= headerEnd + kPaletteBytes) {
      std::memcpy(table->data(), t.pbFormat + headerEnd, kPaletteBytes);
    } else {
      // A block without its colour table: the grey ramp an 8-bit camera means.
      for (size_t i = 0; i < 256; ++i) (*table)[4 * i] = (*table)[4 * i + 1] = (*table)[4 * i + 2] = uint8_t(i);
    }
    palette = std::move(table);
  }
  pump_->SetNegotiated(format, std::move(palette));

  const int32_t width = header_.biWidth;
  const int32_t height = Magnitude(header_.biHeight);
  // 8-bit frames leave as RGB24 (they are expanded through the palette).
  const TVLVideoFormat announced = format == vfGrayScale ? vfRGB24 : format;
  const int64_t duration = int64_t(uint32_t(framePeriod_));
  TIntf<IOWNotifyOperation> start;
  if (useHardwareCompression_)
    start = MakeIntf<TOWStartCompressionFrameOperation>(width, height, duration, announced, 0, pictureRatio_->Width(),
                                                        pictureRatio_->Height(),
                                                        SerializeMediaType(builder_->RawType().Get()));
  else
    start = MakeIntf<TOWStartFrameOperation>(width, height, duration, announced, 0, pictureRatio_->Width(),
                                             pictureRatio_->Height());
  output_->Notify(start);
}

}  // namespace lumicar
