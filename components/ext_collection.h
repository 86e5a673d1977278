#pragma once
// TOWExtCollection / TOWExtCollectionItem: a collection that announces each new item
// once it is complete, and each announced item's destruction, to listeners
// (IOWCollectionNotifier) registered with OWAddCollectionNotifier.

#include <cstdint>
#include <functional>
#include <vector>

#include "runtime/collection.h"
#include "runtime/interface.h"

namespace lumicar {

class TOWExtCollection;

// A listener for the items of a TOWExtCollection.
inline const TGUID IID_IOWCollectionNotifier = TGUID::FromString("{56731DD8-A44D-49C4-B8B8-6A6B445ADA42}");

class IOWCollectionNotifier : public virtual IUnknown {
 public:
  // item was added to collection and is complete.
  virtual void ItemCreated(TOWExtCollection* collection, TCollectionItem* item) = 0;
  // item is being destroyed: only its identity may be used any more.
  virtual void ItemDestroyed(TOWExtCollection* collection, TCollectionItem* item) = 0;
};

class TOWExtCollectionItem : public TCollectionItem {
  Q_OBJECT

 public:
  Q_INVOKABLE explicit TOWExtCollectionItem(lumicar::TCollection* collection = nullptr);
  // Announces its destruction (when its creation was announced) and clears the
  // outside variable it was given.
  ~TOWExtCollectionItem() override;

  // Remembers an outside variable that refers to this item; it is set to none when
  // the item is destroyed, so that its holder never sees a freed item.
  template <typename T>
  void SetReferenceVariable(T** variable) {
    if (variable == nullptr) {
      clear_reference_ = nullptr;
    } else {
      clear_reference_ = [variable] { *variable = nullptr; };
    }
  }

  // True once the collection announced this item.
  bool Announced() const { return announced_ != 0; }

 private:
  friend class TOWExtCollection;
  std::function<void()> clear_reference_;
  uint8_t announced_ = 0;
};

class TOWExtCollection : public TCollection {
  Q_OBJECT

 public:
  // itemClass: TOWExtCollectionItem or a descendant; only such items are announced.
  TOWExtCollection(const QMetaObject* itemClass, TPersistent* owner);
  // Frees the items while the listeners can still be told.
  ~TOWExtCollection() override;

  void AddNotifier(IOWCollectionNotifier* listener);
  void RemoveNotifier(IOWCollectionNotifier* listener);

 protected:
  // Names the new item (inherited), then announces it unless that happened already:
  // NewItemCreated, then AfterNewItemCreated.
  void SetItemName(TCollectionItem* item) override;
  // A hook for descendants, run for each new item before the listeners hear of it.
  virtual void NewItemCreated(TCollectionItem* item);
  // Tells every listener that item was created; a listener's exception is swallowed.
  virtual void AfterNewItemCreated(TCollectionItem* item);
  // Tells every listener that item is being destroyed; a listener's exception is
  // swallowed.
  virtual void AfterNewItemDestroyed(TCollectionItem* item);

 private:
  friend class TOWExtCollectionItem;
  // Made on first use.
  std::vector<TIntf<IOWCollectionNotifier>> notifiers_;
};

// Registers listener with collection (once) and removes it again.
void OWAddCollectionNotifier(TOWExtCollection* collection, IOWCollectionNotifier* listener);
void OWRemoveCollectionNotifier(TOWExtCollection* collection, IOWCollectionNotifier* listener);

}  // namespace lumicar
