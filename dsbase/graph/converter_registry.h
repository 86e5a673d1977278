#pragma once
// The filters the graph may put between two pins that do not connect
// directly, tried in registration order.

#include <vector>

#include "runtime/interface.h"

namespace lumicar {

void DSRegisterConverter(const TGUID& clsid);
std::vector<TGUID> DSConverterClasses();

}  // namespace lumicar
