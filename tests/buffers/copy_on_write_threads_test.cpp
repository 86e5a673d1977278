// Copy-on-write between threads: handles sharing one container are written
// from different threads at once (run under ThreadSanitizer as well).

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "buffers/block_buffer.h"
#include "buffers/block_pool.h"
#include "tests/buffers/buffer_test_support.h"

using namespace lumicar;
using lumicar::test::BufferTest;

namespace {

using CopyOnWriteThreads = BufferTest;

constexpr uint32_t kSize = 4096;

}  // namespace

TEST_F(CopyOnWriteThreads, TwoWritersOnOneSharedBufferEachGetTheirOwnCopy) {
  for (int round = 0; round < 200; ++round) {
    TIntf<TSLBlockBuffer> original = MakeIntf<TSLBlockBuffer>(kSize);
    original->SetValue(7);
    auto first = MakeIntf<TSLBlockBuffer>(*original);
    auto second = MakeIntf<TSLBlockBuffer>(*original);
    original.reset();  // two owners left, racing to write

    std::atomic<int> ready{0};
    auto writer = [&ready](TSLBlockBuffer* buffer, uint8_t value) {
      ready.fetch_add(1);
      while (ready.load() < 2) {
      }
      uint8_t* p = buffer->ByteModify();
      for (uint32_t i = 0; i < kSize; i += 2) p[i] = value;
    };
    std::thread a(writer, first.get(), uint8_t(1));
    std::thread b(writer, second.get(), uint8_t(2));
    a.join();
    b.join();

    for (uint32_t i = 0; i < kSize; ++i) {
      ASSERT_EQ(first->Read()[i], i % 2 ? 7 : 1) << "round " << round << " byte " << i;
      ASSERT_EQ(second->Read()[i], i % 2 ? 7 : 2) << "round " << round << " byte " << i;
    }
    EXPECT_NE(first->DataContainer(), second->DataContainer());
  }
}

TEST_F(CopyOnWriteThreads, HandlesCrossThreadsWhileThePoolTrims) {
  // A producer hands frames to a consumer that writes into them while it
  // still holds its own reference; the pool is trimmed meanwhile.
  std::atomic<bool> done{false};
  std::thread trimmer([&done] {
    while (!done.load()) SLMemoryTick();
  });
  std::vector<TIntf<TSLBlockBuffer>> produced;
  for (int i = 0; i < 100; ++i) {
    auto frame = MakeIntf<TSLBlockBuffer>(kSize);
    frame->SetValue(static_cast<uint8_t>(i));
    produced.push_back(frame);
  }
  std::thread consumer([&produced] {
    for (auto& frame : produced) {
      auto mine = MakeIntf<TSLBlockBuffer>(*frame);
      mine->Add(mine.get());
    }
  });
  for (int i = 0; i < 100; ++i) EXPECT_EQ(produced[i]->GetItem(kSize - 1), static_cast<uint8_t>(i));
  consumer.join();
  done = true;
  trimmer.join();
  for (int i = 0; i < 100; ++i) EXPECT_EQ(produced[i]->GetItem(0), static_cast<uint8_t>(i));
}
