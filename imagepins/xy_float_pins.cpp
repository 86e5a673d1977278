#include "imagepins/xy_float_pins.h"

#include <exception>

#include "imagepins/data_pins_log.h"
#include "imagepins/image_streams.h"
#include "runtime/exception.h"

namespace lumicar {

namespace {

TIntf<IVLXYFloatData> OwnHandle(IVLXYFloatData* data) {
  if (!data) return {};
  return QueryIntf<IVLXYFloatData>(data->MakeCopy().get(), IID_IVLXYFloatData);
}

QString ErrorText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QStringLiteral("an error that is not an exception object");
  }
}

}  // namespace

TOWVLSuppliedXYFloatDataOperation::TOWVLSuppliedXYFloatDataOperation(IVLXYFloatData* data) : data_(OwnHandle(data)) {}

TVLOWXYFloatSourcePin::TVLOWXYFloatSourcePin(TComponent* owner, IOWLock* ownerLock, TOWDispatchEvent operationEvent)
    : TSLOWSourcePin(owner, ownerLock, std::move(operationEvent)) {
  AddType(IID_VLXYFloatStream, TOWSubmitFunction::Bind<&TSLOWSourcePin::NotificationHandler>(this));
}

TVLOWXYFloatSourcePin::~TVLOWXYFloatSourcePin() { BeforeDestruction(); }

bool TVLOWXYFloatSourcePin::SubmitData(IVLXYFloatData* data) {
  if (!data) return false;
  try {
    Notify(MakeIntf<TOWVLSuppliedXYFloatDataOperation>(data));
    return true;
  } catch (...) {
    // A receiver's failure costs this one series, never the producer. A
    // receiver that fails on every series would flood the log, so only the
    // pin's first failure is written.
    if (!failureLogged_.exchange(true))
      qCWarning(lcDataPins).noquote() << "Sending" << data->GetCount() << "points from" << GetFullName(true)
                                      << "failed:" << ErrorText(std::current_exception())
                                      << "(later failures of this pin are not logged)";
    return false;
  }
}

TVLOWXYFloatSinkPin::TVLOWXYFloatSinkPin(TComponent* owner, IOWLock* ownerLock, TOWDispatchEvent operationEvent)
    : TSLOWSinkPin(owner, ownerLock, std::move(operationEvent)) {
  AddType(IID_VLXYFloatStream, TOWSubmitFunction::Bind<&TSLOWSinkPin::NotificationHandler>(this));
}

TVLOWXYFloatSinkPin::~TVLOWXYFloatSinkPin() { BeforeDestruction(); }

}  // namespace lumicar
