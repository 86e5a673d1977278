#pragma once
// The additional filters of a graph holder: each item names one registered
// filter (by the name the filter list shows and by its driver name, the
// moniker's display name) that the holder adds to every graph it builds.
// Stored as "Data" (driver name, filter name) in window designs.

#include <QString>

#include "components/lp_collection.h"
#include "dsbase/graph/moniker_interfaces.h"

class QWidget;

namespace lumicar {

class TDSFilterItem : public TLPCollectionItem {
  Q_OBJECT
  // Stored through "Data" together with the driver name.
  Q_PROPERTY(QString FilterName READ FilterName WRITE SetFilterName STORED false)

 public:
  Q_INVOKABLE explicit TDSFilterItem(lumicar::TCollection* collection = nullptr);
  ~TDSFilterItem() override;

  QString FilterName() const;
  // Looks the name up among all registered filters and keeps it with its
  // driver name only when found; an empty name clears both.
  void SetFilterName(const QString& name);
  QString DriverName() const;

  // FilterName, or "Filter <n>" (1-based position) when it is empty.
  QString GetDisplayName() const override;
  // "Data" (driver name, FilterName), written unless FilterName is "None".
  void DefineProperties(TFiler& filer) override;
  // From another item: both names as they are, without a lookup.
  void Assign(TPersistent* source) override;

  // None for "None"; otherwise the moniker of the registered filter whose
  // driver name is this item's.
  TIntf<IMoniker> GetMoniker() const;
  // Lets the user pick a filter in the modal filter selection dialog; true
  // (and FilterName set) when a filter was chosen and confirmed.
  bool ShowDialog(QWidget* parent = nullptr);

 private:
  void SetNames(const QString& driverName, const QString& filterName);

  // Guarded by the lock.
  QString filterName_;
  QString driverName_;
};

class TDSFilterItems : public TLPCollection {
  Q_OBJECT

 public:
  // Shares owner's lock.
  TDSFilterItems(TPersistent* owner, ILPLock* lock);
  ~TDSFilterItems() override;

  TDSFilterItem* Item(int index) const;
  TDSFilterItem* AddFilter() { return AddItem<TDSFilterItem>(); }
};

}  // namespace lumicar
