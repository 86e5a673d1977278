#include "dsbase/holder/filter_item.h"

#include <QListWidget>

#include "dsbase/devices/cap_device_list.h"
#include "dsbase/devices/device_list_form.h"
#include "dsbase/devices/stored_device_data.h"

namespace lumicar {

namespace {

bool IsNone(const QString& name) { return name.compare(QStringLiteral("None"), Qt::CaseInsensitive) == 0; }

}  // namespace

// ---- TDSFilterItem ----

TDSFilterItem::TDSFilterItem(TCollection* collection)
    : TLPCollectionItem(collection), filterName_(QStringLiteral("None")) {}

TDSFilterItem::~TDSFilterItem() = default;

QString TDSFilterItem::FilterName() const { return Lock()->Getter(filterName_); }

QString TDSFilterItem::DriverName() const { return Lock()->Getter(driverName_); }

void TDSFilterItem::SetNames(const QString& driverName, const QString& filterName) {
  TIntf<IOWLockSection> section = WriteLock();
  driverName_ = driverName;
  filterName_ = filterName;
}

void TDSFilterItem::SetFilterName(const QString& name) {
  if (name.isEmpty()) {
    SetNames(QString(), QString());
    return;
  }
  // Enumerated outside the lock: listing the filters asks every provider.
  TVLDSCapDeviceList list;
  list.EnumAllFilters();
  const QString driver = list.GetDeviceNameByString(name);
  if (!driver.isEmpty()) SetNames(driver, name);
}

QString TDSFilterItem::GetDisplayName() const {
  const QString name = FilterName();
  return name.isEmpty() ? QStringLiteral("Filter %1").arg(Index() + 1) : name;
}

void TDSFilterItem::DefineProperties(TFiler& filer) {
  TLPCollectionItem::DefineProperties(filer);
  DefineStoredDeviceData(
      filer, !IsNone(FilterName()),
      [this](const TStoredDeviceData& data) { SetNames(data.driverName, data.deviceName); },
      [this] {
        return TStoredDeviceData{DriverName(), FilterName()};
      });
}

void TDSFilterItem::Assign(TPersistent* source) {
  if (auto* other = qobject_cast<TDSFilterItem*>(source)) {
    if (other != this) SetNames(other->DriverName(), other->FilterName());
    return;
  }
  TLPCollectionItem::Assign(source);
}

TIntf<IMoniker> TDSFilterItem::GetMoniker() const {
  const QString name = FilterName();
  const QString driver = DriverName();
  if (IsNone(name) || driver.isEmpty()) return {};
  TVLDSCapDeviceList list;
  list.EnumAllFilters();
  return list.GetMonikerByDeviceName(driver);
}

bool TDSFilterItem::ShowDialog(QWidget* parent) {
  TVLDSCapDeviceList list;
  list.EnumAllFilters();
  TDSDeviceListForm form(parent, false, false);
  for (int i = 0; i < list.Count(); ++i) form.ListBox()->addItem(list.Items(i)->UniqueName());
  if (!form.Execute(QStringLiteral("Filters"), FilterName())) return false;
  const QString chosen = form.GetSelection();
  if (chosen.isEmpty()) return false;
  SetFilterName(chosen);
  // A filter that went away while the dialog was open is not taken.
  return FilterName() == chosen;
}

// ---- TDSFilterItems ----

TDSFilterItems::TDSFilterItems(TPersistent* owner, ILPLock* lock)
    : TLPCollection(&TDSFilterItem::staticMetaObject, owner, lock) {}

TDSFilterItems::~TDSFilterItems() = default;

TDSFilterItem* TDSFilterItems::Item(int index) const { return qobject_cast<TDSFilterItem*>(Items(index)); }

}  // namespace lumicar
