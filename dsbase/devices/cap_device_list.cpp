#include "dsbase/devices/cap_device_list.h"

#include <algorithm>

#include "dsbase/com/class_factory.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/devices/registered_filters.h"
#include "dsbase/graph/device_provider.h"

namespace lumicar {

namespace {

// A stored class id may carry text before its brace ("CLSID:{...}" and the like).
TGUID ParseClassId(QString text) {
  while (text.size() > 1 && !text.startsWith(u'{')) text.remove(0, 1);
  return TGUID::Parse(text).value_or(GUID_NULL);
}

}  // namespace

TVLDSCapDeviceList::TVLDSCapDeviceList() = default;
TVLDSCapDeviceList::~TVLDSCapDeviceList() = default;

const TMLDSCapDeviceInfo* TVLDSCapDeviceList::Items(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[size_t(index)].get();
}

void TVLDSCapDeviceList::EnumFilters(const TGUID& category) {
  Clear();
  AddEnumFilters(category);
}

void TVLDSCapDeviceList::AddEnumFilters(const TGUID& category) {
  void* raw = nullptr;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum, &raw)) || !raw)
    return;
  TIntf<ICreateDevEnum> devices = TIntf<ICreateDevEnum>::Adopt(static_cast<ICreateDevEnum*>(raw));
  IEnumMoniker* rawEnum = nullptr;
  // Only S_OK carries an enumerator: an empty category answers S_FALSE.
  if (devices->CreateClassEnumerator(category, &rawEnum, 0) != S_OK || !rawEnum) {
    if (rawEnum) rawEnum->Release();
    return;
  }
  TIntf<IEnumMoniker> monikers = TIntf<IEnumMoniker>::Adopt(rawEnum);
  IMoniker* moniker = nullptr;
  while (monikers->Next(1, &moniker, nullptr) == S_OK && moniker) {
    TIntf<IMoniker> held = TIntf<IMoniker>::Adopt(moniker);
    moniker = nullptr;
    AddMoniker(held.get(), category);
  }
}

void TVLDSCapDeviceList::EnumAllFilters() {
  std::vector<TGUID> categories;
  for (const auto& provider : DSAllDeviceProviders()) {
    const TGUID category = provider->Category();
    if (std::find(categories.begin(), categories.end(), category) == categories.end()) categories.push_back(category);
  }
  for (const TGUID& category : categories) AddEnumFilters(category);
  for (const TIntf<IMoniker>& moniker : DSRegisteredFilterMonikers()) {
    AddMoniker(moniker.get(), CLSID_LegacyAmFilterCategory);
  }
}

void TVLDSCapDeviceList::AddMoniker(IMoniker* moniker, const TGUID& category) {
  void* raw = nullptr;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, &raw)) || !raw) return;
  TIntf<IPropertyBag> bag = TIntf<IPropertyBag>::Adopt(static_cast<IPropertyBag*>(raw));
  QString friendly;
  if (FAILED(bag->Read(u"FriendlyName", &friendly))) friendly.clear();
  const QString trimmed = friendly.trimmed();
  if (trimmed.isEmpty()) return;
  // Counted by the trimmed name, so that names differing only in blanks are still
  // told apart by their number.
  QString unique = friendly;
  const int n = FindDeviceNum(trimmed);
  if (n > 1) unique += QStringLiteral(" (%1)").arg(n);
  QString clsidText;
  const TGUID clsid = SUCCEEDED(bag->Read(u"CLSID", &clsidText)) ? ParseClassId(clsidText) : GUID_NULL;
  items_.push_back(std::make_unique<TMLDSCapDeviceInfo>(moniker, friendly, unique, category, clsid));
}

const TMLDSCapDeviceInfo* TVLDSCapDeviceList::FindByDriver(const QString& driverName) const {
  for (const auto& item : items_)
    if (item->DriverName() == driverName) return item.get();
  return nullptr;
}

const TMLDSCapDeviceInfo* TVLDSCapDeviceList::FindByUnique(const QString& uniqueName) const {
  for (const auto& item : items_)
    if (item->UniqueName() == uniqueName) return item.get();
  return nullptr;
}

const TMLDSCapDeviceInfo* TVLDSCapDeviceList::FindByClassId(const TGUID& filterClassId) const {
  for (const auto& item : items_)
    if (item->FilterClassId() == filterClassId) return item.get();
  return nullptr;
}

TIntf<IMoniker> TVLDSCapDeviceList::GetMonikerByDeviceName(const QString& driverName) const {
  const TMLDSCapDeviceInfo* info = FindByDriver(driverName);
  return info ? TIntf<IMoniker>(info->Moniker()) : TIntf<IMoniker>();
}

QString TVLDSCapDeviceList::GetDeviceNameByString(const QString& uniqueName) const {
  const TMLDSCapDeviceInfo* info = FindByUnique(uniqueName);
  return info ? info->DriverName() : QString();
}

QString TVLDSCapDeviceList::GetStringByDeviceName(const QString& driverName) const {
  const TMLDSCapDeviceInfo* info = FindByDriver(driverName);
  return info ? info->UniqueName() : QString();
}

TIntf<IMoniker> TVLDSCapDeviceList::GetMonikerByString(const QString& uniqueName) const {
  const TMLDSCapDeviceInfo* info = FindByUnique(uniqueName);
  return info ? TIntf<IMoniker>(info->Moniker()) : TIntf<IMoniker>();
}

QString TVLDSCapDeviceList::GetStringByMoniker(const IMoniker* moniker) const {
  const TMLDSCapDeviceInfo* info = Items(GetIntByMoniker(moniker));
  return info ? info->UniqueName() : QString();
}

int TVLDSCapDeviceList::GetIntByMoniker(const IMoniker* moniker) const {
  if (!moniker) return -1;
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->Moniker() == moniker) return int(i);
  return -1;
}

TIntf<IMoniker> TVLDSCapDeviceList::GetMonikerByCLSID(const TGUID& filterClassId) const {
  const TMLDSCapDeviceInfo* info = FindByClassId(filterClassId);
  return info ? TIntf<IMoniker>(info->Moniker()) : TIntf<IMoniker>();
}

QString TVLDSCapDeviceList::GetStringByCLSID(const TGUID& filterClassId) const {
  const TMLDSCapDeviceInfo* info = FindByClassId(filterClassId);
  return info ? info->UniqueName() : QString();
}

TGUID TVLDSCapDeviceList::GetCLSIDByString(const QString& uniqueName) const {
  const TMLDSCapDeviceInfo* info = FindByUnique(uniqueName);
  return info ? info->FilterClassId() : GUID_NULL;
}

int TVLDSCapDeviceList::FindDeviceNum(const QString& friendlyName) const {
  int n = 1;
  for (const auto& item : items_)
    if (item->TrimmedName() == friendlyName) ++n;
  return n;
}

}  // namespace lumicar
