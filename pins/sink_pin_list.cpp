#include "pins/sink_pin_list.h"

#include <algorithm>

#include "pins/basic_sink_pin.h"
#include "pins/source_pin.h"

namespace lumicar {

void TOWSinkPinList::Add(TOWBasicSinkPin* sink) {
  if (!sink) return;
  {
    auto section = owner_->WriteLock();
    if (std::find(pins_.begin(), pins_.end(), sink) != pins_.end()) return;
    pins_.push_back(sink);
  }
  Attach(sink);
}

void TOWSinkPinList::Remove(TOWBasicSinkPin* sink) {
  {
    auto section = owner_->WriteLock();
    auto it = std::find(pins_.begin(), pins_.end(), sink);
    if (it == pins_.end()) return;
    pins_.erase(it);
  }
  Detach(sink);
}

int TOWSinkPinList::Count() {
  auto section = owner_->ReadLock();
  return static_cast<int>(pins_.size());
}

TOWBasicSinkPin* TOWSinkPinList::Items(int index) {
  auto section = owner_->ReadLock();
  if (index < 0 || index >= static_cast<int>(pins_.size())) return nullptr;
  return pins_[size_t(index)];
}

bool TOWSinkPinList::Contains(TOWBasicSinkPin* sink) {
  auto section = owner_->ReadLock();
  return std::find(pins_.begin(), pins_.end(), sink) != pins_.end();
}

std::vector<TOWBasicSinkPin*> TOWSinkPinList::Snapshot() {
  auto section = owner_->ReadLock();
  return pins_;
}

void TOWSinkPinList::Forget(const void* pin) {
  std::erase_if(pins_,
                [&](TOWBasicSinkPin* p) { return static_cast<const void*>(static_cast<TOWBasicPin*>(p)) == pin; });
}

void TOWFunctionSinkPinList::Attach(TOWBasicSinkPin* sink) { sink->AddDependant(sink->functionDependants_, Owner()); }
void TOWFunctionSinkPinList::Detach(TOWBasicSinkPin* sink) {
  sink->RemoveDependant(sink->functionDependants_, Owner());
}
void TOWDataTypeSinkPinList::Attach(TOWBasicSinkPin* sink) { sink->AddDependant(sink->dataTypeDependants_, Owner()); }
void TOWDataTypeSinkPinList::Detach(TOWBasicSinkPin* sink) {
  sink->RemoveDependant(sink->dataTypeDependants_, Owner());
}

}  // namespace lumicar
