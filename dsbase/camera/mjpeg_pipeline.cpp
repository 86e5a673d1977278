#include "dsbase/camera/mjpeg_pipeline.h"

#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "dsbase/camera/camera_log.h"

namespace lumicar {

void TDSDecodeTimer::Reset(int64_t frameInterval, bool decided) {
  frameInterval_ = frameInterval;
  decided_ = decided;
  median_ = 0;
  times_.clear();
}

bool TDSDecodeTimer::Add(int64_t cpuNs) {
  if (decided_) return false;
  times_.push_back(cpuNs);
  if (times_.size() < kTimed) return false;
  decided_ = true;
  std::nth_element(times_.begin(), times_.begin() + kTimed / 2, times_.end());
  median_ = times_[kTimed / 2];
  // The interval is in 100 ns units.
  return frameInterval_ > 0 && median_ > frameInterval_ * 100 / 2;
}

TDSMjpegPipeline::TDSMjpegPipeline(TDSFrameDecode decode, QString name)
    : decode_(std::move(decode)), name_(std::move(name)) {}

TDSMjpegPipeline::~TDSMjpegPipeline() {
  Stop();
  if (wake_ >= 0) ::close(wake_);
}

bool TDSMjpegPipeline::Start() {
  if (thread_.joinable()) return true;
  if (wake_ < 0) wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_ < 0) {
    const int e = errno;
    qCWarning(lcCamera) << name_ << "decodes MJPEG on its streaming thread: no eventfd (" << strerror(e) << ", errno"
                        << e << ")";
    return false;
  }
  {
    std::lock_guard guard(lock_);
    stop_ = false;
  }
  try {
    thread_ = std::thread([this] { Decode(); });
  } catch (const std::system_error& e) {
    qCWarning(lcCamera) << name_ << "decodes MJPEG on its streaming thread: no decoder thread (" << e.what()
                        << ", errno" << e.code().value() << ")";
    return false;
  }
  // Named before anyone can look: the decoder shows as itself from the start.
  pthread_setname_np(thread_.native_handle(), "mjpeg decoder");
  return true;
}

bool TDSMjpegPipeline::Submit(const uint8_t* data, size_t size, const TDSCompressedFrame& frame) {
  // The copy is made outside the lock: the decoder must not wait for it.
  if (spare_.size() < size) spare_.resize(size);
  if (size) std::memcpy(spare_.data(), data, size);
  spareSize_ = size;
  bool replaced;
  {
    std::lock_guard guard(lock_);
    replaced = hasWaiting_;
    std::swap(spare_, waiting_);
    std::swap(spareSize_, waitingSize_);
    waitingFrame_ = frame;
    hasWaiting_ = true;
  }
  changed_.notify_all();
  return replaced;
}

bool TDSMjpegPipeline::TakeDecoded(TDSDecodedFrame* out) {
  // The wake-up is cleared before the look: a result left after it wakes
  // the next poll again.
  if (wake_ >= 0) {
    uint64_t count;
    while (::read(wake_, &count, sizeof count) < 0 && errno == EINTR) {
    }
  }
  {
    std::lock_guard guard(lock_);
    if (!hasReady_) return false;
    *out = std::move(ready_);
    ready_ = TDSDecodedFrame();
    hasReady_ = false;
  }
  changed_.notify_all();
  return true;
}

void TDSMjpegPipeline::Stop() {
  {
    std::lock_guard guard(lock_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  TDSDecodedFrame discarded;
  {
    std::lock_guard guard(lock_);
    hasWaiting_ = false;
    hasReady_ = false;
    discarded = std::move(ready_);
    ready_ = TDSDecodedFrame();
  }
  // The sample goes back to its allocator outside the lock.
  discarded.sample.reset();
}

void TDSMjpegPipeline::Decode() {
  for (;;) {
    TDSDecodedFrame out;
    size_t size;
    {
      std::unique_lock guard(lock_);
      changed_.wait(guard, [&] { return stop_ || (hasWaiting_ && !hasReady_); });
      if (stop_) return;
      std::swap(waiting_, decoding_);
      size = waitingSize_;
      out.frame = waitingFrame_;
      hasWaiting_ = false;
    }
    decode_(decoding_.data(), size, &out);
    {
      std::lock_guard guard(lock_);
      // Stopped meanwhile: the result is not wanted, and its sample goes back
      // when `out` does.
      if (stop_) return;
      ready_ = std::move(out);
      hasReady_ = true;
    }
    const uint64_t one = 1;
    // EAGAIN only when the counter is full: the wake-up is pending anyway.
    while (::write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
    }
  }
}

}  // namespace lumicar
