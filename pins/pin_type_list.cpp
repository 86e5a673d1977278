#include "pins/pin_type_list.h"

#include <utility>

namespace lumicar {

void TOWPinStreamType::AddType(const TGUID& id, TOWSubmitFunction submit) {
  for (auto& e : entries_)
    if (e.id == id) {
      e.submit = submit;
      return;
    }
  entries_.push_back({id, submit});
}

void TOWPinStreamType::RemoveType(const TGUID& id) {
  const int i = IndexOf(id);
  if (i >= 0) entries_.erase(entries_.begin() + i);
}

void TOWPinStreamType::SwapPosition(int a, int b) {
  const int n = GetLength();
  if (a < 0 || b < 0 || a >= n || b >= n) return;
  std::swap(entries_[size_t(a)], entries_[size_t(b)]);
}

int TOWPinStreamType::IndexOf(const TGUID& id) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].id == id) return static_cast<int>(i);
  return -1;
}

TOWSubmitFunction TOWPinStreamType::SubmitFor(const TGUID& id) const {
  const int i = IndexOf(id);
  return i >= 0 ? entries_[size_t(i)].submit : TOWSubmitFunction{};
}

}  // namespace lumicar
