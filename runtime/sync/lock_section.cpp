#include "runtime/sync/lock_section.h"

namespace lumicar {

HRESULT TOWLockSection::QueryInterface(const TGUID& iid, void** object) {
  if (object && iid == IID_IOWLockSection) {
    *object = static_cast<IOWLockSection*>(this);
    AddRef();
    return S_OK;
  }
  return TInterfacedObject::QueryInterface(iid, object);
}

}  // namespace lumicar
