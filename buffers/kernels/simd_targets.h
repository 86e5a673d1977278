#pragma once
// The instruction sets the vectorised conversion kernels are compiled for; include before any Highway header.
// x86-64 gets 128-bit SSSE3, 256-bit AVX2 and 512-bit AVX-512 code, chosen at run time by what the processor
// has; 64-bit ARM gets NEON. The fallback for processors below those is the plain pixel loop (this Highway
// has no SSE2-only target, and with GCC before 12.3 it swaps its portable 128-bit emulation for a one-lane
// one). Targets left out (SSE4, the newest AVX-512 extensions, SVE) would add build time for no measurable
// gain on these memory-bound kernels.

#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SSE4 | HWY_AVX3_DL | HWY_SVE | HWY_SVE2 | HWY_SVE_256 | HWY_SVE2_128)
#endif
