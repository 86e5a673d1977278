#pragma once
// A mutex owned by the thread that acquired it, with timed acquisition. Like
// an operating-system mutex it is created not owned, may be acquired again by
// its owner (it then needs as many releases), and can be given a name: all
// mutexes of the same name in the process share one state.
//
//   TOWMutex m;
//   if (m.Acquire(100)) { ...; m.Release(); }

#include <QString>
#include <cstdint>
#include <memory>

#include "runtime/sync/wait_timeout.h"

namespace lumicar {

class TOWMutex {
 public:
  explicit TOWMutex(const QString& name = QString());
  ~TOWMutex();
  TOWMutex(const TOWMutex&) = delete;
  TOWMutex& operator=(const TOWMutex&) = delete;

  // Waits up to timeoutMs (kWaitForever: no limit); false only when the wait
  // timed out.
  bool Acquire(uint32_t timeoutMs = kWaitForever);
  // Gives up one level of ownership; false (and no change) when the calling
  // thread does not own the mutex.
  bool Release();

  // Identifies the shared state: mutexes of one name return the same handle.
  const void* GetHandle() const;
  const QString& Name() const { return name_; }
  // Threads inside Acquire waiting for another owner: lets a test see that a
  // thread really waits instead of sleeping and hoping it does.
  int WaiterCount() const;

  struct State;

 private:
  QString name_;
  std::shared_ptr<State> state_;
};

}  // namespace lumicar
