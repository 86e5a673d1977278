#include "capture/frames/buffer_queue.h"

#include <cstring>

namespace lumicar {

bool TMLDSBufferQueue::Add(int64_t start, int64_t end, const uint8_t* data, int32_t size) {
  return AddMulti(start, end, {{data, size}});
}

bool TMLDSBufferQueue::AddMulti(int64_t start, int64_t end,
                                const std::vector<std::pair<const uint8_t*, int32_t>>& pieces) {
  size_t total = 0;
  for (const auto& [data, size] : pieces) {
    if (size < 0 || (size > 0 && !data)) return false;
    total += size_t(size);
  }
  auto block = std::make_unique<TMLDSBufferBlock>();
  block->start = start;
  block->end = end;
  block->data.resize(total);
  size_t at = 0;
  for (const auto& [data, size] : pieces) {
    if (size > 0) std::memcpy(block->data.data() + at, data, size_t(size));
    at += size_t(size);
  }
  std::lock_guard guard(lock_);
  blocks_.push_back(std::move(block));
  return true;
}

std::unique_ptr<TMLDSBufferBlock> TMLDSBufferQueue::Get() {
  std::lock_guard guard(lock_);
  if (blocks_.empty()) return nullptr;
  std::unique_ptr<TMLDSBufferBlock> head = std::move(blocks_.front());
  blocks_.pop_front();
  return head;
}

void TMLDSBufferQueue::Clear() {
  std::deque<std::unique_ptr<TMLDSBufferBlock>> gone;
  {
    std::lock_guard guard(lock_);
    gone.swap(blocks_);
  }
}

bool TMLDSBufferQueue::HasData() const {
  std::lock_guard guard(lock_);
  return !blocks_.empty();
}

int TMLDSBufferQueue::Count() const {
  std::lock_guard guard(lock_);
  return int(blocks_.size());
}

}  // namespace lumicar
