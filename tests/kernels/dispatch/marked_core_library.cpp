// Stand-in core library: only the processor type.

#include "tests/kernels/dispatch/marked_library.h"

extern "C" int ippGetCpuType() { return lumicar::testing::kCoreCpuType; }
