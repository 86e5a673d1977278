#pragma once
// Row addressing and the argument checks of the conversion and mirror kernels beyond the common ones of
// kernel_contract.h (null pointer, size, step): channel orders and mirror axes.

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "kernels/ipp_types.h"
#include "kernels/kernel_contract.h"

namespace lumicar::builtin {

using detail::CheckImageArgs;
using detail::CheckVectorArgs;

// Channel orders name a source channel 0, 1 or 2 for each destination channel.
inline IppStatus CheckChannelOrder(const int order[3]) {
  for (int k = 0; k < 3; ++k) {
    if (order[k] < 0 || order[k] > 2) return ippStsChannelOrderErr;
  }
  return ippStsNoErr;
}

inline IppStatus CheckMirrorAxis(IppiAxis axis) {
  return axis == ippAxsHorizontal || axis == ippAxsVertical || axis == ippAxsBoth ? ippStsNoErr : ippStsMirrorFlipErr;
}

// Start of row `row`, in pointer-sized arithmetic: a large frame's last row offset overflows an int.
template <typename T>
inline T* RowAt(T* base, int step, int row) {
  using Byte = std::conditional_t<std::is_const_v<T>, const uint8_t, uint8_t>;
  return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) + static_cast<std::ptrdiff_t>(step) * row);
}

}  // namespace lumicar::builtin
