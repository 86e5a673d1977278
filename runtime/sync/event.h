#pragma once
// A signalled/non-signalled flag threads can wait for. A manual-reset event
// stays signalled until Reset and releases every waiter; an auto-reset event
// releases one waiter and turns non-signalled again. Events of the same name
// in the process share one state (the first one made sets its kind).
//
//   TOWEvent done(true, false);   // manual reset, initially non-signalled
//   worker: done.Signal();        waiter: done.WaitFor(1000);

#include <QString>
#include <cstdint>
#include <memory>

#include "runtime/sync/wait_timeout.h"

namespace lumicar {

class TOWEvent {
 public:
  TOWEvent(bool manualReset, bool initiallySignalled, const QString& name = QString());
  ~TOWEvent();
  TOWEvent(const TOWEvent&) = delete;
  TOWEvent& operator=(const TOWEvent&) = delete;

  void Signal();
  void Reset();
  // True when the event was (or became) signalled within timeoutMs; an
  // auto-reset event is consumed by the successful wait.
  bool WaitFor(uint32_t timeoutMs = kWaitForever);

  // Identifies the shared state: events of one name return the same handle.
  const void* GetHandle() const;
  bool ManualReset() const;
  // Threads inside WaitFor (for tests that must know a thread really waits).
  int WaiterCount() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace lumicar
