#pragma once
// Process-wide table of named synchronisation states: objects opened with the
// same name share one state, which lives as long as one of them does.

#include <QString>
#include <map>
#include <memory>
#include <mutex>

#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

template <typename State>
class TNamedObjectTable {
 public:
  // The state registered under `name`, or a new one from make() (always a new
  // one for an empty name).
  template <typename Make>
  std::shared_ptr<State> Open(const QString& name, Make make) {
    if (name.isEmpty()) return make();
    std::lock_guard guard(mutex_);
    for (auto it = table_.begin(); it != table_.end();) {
      it = it->second.expired() ? table_.erase(it) : std::next(it);
    }
    if (auto it = table_.find(name); it != table_.end()) return it->second.lock();
    std::shared_ptr<State> state = make();
    table_.emplace(name, state);
    return state;
  }

 private:
  TLeafMutex mutex_{"named object table lock"};
  std::map<QString, std::weak_ptr<State>> table_;
};

}  // namespace lumicar
