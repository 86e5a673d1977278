#pragma once
// Components around the point-data pins: a producer, a point consumer, a
// consumer that takes paired buffers only (so a link to it needs the
// converter), an operation log that may be filled from any thread, and the
// window that holds them in a design.

#include <QObject>

#include "imagepins/xy_float_pins.h"
#include "runtime/component.h"
#include "tests/pins/support/operation_log.h"

namespace lumicar::test {

class TXYTestWindow : public TComponent {
  Q_OBJECT
 public:
  Q_INVOKABLE explicit TXYTestWindow(TComponent* owner = nullptr) : TComponent(owner) {}
};

class TXYPointSource : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TVLOWXYFloatSourcePin* OutputPin READ OutputPin)
 public:
  Q_INVOKABLE explicit TXYPointSource(TComponent* owner = nullptr);
  ~TXYPointSource() override;
  TVLOWXYFloatSourcePin* OutputPin() const { return output_.get(); }

 private:
  TOWPinPtr<TVLOWXYFloatSourcePin> output_;
};

class TXYPointSink : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TVLOWXYFloatSinkPin* InputPin READ InputPin)
 public:
  Q_INVOKABLE explicit TXYPointSink(TComponent* owner = nullptr);
  ~TXYPointSink() override;
  TVLOWXYFloatSinkPin* InputPin() const { return input_.get(); }
  TOperationLog log;

 private:
  TOWPinPtr<TVLOWXYFloatSinkPin> input_;
};

// Its input answers the paired-buffers stream only, not the universal data
// stream that every data-buffer output offers.
class TPairsSink : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TSLOWSinkPin* InputPin READ InputPin)
 public:
  Q_INVOKABLE explicit TPairsSink(TComponent* owner = nullptr);
  ~TPairsSink() override;
  TSLOWSinkPin* InputPin() const { return input_.get(); }
  TOperationLog log;

 private:
  TOWPinPtr<TSLOWSinkPin> input_;
};

// Registers the components above for designs.
void RegisterXYTestClasses();

// Points (i, -2i + 0.5) for i = 0 ... count - 1.
TIntf<TVLXYFloatData> MakeLinePoints(uint32_t count);

}  // namespace lumicar::test
