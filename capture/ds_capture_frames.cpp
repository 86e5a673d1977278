// The frame path of TVLDSCapture: the start-frame operation that announces
// the stream, the grabber callbacks on the graph's streaming thread, and the
// notify thread that takes the queued frames out and sends them.

#include <QByteArray>
#include <algorithm>
#include <cstring>

#include "buffers/block_buffer.h"
#include "buffers/image_buffer.h"
#include "buffers/sequence_stamp.h"
#include "buffers/vl_dv_time_code.h"
#include "capture/ds_capture.h"
#include "capture/frames/notify_thread.h"
#include "capture/frames/video_buffer_queue_thread.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/wave_format.h"
#include "imagepins/buffer_operations.h"
#include "imagepins/frame_operations.h"

namespace lumicar {

namespace {

constexpr size_t kPaletteBytes = 256 * 4;

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

// ---------------------------------------------------------------- negotiated format

bool TVLDSCapture::GetVideoFormat(BITMAPINFOHEADER* header, int64_t* period, TVLVideoFormat* format) {
  if (!videoGrabber_ || !header || !period || !format) return false;
  TDSMediaType mt;
  if (FAILED(videoGrabber_->GetConnectedMediaType(&mt.Get()))) return false;
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
  if (!videoGrabber_) return;
  TDSMediaType mt;
  if (videoGrabber_->GetConnectedMediaType(&mt.Get()) != S_OK) return;
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
  {
    std::lock_guard guard(frameLock_);
    negotiatedFormat_ = format;
    palette_ = std::move(palette);
  }

  const int32_t width = header_.biWidth;
  const int32_t height = Magnitude(header_.biHeight);
  // 8-bit frames leave as RGB24 (they are expanded through the palette).
  const TVLVideoFormat announced = format == vfGrayScale ? vfRGB24 : format;
  const int64_t duration = int64_t(uint32_t(framePeriod_));
  TIntf<IOWNotifyOperation> start;
  if (useHardwareCompression_)
    start = MakeIntf<TOWStartCompressionFrameOperation>(width, height, duration, announced, 0, pictureRatio_->Width(),
                                                        pictureRatio_->Height(), SerializeMediaType(rawType_.Get()));
  else
    start = MakeIntf<TOWStartFrameOperation>(width, height, duration, announced, 0, pictureRatio_->Width(),
                                             pictureRatio_->Height());
  output_->Notify(start);
}

void TVLDSCapture::SendAudioFormat() {
  // Only an audio branch that was rendered has a type to announce.
  if (!audioGrabber_) return;
  TDSMediaType mt;
  if (audioGrabber_->GetConnectedMediaType(&mt.Get()) != S_OK) return;
  const AM_MEDIA_TYPE& t = mt.Get();
  if (!(t.formattype == FORMAT_WaveFormatEx) || !t.pbFormat || t.cbFormat < sizeof(WAVEFORMATEX)) return;
  WAVEFORMATEX w;
  std::memcpy(&w, t.pbFormat, sizeof w);
  audioOutput_->Notify(MakeIntf<TOWStartSampleRateOperation>(double(w.nSamplesPerSec)));
}

// ---------------------------------------------------------------- streaming thread

namespace {

// What the grabber callbacks take from a sample: its bytes (the length
// clamped to the buffer) and its times (0 when it has none).
struct TSampleContents {
  uint8_t* data = nullptr;
  int32_t length = 0;
  REFERENCE_TIME start = 0, end = 0;
};

bool ReadSample(IMediaSample* sample, TSampleContents* contents) {
  if (FAILED(sample->GetPointer(&contents->data)) || !contents->data) return false;
  contents->length = std::clamp(sample->GetActualDataLength(), 0, std::max(sample->GetSize(), 0));
  if (FAILED(sample->GetTime(&contents->start, &contents->end))) contents->start = contents->end = 0;
  return true;
}

}  // namespace

void TVLDSCapture::NewVideoBuffer(double, IMediaSample* sample) {
  if (!sample || !acceptFrames_.load(std::memory_order_acquire)) return;
  TIntf<IMediaSample> keep(sample);
  TSampleContents c;
  if (!ReadSample(sample, &c)) return;
  const bool keyFrame = sample->IsSyncPoint() == S_OK;
  // The queue copies the bytes; the streaming thread waits until they are
  // taken, so a slow consumer slows the camera instead of losing frames.
  if (videoQueue_->PushBuffer(c.data, c.length, c.start, c.end, c.start, keyFrame)) videoQueue_->WaitTaken();
}

void TVLDSCapture::NewCaptionBuffer(double, IMediaSample* sample) {
  if (!sample || !acceptFrames_.load(std::memory_order_acquire)) return;
  TIntf<IMediaSample> keep(sample);
  TSampleContents c;
  if (!ReadSample(sample, &c)) return;
  if (captionQueue_->PushBuffer(c.data, c.length, c.start, c.end, c.start, false)) captionQueue_->WaitTaken();
}

void TVLDSCapture::QueueSample(TMLDSBufferQueue& queue, IMediaSample* sample, bool wake) {
  if (!sample || !acceptFrames_.load(std::memory_order_acquire)) return;
  TIntf<IMediaSample> keep(sample);
  TSampleContents c;
  if (!ReadSample(sample, &c)) return;
  if (queue.Add(c.start, c.end, c.data, c.length) && wake && notifyThread_) notifyThread_->Notify();
}

void TVLDSCapture::NewRawBuffer(double, IMediaSample* sample) { QueueSample(rawQueue_, sample, true); }

void TVLDSCapture::NewAudioBuffer(double, IMediaSample* sample) { QueueSample(audioQueue_, sample, true); }

void TVLDSCapture::NewTextCaptionBuffer(double, IMediaSample* sample) { QueueSample(textCaptionQueue_, sample, false); }

void TVLDSCapture::NewTimeCodeBuffer(double, IMediaSample* sample) { QueueSample(timeCodeQueue_, sample, false); }

// ---------------------------------------------------------------- notify thread

TIntf<TVLImageBuffer> TVLDSCapture::ExpandPalette(TVLImageBuffer& frame,
                                                  const std::shared_ptr<const std::vector<uint8_t>>& palette) {
  const int width = frame.GetWidth(), height = frame.GetHeight();
  auto rgb = MakeIntf<TVLImageBuffer>(width, height, vfRGB24);
  const uint8_t* source = frame.Read();
  uint8_t* target = rgb->Write();
  const int sourceStep = frame.GetStep(), targetStep = rgb->GetStep();
  if (source && target && palette && palette->size() >= kPaletteBytes) {
    const uint8_t* table = palette->data();
    for (int y = 0; y < height; ++y) {
      const uint8_t* in = source + ptrdiff_t(y) * sourceStep;
      uint8_t* out = target + ptrdiff_t(y) * targetStep;
      for (int x = 0; x < width; ++x) {
        const uint8_t* entry = table + 4 * in[x];
        out[3 * x] = entry[0];
        out[3 * x + 1] = entry[1];
        out[3 * x + 2] = entry[2];
      }
    }
  }
  // The expanded frame carries the time stamps, number and key flag of the
  // frame it was made from.
  TMLTimeStamp* from = frame.GetTimeStamp();
  TMLTimeStamp* to = rgb->GetTimeStamp();
  to->SetBegin(from->Begin());
  to->SetEnd(from->End());
  to->SetAvailable(from->Available());
  TSLSequenceStamp* number = frame.GetSequenceStamp();
  rgb->GetSequenceStamp()->SetBufferNumber(number->BufferNumber());
  rgb->GetSequenceStamp()->SetAvailable(number->Available());
  rgb->SetIsKeyFrame(frame.GetIsKeyFrame());
  return rgb;
}

void TVLDSCapture::NewThreadFrame() {
  auto section = WriteLock();
  if (!section) return;
  for (int round = 0; round < kFramesPerWakeUp; ++round) {
    // Frames still queued when a stop began are the stop's to clear.
    if (!acceptFrames_.load(std::memory_order_acquire)) return;
    int64_t time = 0;
    TIntf<IVLImageBuffer> video = videoQueue_->Get(&time);
    TIntf<IVLImageBuffer> caption = captionQueue_->Get(&time);
    std::unique_ptr<TMLDSBufferBlock> audio = audioQueue_.Get();
    std::unique_ptr<TMLDSBufferBlock> raw = rawQueue_.Get();
    std::unique_ptr<TMLDSBufferBlock> text = textCaptionQueue_.Get();
    if (!video && !caption && !audio && !raw && !text) return;

    TVLVideoFormat format;
    std::shared_ptr<const std::vector<uint8_t>> palette;
    {
      std::lock_guard guard(frameLock_);
      format = negotiatedFormat_;
      palette = palette_;
    }
    if (video) {
      auto frame = MakeIntf<TVLImageBuffer>(video.get());
      if (frame->GetFormat() != format) frame->SetFormat(format);
      if (std::unique_ptr<TMLDSBufferBlock> code = timeCodeQueue_.Get())
        VLDSExtractTimeCode(code->data.data(), uint32_t(code->data.size()), frame.get());
      if (format != vfGrayScale) {
        output_->SubmitBuffer(frame.get());
      } else {
        TIntf<TVLImageBuffer> rgb = ExpandPalette(*frame, palette);
        output_->SubmitBuffer(rgb.get());
      }
    }
    if (caption) {
      {
        std::lock_guard guard(frameLock_);
        lastCaption_ = MakeIntf<TVLImageBuffer>(caption.get());
      }
      captionOutput_->SubmitBuffer(caption.get());
    }
    if (audio) {
      auto block = MakeIntf<TSLBlockBuffer>(audio->data.data(), uint32_t(audio->data.size()));
      audioOutput_->SubmitBuffer(block.get());
    }
    if (text && text->data.size() >= 2) {
      if (TVLCaptionTextEvent e = closedCaptions_->OnRawData())
        e(this, QString::fromLatin1(reinterpret_cast<const char*>(text->data.data()), 2));
    }
    if (raw) {
      auto block = MakeIntf<TSLBlockBuffer>(raw->data.data(), uint32_t(raw->data.size()));
      try {
        output_->Notify(MakeIntf<TOWSuppliedRawBufferOperation>(block.get()));
      } catch (...) {
        // As with frames: a failing receiver never stops the capture.
      }
    }
  }
}

}  // namespace lumicar
