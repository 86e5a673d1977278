#pragma once
// A pin's ordered list of stream types, each with the submit function that
// delivers over a link of that type. Order matters: the type added last is
// the most preferred when a link type is chosen.

#include <vector>

#include "pins/notify_state.h"
#include "runtime/guid.h"

namespace lumicar {

struct TOWPinStreamTypeEntry {
  TGUID id;
  TOWSubmitFunction submit;
};

class TOWPinStreamType {
 public:
  // Replaces function and context of an entry with the same ID in place (its
  // position is kept), otherwise appends.
  void AddType(const TGUID& id, TOWSubmitFunction submit);
  // Removes the entry and closes the gap; nothing when absent.
  void RemoveType(const TGUID& id);
  void ClearTypes() { entries_.clear(); }
  // Exchanges two positions; out-of-range positions are ignored.
  void SwapPosition(int a, int b);

  int GetLength() const { return static_cast<int>(entries_.size()); }
  const TGUID& GetID(int index) const { return entries_[size_t(index)].id; }
  TOWSubmitFunction GetSubmitFunc(int index) const { return entries_[size_t(index)].submit; }
  // Position of id, -1 when absent.
  int IndexOf(const TGUID& id) const;
  bool Contains(const TGUID& id) const { return IndexOf(id) >= 0; }
  // The function registered for id, none when absent.
  TOWSubmitFunction SubmitFor(const TGUID& id) const;

  // Keeps the entries for which keep(id) is true; never reorders.
  template <typename Pred>
  void Restrict(Pred keep) {
    std::erase_if(entries_, [&](const TOWPinStreamTypeEntry& e) { return !keep(e.id); });
  }

  const std::vector<TOWPinStreamTypeEntry>& Entries() const { return entries_; }

 private:
  std::vector<TOWPinStreamTypeEntry> entries_;
};

// The scratch list in which the candidate types of a link are collected and
// narrowed along the chain.
class TOWPinTypeRestricted : public TOWPinStreamType {
 public:
  explicit TOWPinTypeRestricted(bool* alreadyOrdered = nullptr) : alreadyOrdered_(alreadyOrdered) {}
  bool* AlreadyOrdered() const { return alreadyOrdered_; }

 private:
  bool* alreadyOrdered_;
};

}  // namespace lumicar
