// Stand-in colour library: a few image kernels, one kernel of each other table that the image lookup
// serves, and a signal kernel that the signal lookup must never take from here.

#include "kernels/ipp_types.h"
#include "tests/kernels/dispatch/marked_library.h"

using namespace lumicar;
using lumicar::testing::kColorMark;

extern "C" {

IppStatus ippiAdd_8u_C3IRSfs(const Ipp8u*, int, Ipp8u*, int, IppiSize, int) { return kColorMark + 1; }
IppStatus ippiMirror_8u_C3R(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiAxis) { return kColorMark + 2; }
IppStatus ippiSet_8u_C4R(const Ipp8u*, Ipp8u*, int, IppiSize) { return kColorMark + 3; }
IppStatus ippsSwapBytes_16u_I(Ipp16u*, int) { return kColorMark + 4; }
IppStatus ippiColorTwist32f_8u_C3IR(Ipp8u*, int, IppiSize, const Ipp32f (*)[4]) { return kColorMark + 5; }
IppStatus ippiSet_8u_C1R(Ipp8u, Ipp8u*, int, IppiSize) { return kColorMark + 6; }
IppStatus ippiAdd_8u_C1IRSfs(const Ipp8u*, int, Ipp8u*, int, IppiSize, int) { return kColorMark + 7; }
IppStatus ippiFilterRow32f_8u_C1R(const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f*, int, int) {
  return kColorMark + 8;
}
int ippGetCpuType() { return 1; }

}  // extern "C"
