#pragma once
// The sink pins a source pin depends on (function dependencies: loop
// protection) or takes its types from (data-type dependencies). Adding a
// sink also registers the source with that sink, removing undoes both.
// Neither list owns its pins.

#include <vector>

namespace lumicar {

class TOWSourcePin;
class TOWBasicSinkPin;

class TOWSinkPinList {
 public:
  explicit TOWSinkPinList(TOWSourcePin* owner) : owner_(owner) {}
  virtual ~TOWSinkPinList() = default;
  TOWSinkPinList(const TOWSinkPinList&) = delete;
  TOWSinkPinList& operator=(const TOWSinkPinList&) = delete;

  // Adds sink once.
  void Add(TOWBasicSinkPin* sink);
  void Remove(TOWBasicSinkPin* sink);
  int Count();
  TOWBasicSinkPin* Items(int index);
  bool Contains(TOWBasicSinkPin* sink);
  std::vector<TOWBasicSinkPin*> Snapshot();
  TOWSourcePin* Owner() const { return owner_; }

 protected:
  // Registers / unregisters the owning source with the sink.
  virtual void Attach(TOWBasicSinkPin* sink) = 0;
  virtual void Detach(TOWBasicSinkPin* sink) = 0;

 private:
  friend class TOWSourcePin;
  // Forgets sink without telling it (it is dying). Under the owner's lock.
  void Forget(const void* pin);

  TOWSourcePin* owner_;
  std::vector<TOWBasicSinkPin*> pins_;  // guarded by the owner's lock
};

class TOWFunctionSinkPinList : public TOWSinkPinList {
 public:
  using TOWSinkPinList::TOWSinkPinList;

 protected:
  void Attach(TOWBasicSinkPin* sink) override;
  void Detach(TOWBasicSinkPin* sink) override;
};

class TOWDataTypeSinkPinList : public TOWSinkPinList {
 public:
  using TOWSinkPinList::TOWSinkPinList;

 protected:
  void Attach(TOWBasicSinkPin* sink) override;
  void Detach(TOWBasicSinkPin* sink) override;
};

}  // namespace lumicar
