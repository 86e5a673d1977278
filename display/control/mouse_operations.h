#pragma once
// The operations a display sends when the mouse moves or a button goes down
// or up over it, with the position in frame pixels.

#include <cstdint>

#include "pins/operations.h"
#include "ui/mouse_types.h"

namespace lumicar {

class TOWSLSuppliedMouseMoveOperation : public TOWSuppliedOperation {
 public:
  TOWSLSuppliedMouseMoveOperation(TShiftState shift, int32_t x, int32_t y) : shift_(shift), x_(x), y_(y) {}
  TShiftState Shift() const { return shift_; }
  int32_t X() const { return x_; }
  int32_t Y() const { return y_; }

 private:
  TShiftState shift_;
  int32_t x_;
  int32_t y_;
};

// A press or release: the button concerned, the held keys and buttons, the position.
class TOWSLSuppliedMouseButtonOperation : public TOWSuppliedOperation {
 public:
  TOWSLSuppliedMouseButtonOperation(TMouseButton button, TShiftState shift, int32_t x, int32_t y)
      : button_(button), shift_(shift), x_(x), y_(y) {}
  TMouseButton Button() const { return button_; }
  TShiftState Shift() const { return shift_; }
  int32_t X() const { return x_; }
  int32_t Y() const { return y_; }

 private:
  TMouseButton button_;
  TShiftState shift_;
  int32_t x_;
  int32_t y_;
};

class TOWSLSuppliedMouseButtonDownOperation : public TOWSLSuppliedMouseButtonOperation {
 public:
  using TOWSLSuppliedMouseButtonOperation::TOWSLSuppliedMouseButtonOperation;
};

class TOWSLSuppliedMouseButtonUpOperation : public TOWSLSuppliedMouseButtonOperation {
 public:
  using TOWSLSuppliedMouseButtonOperation::TOWSLSuppliedMouseButtonOperation;
};

}  // namespace lumicar
