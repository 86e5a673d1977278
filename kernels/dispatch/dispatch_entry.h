#pragma once
// How a dispatch table entry is declared: a function type named after the kernel (in kernel_fn) and a
// process-wide pointer of that type with the kernel's exact name, bound once at start-up.

#include "kernels/ipp_types.h"

// Declares lumicar::kernel_fn::<name> (the function type) and the pointer lumicar::<name>. Used inside
// namespace lumicar by the table headers, once per entry.
#define LUMICAR_DECLARE_DISPATCH_ENTRY(name, signature) \
  namespace kernel_fn {                                 \
  using name = signature;                               \
  }                                                     \
  extern kernel_fn::name* name;
