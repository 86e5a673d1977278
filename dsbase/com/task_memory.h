#pragma once
// Task memory: blocks handed across interfaces (format blocks, names,
// enumerated media types) that the receiver frees with CoTaskMemFree.

#include <cstddef>

namespace lumicar {

// nullptr when the block cannot be had; a size of 0 still yields a block.
void* CoTaskMemAlloc(size_t size);
void CoTaskMemFree(void* block);

}  // namespace lumicar
