#pragma once
// Colours of controls: plain 0x00BBGGRR values and the named system colours
// (negative values), resolved against the desktop's palette when painted.

#include <QColor>
#include <QPalette>

#include "components/lp_value_types.h"

namespace lumicar {

// System colours: they follow the desktop theme instead of naming an RGB value.
inline constexpr TColor clWindow = TColor(-1);      // background of content areas
inline constexpr TColor clBtnFace = TColor(-2);     // face of windows and buttons
inline constexpr TColor clWindowText = TColor(-3);  // text on clWindow
inline constexpr TColor clHighlight = TColor(-4);   // selection background

inline constexpr TColor clBlack = TColor(0x000000);
inline constexpr TColor clWhite = TColor(0xFFFFFF);
inline constexpr TColor clRed = TColor(0x0000FF);
inline constexpr TColor clLime = TColor(0x00FF00);
inline constexpr TColor clBlue = TColor(0xFF0000);

// The RGB value of a colour; system colours are looked up in palette. An
// unknown system colour gives black rather than an arbitrary value.
QColor ColorToRGB(TColor color, const QPalette& palette);

// Makes the colour names above known to form designs ("Color = clBlack").
// Safe to call more than once.
void RegisterColorIdents();

}  // namespace lumicar
