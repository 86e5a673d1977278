#pragma once
// A process-wide count of live media objects (filters, pins, enumerators,
// allocators, samples): a test that ends with a higher count than it began
// with has leaked a reference.

#include <cstdint>

namespace lumicar {

int64_t DSLiveObjectCount();
void DSLiveObjectCreated();
void DSLiveObjectDestroyed();

}  // namespace lumicar
