#include "imagepins/xy_float_to_pairs_converter.h"

#include "imagepins/buffer_operations.h"
#include "imagepins/image_streams.h"
#include "imagepins/real_buffer.h"
#include "imagepins/xy_float_pins.h"

namespace lumicar {

TSLOWPairedBuffersSourcePin::TSLOWPairedBuffersSourcePin(TComponent* owner, IOWLock* ownerLock,
                                                         TOWDispatchEvent operationEvent)
    : TSLOWSourcePin(owner, ownerLock, std::move(operationEvent)) {
  AddType(IID_SLPairedBuffersStream, TOWSubmitFunction::Bind<&TSLOWSourcePin::NotificationHandler>(this));
}

TSLOWPairedBuffersSourcePin::~TSLOWPairedBuffersSourcePin() { BeforeDestruction(); }

TOWVLXYFloatToPairsFormatConverter::TOWVLXYFloatToPairsFormatConverter() {
  auto* input = new TVLOWXYFloatSinkPin(this);
  auto* output = new TSLOWPairedBuffersSourcePin(this);
  // The source in front tells its sinks of an unlink; the converter's own
  // unlink of the same sink must not add a second stop.
  output->SetStopOnUnlink(false);
  input->SetDispatchEvent(
      [this](TOWPin*, const TGUID&, IOWNotifyOperation* operation, TOWNotifyState) { return Convert(operation); });
  InitPins(input, output);
}

TOWDispatchResult TOWVLXYFloatToPairsFormatConverter::Convert(IOWNotifyOperation* operation) {
  auto* output = static_cast<TSLOWSourcePin*>(OutputPin());
  auto* supplied = OWOperationAs<TOWVLSuppliedXYFloatDataOperation>(operation);
  if (!supplied || !supplied->Data()) return output->Notify(TIntf<IOWNotifyOperation>(operation));
  // The operation's handle is its own, so nobody changes the points while
  // they are read; each point is read through the checked accessor.
  IVLXYFloatData* points = supplied->Data();
  const uint32_t count = points->GetCount();
  auto xs = MakeIntf<TSLRealBuffer>(count);
  auto ys = MakeIntf<TSLRealBuffer>(count);
  double* x = xs->Write();
  double* y = ys->Write();
  for (uint32_t i = 0; i < count; ++i) {
    const TVLFloatPoint point = points->GetPoint(i);
    x[i] = point.x;
    y[i] = point.y;
  }
  return output->Notify(MakeIntf<TOWSuppliedPairedBuffersOperation>(xs.get(), ys.get()));
}

}  // namespace lumicar
