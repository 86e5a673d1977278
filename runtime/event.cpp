#include "runtime/event.h"

#include <mutex>

#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

namespace {

struct EventRegistry {
  TLeafMutex mutex{"event type registry lock"};
  // Never shrinks, so pointers handed out stay valid: one entry per event type.
  std::vector<std::unique_ptr<TEventTypeInfo>> types;
};

EventRegistry& TheEventRegistry() {
  static EventRegistry registry;
  return registry;
}

}  // namespace

bool RegisterEventType(const TEventTypeInfo& info) {
  EventRegistry& r = TheEventRegistry();
  std::lock_guard lock(r.mutex);
  for (const auto& t : r.types) {
    if (t->type == info.type) return true;
  }
  r.types.push_back(std::make_unique<TEventTypeInfo>(info));
  return true;
}

const TEventTypeInfo* FindEventType(QMetaType type) {
  EventRegistry& r = TheEventRegistry();
  std::lock_guard lock(r.mutex);
  for (const auto& t : r.types) {
    if (t->type == type) return t.get();
  }
  return nullptr;
}

bool MethodMatchesEvent(const TEventTypeInfo& info, const QMetaMethod& method) {
  if (method.returnMetaType().id() != QMetaType::Void) return false;
  if (method.parameterCount() != static_cast<int>(info.parameters.size())) return false;
  for (int i = 0; i < method.parameterCount(); ++i) {
    if (method.parameterMetaType(i) != info.parameters[static_cast<size_t>(i)]) return false;
  }
  return true;
}

}  // namespace lumicar
