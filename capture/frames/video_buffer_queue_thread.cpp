#include "capture/frames/video_buffer_queue_thread.h"

#include <algorithm>
#include <array>
#include <optional>

#include "buffers/pixel_formats.h"
#include "buffers/sequence_stamp.h"
#include "buffers/time_stamp.h"
#include "capture/frames/capture_log.h"
#include "capture/frames/notify_thread.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/dispatch/signal_table.h"

namespace lumicar {

namespace {

const QString kSuffix = QStringLiteral(".TVLVideoBufferQueueThread");

}  // namespace

TVLVideoBufferQueueThread::TVLVideoBufferQueueThread(const TComponent* component, TSLNotifyThread* notify)
    : TLPThread(GetComponentName(component) + kSuffix), notify_(notify), drops_(ThreadName()) {
  Init();
}

TVLVideoBufferQueueThread::TVLVideoBufferQueueThread(const TComponent* component, const QString& name,
                                                     TSLNotifyThread* notify)
    : TLPThread(GetComponentName(component) + QLatin1Char('.') + name + kSuffix),
      notify_(notify),
      drops_(ThreadName()) {
  Init();
}

TVLVideoBufferQueueThread::~TVLVideoBufferQueueThread() { Terminate(); }

void TVLVideoBufferQueueThread::Init() {
  {
    std::lock_guard guard(pendingLock_);
    ResetBufferLocked();
  }
  Start(TPriority::kHighest);
}

void TVLVideoBufferQueueThread::ResetBufferLocked() {
  bufferData_ = nullptr;
  bufferSize_ = 0;
  bufferStep_ = 0;
  // Row length of an incoming sample: bitmap rows padded to 4 bytes, packed
  // 4:2:2 rows 2 x width (those are taken whole).
  sourceStride_ = int(VLSampleStride(format_, width_));
  bool made = true;
  QString failure;
  try {
    pending_ = MakeIntf<TVLImageBuffer>(width_, height_, format_);
  } catch (const std::exception& e) {
    made = false;
    failure = QString::fromLocal8Bit(e.what());
  } catch (...) {
    made = false;
    failure = QStringLiteral("unknown error");
  }
  if (!made) {
    // Out of pool memory: no buffer, so pushes are refused until the next
    // reset succeeds instead of writing anywhere.
    pending_.reset();
    if (allocGate_.Open())
      qCWarning(lcCapture).noquote() << ThreadName() << ": no frame buffer of" << width_ << "x" << height_ << "format"
                                     << int(format_) << "(" << failure
                                     << "); samples are dropped until one can be made," << allocGate_.TakeSuppressed()
                                     << "more failures not logged since the last message";
    return;
  }
  bufferData_ = pending_->Write();
  bufferSize_ = pending_->GetByteSize();
  bufferStep_ = pending_->GetStep();
}

bool TVLVideoBufferQueueThread::SetSize(int width, int height, TVLVideoFormat format, TVLRowOrder rows) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide || !VLIsValidFormat(format)) return false;
  std::lock_guard guard(pendingLock_);
  if (inFlight_) return false;
  width_ = width;
  height_ = height;
  format_ = format;
  rows_ = rows;
  ResetBufferLocked();
  return pending_ != nullptr;
}

TVLRowOrder TVLVideoBufferQueueThread::RowOrder() const {
  std::lock_guard guard(pendingLock_);
  return rows_;
}

int64_t TVLVideoBufferQueueThread::SampleSize() const {
  std::lock_guard guard(pendingLock_);
  if (VLIsPacked422(format_)) return VLBufferSize(format_, width_, height_);
  return int64_t(sourceStride_) * height_;
}

bool TVLVideoBufferQueueThread::PushBuffer(const uint8_t* data, int64_t size, int64_t time1, int64_t time2,
                                           int64_t time3, bool keyFrame) {
  int64_t expected = 0;
  // Counted and logged once the pending buffer's lock is given up.
  const std::optional<TVLFrameDrop> drop = CopyIn(data, size, {time1, time2, time3}, keyFrame, &expected);
  if (drop) {
    drops_.Drop(*drop, size, expected);
    return false;
  }
  if (size > expected) drops_.Cut(size, expected);
  dataReady_.Signal();
  return true;
}

