#pragma once
// The settings of a top-level window as designs name them: where it appears,
// its window state, its frame and whether it stays on top.

#include <QObject>

// In a namespace of its own so that designs store the values by name ("poScreenCenter").
namespace lumicar::form_types {
Q_NAMESPACE

// Where the window appears when it is shown: where the design put it, where
// the desktop puts it, centred on its screen, centred on the application's main
// window or on the window that owns it.
enum TPosition { poDesigned, poDefault, poScreenCenter, poDesktopCenter, poMainFormCenter, poOwnerFormCenter };
Q_ENUM_NS(TPosition)

enum TWindowState { wsNormal, wsMinimized, wsMaximized };
Q_ENUM_NS(TWindowState)

// The frame: none at all, fixed, resizable, a dialog's (fixed), a tool window's.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
Q_ENUM_NS(TFormBorderStyle)

enum TFormStyle { fsNormal, fsStayOnTop };
Q_ENUM_NS(TFormStyle)

}  // namespace lumicar::form_types

namespace lumicar {

using form_types::TFormBorderStyle;
using form_types::TFormStyle;
using form_types::TPosition;
using form_types::TWindowState;
using enum form_types::TPosition;
using enum form_types::TWindowState;
using enum form_types::TFormBorderStyle;
using enum form_types::TFormStyle;

}  // namespace lumicar
