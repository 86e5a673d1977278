#pragma once
// A thread that runs a callback once per Notify, in order, on itself: the
// capture component takes its queued frames out on it. Up to 2000
// notifications wait; more are dropped (the callback drains everything
// queued anyway).

#include <functional>

#include "capture/frames/lp_thread.h"
#include "runtime/sync/semaphore.h"

namespace lumicar {

class TSLNotifyThread final : public TLPThread {
 public:
  static constexpr int32_t kMaxPending = 2000;
  using TCallback = std::function<void(TSLNotifyThread* sender)>;

  // Named "<component name>.TSLNotifyThread"; runs at the highest priority
  // from construction on.
  TSLNotifyThread(const TComponent* component, TCallback callback);
  ~TSLNotifyThread() override;

  // False when kMaxPending notifications are already waiting.
  bool Notify();
  // Ends the thread and waits for it; a callback in progress finishes first.
  // Safe to call more than once.
  void Terminate();
  int32_t PendingCount() const { return semaphore_.Count(); }

 protected:
  void Execute() override;

 private:
  TCallback callback_;
  TOWSemaphore semaphore_{0, kMaxPending};
};

}  // namespace lumicar
