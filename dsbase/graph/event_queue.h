#pragma once
// The graph's event queue: filters add events from any thread, the
// application takes them with GetEvent. Each added event posts one
// notification to the Qt object set as the notify target, so the application
// learns of it on that object's thread and never on a streaming thread.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "runtime/interface.h"
#include "runtime/sync/leaf_mutex.h"

class QObject;

namespace lumicar {

class TDSEventQueue {
 public:
  struct TEvent {
    int32_t code;
    intptr_t param1;
    intptr_t param2;
  };

  void Add(const TEvent& event);
  // E_ABORT when nothing arrives within msTimeout (negative: no limit).
  HRESULT Get(TEvent* event, int32_t msTimeout);
  // Waits for EC_COMPLETE, EC_ERRORABORT or EC_USERABORT without taking it.
  HRESULT WaitForCompletion(int32_t msTimeout, int32_t* code);
  void SetTarget(QObject* target, int32_t message, intptr_t instanceData);
  void SetFlags(int32_t flags);
  int32_t Flags();
  void Clear();
  size_t Size();

 private:
  TLeafMutex lock_{"graph event queue lock"};  // posting to Qt takes only Qt's own queue lock
  std::condition_variable_any added_;
  std::deque<TEvent> events_;
  uint64_t completions_ = 0;
  int32_t lastCompletion_ = 0;
  QObject* target_ = nullptr;  // not owned: cleared by its owner before it goes
  int32_t message_ = 0;
  intptr_t instanceData_ = 0;
  int32_t flags_ = 0;
};

}  // namespace lumicar
