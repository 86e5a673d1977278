// Copy-on-write of one shared frame from several threads at once: every
// writer ends up with a private copy, and the shared original is unchanged.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "image_test_support.h"

namespace lumicar::test {
namespace {

TEST_F(ImageTest, ConcurrentWritersOfOneSharedFrameEachGetTheirOwnCopy) {
  const Picture picture = TestPicture(64, 16);
  auto original = RgbFrame(picture, 64, 16);
  original->SetFormat(vfYUY2);
  const std::vector<uint8_t> originalBytes = RowBytes(original.get());

  constexpr int kThreads = 4;
  constexpr int kRounds = 200;
  std::atomic<int> failures{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    // Each thread gets its own handle, made here and handed over.
    TIntf<TVLImageBuffer> mine = MakeIntf<TVLImageBuffer>(*original);
    threads.emplace_back([&, t, mine = std::move(mine)]() mutable {
      while (!go.load()) std::this_thread::yield();
      for (int round = 0; round < kRounds; ++round) {
        TIntf<TVLImageBuffer> handle = MakeIntf<TVLImageBuffer>(*mine);
        const uint8_t value = uint8_t(t * 50 + round % 7);
        switch (round % 4) {
          case 0:
            handle->Modify()[5] = value;
            if (handle->Read()[5] != value) ++failures;
            break;
          case 1:
            handle->SetFormat(vfRGB24);
            handle->SetPixel(3, 3, VLRGB(value, value, value));
            if (handle->GetPixel(3, 3) != VLRGB(value, value, value)) ++failures;
            break;
          case 2:
            handle->AddValue(VLRGB(value, 0, 0));
            break;
          case 3:
            handle->SetValue(uint8_t(value));
            if (handle->GetRed(63, 15) != value) ++failures;
            break;
        }
        if (RowBytes(mine.get()) != originalBytes) ++failures;
      }
    });
  }
  go = true;
  for (auto& thread : threads) thread.join();
  threads.clear();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(RowBytes(original.get()), originalBytes);
  EXPECT_EQ(original->GetFormat(), vfYUY2);
}

// Two threads convert and fill their own copies while a third only reads.
TEST_F(ImageTest, ReadersSeeTheSharedPixelsWhileOthersConvert) {
  auto original = RgbFrame(TestPicture(32, 8), 32, 8);
  const Picture expected = PictureOf(original.get());
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    TIntf<TVLImageBuffer> mine = MakeIntf<TVLImageBuffer>(*original);
    threads.emplace_back([&, t, mine = std::move(mine)]() mutable {
      for (int round = 0; round < 100; ++round) {
        if (t == 2) {
          if (PictureOf(mine.get()) != expected) ++failures;
          continue;
        }
        TIntf<TVLImageBuffer> copy = MakeIntf<TVLImageBuffer>(*mine);
        copy->SetFormat(t == 0 ? vfUYVY : vfGrayScale);
        copy->SetValue(VLRGB(1, 2, 3));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  threads.clear();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace lumicar::test
