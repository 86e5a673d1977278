// Stand-in signal library: signal kernels of three tables, and an image kernel that the image lookup
// must never take from here.

#include "kernels/ipp_types.h"
#include "tests/kernels/dispatch/marked_library.h"

using namespace lumicar;
using lumicar::testing::kSignalMark;

extern "C" {

IppStatus ippsCopy_8u(const Ipp8u*, Ipp8u*, int) { return kSignalMark + 1; }
IppStatus ippsSwapBytes_16u_I(Ipp16u*, int) { return kSignalMark + 2; }
IppStatus ippsNorm_L2_64fc64f(const Ipp64fc*, int, Ipp64f*) { return kSignalMark + 3; }
IppStatus ippiCopy_8u_AC4R(const Ipp8u*, int, Ipp8u*, int, IppiSize) { return kSignalMark + 4; }

}  // extern "C"
