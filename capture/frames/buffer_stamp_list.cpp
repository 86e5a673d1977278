#include "capture/frames/buffer_stamp_list.h"

#include <mutex>
#include <utility>

namespace lumicar {

int TSLBufferStampList::Add(TSLBufferStampEntry entry) {
  std::lock_guard guard(section_);
  entries_.push_back(std::move(entry));
  return int(entries_.size());
}

bool TSLBufferStampList::PopFirst(TSLBufferStampEntry* entry) {
  std::lock_guard guard(section_);
  if (entries_.empty()) return false;
  *entry = std::move(entries_.front());
  entries_.pop_front();
  return true;
}

bool TSLBufferStampList::PopLast(TSLBufferStampEntry* entry) {
  std::lock_guard guard(section_);
  if (entries_.empty()) return false;
  *entry = std::move(entries_.back());
  entries_.pop_back();
  return true;
}

int TSLBufferStampList::GetCount() const {
  std::lock_guard guard(section_);
  return int(entries_.size());
}

void TSLBufferStampList::Clear() {
  std::deque<TSLBufferStampEntry> gone;
  {
    std::lock_guard guard(section_);
    gone.swap(entries_);
  }
  // The buffers are released outside the lock: their containers take the
  // pool's lock, and nobody needs to wait for that.
}

bool TSLBufferStampList::Delete(int index) {
  TSLBufferStampEntry gone;
  std::lock_guard guard(section_);
  if (index < 0 || index >= int(entries_.size())) return false;
  gone = std::move(entries_[size_t(index)]);
  entries_.erase(entries_.begin() + index);
  return true;
}

}  // namespace lumicar
