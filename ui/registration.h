#pragma once
// Makes the windowing layer's design classes (menus, menu items, labels,
// panels, buttons) known to form designs. Safe to call more than once.

namespace lumicar {

void RegisterUIClasses();

}  // namespace lumicar
