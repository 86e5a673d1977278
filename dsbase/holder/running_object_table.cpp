#include "dsbase/holder/running_object_table.h"

#include <algorithm>
#include <mutex>

#include "dsbase/com/task_memory.h"
#include "dsbase/graph/device_enumerator.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

namespace {

// Not a counted media object: the table lives as long as the process.
class TDSRunningObjectTable final : public TInterfacedObject, public IRunningObjectTable {
 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IRunningObjectTable) {
      *object = static_cast<IRunningObjectTable*>(this);
      AddRef();
      return S_OK;
    }
    return TInterfacedObject::QueryInterface(iid, object);
  }

  HRESULT Register(uint32_t, IUnknown* object, IMoniker* name, uint32_t* cookie) override {
    if (!object || !name || !cookie) return E_INVALIDARG;
    *cookie = 0;
    const QString key = DSMonikerDisplayName(name);
    std::lock_guard guard(lock_);
    const bool taken = std::any_of(entries_.begin(), entries_.end(), [&](const TEntry& e) { return e.name == key; });
    // Cookie 0 never names an entry, so callers can use it for "none".
    if (++lastCookie_ == 0) ++lastCookie_;
    entries_.push_back({lastCookie_, key, TIntf<IUnknown>(object), TIntf<IMoniker>(name)});
    *cookie = lastCookie_;
    return taken ? MK_S_MONIKERALREADYREGISTERED : S_OK;
  }

  HRESULT Revoke(uint32_t cookie) override {
    TEntry gone;  // released after the lock: the object's destructor may call back
    {
      std::lock_guard guard(lock_);
      auto it = std::find_if(entries_.begin(), entries_.end(), [&](const TEntry& e) { return e.cookie == cookie; });
      if (it == entries_.end()) return E_INVALIDARG;
      gone = std::move(*it);
      entries_.erase(it);
    }
    return S_OK;
  }

  HRESULT IsRunning(IMoniker* name) override {
    if (!name) return E_INVALIDARG;
    return Find(DSMonikerDisplayName(name)) ? S_OK : S_FALSE;
  }

  HRESULT GetObject(IMoniker* name, IUnknown** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!name) return E_INVALIDARG;
    TIntf<IUnknown> found = Find(DSMonikerDisplayName(name));
    if (!found) return MK_E_UNAVAILABLE;
    *object = found.Detach();
    return S_OK;
  }

  HRESULT EnumRunning(IEnumMoniker** monikers) override {
    if (!monikers) return E_POINTER;
    std::vector<TIntf<IMoniker>> names;
    {
      std::lock_guard guard(lock_);
      for (const TEntry& e : entries_) names.push_back(e.moniker);
    }
    auto* e = new (std::nothrow) TDSEnumMoniker(std::move(names));
    if (!e) return E_OUTOFMEMORY;
    TIntf<IEnumMoniker> keep(e);
    *monikers = keep.Detach();
    return S_OK;
  }

 private:
  struct TEntry {
    uint32_t cookie = 0;
    QString name;
    TIntf<IUnknown> object;
    TIntf<IMoniker> moniker;
  };

  TIntf<IUnknown> Find(const QString& name) {
    std::lock_guard guard(lock_);
    for (const TEntry& e : entries_)
      if (e.name == name) return e.object;
    return {};
  }

  TLeafMutex lock_{"running object table lock"};  // nothing is called while it is held
  std::vector<TEntry> entries_;
  uint32_t lastCookie_ = 0;
};

}  // namespace

HRESULT GetRunningObjectTable(uint32_t, IRunningObjectTable** table) {
  if (!table) return E_POINTER;
  static const TIntf<IRunningObjectTable> instance = MakeIntf<TDSRunningObjectTable>();
  *table = TIntf<IRunningObjectTable>(instance).Detach();
  return S_OK;
}

QString DSMonikerDisplayName(IMoniker* moniker) {
  if (!moniker) return {};
  char16_t* text = nullptr;
  if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &text)) || !text) return {};
  QString name = QString::fromUtf16(text);
  CoTaskMemFree(text);
  return name;
}

TDSItemMoniker::TDSItemMoniker(const QString& delimiter, const QString& item)
    : TDSDualUnknown(QStringLiteral("Item moniker"), nullptr), displayName_(delimiter + item) {}

HRESULT TDSItemMoniker::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IMoniker) return GetInterface<IMoniker>(this, object);
  if (iid == IID_IPersist) return GetInterface<IPersist>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSItemMoniker::GetClassID(TGUID* classId) {
  if (!classId) return E_POINTER;
  *classId = CLSID_ItemMoniker;
  return S_OK;
}

HRESULT TDSItemMoniker::BindToObject(IBindCtx*, IMoniker* left, const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (left) return E_INVALIDARG;
  IRunningObjectTable* raw = nullptr;
  if (FAILED(GetRunningObjectTable(0, &raw)) || raw == nullptr) return E_UNEXPECTED;
  TIntf<IRunningObjectTable> table = TIntf<IRunningObjectTable>::Adopt(raw);
  IUnknown* found = nullptr;
  const HRESULT hr = table->GetObject(this, &found);
  if (FAILED(hr)) return hr;
  TIntf<IUnknown> keep = TIntf<IUnknown>::Adopt(found);
  return keep->QueryInterface(iid, object);
}

HRESULT TDSItemMoniker::BindToStorage(IBindCtx*, IMoniker*, const TGUID&, void** object) {
  if (object) *object = nullptr;
  return E_NOTIMPL;
}

HRESULT TDSItemMoniker::GetDisplayName(IBindCtx*, IMoniker* left, char16_t** name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  if (left) return E_INVALIDARG;
  const size_t n = size_t(displayName_.size());
  auto* text = static_cast<char16_t*>(CoTaskMemAlloc((n + 1) * sizeof(char16_t)));
  if (!text) return E_OUTOFMEMORY;
  std::copy_n(reinterpret_cast<const char16_t*>(displayName_.utf16()), n, text);
  text[n] = 0;
  *name = text;
  return S_OK;
}

HRESULT TDSItemMoniker::IsEqual(IMoniker* other) {
  if (!other) return E_POINTER;
  return DSMonikerDisplayName(other) == displayName_ ? S_OK : S_FALSE;
}

HRESULT CreateItemMoniker(const char16_t* delimiter, const char16_t* item, IMoniker** moniker) {
  if (!moniker) return E_POINTER;
  *moniker = nullptr;
  if (!delimiter || !item) return E_INVALIDARG;
  auto* m = new (std::nothrow) TDSItemMoniker(QString::fromUtf16(delimiter), QString::fromUtf16(item));
  if (!m) return E_OUTOFMEMORY;
  TIntf<IMoniker> keep(m);
  *moniker = keep.Detach();
  return S_OK;
}

}  // namespace lumicar
