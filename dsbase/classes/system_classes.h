#pragma once
// Registers the graph services and system filters under their class ids
// (graph manager, capture graph builder, system device enumerator, sample
// grabber, null renderer, colour-space converter, memory allocator) and the
// converter for intelligent connect. Call once at start-up; calling again
// does nothing.

namespace lumicar {

void DSRegisterSystemClasses();

}  // namespace lumicar
