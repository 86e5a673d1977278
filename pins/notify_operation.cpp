#include "pins/notify_operation.h"

namespace lumicar {

namespace {
std::atomic<uint32_t> gLastOperationId{0};
}  // namespace

TOWNotifyOperation::TOWNotifyOperation() : operationId_(gLastOperationId.fetch_add(1, std::memory_order_relaxed) + 1) {}

HRESULT TOWNotifyOperation::QueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IOWNotifyOperation) {
    *object = static_cast<IOWNotifyOperation*>(this);
    AddRef();
    return S_OK;
  }
  return TInterfacedObject::QueryInterface(iid, object);
}

}  // namespace lumicar
