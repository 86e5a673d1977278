#include "pins/pin_registry.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "runtime/component.h"

namespace lumicar {

namespace {

struct TPinRegistry {
  TOWCriticalSection section{TLockRank::kGlobalSection};
  std::vector<TOWBasicPin*> pins;
};

TPinRegistry& Registry() {
  static TPinRegistry* registry = new TPinRegistry;
  return *registry;
}

bool IsMainOwnerClass(const TComponent* c) {
  return c->inherits("lumicar::TCustomForm") || c->inherits("lumicar::TForm") || c->inherits("lumicar::TCustomFrame") ||
         c->inherits("lumicar::TFrame") || c->inherits("lumicar::TDataModule");
}

bool IsApplication(const TComponent* c) { return c->inherits("lumicar::TApplication"); }

}  // namespace

TOWCriticalSection& OWGlobalSection() { return Registry().section; }

void OWRegisterPin(TOWBasicPin* pin) {
  auto& r = Registry();
  std::lock_guard lock(r.section);
  r.pins.push_back(pin);
}

void OWUnregisterPin(TOWBasicPin* pin) {
  auto& r = Registry();
  std::lock_guard lock(r.section);
  auto it = std::find(r.pins.rbegin(), r.pins.rend(), pin);
  if (it != r.pins.rend()) r.pins.erase(std::next(it).base());
}

bool OWIsPinRegistered(const TOWBasicPin* pin) {
  auto& r = Registry();
  std::lock_guard lock(r.section);
  return std::find(r.pins.begin(), r.pins.end(), pin) != r.pins.end();
}

std::vector<TOWBasicPin*> OWGetPinsSnapshot() {
  auto& r = Registry();
  std::lock_guard lock(r.section);
  return r.pins;
}

int OWGetPinCount() {
  auto& r = Registry();
  std::lock_guard lock(r.section);
  return static_cast<int>(r.pins.size());
}

TOWBasicPin* OWGetPin(int index) {
  auto& r = Registry();
  std::lock_guard lock(r.section);
  if (index < 0 || index >= static_cast<int>(r.pins.size())) return nullptr;
  return r.pins[size_t(index)];
}

TComponent* OWGetMainOwnerComponent(TComponent* component) {
  for (TComponent* c = component; c; c = c->Owner()) {
    TComponent* owner = c->Owner();
    if (!owner || IsApplication(owner) || IsMainOwnerClass(c)) return c;
  }
  return nullptr;
}

}  // namespace lumicar
