#pragma once
// Device enumeration: the system device enumerator, the monikers it hands out,
// the bind context they bind in, and the property bag of a device.

#include <QString>
#include <cstdint>

#include "dsbase/com/filter_interfaces.h"

namespace lumicar {

inline const TGUID IID_IBindCtx = TGUID::FromString("{0000000E-0000-0000-C000-000000000046}");
inline const TGUID IID_IMoniker = TGUID::FromString("{0000000F-0000-0000-C000-000000000046}");
inline const TGUID IID_IEnumMoniker = TGUID::FromString("{00000102-0000-0000-C000-000000000046}");
inline const TGUID IID_IPropertyBag = TGUID::FromString("{55272A00-42CB-11CE-8135-00AA004BB851}");
inline const TGUID IID_ICreateDevEnum = TGUID::FromString("{29840822-5B84-11D0-BD3B-00A0C911CE86}");

class IBindCtx : public virtual IUnknown {
 public:
  // Keeps `object` alive until ReleaseBoundObjects or the context goes.
  virtual HRESULT RegisterObjectBound(IUnknown* object) = 0;
  virtual HRESULT RevokeObjectBound(IUnknown* object) = 0;
  virtual HRESULT ReleaseBoundObjects() = 0;
};

class IPropertyBag : public virtual IUnknown {
 public:
  // E_INVALIDARG for a property the device does not have.
  virtual HRESULT Read(const char16_t* name, QString* value) = 0;
  virtual HRESULT Write(const char16_t* name, const QString& value) = 0;
};

class IMoniker : public IPersist {
 public:
  virtual HRESULT BindToObject(IBindCtx* context, IMoniker* left, const TGUID& iid, void** object) = 0;
  virtual HRESULT BindToStorage(IBindCtx* context, IMoniker* left, const TGUID& iid, void** object) = 0;
  // Task memory; the caller frees it with CoTaskMemFree.
  virtual HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, char16_t** name) = 0;
  // S_OK when `other` names the same device.
  virtual HRESULT IsEqual(IMoniker* other) = 0;
};

class IEnumMoniker : public virtual IUnknown {
 public:
  virtual HRESULT Next(uint32_t count, IMoniker** monikers, uint32_t* fetched) = 0;
  virtual HRESULT Skip(uint32_t count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumMoniker** copy) = 0;
};

class ICreateDevEnum : public virtual IUnknown {
 public:
  // S_FALSE and no enumerator for a category without devices.
  virtual HRESULT CreateClassEnumerator(const TGUID& category, IEnumMoniker** monikers, uint32_t flags) = 0;
};

HRESULT CreateBindCtx(uint32_t reserved, IBindCtx** context);
// "@device:<kind>:<name>" as GetDisplayName gives it, or "@device:*:<category>"
// for the first device of a category. MK_E_SYNTAX for a malformed name,
// MK_E_NOOBJECT when no such device is present.
HRESULT MkParseDisplayName(IBindCtx* context, const char16_t* name, uint32_t* eaten, IMoniker** moniker);

}  // namespace lumicar
