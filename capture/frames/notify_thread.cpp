#include "capture/frames/notify_thread.h"

#include <utility>

namespace lumicar {

TSLNotifyThread::TSLNotifyThread(const TComponent* component, TCallback callback)
    : TLPThread(GetComponentName(component) + QStringLiteral(".TSLNotifyThread")), callback_(std::move(callback)) {
  Start(TPriority::kHighest);
}

TSLNotifyThread::~TSLNotifyThread() { Terminate(); }

bool TSLNotifyThread::Notify() { return semaphore_.Increment(1); }

void TSLNotifyThread::Terminate() {
  MarkTerminated();
  // With the semaphore full the thread is not waiting: it sees the flag
  // after its next callback.
  semaphore_.Increment(1);
  WaitFor();
}

void TSLNotifyThread::Execute() {
  SetName();
  while (!Terminated()) {
    semaphore_.Decrement(kWaitForever);
    if (Terminated()) break;
    if (callback_) callback_(this);
  }
}

}  // namespace lumicar
