// Without any acceleration library every entry of every table runs its built-in kernel.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "kernels/dispatch/audio_table.h"
#include "kernels/dispatch/builtin_kernels.h"
#include "kernels/dispatch/dispatch.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/dispatch/norm_table.h"
#include "kernels/dispatch/signal_table.h"
#include "tests/kernels/dispatch/dispatch_environment.h"

namespace lumicar {
namespace {

TEST(DispatchNoLibrary, NoLibraryIsLoadedAndNothingIsFound) {
  EXPECT_FALSE(image_loader::CheckIPPSDLLs());
  EXPECT_FALSE(signal_loader::CheckIPPSDLLs());
  EXPECT_EQ(GetIPPIProcAddress("ippiAdd_8u_C3IRSfs"), nullptr);
  EXPECT_EQ(GetIPPSProcAddress("ippsCopy_8u"), nullptr);
  EXPECT_EQ(GetIPPIProcAddress(nullptr), nullptr);
  EXPECT_EQ(ippGetCpuType(), 0);
}

TEST(DispatchNoLibrary, EveryEntryOfEveryTableIsBuiltin) {
  const std::pair<DispatchTable, size_t> tables[] = {{DispatchTable::kImage, 145},
                                                     {DispatchTable::kColorTwist, 2},
                                                     {DispatchTable::kSignal, 11},
                                                     {DispatchTable::kAudio, 6},
                                                     {DispatchTable::kNorm, 1}};
  for (auto [table, size] : tables) {
    const auto entries = TableEntries(table);
    EXPECT_EQ(entries.size(), size);
    std::set<std::string> names;
    for (const DispatchEntry& entry : entries) {
      EXPECT_TRUE(entry.is_builtin()) << entry.name;
      EXPECT_TRUE(IsBuiltinEntry(entry.name)) << entry.name;
      EXPECT_TRUE(names.insert(entry.name).second) << "twice in one table: " << entry.name;
    }
  }
  EXPECT_FALSE(IsBuiltinEntry("ippiNoSuchKernel"));
}

TEST(DispatchNoLibrary, ImageTableKeepsTheLibraryOrder) {
  const auto entries = TableEntries(DispatchTable::kImage);
  ASSERT_EQ(entries.size(), 145u);
  EXPECT_STREQ(entries[0].name, "ippiYUV422ToRGB_8u_C2C3R");
  EXPECT_STREQ(entries[22].name, "ippiMirror_8u_C3R");
  EXPECT_STREQ(entries[62].name, "ippiFilterWienerGetBufferSize");
  EXPECT_STREQ(entries[135].name, "ippsSwapBytes_16u_I");
  EXPECT_STREQ(entries[144].name, "ippiFilterRow32f_8u_C1R");
}

TEST(DispatchNoLibrary, PointersHoldTheBuiltinKernels) {
  EXPECT_TRUE(IsBuiltin(ippiYUV422ToRGB_8u_C2C3R, &builtin::ippiYUV422ToRGB_8u_C2C3R));
  EXPECT_TRUE(IsBuiltin(ippiSwapChannels_8u_C3IR, &builtin::ippiSwapChannels_8u_C3IR));
  EXPECT_TRUE(IsBuiltin(ippiAdd_8u_C3IRSfs, &builtin::ippiAdd_8u_C3IRSfs));
  EXPECT_TRUE(IsBuiltin(ippsCopy_8u, &builtin::ippsCopy_8u));
  EXPECT_TRUE(IsBuiltin(ippiSet_16s_C1R, &builtin::ippiSet_16s_C1R));
  EXPECT_TRUE(IsBuiltin(ippsNorm_L2_64fc64f, &builtin::ippsNorm_L2_64fc64f));
  EXPECT_TRUE(IsBuiltin(ippiColorTwist32f_8u_AC4IR, &builtin::ippiColorTwist32f_8u_AC4IR));
}

TEST(DispatchNoLibrary, StartUpTwiceAndShutdownKeepBuiltins) {
  InitializeKernelDispatch();  // already bound by the environment: nothing happens
  EXPECT_TRUE(IsBuiltinEntry("ippiMirror_8u_C3R"));
  FinalizeKernelDispatch();
  EXPECT_TRUE(IsBuiltinEntry("ippiMirror_8u_C3R"));
  InitializeKernelDispatch();
  EXPECT_TRUE(IsBuiltinEntry("ippiMirror_8u_C3R"));
}

}  // namespace
}  // namespace lumicar
