#include "tests/pins/support/operation_log.h"

namespace lumicar::test {

TOWDispatchEvent TOperationLog::Event() {
  return [this](TOWPin*, const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state) {
    if (onOperation) onOperation(operation);
    std::lock_guard lock(mutex_);
    entries_.push_back({TIntf<IOWNotifyOperation>(operation), streamId, state});
    return TOWDispatchResult();
  };
}

std::vector<TOperationLog::TEntry> TOperationLog::Entries() {
  std::lock_guard lock(mutex_);
  return entries_;
}

std::vector<TIntf<IOWNotifyOperation>> TOperationLog::Operations() {
  std::vector<TIntf<IOWNotifyOperation>> result;
  for (const TEntry& e : Entries()) result.push_back(e.operation);
  return result;
}

size_t TOperationLog::Size() {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

void TOperationLog::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

}  // namespace lumicar::test
