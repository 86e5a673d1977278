#pragma once
// The pins that carry point data over the "XY Float Coordinates stream",
// and the operation that carries one series of points. They keep the rules
// of every data-buffer pin: a sink linked to a running source learns the
// start first, a sink unlinked from it hears a stop.

#include <atomic>

#include "imagepins/data_buffer_pins.h"
#include "imagepins/xy_float_data.h"
#include "pins/operations.h"

namespace lumicar {

// Holds a handle of its own on the points (sharing their container), so they
// stay as sent for as long as a receiver keeps the operation.
class TOWVLSuppliedXYFloatDataOperation : public TOWSuppliedOperation {
 public:
  // None gives an operation without points.
  explicit TOWVLSuppliedXYFloatDataOperation(IVLXYFloatData* data);
  IVLXYFloatData* Data() const { return data_.get(); }

 private:
  TIntf<IVLXYFloatData> data_;
};

class TVLOWXYFloatSourcePin : public TSLOWSourcePin {
  Q_OBJECT
 public:
  explicit TVLOWXYFloatSourcePin(TComponent* owner, IOWLock* ownerLock = nullptr, TOWDispatchEvent operationEvent = {});
  ~TVLOWXYFloatSourcePin() override;

  // Sends the points as a supplied point-data operation. True when every
  // receiver took it without raising; an error below is swallowed (the
  // producer goes on with its next series, the first such error of the pin
  // is logged) and gives false, as does none.
  bool SubmitData(IVLXYFloatData* data);

 private:
  std::atomic<bool> failureLogged_{false};
};

class TVLOWXYFloatSinkPin : public TSLOWSinkPin {
  Q_OBJECT
 public:
  explicit TVLOWXYFloatSinkPin(TComponent* owner, IOWLock* ownerLock = nullptr, TOWDispatchEvent operationEvent = {});
  ~TVLOWXYFloatSinkPin() override;
};

}  // namespace lumicar
