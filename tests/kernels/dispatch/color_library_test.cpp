// Only the colour library is present: the image entries it exports are bound to it, everything else to
// the built-in kernels; the signal lookup never takes anything from it.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "kernels/dispatch/audio_table.h"
#include "kernels/dispatch/dispatch.h"
#include "kernels/dispatch/image_table.h"
#include "kernels/dispatch/signal_table.h"
#include "tests/kernels/dispatch/dispatch_environment.h"
#include "tests/kernels/dispatch/marked_library.h"

namespace lumicar {
namespace {

using testing::kColorMark;

TEST(DispatchColorLibrary, OnlyTheColorLibraryIsFound) {
  // Without the stand-in on the library path this scenario would prove nothing.
  ASSERT_NE(GetIPPIProcAddress("ippiAdd_8u_C3IRSfs"), nullptr) << "libippcc.so not on LD_LIBRARY_PATH";
  EXPECT_FALSE(image_loader::CheckIPPSDLLs());  // the image library is missing
  EXPECT_FALSE(signal_loader::CheckIPPSDLLs());
  EXPECT_EQ(GetIPPIProcAddress("ippiMirror_8u_AC4R"), nullptr);
  EXPECT_EQ(GetIPPSProcAddress("ippsSwapBytes_16u_I"), nullptr);
  EXPECT_EQ(ippGetCpuType(), 0);  // the colour library's export of that name does not count
}

TEST(DispatchColorLibrary, ExportedImageEntriesRunTheLibrary) {
  Ipp8u pixels[12] = {};
  const IppiSize roi{1, 1};
  EXPECT_EQ(ippiAdd_8u_C3IRSfs(pixels, 3, pixels, 3, roi, 1), kColorMark + 1);
  EXPECT_EQ(ippiMirror_8u_C3R(pixels, 3, pixels + 3, 3, roi, ippAxsHorizontal), kColorMark + 2);
  EXPECT_EQ(ippiFilterRow32f_8u_C1R(pixels, 1, pixels, 1, roi, nullptr, 1, 0), kColorMark + 8);
  // The image lookup also serves the ippi entries of the other tables.
  const Ipp8u value[4] = {};
  EXPECT_EQ(ippiSet_8u_C4R(value, pixels, 4, roi), kColorMark + 3);
  const Ipp32f twist[3][4] = {};
  EXPECT_EQ(ippiColorTwist32f_8u_C3IR(pixels, 3, roi, twist), kColorMark + 5);
  EXPECT_EQ(ippiAdd_8u_C1IRSfs(pixels, 1, pixels, 1, roi, 0), kColorMark + 7);
  EXPECT_EQ(ippiSet_8u_C1R(0, pixels, 1, roi), kColorMark + 6);  // shared by the audio and image tables
}

TEST(DispatchColorLibrary, EverythingElseIsBuiltin) {
  const std::set<std::string> exported = {"ippiAdd_8u_C3IRSfs",        "ippiMirror_8u_C3R", "ippiSet_8u_C4R",
                                          "ippiColorTwist32f_8u_C3IR", "ippiSet_8u_C1R",    "ippiAdd_8u_C1IRSfs",
                                          "ippiFilterRow32f_8u_C1R"};
  int bound = 0;
  for (DispatchTable table : {DispatchTable::kImage, DispatchTable::kColorTwist, DispatchTable::kSignal,
                              DispatchTable::kAudio, DispatchTable::kNorm}) {
    for (const DispatchEntry& entry : TableEntries(table)) {
      const bool from_library = exported.count(entry.name) != 0;
      EXPECT_EQ(entry.is_builtin(), !from_library) << entry.name;
      bound += from_library ? 1 : 0;
    }
  }
  EXPECT_EQ(bound, 8);  // ippiSet_8u_C1R appears in two tables
  // A signal entry exported by the colour library stays built-in: it behaves as the contract says.
  Ipp16u words[2] = {0x1234, 0xABCD};
  EXPECT_EQ(ippsSwapBytes_16u_I(words, 2), ippStsNoErr);
  EXPECT_EQ(words[0], 0x3412);
  EXPECT_EQ(words[1], 0xCDAB);
}

TEST(DispatchColorLibrary, ShutdownReturnsEveryEntryToItsBuiltinAndStartUpBindsAgain) {
  FinalizeKernelDispatch();
  EXPECT_EQ(GetIPPIProcAddress("ippiAdd_8u_C3IRSfs"), nullptr);
  EXPECT_TRUE(IsBuiltinEntry("ippiAdd_8u_C3IRSfs"));
  EXPECT_TRUE(IsBuiltinEntry("ippiSet_8u_C1R"));
  InitializeKernelDispatch();
  EXPECT_FALSE(IsBuiltinEntry("ippiAdd_8u_C3IRSfs"));
  EXPECT_FALSE(IsBuiltinEntry("ippiSet_8u_C4R"));
}

}  // namespace
}  // namespace lumicar
