#pragma once
// The norm table: the L2 norm of a complex vector, used by the signal buffers.

#include "kernels/dispatch/dispatch_entry.h"

#define LUMICAR_NORM_TABLE(X) X(ippsNorm_L2_64fc64f, IppStatus(const Ipp64fc* pSrc, int len, Ipp64f* pNorm))

namespace lumicar {

LUMICAR_NORM_TABLE(LUMICAR_DECLARE_DISPATCH_ENTRY)

}  // namespace lumicar
