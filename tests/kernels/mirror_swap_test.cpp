// Mirror, channel swap, byte swap and byte copy kernels against the reference loops on every instruction set,
// with the argument contract.

#include <array>
#include <cstring>
#include <vector>

#include "kernels/memory_ops.h"
#include "kernels/mirror.h"
#include "kernels/swap_channels.h"
#include "testing/kernels/reference_kernels.h"
#include "tests/kernels/kernel_test_support.h"

namespace lumicar {
namespace {

using test::Frame;

// One mirror entry with its pixel geometry; 16-bit and in-place entries are adapted to one shape.
struct MirrorEntry {
  const char* name;
  int pixel_bytes;
  int moved_bytes;
  IppStatus (*run)(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiAxis);
  IppStatus (*run_in_place)(Ipp8u*, int, IppiSize, IppiAxis);
};

IppStatus Mirror16(const Ipp8u* src, int src_step, Ipp8u* dst, int dst_step, IppiSize size, IppiAxis axis) {
  return builtin::ippiMirror_16u_C1R(reinterpret_cast<const Ipp16u*>(src), src_step, reinterpret_cast<Ipp16u*>(dst),
                                     dst_step, size, axis);
}

const std::array<MirrorEntry, 5> kMirrors = {{
    {"C1", 1, 1, builtin::ippiMirror_8u_C1R, builtin::ippiMirror_8u_C1IR},
    {"16u", 2, 2, Mirror16, nullptr},
    {"C3", 3, 3, builtin::ippiMirror_8u_C3R, builtin::ippiMirror_8u_C3IR},
    {"C4", 4, 4, builtin::ippiMirror_8u_C4R, builtin::ippiMirror_8u_C4IR},
    {"AC4", 4, 3, builtin::ippiMirror_8u_AC4R, builtin::ippiMirror_8u_AC4IR},
}};

TEST(MirrorKernels, HalfTurnOfTwoByTwo) {
  // A B / C D with 3-byte pixels and a padded step of 8 bytes.
  const uint8_t src[16] = {1, 1, 1, 2, 2, 2, 0, 0, 3, 3, 3, 4, 4, 4, 0, 0};
  uint8_t dst[16];
  std::memset(dst, 0x77, sizeof dst);
  ASSERT_EQ(builtin::ippiMirror_8u_C3R(src, 8, dst, 8, {2, 2}, ippAxsBoth), 0);
  const uint8_t expected[16] = {4, 4, 4, 3, 3, 3, 0x77, 0x77, 2, 2, 2, 1, 1, 1, 0x77, 0x77};
  EXPECT_EQ(0, std::memcmp(dst, expected, sizeof dst));
}

TEST(MirrorKernels, BadArgumentsWriteNothing) {
  std::vector<uint8_t> src(64, 3), dst(64, 0x5A);
  for (const auto& m : kMirrors) {
    SCOPED_TRACE(m.name);
    EXPECT_EQ(m.run(src.data(), 16, dst.data(), 16, {2, 2}, static_cast<IppiAxis>(3)), ippStsMirrorFlipErr);
    EXPECT_EQ(m.run(src.data(), 16, dst.data(), 16, {2, 2}, static_cast<IppiAxis>(-1)), ippStsMirrorFlipErr);
    EXPECT_EQ(m.run(src.data(), 16, dst.data(), 16, {0, 2}, ippAxsBoth), ippStsSizeErr);
    EXPECT_EQ(m.run(src.data(), 16, dst.data(), 16, {2, 0}, ippAxsBoth), ippStsSizeErr);
    EXPECT_EQ(m.run(nullptr, 16, dst.data(), 16, {2, 2}, ippAxsBoth), ippStsNullPtrErr);
    EXPECT_EQ(m.run(src.data(), 0, dst.data(), 16, {2, 2}, ippAxsBoth), ippStsStepErr);
    if (m.run_in_place != nullptr) {
      EXPECT_EQ(m.run_in_place(dst.data(), 16, {2, 2}, static_cast<IppiAxis>(3)), ippStsMirrorFlipErr);
      EXPECT_EQ(m.run_in_place(dst.data(), 16, {0, 2}, ippAxsVertical), ippStsSizeErr);
      EXPECT_EQ(m.run_in_place(nullptr, 16, {2, 2}, ippAxsVertical), ippStsNullPtrErr);
      EXPECT_EQ(m.run_in_place(dst.data(), -16, {2, 2}, ippAxsVertical), ippStsStepErr);
    }
  }
  EXPECT_EQ(dst, std::vector<uint8_t>(64, 0x5A));
}

// Every entry, axis and geometry against the reference. Destinations start as random bytes, so padding and
// the AC4 fourth bytes must come out exactly as they went in.
TEST(MirrorKernels, MatchReferenceOutOfPlaceAndInPlace) {
  for (const auto& m : kMirrors) {
    for (int width : test::kTestWidths) {
      for (int height : {1, 2, 5}) {
        SCOPED_TRACE(testing::Message() << m.name << " " << width << "x" << height);
        Frame src(width, height, m.pixel_bytes, 4);
        test::FillRandom(src, width * 31 + height);
        Frame initial(width, height, m.pixel_bytes, 4);
        test::FillRandom(initial, width * 17 + height);
        for (int axis = 0; axis < 3; ++axis) {
          Frame expected = initial;
          reference::Mirror(src.data(), src.step, expected.data(), expected.step, width, height, m.pixel_bytes,
                            m.moved_bytes, axis);
          Frame expected_in_place = src;
          reference::Mirror(src.data(), src.step, expected_in_place.data(), src.step, width, height, m.pixel_bytes,
                            m.moved_bytes, axis);
          test::ForEachTarget([&] {
            Frame dst = initial;
            ASSERT_EQ(m.run(src.data(), src.step, dst.data(), dst.step, {width, height}, static_cast<IppiAxis>(axis)),
                      0);
            EXPECT_EQ(dst.bytes, expected.bytes) << "axis " << axis;
            if (m.run_in_place != nullptr) {
              Frame image = src;
              ASSERT_EQ(m.run_in_place(image.data(), image.step, {width, height}, static_cast<IppiAxis>(axis)), 0);
              EXPECT_EQ(image.bytes, expected_in_place.bytes) << "in place, axis " << axis;
            }
          });
        }
      }
    }
  }
}

TEST(SwapChannelKernels, InvalidOrderEntryLeavesTheImageUnchanged) {
  Frame image(4, 2, 3);
  test::FillRandom(image, 5);
  const Frame before = image;
  Frame dst(4, 2, 4);
  const Frame dst_before = dst;
  for (const auto& order : {std::array<int, 3>{3, 1, 0}, std::array<int, 3>{2, -1, 0}, std::array<int, 3>{0, 1, 7}}) {
    EXPECT_EQ(builtin::ippiSwapChannels_8u_C3IR(image.data(), image.step, {4, 2}, order.data()), ippStsChannelOrderErr);
    EXPECT_EQ(
        builtin::ippiSwapChannels_8u_C3R(before.data(), before.step, image.data(), image.step, {4, 2}, order.data()),
        ippStsChannelOrderErr);
    EXPECT_EQ(
        builtin::ippiSwapChannels_8u_AC4R(dst_before.data(), dst.step, dst.data(), dst.step, {4, 2}, order.data()),
        ippStsChannelOrderErr);
  }
  EXPECT_EQ(image.bytes, before.bytes);
  EXPECT_EQ(dst.bytes, dst_before.bytes);
  EXPECT_EQ(builtin::ippiSwapChannels_8u_C3IR(image.data(), image.step, {4, 2}, nullptr), ippStsNullPtrErr);
  const int order[3] = {2, 1, 0};
  EXPECT_EQ(builtin::ippiSwapChannels_8u_C3IR(image.data(), image.step, {0, 2}, order), ippStsSizeErr);
  EXPECT_EQ(builtin::ippiSwapChannels_8u_C3IR(image.data(), 0, {4, 2}, order), ippStsStepErr);
  EXPECT_EQ(image.bytes, before.bytes);
}

TEST(SwapChannelKernels, MatchReferenceForEveryForm) {
  const std::array<std::array<int, 3>, 4> orders = {{{2, 1, 0}, {0, 0, 0}, {1, 2, 0}, {0, 1, 2}}};
  for (int width : test::kTestWidths) {
    for (int pad : {0, 7}) {  // pad 0 runs the whole image as one long row
      SCOPED_TRACE(testing::Message() << width << " pad " << pad);
      Frame src3(width, 4, 3, pad), src4(width, 4, 4, pad);
      test::FillRandom(src3, width + pad);
      test::FillRandom(src4, width + pad + 1);
      Frame initial4(width, 4, 4, pad);
      test::FillRandom(initial4, width + pad + 2);
      for (const auto& order : orders) {
        Frame expected3(width, 4, 3, pad), expected4 = initial4;
        reference::SwapChannels(src3.data(), src3.step, expected3.data(), expected3.step, width, 4, 3, order.data());
        for (size_t i = 0; i < expected3.bytes.size(); ++i) {
          if (static_cast<int>(i % expected3.step) >= 3 * width) expected3.bytes[i] = src3.bytes[i];  // padding
        }
        reference::SwapChannels(src4.data(), src4.step, expected4.data(), expected4.step, width, 4, 4, order.data());
        test::ForEachTarget([&] {
          Frame out3 = src3;  // padding as in the source, to compare with the in-place result too
          ASSERT_EQ(builtin::ippiSwapChannels_8u_C3R(src3.data(), src3.step, out3.data(), out3.step, {width, 4},
                                                     order.data()),
                    0);
          EXPECT_EQ(out3.bytes, expected3.bytes);
          Frame in_place = src3;
          ASSERT_EQ(builtin::ippiSwapChannels_8u_C3IR(in_place.data(), in_place.step, {width, 4}, order.data()), 0);
          EXPECT_EQ(in_place.bytes, expected3.bytes);
          Frame out4 = initial4;
          ASSERT_EQ(builtin::ippiSwapChannels_8u_AC4R(src4.data(), src4.step, out4.data(), out4.step, {width, 4},
                                                      order.data()),
                    0);
          EXPECT_EQ(out4.bytes, expected4.bytes);
        });
      }
    }
  }
}

TEST(MemoryKernels, ByteSwapAndCopy) {
  for (int words : {1, 2, 7, 15, 16, 17, 63, 1000, 4099}) {
    SCOPED_TRACE(words);
    std::vector<Ipp16u> src(words);
    for (int i = 0; i < words; ++i) src[i] = static_cast<Ipp16u>(i * 40503u + 17);
    std::vector<Ipp16u> expected(words);
    reference::SwapBytes16(reinterpret_cast<const uint8_t*>(src.data()), reinterpret_cast<uint8_t*>(expected.data()),
                           words);
    test::ForEachTarget([&] {
      std::vector<Ipp16u> dst(words + 1, 0xBEEF);
      ASSERT_EQ(builtin::ippsSwapBytes_16u(src.data(), dst.data(), words), 0);
      EXPECT_EQ(std::vector<Ipp16u>(dst.begin(), dst.end() - 1), expected);
      EXPECT_EQ(dst.back(), 0xBEEF);
      std::vector<Ipp16u> in_place = src;
      ASSERT_EQ(builtin::ippsSwapBytes_16u_I(in_place.data(), words), 0);
      EXPECT_EQ(in_place, expected);
    });
  }
  // YUY2 Y0 U Y1 V becomes UYVY U Y0 V Y1.
  uint8_t yuy2[4] = {10, 20, 30, 40};
  ASSERT_EQ(builtin::ippsSwapBytes_16u_I(reinterpret_cast<Ipp16u*>(yuy2), 2), 0);
  EXPECT_EQ(yuy2[0], 20);
  EXPECT_EQ(yuy2[1], 10);
  EXPECT_EQ(yuy2[2], 40);
  EXPECT_EQ(yuy2[3], 30);

  std::vector<uint8_t> bytes(100);
  for (int i = 0; i < 100; ++i) bytes[i] = static_cast<uint8_t>(i);
  std::vector<uint8_t> copy(100, 0);
  ASSERT_EQ(builtin::ippsCopy_8u(bytes.data(), copy.data(), 100), 0);
  EXPECT_EQ(copy, bytes);
  ASSERT_EQ(builtin::ippsCopy_8u(bytes.data(), bytes.data() + 10, 50), 0);  // overlapping: as via a temporary
  EXPECT_EQ(bytes[10], 0);
  EXPECT_EQ(bytes[59], 49);

  Ipp16u word = 0x1234;
  EXPECT_EQ(builtin::ippsSwapBytes_16u(nullptr, &word, 1), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippsSwapBytes_16u_I(&word, 0), ippStsSizeErr);
  EXPECT_EQ(builtin::ippsCopy_8u(copy.data(), nullptr, 4), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippsCopy_8u(copy.data(), copy.data(), -1), ippStsSizeErr);
  EXPECT_EQ(word, 0x1234);
}

}  // namespace
}  // namespace lumicar
