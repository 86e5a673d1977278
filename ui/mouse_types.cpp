#include "ui/mouse_types.h"

namespace lumicar {

bool MouseButtonFromQt(Qt::MouseButton button, TMouseButton* result) {
  switch (button) {
    case Qt::LeftButton:
      *result = mbLeft;
      return true;
    case Qt::RightButton:
      *result = mbRight;
      return true;
    case Qt::MiddleButton:
      *result = mbMiddle;
      return true;
    default:
      return false;
  }
}

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState state;
  if (modifiers.testFlag(Qt::ShiftModifier)) state |= ssShift;
  if (modifiers.testFlag(Qt::AltModifier)) state |= ssAlt;
  if (modifiers.testFlag(Qt::ControlModifier)) state |= ssCtrl;
  if (buttons.testFlag(Qt::LeftButton)) state |= ssLeft;
  if (buttons.testFlag(Qt::RightButton)) state |= ssRight;
  if (buttons.testFlag(Qt::MiddleButton)) state |= ssMiddle;
  return state;
}

}  // namespace lumicar
