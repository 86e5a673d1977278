#pragma once
// TCollection and TCollectionItem: an owned, ordered list of persistent items of one
// item class, stored in designs as "< item ... end >".

#include <QString>
#include <vector>

#include "runtime/persistent.h"

namespace lumicar {

class TCollection;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem : public TPersistent {
  Q_OBJECT
 public:
  // Joins collection (at its end) when one is given.
  Q_INVOKABLE explicit TCollectionItem(lumicar::TCollection* collection = nullptr);
  // Leaves the collection.
  ~TCollectionItem() override;

  TCollection* Collection() const { return collection_; }
  // Moves the item to another collection (or out of any, for none).
  void SetCollection(TCollection* collection);
  // Position in the collection, -1 without one.
  int Index() const;
  // Moves the item within its collection; the index is clamped to the list.
  void SetIndex(int index);
  // A number unique within the collection, kept across moves.
  int ID() const { return id_; }

  // The name shown for the item: its class name unless a descendant knows better.
  virtual QString GetDisplayName() const;
  virtual void SetDisplayName(const QString& name);

  TPersistent* GetOwner() const override;
  // "<collection path>[<index>]"
  QString GetNamePath() const override;

 protected:
  // Tells the collection that this item (or, with allItems, everything) changed.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

class TCollection : public TPersistent {
  Q_OBJECT
 public:
  // itemClass must be TCollectionItem or a descendant with a Q_INVOKABLE constructor
  // taking (lumicar::TCollection*); owner names the collection's place for paths.
  explicit TCollection(const QMetaObject* itemClass, TPersistent* owner = nullptr);
  ~TCollection() override;

  const QMetaObject* ItemClass() const { return item_class_; }
  TPersistent* GetOwner() const override { return owner_; }
  // "<owner path>.<property name>" when the owner publishes this collection.
  QString GetNamePath() const override;

  int Count() const { return static_cast<int>(items_.size()); }
  // EListError for an index outside 0..Count()-1.
  TCollectionItem* Items(int index) const;
  void SetItems(int index, TCollectionItem* value);  // Assign

  // A new item of the item class at the end, announced through SetItemName and
  // Notify(cnAdded) once constructed. (An item constructed by code with a collection
  // is announced from its constructor.)
  TCollectionItem* Add();
  template <typename T>
  T* AddItem() {
    return qobject_cast<T*>(Add());
  }
  // A new item placed at index (clamped to the list).
  TCollectionItem* Insert(int index);
  // Frees the item at index; EListError outside the list.
  void Delete(int index);
  // Frees every item, last first.
  void Clear();
  TCollectionItem* FindItemID(int id) const;

  // Changes between BeginUpdate and EndUpdate are announced once, at the end.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  // From another collection: same number of items, each assigned.
  void Assign(TPersistent* source) override;

 protected:
  // Makes one item of the item class (joined to this collection).
  virtual TCollectionItem* CreateItem();
  // Called after changes outside BeginUpdate/EndUpdate: item changed, or everything
  // when item is none.
  virtual void Update(TCollectionItem* item);
  virtual void Notify(TCollectionItem* item, TCollectionNotification action);
  // Called when an item was added and may want a name (the base does nothing).
  virtual void SetItemName(TCollectionItem* item);
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);

  const QMetaObject* item_class_;
  TPersistent* owner_;
  std::vector<TCollectionItem*> items_;
  int next_id_ = 0;
  int update_count_ = 0;
  bool adding_ = false;
};

}  // namespace lumicar
