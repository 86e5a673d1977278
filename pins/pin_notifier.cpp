#include "pins/pin_notifier.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "pins/pins_log.h"
#include "runtime/runtime_log.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

namespace {

struct TNotifiers {
  TLeafMutex mutex{"pin notifier list lock"};
  std::vector<TIntf<IOWPinNotifier>> listeners;
  // Lets the common case (no listener, as in the viewer) skip the lock.
  std::atomic<bool> any{false};
};

TNotifiers& Notifiers() {
  static TNotifiers* notifiers = new TNotifiers;
  return *notifiers;
}

// Calls f on a snapshot of the listeners, so that a listener may add or
// remove listeners; a listener's exception is written and goes no further,
// so that the others still hear of the pin.
template <typename F>
void ForEachListener(const char* what, F f) {
  auto& n = Notifiers();
  if (!n.any.load(std::memory_order_acquire)) return;
  std::vector<TIntf<IOWPinNotifier>> snapshot;
  {
    std::lock_guard lock(n.mutex);
    snapshot = n.listeners;
  }
  for (const auto& l : snapshot) {
    try {
      f(l.get());
    } catch (...) {
      qCWarning(lcPins).noquote() << "A pin listener failed on" << what << "and was skipped:" << CurrentExceptionText();
    }
  }
}

}  // namespace

void OWAddPinNotifier(IOWPinNotifier* listener) {
  if (!listener) return;
  auto& n = Notifiers();
  std::lock_guard lock(n.mutex);
  n.listeners.emplace_back(listener);
  n.any.store(true, std::memory_order_release);
}

void OWRemovePinNotifier(IOWPinNotifier* listener) {
  auto& n = Notifiers();
  std::vector<TIntf<IOWPinNotifier>> removed;  // released outside the lock
  std::lock_guard lock(n.mutex);
  auto it = std::find_if(n.listeners.begin(), n.listeners.end(), [&](const auto& l) { return l.get() == listener; });
  if (it != n.listeners.end()) {
    removed.push_back(*it);
    n.listeners.erase(it);
  }
  n.any.store(!n.listeners.empty(), std::memory_order_release);
}

void OWNotifyPinCreated(TOWBasicPin* pin) {
  ForEachListener("a pin's creation", [&](IOWPinNotifier* l) { l->PinCreated(pin); });
}
void OWNotifyPinDestroying(TOWBasicPin* pin, bool designClosing) {
  ForEachListener("a pin's destruction", [&](IOWPinNotifier* l) { l->PinDestroying(pin, designClosing); });
}
void OWNotifyPinChanged(TOWBasicPin* pin) {
  ForEachListener("a pin's change", [&](IOWPinNotifier* l) { l->PinChanged(pin); });
}
void OWNotifyPinConnected(TOWBasicPin* pin, TOWPinObject* other) {
  ForEachListener("a link", [&](IOWPinNotifier* l) { l->PinConnected(pin, other); });
}
void OWNotifyPinDisconnected(TOWBasicPin* pin, TOWPinObject* other) {
  ForEachListener("an unlink", [&](IOWPinNotifier* l) { l->PinDisconnected(pin, other); });
}
void OWNotifyPinListCreated(TOWPinList* list) {
  ForEachListener("a pin list's creation", [&](IOWPinNotifier* l) { l->PinListCreated(list); });
}
void OWNotifyPinListDestroying(TOWPinList* list) {
  ForEachListener("a pin list's destruction", [&](IOWPinNotifier* l) { l->PinListDestroying(list); });
}
void OWNotifyPinListChanged(TOWPinList* list) {
  ForEachListener("a pin list's change", [&](IOWPinNotifier* l) { l->PinListChanged(list); });
}
void OWNotifyPinAddedToList(TOWPinList* list, TOWBasicPin* pin, int index) {
  ForEachListener("a pin added to a list", [&](IOWPinNotifier* l) { l->PinAddedToList(list, pin, index); });
}
void OWNotifyPinRemovedFromList(TOWPinList* list, TOWBasicPin* pin, int index) {
  ForEachListener("a pin removed from a list", [&](IOWPinNotifier* l) { l->PinRemovedFromList(list, pin, index); });
}
void OWNotifyPinsSwappedInList(TOWPinList* list, TOWBasicPin* pinA, int indexA, TOWBasicPin* pinB, int indexB) {
  ForEachListener("pins swapped in a list",
                  [&](IOWPinNotifier* l) { l->PinsSwappedInList(list, pinA, indexA, pinB, indexB); });
}
void OWNotifyDispatcherCreated(TOWStateDispatcher* dispatcher) {
  ForEachListener("a dispatcher's creation", [&](IOWPinNotifier* l) { l->DispatcherCreated(dispatcher); });
}
void OWNotifyDispatcherDestroying(TOWStateDispatcher* dispatcher, bool flag) {
  ForEachListener("a dispatcher's destruction", [&](IOWPinNotifier* l) { l->DispatcherDestroying(dispatcher, flag); });
}
void OWNotifyDispatcherChanged(TOWStateDispatcher* dispatcher) {
  ForEachListener("a dispatcher's change", [&](IOWPinNotifier* l) { l->DispatcherChanged(dispatcher); });
}

}  // namespace lumicar
