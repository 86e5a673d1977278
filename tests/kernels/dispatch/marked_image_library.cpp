// Stand-in image library: one name the colour library has too (the image library must win) and one of
// its own.

#include "kernels/ipp_types.h"
#include "tests/kernels/dispatch/marked_library.h"

using namespace lumicar;
using lumicar::testing::kImageMark;

extern "C" {

IppStatus ippiAdd_8u_C3IRSfs(const Ipp8u*, int, Ipp8u*, int, IppiSize, int) { return kImageMark + 1; }
IppStatus ippiCopy_8u_C3R(const Ipp8u*, int, Ipp8u*, int, IppiSize) { return kImageMark + 2; }

}  // extern "C"
