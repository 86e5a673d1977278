#pragma once
// A recursive in-process lock for short critical regions: the thread that
// holds it may enter it again and must leave it as often as it entered.

#include <mutex>

namespace lumicar {

class TOWCriticalSection {
 public:
  TOWCriticalSection() = default;
  TOWCriticalSection(const TOWCriticalSection&) = delete;
  TOWCriticalSection& operator=(const TOWCriticalSection&) = delete;

  void Enter() { mutex_.lock(); }
  bool TryEnter() { return mutex_.try_lock(); }
  void Leave() { mutex_.unlock(); }

  // Standard lockable names, so that std::lock_guard and std::unique_lock work.
  void lock() { Enter(); }
  bool try_lock() { return TryEnter(); }
  void unlock() { Leave(); }

 private:
  std::recursive_mutex mutex_;
};

}  // namespace lumicar
