#pragma once
// Shared helpers of the typed pin tests: counters for value callbacks and a
// component with the standard pins (tests/pins/support/operation_log.h logs
// what reaches a pin).

#include <vector>

#include "pins/notify_operation.h"
#include "pins/pin.h"
#include "pins/typed/bool_pins.h"
#include "runtime/component.h"
#include "tests/pins/support/operation_log.h"

namespace lumicar::test {

// Records every value a value-changed callback reports.
template <typename Pin, typename Value>
struct TValueLog {
  auto Event() {
    return [this](Pin* pin, const Value& value) {
      pins.push_back(pin);
      values.push_back(value);
    };
  }
  std::vector<Pin*> pins;
  std::vector<Value> values;
};

// A component that publishes its standard pins the way components do.
class TSwitchComponent : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TOWBoolSinkPin* EnablePin READ EnablePin)
  Q_PROPERTY(lumicar::TOWBoolStatePin* StatePin READ StatePin)
  Q_PROPERTY(lumicar::TOWBoolSourcePin* OutputPin READ OutputPin)
 public:
  explicit TSwitchComponent(TComponent* owner = nullptr, const QString& name = QString()) : TComponent(owner) {
    if (!name.isEmpty()) SetName(name);
    enable_.reset(new TOWBoolSinkPin(this));
    state_.reset(new TOWBoolStatePin(this));
    output_.reset(new TOWBoolSourcePin(this));
  }
  ~TSwitchComponent() override {
    output_.reset();
    state_.reset();
    enable_.reset();
  }
  TOWBoolSinkPin* EnablePin() const { return enable_.get(); }
  TOWBoolStatePin* StatePin() const { return state_.get(); }
  TOWBoolSourcePin* OutputPin() const { return output_.get(); }

 private:
  TOWPinPtr<TOWBoolSinkPin> enable_;
  TOWPinPtr<TOWBoolStatePin> state_;
  TOWPinPtr<TOWBoolSourcePin> output_;
};

}  // namespace lumicar::test
