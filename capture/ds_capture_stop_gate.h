#pragma once
// TVLDSCaptureStopGate: the capture's stops under way and the starts waiting
// for them. A stop counts itself from before it asks for the component's stop
// lock until after it gave it back, so that a start refused the write lock on
// another thread (a component downstream asked for a stop while a frame was
// delivered) can wait until the lock is free of every stop, and then start.
//
// Threads: any. Its lock is a leaf: nothing else is taken under it.

#include <condition_variable>

#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TVLDSCaptureStopGate {
 public:
  // Before a stop asks for the stop lock, and after it gave it back.
  void StopBegins();
  void StopEnds();
  // Waits until no stop is under way; false once the gate is closed.
  bool AwaitStopEnd();
  // The component is being destroyed: its own stop then never ends for a
  // waiting start (that stop waits for the notify thread, on which such a
  // start may be waiting), so every wait gives up, now and from now on.
  void Close();
  // Starts waiting now (diagnostics and tests).
  int StartsWaiting() const;

 private:
  mutable TLeafMutex lock_{"capture stop state"};
  std::condition_variable_any ended_;
  int stopsUnderWay_ = 0;
  int startsWaiting_ = 0;
  bool closed_ = false;
};

}  // namespace lumicar
