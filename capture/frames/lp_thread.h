#pragma once
// A worker thread that carries a name (shown by debuggers and in crash
// reports) and is created suspended: a derived class starts it once its own
// fields exist, and tells it to end through a terminated flag.

#include <pthread.h>

#include <QString>
#include <atomic>
#include <mutex>
#include <thread>

#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TComponent;

class TLPThread {
 public:
  enum class TPriority { kNormal, kHighest };

  explicit TLPThread(const QString& name);
  virtual ~TLPThread();
  TLPThread(const TLPThread&) = delete;
  TLPThread& operator=(const TLPThread&) = delete;

  const QString& ThreadName() const { return name_; }
  TPriority Priority() const { return priority_; }
  // The component's name, or its class name when it has none; empty without
  // a component.
  static QString GetComponentName(const TComponent* component);

  void Start(TPriority priority = TPriority::kNormal);
  // Asks Execute to end; it checks Terminated() after every wait.
  void MarkTerminated() { terminated_.store(true, std::memory_order_release); }
  bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
  // Waits until Execute has returned; at once when the thread never started.
  void WaitFor();
  bool IsRunning() const;

 protected:
  virtual void Execute() = 0;
  // Names the running thread after ThreadName; the first call of Execute.
  void SetName();

 private:
  // Gives `thread` this thread object's name (a failure is logged).
  void Name(pthread_t thread);
  QString name_;
  std::atomic<bool> terminated_{false};
  TPriority priority_ = TPriority::kNormal;
  // A std::thread rather than a platform thread object, so that the join
  // is seen by the thread sanitizer as the end of everything the thread did.
  mutable TLeafMutex threadLock_{"frame thread start and join"};
  std::thread thread_;
  std::atomic<bool> running_{false};
};

}  // namespace lumicar
