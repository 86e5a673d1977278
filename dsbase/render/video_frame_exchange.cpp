#include "dsbase/render/video_frame_exchange.h"

#include <chrono>
#include <cstring>

namespace lumicar {

namespace {

int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

bool TDSVideoFrameExchange::Put(const TDSFrameFormat& format, const uint8_t* data) {
  std::unique_ptr<TDSVideoFrame> frame;
  {
    std::lock_guard guard(lock_);
    if (!free_.empty()) {
      frame = std::move(free_.back());
      free_.pop_back();
    }
  }
  if (!frame) {
    // One in the sender's hands, one waiting, one on the screen: a fourth is
    // never needed.
    frame = std::make_unique<TDSVideoFrame>();
    std::lock_guard guard(lock_);
    ++made_;
    free_.reserve(3);
  }
  const size_t bytes = size_t(DSFrameBytes(format));
  frame->format = format;
  frame->format.palette = nullptr;  // the sample's type block is not kept
  frame->bytes.resize(bytes);
  std::memcpy(frame->bytes.data(), data, bytes);
  frame->sequence = ++sequence_;
  frame->receivedNs = SteadyNs();
  bool overtook = false;
  {
    std::lock_guard guard(lock_);
    std::unique_ptr<TDSVideoFrame> overtaken = std::exchange(pending_, std::move(frame));
    if (overtaken) {
      overtook = true;
      free_.push_back(std::move(overtaken));
    }
  }
  if (overtook) dropped_.fetch_add(1, std::memory_order_relaxed);
  received_.fetch_add(1, std::memory_order_relaxed);
  if (requestPending_.exchange(true, std::memory_order_acq_rel)) return false;
  requests_.fetch_add(1, std::memory_order_relaxed);
  return true;
}

bool TDSVideoFrameExchange::TakeNewest() {
  std::unique_ptr<TDSVideoFrame> newest;
  {
    std::lock_guard guard(lock_);
    if (!pending_) return false;
    newest = std::move(pending_);
    if (current_) free_.push_back(std::move(current_));
  }
  current_ = std::move(newest);
  return true;
}

void TDSVideoFrameExchange::MarkPresented(uint64_t sequence, int64_t receivedNs) {
  presented_.fetch_add(1, std::memory_order_relaxed);
  lastPresented_.store(sequence, std::memory_order_relaxed);
  if (presentHook_) presentHook_(sequence, receivedNs, SteadyNs());
}

TDSVideoFrameCounts TDSVideoFrameExchange::Counts() const {
  TDSVideoFrameCounts c;
  c.received = received_.load(std::memory_order_relaxed);
  c.presented = presented_.load(std::memory_order_relaxed);
  c.dropped = dropped_.load(std::memory_order_relaxed);
  c.repaintRequests = requests_.load(std::memory_order_relaxed);
  c.lastPresented = lastPresented_.load(std::memory_order_relaxed);
  std::lock_guard guard(lock_);
  c.frameBuffers = made_;
  return c;
}

}  // namespace lumicar
