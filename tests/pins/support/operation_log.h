#pragma once
// A record of every operation that reached a pin, filled from whichever
// thread delivers; each operation is kept alive for the test to inspect.

#include <functional>
#include <mutex>
#include <vector>

#include "pins/notify_operation.h"
#include "pins/pin.h"

namespace lumicar::test {

class TOperationLog {
 public:
  struct TEntry {
    TIntf<IOWNotifyOperation> operation;
    TGUID streamId;
    TOWNotifyState state;

    template <typename T>
    T* As() const {
      return OWOperationAs<T>(operation.get());
    }
  };

  // The dispatch callback that records into this log.
  TOWDispatchEvent Event();
  std::vector<TEntry> Entries();
  std::vector<TIntf<IOWNotifyOperation>> Operations();
  size_t Size();
  template <typename T>
  int Count() {
    int n = 0;
    for (const auto& op : Operations()) n += OWOperationAs<T>(op.get()) ? 1 : 0;
    return n;
  }
  void Clear();
  // Runs before the operation is recorded; may raise. Set it only while no
  // other thread delivers.
  std::function<void(IOWNotifyOperation*)> onOperation;

 private:
  std::mutex mutex_;
  std::vector<TEntry> entries_;
};

}  // namespace lumicar::test
