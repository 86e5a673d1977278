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

std::unique_ptr<TDSVideoFrame> TDSVideoFrameExchange::FreeSlot() {
  {
    std::lock_guard guard(lock_);
    if (!free_.empty()) {
      std::unique_ptr<TDSVideoFrame> frame = std::move(free_.back());
      free_.pop_back();
      return frame;
    }
  }
  auto frame = std::make_unique<TDSVideoFrame>();
  std::lock_guard guard(lock_);
  ++made_;
  free_.reserve(3);
  return frame;
}

TIntf<IMediaSample> TDSVideoFrameExchange::Publish(std::unique_ptr<TDSVideoFrame> frame) {
  frame->sequence = ++sequence_;
  frame->receivedNs = SteadyNs();
  TIntf<IMediaSample> released;
  bool overtook = false;
  {
    std::lock_guard guard(lock_);
    std::unique_ptr<TDSVideoFrame> overtaken = std::exchange(pending_, std::move(frame));
    if (overtaken) {
      overtook = true;
      released = std::move(overtaken->sample);
      free_.push_back(std::move(overtaken));
    }
  }
  if (overtook) dropped_.fetch_add(1, std::memory_order_relaxed);
  received_.fetch_add(1, std::memory_order_relaxed);
  return released;
}

bool TDSVideoFrameExchange::Requested() {
  if (requestPending_.exchange(true, std::memory_order_acq_rel)) return false;
  requests_.fetch_add(1, std::memory_order_relaxed);
  return true;
}

bool TDSVideoFrameExchange::Put(const TDSFrameFormat& format, const uint8_t* data) {
  std::unique_ptr<TDSVideoFrame> frame = FreeSlot();
  const size_t bytes = size_t(DSFrameBytes(format));
  frame->format = format;
  frame->format.palette = nullptr;  // the sample's type block is not kept
  frame->copy.resize(bytes);
  std::memcpy(frame->copy.data(), data, bytes);
  frame->pixels = frame->copy.data();
  frame->size = int64_t(bytes);
  copied_.fetch_add(1, std::memory_order_relaxed);
  // Released here: this sender takes no allocator's lock under its own.
  Publish(std::move(frame)).reset();
  return Requested();
}

bool TDSVideoFrameExchange::Put(const TDSFrameFormat& format, IMediaSample* sample, const uint8_t* data,
                                TIntf<IMediaSample>* overtaken) {
  std::unique_ptr<TDSVideoFrame> frame = FreeSlot();
  frame->format = format;
  frame->format.palette = nullptr;
  frame->sample = TIntf<IMediaSample>(sample);
  frame->pixels = data;
  frame->size = DSFrameBytes(format);
  // A slot that carried copies before (another connection) gives their
  // memory back: the samples take their place.
  if (frame->copy.capacity()) std::vector<uint8_t>().swap(frame->copy);
  TIntf<IMediaSample> released = Publish(std::move(frame));
  if (overtaken)
    *overtaken = std::move(released);
  else
    released.reset();
  return Requested();
}

bool TDSVideoFrameExchange::TakeNewest() {
  std::unique_ptr<TDSVideoFrame> newest;
  TIntf<IMediaSample> released;  // goes back to its allocator after the lock
  {
    std::lock_guard guard(lock_);
    if (!pending_) return false;
    newest = std::move(pending_);
    if (current_) {
      released = std::move(current_->sample);
      free_.push_back(std::move(current_));
    }
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
  c.copied = copied_.load(std::memory_order_relaxed);
  std::lock_guard guard(lock_);
  c.frameBuffers = made_;
  return c;
}

}  // namespace lumicar
