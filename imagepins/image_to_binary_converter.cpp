#include "imagepins/image_to_binary_converter.h"

#include "buffers/block_buffer.h"
#include "buffers/generic_buffer.h"
#include "imagepins/buffer_operations.h"
#include "imagepins/image_pins.h"
#include "imagepins/image_streams.h"

namespace lumicar {

TSLOWBinarySourcePin::TSLOWBinarySourcePin(TComponent* owner, IOWLock* ownerLock, TOWDispatchEvent operationEvent)
    : TSLOWSourcePin(owner, ownerLock, std::move(operationEvent)) {
  AddType(IID_SLBinaryArrayStream, TOWSubmitFunction::Bind<&TSLOWSourcePin::NotificationHandler>(this));
}

TSLOWBinarySourcePin::~TSLOWBinarySourcePin() { BeforeDestruction(); }

TSLOWImageToBinaryFormatConverter::TSLOWImageToBinaryFormatConverter() {
  auto* input = new TVLOWImageSinkPin(this);
  auto* output = new TSLOWBinarySourcePin(this);
  // The source in front tells its sinks of an unlink; the converter's own
  // unlink of the same sink must not add a second stop.
  output->SetStopOnUnlink(false);
  input->SetDispatchEvent(
      [this](TOWPin*, const TGUID&, IOWNotifyOperation* operation, TOWNotifyState) { return Convert(operation); });
  InitPins(input, output);
}

TOWDispatchResult TSLOWImageToBinaryFormatConverter::Convert(IOWNotifyOperation* operation) {
  auto* output = static_cast<TSLOWSourcePin*>(OutputPin());
  auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(operation);
  if (!supplied || !supplied->Buffer()) return output->Notify(TIntf<IOWNotifyOperation>(operation));
  // A byte block cannot share an image container, so the bytes are copied
  // into one of its own (a block of exactly the frame's byte size).
  TSLGenericBuffer* frame = TSLGenericBuffer::FromData(supplied->Buffer());
  auto bytes = MakeIntf<TSLBlockBuffer>(frame->ByteRead(), frame->GetByteSize());
  return output->Notify(MakeIntf<TOWSuppliedBufferOperation>(bytes.get()));
}

}  // namespace lumicar
