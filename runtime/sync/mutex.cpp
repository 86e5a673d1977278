#include "runtime/sync/mutex.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "runtime/sync/leaf_mutex.h"
#include "runtime/sync/named_object_table.h"

namespace lumicar {

struct TOWMutex::State {
  TLeafMutex guard{"mutex state guard"};
  std::condition_variable_any freed;
  std::thread::id owner;
  uint32_t depth = 0;
  int waiting = 0;
};

namespace {
TNamedObjectTable<TOWMutex::State>& NamedMutexes() {
  static TNamedObjectTable<TOWMutex::State> table;
  return table;
}
}  // namespace

TOWMutex::TOWMutex(const QString& name)
    : name_(name), state_(NamedMutexes().Open(name, [] { return std::make_shared<State>(); })) {}

TOWMutex::~TOWMutex() = default;

bool TOWMutex::Acquire(uint32_t timeoutMs) {
  State& s = *state_;
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock lock(s.guard);
  if (s.depth > 0 && s.owner == self) {
    ++s.depth;
    return true;
  }
  auto isFree = [&s] { return s.depth == 0; };
  ++s.waiting;
  const bool got = timeoutMs == kWaitForever ? (s.freed.wait(lock, isFree), true)
                                             : s.freed.wait_until(lock, WaitDeadline(timeoutMs), isFree);
  --s.waiting;
  if (!got) return false;
  s.owner = self;
  s.depth = 1;
  return true;
}

bool TOWMutex::Release() {
  State& s = *state_;
  std::unique_lock lock(s.guard);
  if (s.depth == 0 || s.owner != std::this_thread::get_id()) return false;
  if (--s.depth == 0) {
    s.owner = std::thread::id();
    lock.unlock();
    s.freed.notify_one();
  }
  return true;
}

const void* TOWMutex::GetHandle() const { return state_.get(); }

int TOWMutex::WaiterCount() const {
  std::lock_guard lock(state_->guard);
  return state_->waiting;
}

}  // namespace lumicar
