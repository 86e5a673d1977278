#pragma once
// TOWFormatConverter: a component without owner that a source pin puts
// between itself and a sink when the two share no stream type but a
// registered converter bridges them. It owns an input pin (fed by the source)
// and an output pin (feeding the sink); the source owns the converter and
// frees it with the last link through it.

#include "pins/notify_state.h"
#include "runtime/component.h"
#include "runtime/guid.h"

namespace lumicar {

class TOWPin;
class TOWSinkPin;
class TOWSourcePin;
class IOWNotifyOperation;

class TOWFormatConverter : public TComponent {
  Q_OBJECT
 public:
  // Takes over both pins; the input becomes a function dependency of the
  // output.
  TOWFormatConverter(TOWSinkPin* input, TOWSourcePin* output);
  ~TOWFormatConverter() override;

  TOWSinkPin* InputPin() const { return input_; }
  TOWSourcePin* OutputPin() const { return output_; }

 protected:
  // For descendants that make their pins with this converter as owner; they
  // call InitPins from their constructor.
  TOWFormatConverter();
  void InitPins(TOWSinkPin* input, TOWSourcePin* output);

  // Upstream notifications that reach the output pin go on from the input.
  virtual TOWDispatchResult SourceOperationEvent(TOWPin* sender, const TGUID& streamId, IOWNotifyOperation* operation,
                                                 TOWNotifyState state);

 private:
  TOWSinkPin* input_ = nullptr;
  TOWSourcePin* output_ = nullptr;
};

}  // namespace lumicar
