#pragma once
// The frames waiting in the frame queue, oldest first, each with the three
// times and the key-frame flag its sample came with. Guarded by its own
// critical section (the frame queue rank), so producer, queue thread and
// consumer may call it at once.

#include <cstdint>
#include <deque>

#include "buffers/image_buffer_interface.h"
#include "runtime/sync/critical_section.h"

namespace lumicar {

struct TSLBufferStampEntry {
  TIntf<IVLImageBuffer> buffer;
  int64_t time1 = 0;
  int64_t time2 = 0;
  int64_t time3 = 0;
  bool keyFrame = false;
};

class TSLBufferStampList {
 public:
  TSLBufferStampList() = default;
  TSLBufferStampList(const TSLBufferStampList&) = delete;
  TSLBufferStampList& operator=(const TSLBufferStampList&) = delete;

  // Appends and returns the new count.
  int Add(TSLBufferStampEntry entry);
  // False (and `entry` untouched) when empty.
  bool PopFirst(TSLBufferStampEntry* entry);
  bool PopLast(TSLBufferStampEntry* entry);
  int GetCount() const;
  bool HasData() const { return GetCount() > 0; }
  // Releases every queued buffer.
  void Clear();
  // Releases the entry at `index`; false outside the list.
  bool Delete(int index);

  // The list's lock, for callers that must act on the count atomically
  // with a change (the queue's room rule). Recursive: the members above may
  // be called while it is held.
  TOWCriticalSection& Section() const { return section_; }

 private:
  mutable TOWCriticalSection section_{TLockRank::kFrameQueue};
  std::deque<TSLBufferStampEntry> entries_;
};

}  // namespace lumicar
