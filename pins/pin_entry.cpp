#include "pins/pin_entry.h"

#include <algorithm>

namespace lumicar {

int TOWPinEntryList::IndexOfReal(const TOWBasicPin* pin) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (entries_[size_t(i)].realPin == pin) return i;
  return -1;
}

int TOWPinEntryList::IndexOfConnection(const TOWBasicPin* pin) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (entries_[size_t(i)].connectionPin == pin) return i;
  return -1;
}

int TOWPinEntryList::IndexOfLink(const TOWBasicPin* connectionPin, const TOWBasicPin* realPin) const {
  for (int i = Count() - 1; i >= 0; --i) {
    const auto& e = entries_[size_t(i)];
    if (e.connectionPin == connectionPin && e.realPin == realPin) return i;
  }
  return -1;
}

void TOWPinEntryList::CopyFromList(const TOWPinEntryList& source) {
  entries_ = source.entries_;
  for (auto& e : entries_) e.afterPin = nullptr;
}

void TOWPinEntryList::RemoveConverterDuplicates() {
  for (int i = Count() - 1; i > 0; --i) {
    const auto& e = entries_[size_t(i)];
    if (e.connectionPin == e.realPin) continue;
    for (int j = 0; j < i; ++j)
      if (entries_[size_t(j)].connectionPin == e.connectionPin) {
        entries_.erase(entries_.begin() + i);
        break;
      }
  }
}

void TOWPinEntryList::ReorderChangedData() {
  bool anyAfter = false;
  for (auto& e : entries_) {
    if (e.weight > 0) --e.weight;
    anyAfter |= e.afterPin != nullptr;
  }
  // Sorting an already sorted list changes nothing (the sort is stable), and
  // the common case, no receiver changing data, costs no allocation.
  const auto byWeight = [](const TOWPinEntry& a, const TOWPinEntry& b) { return a.weight < b.weight; };
  if (!std::is_sorted(entries_.begin(), entries_.end(), byWeight))
    std::stable_sort(entries_.begin(), entries_.end(), byWeight);
  if (!anyAfter) return;
  const int n = Count();
  for (int i = 0; i < n; ++i) {
    const TOWBasicPin* after = entries_[size_t(i)].afterPin;
    if (!after) continue;
    int j = -1;
    for (int k = i + 1; k < n; ++k)
      if (entries_[size_t(k)].realPin == after) {
        j = k;
        break;
      }
    if (j < 0) continue;
    // Taken out at i and inserted at j: right behind the entry it must follow.
    // The entry that slides into position i is not looked at again.
    TOWPinEntry moved = entries_[size_t(i)];
    entries_.erase(entries_.begin() + i);
    entries_.insert(entries_.begin() + j, moved);
  }
}

}  // namespace lumicar
