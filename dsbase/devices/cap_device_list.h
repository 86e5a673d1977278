#pragma once
// TVLDSCapDeviceList: the devices of a category (or every registered filter) at the
// moment of the call, in enumeration order, with the lookups between shown names,
// display names, monikers and class ids. Lists are made for one lookup and dropped,
// so that every lookup sees the devices present right then.

#include <QString>
#include <memory>
#include <vector>

#include "dsbase/devices/cap_device_info.h"

namespace lumicar {

class TVLDSCapDeviceList {
 public:
  TVLDSCapDeviceList();
  ~TVLDSCapDeviceList();
  TVLDSCapDeviceList(const TVLDSCapDeviceList&) = delete;
  TVLDSCapDeviceList& operator=(const TVLDSCapDeviceList&) = delete;

  int Count() const { return int(items_.size()); }
  // The device at index; none outside 0..Count()-1.
  const TMLDSCapDeviceInfo* Items(int index) const;
  void Clear() { items_.clear(); }

  // Clears the list, then lists the category.
  void EnumFilters(const TGUID& category);
  // Appends the category's devices as the system device enumerator gives them.
  // Devices whose property bag cannot be bound or whose friendly name is blank are
  // left out; identical friendly names are numbered " (2)", " (3)", ... in order.
  // Nothing is added when the enumerator or the category cannot be had.
  void AddEnumFilters(const TGUID& category);
  // Appends every registered filter: the devices of every category a device provider
  // serves (in provider order), then the system filters (registered_filters.h).
  // This platform has no filter merits; every filter counts as usable.
  void EnumAllFilters();

  // The lookups: exact, case-sensitive, first match; empty, none or -1 without one.
  // "Driver name" is the display name, "string" the unique name.
  TIntf<IMoniker> GetMonikerByDeviceName(const QString& driverName) const;
  QString GetDeviceNameByString(const QString& uniqueName) const;
  QString GetStringByDeviceName(const QString& driverName) const;
  TIntf<IMoniker> GetMonikerByString(const QString& uniqueName) const;
  // By moniker identity (the very object this list holds).
  QString GetStringByMoniker(const IMoniker* moniker) const;
  int GetIntByMoniker(const IMoniker* moniker) const;
  TIntf<IMoniker> GetMonikerByCLSID(const TGUID& filterClassId) const;
  QString GetStringByCLSID(const TGUID& filterClassId) const;
  TGUID GetCLSIDByString(const QString& uniqueName) const;
  // 1 + the number of listed devices whose trimmed friendly name is friendlyName:
  // the number the next device of that name gets.
  int FindDeviceNum(const QString& friendlyName) const;

 private:
  // Adds one device moniker enumerated in category, by the naming rules above.
  void AddMoniker(IMoniker* moniker, const TGUID& category);
  const TMLDSCapDeviceInfo* FindByDriver(const QString& driverName) const;
  const TMLDSCapDeviceInfo* FindByUnique(const QString& uniqueName) const;
  const TMLDSCapDeviceInfo* FindByClassId(const TGUID& filterClassId) const;

  std::vector<std::unique_ptr<TMLDSCapDeviceInfo>> items_;
};

}  // namespace lumicar
