#include "dsbase/devices/device_item.h"

#include "components/lp_component.h"
#include "dsbase/devices/cap_device_list.h"
#include "dsbase/devices/stored_device_data.h"
#include "runtime/component.h"
#include "runtime/filer.h"

namespace lumicar {

// ---------------------------------------------------------------- TDSDeviceItem

TDSDeviceItem::TDSDeviceItem(TCollection* collection) : TLPCollectionItem(collection) {}

TDSDeviceItem::~TDSDeviceItem() = default;

QString TDSDeviceItem::DeviceName() const { return Lock()->Getter(device_name_); }

QString TDSDeviceItem::GetVC_DriverName() const { return Lock()->Getter(driver_name_); }

TGUID TDSDeviceItem::Category() const {
  auto* items = qobject_cast<TDSDeviceItems*>(Collection());
  return items ? items->Category() : GUID_NULL;
}

void TDSDeviceItem::SetName(const QString& name) {
  TIntf<IOWLockSection> section = WriteLock();
  if (name.isEmpty()) {
    device_name_.clear();
    driver_name_.clear();
    return;
  }
  TVLDSCapDeviceList list;
  list.EnumFilters(Category());
  const QString driver = list.GetDeviceNameByString(name);
  if (driver.isEmpty()) {
    driver_name_.clear();
    return;
  }
  device_name_ = name;
  driver_name_ = driver;
}

void TDSDeviceItem::SetNames(const QString& driverName, const QString& deviceName) {
  TIntf<IOWLockSection> section = WriteLock();
  driver_name_ = driverName;
  device_name_ = deviceName;
}

QString TDSDeviceItem::GetDisplayName() const {
  const QString name = DeviceName();
  return name.isEmpty() ? TLPCollectionItem::GetDisplayName() : name;
}

void TDSDeviceItem::DefineProperties(TFiler& filer) {
  TLPCollectionItem::DefineProperties(filer);
  DefineStoredDeviceData(
      filer, !GetVC_DriverName().isEmpty(),
      [this](const TStoredDeviceData& data) { SetNames(data.driverName, data.deviceName); },
      [this] {
        return TStoredDeviceData{GetVC_DriverName(), DeviceName()};
      });
}

void TDSDeviceItem::Assign(TPersistent* source) {
  if (auto* other = qobject_cast<TDSDeviceItem*>(source)) {
    if (other == this) return;
    const QString driver = other->GetVC_DriverName();
    const QString name = other->DeviceName();
    SetNames(driver, name);
    return;
  }
  TLPCollectionItem::Assign(source);
}

// ---------------------------------------------------------------- TDSDeviceItems

TDSDeviceItems::TDSDeviceItems(const QMetaObject* itemClass, TPersistent* owner, ILPLock* lock, const TGUID& category)
    : TLPCollection(itemClass, owner, lock), category_(category) {}

TDSDeviceItems::~TDSDeviceItems() = default;

TDSDeviceItem* TDSDeviceItems::Item(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return qobject_cast<TDSDeviceItem*>(Items(index));
}

void TDSDeviceItems::Assign(TPersistent* source) {
  assigning_ = true;
  try {
    TLPCollection::Assign(source);
  } catch (...) {
    assigning_ = false;
    throw;
  }
  assigning_ = false;
}

QString TDSDeviceItems::PresetName() const {
  TVLDSCapDeviceList list;
  list.EnumFilters(category_);
  // A ceiling no real count reaches, so that the first device always qualifies.
  int fewest = 22000;
  const TMLDSCapDeviceInfo* chosen = nullptr;
  for (int i = 0; i < list.Count(); ++i) {
    const TMLDSCapDeviceInfo* device = list.Items(i);
    int uses = 0;
    for (int j = 0; j < Count(); ++j) {
      const TDSDeviceItem* entry = Item(j);
      if (entry && entry->GetVC_DriverName() == device->DriverName()) ++uses;
    }
    if (uses < fewest) {
      fewest = uses;
      chosen = device;
    }
  }
  return chosen ? chosen->UniqueName() : QString();
}

namespace {

// The component a collection belongs to, through the chain of owners.
const TComponent* OwningComponent(const TPersistent* object) {
  for (int depth = 0; object && depth < 64; ++depth) {
    if (auto* component = qobject_cast<const TComponent*>(object)) return component;
    object = object->GetOwner();
  }
  return nullptr;
}

}  // namespace

void TDSDeviceItems::NewItemCreated(TCollectionItem* item) {
  TLPCollection::NewItemCreated(item);
  auto* entry = qobject_cast<TDSDeviceItem*>(item);
  if (!entry || assigning_) return;
  const TComponent* component = OwningComponent(this);
  if (component && IsLoadingOrOwnerLoading(component)) return;
  entry->SetName(PresetName());
}

}  // namespace lumicar
