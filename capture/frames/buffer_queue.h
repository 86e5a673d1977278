#pragma once
// TMLDSBufferQueue: a first-in first-out queue of byte blocks with their
// sample times, for the capture's streams other than video (audio, raw
// compressed frames, caption bytes, time code). The graph's streaming thread
// adds, the notify thread takes; one lock guards the list.

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

struct TMLDSBufferBlock {
  int64_t start = 0;  // sample start time, 100 ns units
  int64_t end = 0;    // sample end time
  std::vector<uint8_t> data;
};

class TMLDSBufferQueue {
 public:
  TMLDSBufferQueue() = default;
  TMLDSBufferQueue(const TMLDSBufferQueue&) = delete;
  TMLDSBufferQueue& operator=(const TMLDSBufferQueue&) = delete;

  // Copies `size` bytes into a new block at the tail; false (nothing added)
  // for a negative size or missing data with a positive size.
  bool Add(int64_t start, int64_t end, const uint8_t* data, int32_t size);
  // One block holding the pieces one after the other.
  bool AddMulti(int64_t start, int64_t end, const std::vector<std::pair<const uint8_t*, int32_t>>& pieces);
  // The head block, taken out of the queue; none when empty.
  std::unique_ptr<TMLDSBufferBlock> Get();
  static void DestroyBlock(std::unique_ptr<TMLDSBufferBlock> block) { block.reset(); }
  void Clear();
  bool HasData() const;
  int Count() const;

 private:
  mutable TLeafMutex lock_{"capture buffer queue lock"};  // the list only
  std::deque<std::unique_ptr<TMLDSBufferBlock>> blocks_;
};

}  // namespace lumicar
