#pragma once
// The running object table: objects registered under a moniker so that a
// graph viewing tool can find them by name and attach to them. Linux has no
// system-wide table, so this one is the process's own; graph holders register
// their graphs here (TDSGraph::RegisterGraph). Item monikers name the entries.

#include <QString>
#include <cstdint>
#include <vector>

#include "dsbase/com/dual_unknown.h"
#include "dsbase/graph/moniker_interfaces.h"

namespace lumicar {

inline const TGUID IID_IRunningObjectTable = TGUID::FromString("{00000010-0000-0000-C000-000000000046}");
inline const TGUID CLSID_ItemMoniker = TGUID::FromString("{00000304-0000-0000-C000-000000000046}");

// The entry keeps its object alive until it is revoked. (Entries always hold
// a reference in this process-local table; the flag is accepted for the
// callers that pass it.)
constexpr uint32_t ROTFLAGS_REGISTRATIONKEEPSALIVE = 0x1;
// Register: registered, but another entry has an equal moniker.
constexpr HRESULT MK_S_MONIKERALREADYREGISTERED = HRESULT(0x000401E7u);
// GetObject: no entry has an equal moniker.
constexpr HRESULT MK_E_UNAVAILABLE = HRESULT(0x800401E3u);

class IRunningObjectTable : public virtual IUnknown {
 public:
  virtual HRESULT Register(uint32_t flags, IUnknown* object, IMoniker* name, uint32_t* cookie) = 0;
  // E_INVALIDARG for a cookie that names no entry.
  virtual HRESULT Revoke(uint32_t cookie) = 0;
  // S_OK when an entry with an equal moniker exists, S_FALSE otherwise.
  virtual HRESULT IsRunning(IMoniker* name) = 0;
  // The object of the first entry with an equal moniker; MK_E_UNAVAILABLE
  // when there is none.
  virtual HRESULT GetObject(IMoniker* name, IUnknown** object) = 0;
  // The monikers of the entries in registration order.
  virtual HRESULT EnumRunning(IEnumMoniker** monikers) = 0;
};

// The process's table (one reference to the caller).
HRESULT GetRunningObjectTable(uint32_t reserved, IRunningObjectTable** table);

// A moniker that names an item by text: its display name is the delimiter
// followed by the item. Binding it looks the name up in the running object
// table.
class TDSItemMoniker final : public TDSDualUnknown, public IMoniker {
 public:
  TDSItemMoniker(const QString& delimiter, const QString& item);

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT GetClassID(TGUID* classId) override;
  HRESULT BindToObject(IBindCtx* context, IMoniker* left, const TGUID& iid, void** object) override;
  // Item monikers name objects, not storage: E_NOTIMPL.
  HRESULT BindToStorage(IBindCtx* context, IMoniker* left, const TGUID& iid, void** object) override;
  HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, char16_t** name) override;
  HRESULT IsEqual(IMoniker* other) override;

  const QString& DisplayName() const { return displayName_; }

 private:
  ~TDSItemMoniker() override = default;
  QString displayName_;
};

HRESULT CreateItemMoniker(const char16_t* delimiter, const char16_t* item, IMoniker** moniker);

// The display name of a moniker ("" when it cannot be read).
QString DSMonikerDisplayName(IMoniker* moniker);

}  // namespace lumicar
