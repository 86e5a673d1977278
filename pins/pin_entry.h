#pragma once
// One link as a source pin (or a multi-sink pin) keeps it: the pin that
// operations are handed to, the pin the user linked, the ordering
// constraint, the link's stream type and submit function, and the
// changed-data weight that orders deliveries.

#include <cstdint>
#include <vector>

#include "pins/link_lock.h"
#include "pins/notify_state.h"
#include "runtime/guid.h"

namespace lumicar {

class TOWBasicPin;

struct TOWPinEntry {
  // The pin the notifications are handed to: the linked pin itself, or the
  // input pin of a format converter standing between.
  TOWBasicPin* connectionPin = nullptr;
  // The pin the user linked.
  TOWBasicPin* realPin = nullptr;
  // This entry is delivered after the entry whose real pin this is (none: free).
  TOWBasicPin* afterPin = nullptr;
  TGUID connectionId;
  TOWSubmitFunction submit;
  // Grows by 4 per delivery in which the receiver changed the data, decays by
  // 1 per delivery; stays within 0..10003.
  int32_t weight = 0;
  // The link's own lock: deliveries and walks over the link claim it, its
  // removal closes it (pins/link_lock.h). None for entries made elsewhere.
  TOWLinkLockRef link{};
};

class TOWPinEntryList {
 public:
  static constexpr int32_t kWeightStep = 4;
  static constexpr int32_t kWeightLimit = 10000;

  int Count() const { return static_cast<int>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }
  TOWPinEntry& operator[](int i) { return entries_[size_t(i)]; }
  const TOWPinEntry& operator[](int i) const { return entries_[size_t(i)]; }

  TOWPinEntry& Add(const TOWPinEntry& entry) {
    entries_.push_back(entry);
    return entries_.back();
  }
  void Delete(int i) { entries_.erase(entries_.begin() + i); }
  void Clear() { entries_.clear(); }

  // Last entry (searching from the end) whose real pin is pin, -1 when none.
  int IndexOfReal(const TOWBasicPin* pin) const;
  // Last entry whose connection pin is pin, -1 when none.
  int IndexOfConnection(const TOWBasicPin* pin) const;
  // Entry whose real and connection pins are these, -1 when none.
  int IndexOfLink(const TOWBasicPin* connectionPin, const TOWBasicPin* realPin) const;

  // Replaces this list by a copy of source; the after pins are not copied.
  void CopyFromList(const TOWPinEntryList& source);

  // Walking from the last entry to the first, drops an entry that goes
  // through a converter when an earlier entry has the same connection pin,
  // so that a converter serving several sinks is handed an operation once.
  void RemoveConverterDuplicates();

  // After a delivery: every positive weight decays by 1, entries are sorted
  // by weight (smallest first, stable), and then one pass moves each entry
  // with an after pin right behind that pin's entry when the latter sits later.
  void ReorderChangedData();

  auto begin() { return entries_.begin(); }
  auto end() { return entries_.end(); }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

  std::vector<TOWPinEntry>& Items() { return entries_; }
  const std::vector<TOWPinEntry>& Items() const { return entries_; }

 private:
  std::vector<TOWPinEntry> entries_;
};

}  // namespace lumicar
