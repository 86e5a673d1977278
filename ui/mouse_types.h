#pragma once
// Mouse buttons, held keys and buttons as controls report them, the events
// that carry them, and their translation from Qt's input events.

#include <QFlags>
#include <QMetaType>
#include <Qt>

#include "runtime/event.h"

namespace lumicar {

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// The modifier keys and mouse buttons held during a mouse event; ssDouble
// marks the press of a double-click.
enum TShiftStateFlag {
  ssShift = 0x1,
  ssAlt = 0x2,
  ssCtrl = 0x4,
  ssLeft = 0x8,
  ssRight = 0x10,
  ssMiddle = 0x20,
  ssDouble = 0x40,
};
Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

// (sender, button, shift, x, y) in control coordinates.
using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
// (sender, shift, x, y) in control coordinates.
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;

// The button Qt reports; buttons other than the three known ones give none.
bool MouseButtonFromQt(Qt::MouseButton button, TMouseButton* result);
TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

}  // namespace lumicar

Q_DECLARE_METATYPE(lumicar::TMouseEvent)
Q_DECLARE_METATYPE(lumicar::TMouseMoveEvent)
