#pragma once
// Creation of media objects by class identifier: each class registers a
// creator, CoCreateInstance finds it and queries the asked interface.

#include <functional>

#include "runtime/interface.h"

namespace lumicar {

constexpr uint32_t CLSCTX_INPROC_SERVER = 0x1;

// Returns a new object with one reference, or nullptr; `outer` is the
// aggregating object or nullptr.
using TDSClassCreator = std::function<IUnknown*(IUnknown* outer, HRESULT* result)>;

void DSRegisterClass(const TGUID& clsid, TDSClassCreator creator);

// REGDB_E_CLASSNOTREG for an unknown class; an aggregated object may be asked
// only for IUnknown (CLASS_E_NOAGGREGATION otherwise).
HRESULT CoCreateInstance(const TGUID& clsid, IUnknown* outer, uint32_t context, const TGUID& iid, void** object);

}  // namespace lumicar
