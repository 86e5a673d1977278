#pragma once
// TDSDeviceItem / TDSDeviceItems: the alternative devices of a device choice, tried
// in collection order when the chosen device cannot be found. Each entry keeps the
// shown name and the driver name (display name) of one device and stores both as
// "Data"; a new entry added by the user starts on the device the other entries name
// least often.

#include <QString>

#include "components/lp_collection.h"

namespace lumicar {

class TDSDeviceItem : public TLPCollectionItem {
  Q_OBJECT
  // Kept in designs through "Data", which holds the driver name as well.
  Q_PROPERTY(QString DeviceName READ DeviceName WRITE SetName STORED false)

 public:
  Q_INVOKABLE explicit TDSDeviceItem(lumicar::TCollection* collection = nullptr);
  ~TDSDeviceItem() override;

  QString DeviceName() const;
  // The display name of the entry's device; empty when the name was not found.
  QString GetVC_DriverName() const;
  // An empty name clears both names. Any other name is looked up among the devices
  // of the collection's category: when found, it is kept with its driver name;
  // otherwise only the driver name is cleared (the name stays as a label).
  virtual void SetName(const QString& name);
  // Both names as given, without any lookup (what "Data" and Assign do).
  void SetNames(const QString& driverName, const QString& deviceName);

  // The device category of the owning collection; all-zero outside one.
  TGUID Category() const;

  // The device name, or the inherited name when it is empty.
  QString GetDisplayName() const override;
  // "Data": (driver name, device name), written when the driver name is not empty.
  void DefineProperties(TFiler& filer) override;
  // From another TDSDeviceItem: both names as they are; otherwise as inherited.
  void Assign(TPersistent* source) override;

 private:
  QString device_name_;
  QString driver_name_;
};

class TDSDeviceItems : public TLPCollection {
  Q_OBJECT

 public:
  // itemClass: TDSDeviceItem or a descendant. The collection shares lock, the lock of
  // its owner (a device choice).
  TDSDeviceItems(const QMetaObject* itemClass, TPersistent* owner, ILPLock* lock, const TGUID& category);
  ~TDSDeviceItems() override;

  const TGUID& Category() const { return category_; }
  // The entry at index; none outside the collection.
  TDSDeviceItem* Item(int index) const;

  // Copies the entries as they are, without choosing a device for each new one.
  void Assign(TPersistent* source) override;

  // The device a new entry starts on: among the category's devices, the one that the
  // fewest entries name (by driver name), the first on ties; empty without devices.
  QString PresetName() const;

 protected:
  // A new entry added by code or by the user starts on PresetName(); entries made
  // while a design is being read are left for their "Data".
  void NewItemCreated(TCollectionItem* item) override;

 private:
  TGUID category_;
  bool assigning_ = false;
};

}  // namespace lumicar
