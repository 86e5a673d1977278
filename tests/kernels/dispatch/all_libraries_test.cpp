// All four libraries are present: the image library is asked before the colour library, signal entries
// come from the signal library only, and the processor type from the core library.

#include <gtest/gtest.h>

#include "kernels/dispatch/dispatch.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/dispatch/norm_table.h"
#include "kernels/dispatch/signal_table.h"
#include "tests/kernels/dispatch/dispatch_environment.h"
#include "tests/kernels/dispatch/marked_library.h"

namespace lumicar {
namespace {

using testing::kColorMark;
using testing::kCoreCpuType;
using testing::kImageMark;
using testing::kSignalMark;

TEST(DispatchAllLibraries, BothLoadersReportTheirLibraries) {
  ASSERT_TRUE(image_loader::CheckIPPSDLLs()) << "stand-in libraries not on LD_LIBRARY_PATH";
  EXPECT_TRUE(signal_loader::CheckIPPSDLLs());
  EXPECT_EQ(ippGetCpuType(), kCoreCpuType);
}

TEST(DispatchAllLibraries, ImageLibraryComesBeforeColorLibrary) {
  Ipp8u pixels[12] = {};
  const IppiSize roi{1, 1};
  EXPECT_EQ(ippiAdd_8u_C3IRSfs(pixels, 3, pixels, 3, roi, 1), kImageMark + 1);  // both export it
  EXPECT_EQ(ippiCopy_8u_C3R(pixels, 3, pixels + 3, 3, roi), kImageMark + 2);
  EXPECT_EQ(ippiMirror_8u_C3R(pixels, 3, pixels + 3, 3, roi, ippAxsHorizontal), kColorMark + 2);
  // An image kernel exported only by the signal library is not looked up there.
  EXPECT_TRUE(IsBuiltinEntry("ippiCopy_8u_AC4R"));
  EXPECT_EQ(GetIPPIProcAddress("ippiCopy_8u_AC4R"), nullptr);
}

TEST(DispatchAllLibraries, SignalEntriesComeFromTheSignalLibrary) {
  Ipp8u bytes[4] = {};
  EXPECT_EQ(ippsCopy_8u(bytes, bytes + 2, 2), kSignalMark + 1);
  Ipp16u words[1] = {};
  EXPECT_EQ(ippsSwapBytes_16u_I(words, 1), kSignalMark + 2);  // image table entry, signal lookup
  const Ipp64fc z{3, 4};
  Ipp64f norm = 0;
  EXPECT_EQ(ippsNorm_L2_64fc64f(&z, 1, &norm), kSignalMark + 3);
  EXPECT_TRUE(IsBuiltinEntry("ippsSet_8u"));  // not exported: built-in
}

TEST(DispatchAllLibraries, ShutdownReleasesTheLibrariesButNotTheCore) {
  FinalizeKernelDispatch();
  EXPECT_FALSE(image_loader::CheckIPPSDLLs());
  EXPECT_FALSE(signal_loader::CheckIPPSDLLs());
  EXPECT_TRUE(IsBuiltinEntry("ippiAdd_8u_C3IRSfs"));
  EXPECT_TRUE(IsBuiltinEntry("ippsCopy_8u"));
  EXPECT_EQ(ippGetCpuType(), kCoreCpuType);  // the core library stays loaded
  InitializeKernelDispatch();
  EXPECT_TRUE(image_loader::CheckIPPSDLLs());
  EXPECT_FALSE(IsBuiltinEntry("ippsCopy_8u"));
}

}  // namespace
}  // namespace lumicar