std::optional<TVLFrameDrop> TVLVideoBufferQueueThread::CopyIn(const uint8_t* data, int64_t size,
                                                              const std::array<int64_t, 3>& times, bool keyFrame,
                                                              int64_t* expected) {
  std::lock_guard guard(pendingLock_);
  const bool packed = VLIsPacked422(format_);
  *expected = packed ? VLBufferSize(format_, width_, height_) : int64_t(sourceStride_) * height_;
  if (Terminated() || !data) return TVLFrameDrop::kStopped;
  if (inFlight_) return TVLFrameDrop::kBusy;
  if (!pending_ || !bufferData_) return TVLFrameDrop::kNoBuffer;
  // A short sample would leave the rest of the frame stale, and must not be
  // read past its end: it is not shown. A longer one (rows padded by the
  // driver, or a trailer) gives its first frame's bytes.
  if (size < *expected) return TVLFrameDrop::kShortSample;
  if (packed) {
    ippsCopy_8u(data, bufferData_, int(std::min<int64_t>(bufferSize_, *expected)));
  } else if (rows_ == TVLRowOrder::kTopDown) {
    // Already in the image buffer's row order: row by row, leaving the
    // sample's row padding behind.
    for (int y = 0; y < height_; ++y)
      ippsCopy_8u(data + int64_t(y) * sourceStride_, bufferData_ + int64_t(y) * bufferStep_,
                  VLBytesPerPixel(format_) * width_);
  } else {
    // Bottom-up bitmap samples are turned over on the way into the top-down
    // image buffer, in the same one pass.
    const IppiSize roi{width_, height_};
    switch (format_) {
      case vfRGBA32:
        ippiMirror_8u_C4R(data, sourceStride_, bufferData_, bufferStep_, roi, ippAxsHorizontal);
        break;
      case vfRGB565:
      case vfRGB555:
        ippiMirror_16u_C1R(reinterpret_cast<const Ipp16u*>(data), sourceStride_, reinterpret_cast<Ipp16u*>(bufferData_),
                           bufferStep_, roi, ippAxsHorizontal);
        break;
      case vfGrayScale:
        ippiMirror_8u_C1R(data, sourceStride_, bufferData_, bufferStep_, roi, ippAxsHorizontal);
        break;
      default:
        ippiMirror_8u_C3R(data, sourceStride_, bufferData_, bufferStep_, roi, ippAxsHorizontal);
        break;
    }
  }
  time1_ = times[0];
  time2_ = times[1];
  time3_ = times[2];
  keyFrame_ = keyFrame;
  // In flight from here: a second push is refused until the queue thread
  // has taken this one.
  inFlight_ = true;
  return std::nullopt;
}

bool TVLVideoBufferQueueThread::WaitTaken() {
  taken_.WaitFor(kWaitForever);
  return !Terminated();
}

void TVLVideoBufferQueueThread::Execute() {
  SetName();
  for (;;) {
    dataReady_.WaitFor(kWaitForever);
    if (Terminated()) break;
    TSLBufferStampEntry entry;
    {
      std::lock_guard guard(pendingLock_);
      if (!inFlight_) continue;  // a stray wake-up: nothing was pushed
      entry = {TIntf<IVLImageBuffer>(pending_.get()), time1_, time2_, time3_, keyFrame_};
    }
    {
      // Count and event change together under the list's lock, so that a
      // Get between them cannot leave the event cleared with room to spare.
      std::lock_guard guard(list_.Section());
      if (list_.Add(std::move(entry)) > kMaxQueued) room_.Reset();
    }
    // Full: wait until Get has brought the list below the limit (or Clear
    // or Terminate let go). Meanwhile the producer waits for the hand-over.
    for (;;) {
      bool full;
      {
        std::lock_guard guard(list_.Section());
        full = list_.GetCount() > kMaxQueued;
      }
      if (!full || Terminated()) break;
      room_.WaitFor(kWaitForever);
    }
    if (Terminated()) break;
    {
      std::lock_guard guard(pendingLock_);
      ResetBufferLocked();
      inFlight_ = false;
    }
    taken_.Signal();
    if (notify_) notify_->Notify();
  }
}

TIntf<IVLImageBuffer> TVLVideoBufferQueueThread::Get(int64_t* time) {
  TSLBufferStampEntry entry;
  int32_t number = 0;
  {
    std::lock_guard guard(list_.Section());
    if (!list_.PopFirst(&entry)) return {};
    if (list_.GetCount() < kMaxQueued) room_.Signal();
    number = sequence_++;
  }
  IVLImageBuffer* buffer = entry.buffer.get();
  TMLTimeStamp* stamp = buffer->GetTimeStamp();
  stamp->SetAvailable(true);
  stamp->SetBegin(entry.time1);
  stamp->SetEnd(entry.time2);
  TSLSequenceStamp* sequence = buffer->GetSequenceStamp();
  sequence->SetAvailable(true);
  sequence->SetBufferNumber(number);
  buffer->SetIsKeyFrame(entry.keyFrame);
  if (time) *time = entry.time3;
  return std::move(entry.buffer);
}

int32_t TVLVideoBufferQueueThread::SequenceCounter() const {
  std::lock_guard guard(list_.Section());
  return sequence_;
}

void TVLVideoBufferQueueThread::Clear() {
  list_.Clear();
  std::lock_guard guard(list_.Section());
  sequence_ = 0;
  room_.Signal();
}

void TVLVideoBufferQueueThread::Terminate() {
  MarkTerminated();
  dataReady_.Signal();
  room_.Signal();
  taken_.Signal();
  WaitFor();
  list_.Clear();
  std::lock_guard guard(pendingLock_);
  pending_.reset();
  bufferData_ = nullptr;
  inFlight_ = false;
}

}  // namespace lumicar
