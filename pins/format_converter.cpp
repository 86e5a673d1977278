#include "pins/format_converter.h"

#include "pins/sink_pin.h"
#include "pins/source_pin.h"

namespace lumicar {

TOWFormatConverter::TOWFormatConverter() : TComponent(nullptr) {}

TOWFormatConverter::TOWFormatConverter(TOWSinkPin* input, TOWSourcePin* output) : TComponent(nullptr) {
  InitPins(input, output);
}

TOWFormatConverter::~TOWFormatConverter() {
  OWFreePin(output_);
  OWFreePin(input_);
}

void TOWFormatConverter::InitPins(TOWSinkPin* input, TOWSourcePin* output) {
  input_ = input;
  output_ = output;
  output_->FunctionSinkPins().Add(input_);
  output_->SetDispatchEvent(
      [this](TOWPin* sender, const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state) {
        return SourceOperationEvent(sender, streamId, operation, state);
      });
}

TOWDispatchResult TOWFormatConverter::SourceOperationEvent(TOWPin*, const TGUID&, IOWNotifyOperation* operation,
                                                           TOWNotifyState) {
  return input_ ? input_->Notify(operation) : TOWDispatchResult();
}

}  // namespace lumicar
