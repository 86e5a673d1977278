#include "dsbase/com/task_memory.h"

#include <cstdlib>

namespace lumicar {

void* CoTaskMemAlloc(size_t size) { return std::malloc(size ? size : 1); }
void CoTaskMemFree(void* block) { std::free(block); }

}  // namespace lumicar
