#pragma once
// Binds the dispatch tables once for a test program, as the program's start-up does, and releases the
// libraries at its end.

#include <gtest/gtest.h>

#include "kernels/dispatch/dispatch.h"

namespace lumicar::testing {

class DispatchEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { InitializeKernelDispatch(); }
  void TearDown() override { FinalizeKernelDispatch(); }
};

// Registered before main runs the tests.
inline ::testing::Environment* const dispatch_environment =
    ::testing::AddGlobalTestEnvironment(new DispatchEnvironment);

}  // namespace lumicar::testing
