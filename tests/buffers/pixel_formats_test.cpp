#include "buffers/pixel_formats.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace lumicar {
namespace {

std::vector<TVLVideoFormat> AllFormats() {
  std::vector<TVLVideoFormat> all;
  for (int f = 0; f < kVLVideoFormatCount; ++f) all.push_back(TVLVideoFormat(f));
  return all;
}

TEST(PixelFormatTable, EveryFormatHasASubtypeThatMapsBackToItsLayout) {
  for (TVLVideoFormat f : AllFormats()) {
    SCOPED_TRACE(int(f));
    const TVLPixelFormatInfo& info = VLPixelFormat(f);
    EXPECT_EQ(info.layout, VLLayoutOf(f));
    const TVLPixelFormatInfo* back = VLPixelFormatOfSubtype(info.subtype);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->layout, VLLayoutOf(f));
    EXPECT_EQ(VLGetFormatFromGUID(VLGetGUIDFromFormat(f)), VLLayoutOf(f));
  }
}

TEST(PixelFormatTable, DistinctLayoutsHaveDistinctSubtypesAndNames) {
  std::set<TGUID> subtypes;
  std::set<std::string> names;
  for (TVLVideoFormat f : AllFormats()) {
    if (f != VLLayoutOf(f)) continue;
    EXPECT_TRUE(subtypes.insert(VLPixelFormat(f).subtype).second) << int(f);
    EXPECT_TRUE(names.insert(VLPixelFormat(f).name).second) << int(f);
  }
}

TEST(PixelFormatTable, FourCCsAreThoseOfTheirSubtypesAndLookUpBack) {
  for (TVLVideoFormat f : AllFormats()) {
    SCOPED_TRACE(int(f));
    const TVLPixelFormatInfo& info = VLPixelFormat(f);
    if (info.fourCC == 0) {
      // Plain RGB: the layout is told by the subtype and bit count alone.
      EXPECT_FALSE(info.packed422);
      continue;
    }
    EXPECT_EQ(info.subtype, VLFourCCSubtype(info.fourCC));
    ASSERT_EQ(VLPixelFormatOfFourCC(info.fourCC), &info);
  }
  EXPECT_EQ(VLPixelFormatOfFourCC(0), nullptr);
  EXPECT_EQ(VLPixelFormatOfFourCC(VLMakeFourCC('M', 'J', 'P', 'G')), nullptr);
}

TEST(PixelFormatTable, BitsAreWholeBytesAndPacked422IsTopDownSixteenBits) {
  for (TVLVideoFormat f : AllFormats()) {
    SCOPED_TRACE(int(f));
    const TVLPixelFormatInfo& info = VLPixelFormat(f);
    EXPECT_GT(info.bitsPerPixel, 0);
    EXPECT_EQ(info.bitsPerPixel % 8, 0);
    EXPECT_EQ(VLBytesPerPixel(f) * 8, VLBitsPerPixel(f));
    if (info.packed422) {
      EXPECT_EQ(info.bitsPerPixel, 16);
      EXPECT_FALSE(info.bottomUpByDefault);
      EXPECT_NE(info.fourCC, 0u);
    } else {
      EXPECT_TRUE(info.bottomUpByDefault);
    }
  }
}

TEST(PixelFormatTable, RowStepsHoldTheRowAndFollowTheAlignmentRules) {
  for (TVLVideoFormat f : AllFormats()) {
    const TVLPixelFormatInfo& info = VLPixelFormat(f);
    for (int64_t w = 1; w <= 67; ++w) {
      SCOPED_TRACE(testing::Message() << int(f) << " width " << w);
      const int64_t rowBits = w * info.bitsPerPixel;
      // Packed 4:2:2 has even widths only.
      if (info.packed422 && (w & 1)) continue;
      const int64_t sample = VLSampleStride(f, w);
      EXPECT_GE(sample * 8, rowBits);
      EXPECT_EQ(sample % 4, 0);
      EXPECT_LT(sample - 4, (rowBits + 7) / 8);  // no more than the padding
      EXPECT_EQ(sample, VLBitmapRowBytes(w, info.bitsPerPixel));
      const int64_t step = VLRowStep(f, w);
      EXPECT_GE(step * 8, rowBits);
      EXPECT_EQ(VLBufferSize(f, w, 3), 3 * step);
      EXPECT_EQ(VLPaddedWidth(f, w) % (info.rowsPaddedTo4Pixels ? 4 : 1), 0);
    }
    EXPECT_EQ(VLSampleStride(f, 0), 0);
    EXPECT_EQ(VLSampleStride(f, -4), 0);
    EXPECT_EQ(VLRowStep(f, 0), 0);
  }
}

TEST(PixelFormatTable, RGB24FrameRowsStartOnFourByteBoundaries) {
  for (int64_t w = 1; w <= 16; ++w) EXPECT_EQ(VLRowStep(vfRGB24, w) % 4, 0) << w;
}

TEST(PixelFormatTable, ValuesOutsideTheEnumerationReadAsRGB24) {
  const TVLVideoFormat corrupt = TVLVideoFormat(200);
  EXPECT_EQ(&VLPixelFormat(corrupt), &VLPixelFormat(vfRGB24));
  EXPECT_EQ(VLRowStep(corrupt, 4), VLRowStep(vfRGB24, 4));
}

TEST(PixelFormatTable, UnknownSubtypesAreNotGuessed) {
  EXPECT_EQ(VLPixelFormatOfSubtype(GUID_NULL), nullptr);
  EXPECT_EQ(VLPixelFormatOfSubtype(VLFourCCSubtype(VLMakeFourCC('N', 'V', '1', '2'))), nullptr);
  // The stored-design fallback stays RGB24.
  EXPECT_EQ(VLGetFormatFromGUID(GUID_NULL), vfRGB24);
  ASSERT_NE(VLPixelFormatOfSubtype(MEDIASUBTYPE_ARGB32), nullptr);
  EXPECT_EQ(VLPixelFormatOfSubtype(MEDIASUBTYPE_ARGB32)->layout, vfRGBA32);
}

TEST(PixelFormatTable, SubtypeConstantsEqualTheirRegistryText) {
  // The constants are written as numbers; their text form is how designs
  // and logs show them.
  EXPECT_EQ(MEDIASUBTYPE_RGB24, TGUID::FromString("{E436EB7D-524F-11CE-9F53-0020AF0BA770}"));
  EXPECT_EQ(MEDIASUBTYPE_RGB8, TGUID::FromString("{E436EB7A-524F-11CE-9F53-0020AF0BA770}"));
  EXPECT_EQ(MEDIASUBTYPE_YUY2, TGUID::FromString("{32595559-0000-0010-8000-00AA00389B71}"));
  EXPECT_EQ(MEDIASUBTYPE_ARGB32, TGUID::FromString("{773C9AC0-3274-11D0-B724-00AA006C1A01}"));
}

}  // namespace
}  // namespace lumicar
