#include "runtime/sync/event.h"

#include <condition_variable>
#include <mutex>

#include "runtime/sync/leaf_mutex.h"
#include "runtime/sync/named_object_table.h"

namespace lumicar {

struct TOWEvent::State {
  State(bool manual, bool initial) : manualReset(manual), signalled(initial) {}
  TLeafMutex guard{"event state guard"};
  std::condition_variable_any changed;
  const bool manualReset;
  bool signalled;
  int waiting = 0;
};

namespace {
TNamedObjectTable<TOWEvent::State>& NamedEvents() {
  static TNamedObjectTable<TOWEvent::State> table;
  return table;
}
}  // namespace

TOWEvent::TOWEvent(bool manualReset, bool initiallySignalled, const QString& name)
    : state_(NamedEvents().Open(name, [&] { return std::make_shared<State>(manualReset, initiallySignalled); })) {}

TOWEvent::~TOWEvent() = default;

void TOWEvent::Signal() {
  State& s = *state_;
  {
    std::lock_guard lock(s.guard);
    s.signalled = true;
  }
  if (s.manualReset) {
    s.changed.notify_all();
  } else {
    s.changed.notify_one();
  }
}

void TOWEvent::Reset() {
  std::lock_guard lock(state_->guard);
  state_->signalled = false;
}

bool TOWEvent::WaitFor(uint32_t timeoutMs) {
  State& s = *state_;
  std::unique_lock lock(s.guard);
  auto isSignalled = [&s] { return s.signalled; };
  ++s.waiting;
  const bool got = timeoutMs == kWaitForever ? (s.changed.wait(lock, isSignalled), true)
                                             : s.changed.wait_until(lock, WaitDeadline(timeoutMs), isSignalled);
  --s.waiting;
  if (!got) return false;
  if (!s.manualReset) s.signalled = false;
  return true;
}

const void* TOWEvent::GetHandle() const { return state_.get(); }

bool TOWEvent::ManualReset() const { return state_->manualReset; }

int TOWEvent::WaiterCount() const {
  std::lock_guard lock(state_->guard);
  return state_->waiting;
}

}  // namespace lumicar
