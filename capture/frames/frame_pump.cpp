#include "capture/frames/frame_pump.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "buffers/block_buffer.h"
#include "buffers/sequence_stamp.h"
#include "buffers/time_stamp.h"
#include "buffers/vl_dv_time_code.h"
#include "capture/frames/capture_log.h"
#include "capture/frames/notify_thread.h"

namespace lumicar {

namespace {

// What the callbacks take from a sample: its bytes (the length clamped to
// the buffer) and its times (0 when it has none).
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

// An 8-bit frame as RGB24 through its palette, with the time stamps, number
// and key flag of the frame it was made from. Without a palette that covers
// every index (none is set between a stop and the next start) the picture
// is black rather than read past the table's end.
TIntf<TVLImageBuffer> ExpandPalette(TVLImageBuffer& frame, const std::shared_ptr<const std::vector<uint8_t>>& palette) {
  const int width = frame.GetWidth(), height = frame.GetHeight();
  auto rgb = MakeIntf<TVLImageBuffer>(width, height, vfRGB24);
  const uint8_t* source = frame.Read();
  uint8_t* target = rgb->Write();
  const int sourceStep = frame.GetStep(), targetStep = rgb->GetStep();
  if (!target) {
    // No memory for the expanded frame: it leaves empty.
  } else if (!source || !palette || palette->size() < TVLFramePump::kPaletteBytes) {
    // Pool memory is not cleared: a frame that cannot be expanded leaves
    // black, not as whatever frame the memory held before.
    for (int y = 0; y < height; ++y) std::memset(target + ptrdiff_t(y) * targetStep, 0, size_t(width) * 3);
  } else {
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

}  // namespace

TVLFramePump::TVLFramePump(const TComponent* component, bool live, std::function<void()> wake) {
  if (live)
    notifyThread_ = std::make_unique<TSLNotifyThread>(component, [wake = std::move(wake)](TSLNotifyThread*) {
      if (wake) wake();
    });
  videoQueue_ = std::make_unique<TVLVideoBufferQueueThread>(component, notifyThread_.get());
  captionQueue_ =
      std::make_unique<TVLVideoBufferQueueThread>(component, QStringLiteral("Caption"), notifyThread_.get());
  if (!live) return;
  auto callback = [](auto push) { return std::make_unique<TDSSampleGrabberCB>(push); };
  videoCB_ = callback([this](double, IMediaSample* s) { PushVideo(s); });
  rawCB_ = callback([this](double, IMediaSample* s) { PushRaw(s); });
  captionCB_ = callback([this](double, IMediaSample* s) { PushCaption(s); });
  textCaptionCB_ = callback([this](double, IMediaSample* s) { PushTextCaption(s); });
  timeCodeCB_ = callback([this](double, IMediaSample* s) { PushTimeCode(s); });
  audioCB_ = callback([this](double, IMediaSample* s) { PushAudio(s); });
}

TVLFramePump::~TVLFramePump() {
  // The teardown order, in one place: no more hand-overs, every waiting
  // streaming thread let go and the queues empty; the callbacks, queues and
  // notify thread are then freed in reverse order of their making.
  Terminate();
}

// ---------------------------------------------------------------- life

void TVLFramePump::Clear() {
  videoQueue_->Clear();
  captionQueue_->Clear();
  audioQueue_.Clear();
  rawQueue_.Clear();
  textCaptionQueue_.Clear();
  timeCodeQueue_.Clear();
  TIntf<TVLImageBuffer> released;
  std::lock_guard guard(frameLock_);
  std::swap(released, lastCaption_);
}

void TVLFramePump::Halt() {
  accepting_.store(false, std::memory_order_release);
  // Emptying the frame queues lets a queue thread that waits for room go on,
  // and with it a streaming thread that waits for its hand-over.
  Clear();
}

void TVLFramePump::Start() {
  if (!terminated_.load(std::memory_order_acquire)) accepting_.store(true, std::memory_order_release);
}

void TVLFramePump::Terminate() {
  terminated_.store(true, std::memory_order_release);
  accepting_.store(false, std::memory_order_release);
  if (notifyThread_) notifyThread_->Terminate();
  videoQueue_->Terminate();
  captionQueue_->Terminate();
  Clear();
}

bool TVLFramePump::SetFrameSize(int width, int height, TVLVideoFormat video, TVLRowOrder rows, TVLVideoFormat caption) {
  const bool videoSet = videoQueue_->SetSize(width, height, video, rows);
  const bool captionSet = captionQueue_->SetSize(width, height, caption);
  if (!videoSet)
    qCWarning(lcCapture) << "Starting the capture: the frame queue refused" << width << "x" << height << "format"
                         << int(video) << "; its samples are dropped";
  if (!captionSet)
    qCDebug(lcCapture) << "Starting the capture: the caption queue refused" << width << "x" << height << "format"
                       << int(caption);
  return videoSet && captionSet;
}

// ---------------------------------------------------------------- negotiated format

TVLVideoFormat TVLFramePump::NegotiatedFormat() const {
  std::lock_guard guard(frameLock_);
  return negotiatedFormat_;
}

void TVLFramePump::SetNegotiated(TVLVideoFormat format,
                                 std::optional<std::shared_ptr<const std::vector<uint8_t>>> palette) {
  std::lock_guard guard(frameLock_);
  negotiatedFormat_ = format;
  if (palette) palette_.swap(*palette);
}

std::vector<uint8_t> TVLFramePump::Palette() const {
  std::lock_guard guard(frameLock_);
  return palette_ ? *palette_ : std::vector<uint8_t>();
}

void TVLFramePump::ForgetPalette() {
  std::shared_ptr<const std::vector<uint8_t>> released;
  std::lock_guard guard(frameLock_);
  palette_.swap(released);
}

// ---------------------------------------------------------------- streaming thread

void TVLFramePump::PushFrame(TVLVideoBufferQueueThread& queue, IMediaSample* sample, bool keyFrames) {
  if (!sample || !Accepting()) return;
  TIntf<IMediaSample> keep(sample);
  TSampleContents c;
  if (!ReadSample(sample, &c)) return;
  const bool keyFrame = keyFrames && sample->IsSyncPoint() == S_OK;
  // The queue copies the bytes; the streaming thread waits until they are
  // taken, so a slow consumer slows the camera instead of losing frames.
  if (queue.PushBuffer(c.data, c.length, c.start, c.end, c.start, keyFrame)) queue.WaitTaken();
}

void TVLFramePump::PushVideo(IMediaSample* sample) { PushFrame(*videoQueue_, sample, true); }

void TVLFramePump::PushCaption(IMediaSample* sample) { PushFrame(*captionQueue_, sample, false); }

void TVLFramePump::QueueSample(TMLDSBufferQueue& queue, IMediaSample* sample, bool wake) {
  if (!sample || !Accepting()) return;
  TIntf<IMediaSample> keep(sample);
  TSampleContents c;
  if (!ReadSample(sample, &c)) return;
  if (queue.Add(c.start, c.end, c.data, c.length) && wake && notifyThread_) notifyThread_->Notify();
}

// ---------------------------------------------------------------- notify thread

void TVLFramePump::LogRawFailure(size_t bytes, const char* what) {
  if (!rawFailureGate_.Open()) return;
  qCWarning(lcCapture) << "Handing on a raw frame of" << bytes << "bytes: the receiver failed (" << what
                       << "); the frame is dropped," << rawFailureGate_.TakeSuppressed()
                       << "more failures not logged since the last message";
}

void TVLFramePump::HandOver(const TVLFrameOutputs& outputs) {
  for (int round = 0; round < kFramesPerWakeUp; ++round) {
    if (!Accepting()) return;
    int64_t time = 0;
    TIntf<IVLImageBuffer> video = videoQueue_->Get(&time);
    TIntf<IVLImageBuffer> caption = captionQueue_->Get(&time);
    std::unique_ptr<TMLDSBufferBlock> audio = audioQueue_.Get();
    std::unique_ptr<TMLDSBufferBlock> raw = rawQueue_.Get();
    std::unique_ptr<TMLDSBufferBlock> text = textCaptionQueue_.Get();
    if (!video && !caption && !audio && !raw && !text) return;

    // One take of the frame lock a round: the format and palette this
    // round's frame is made with, and the caption frame kept in place of the
    // one before. The kept frame is made before and the one it replaces
    // released after, so only pointers change hands under the lock.
    TIntf<TVLImageBuffer> kept;
    if (caption) kept = MakeIntf<TVLImageBuffer>(caption.get());
    TVLVideoFormat format;
    std::shared_ptr<const std::vector<uint8_t>> palette;
    {
      std::lock_guard guard(frameLock_);
      format = negotiatedFormat_;
      palette = palette_;
      if (kept) std::swap(kept, lastCaption_);
    }
    if (video) {
      auto frame = MakeIntf<TVLImageBuffer>(video.get());
      if (frame->GetFormat() != format) frame->SetFormat(format);
      if (std::unique_ptr<TMLDSBufferBlock> code = timeCodeQueue_.Get())
        VLDSExtractTimeCode(code->data.data(), uint32_t(code->data.size()), frame.get());
      if (format == vfGrayScale) frame = ExpandPalette(*frame, palette);
      if (outputs.video) outputs.video(frame.get());
    }
    if (caption && outputs.caption) outputs.caption(caption.get());
    if (audio && outputs.audio) {
      auto block = MakeIntf<TSLBlockBuffer>(audio->data.data(), uint32_t(audio->data.size()));
      outputs.audio(block.get());
    }
    if (text && text->data.size() >= 2 && outputs.captionText)
      outputs.captionText(QString::fromLatin1(reinterpret_cast<const char*>(text->data.data()), 2));
    if (raw && outputs.raw) {
      auto block = MakeIntf<TSLBlockBuffer>(raw->data.data(), uint32_t(raw->data.size()));
      try {
        outputs.raw(block.get());
      } catch (const std::exception& e) {
        LogRawFailure(raw->data.size(), e.what());
      } catch (...) {
        LogRawFailure(raw->data.size(), "unknown error");
      }
    }
  }
}

}  // namespace lumicar
