#include "buffers/block_buffer.h"

#include <gtest/gtest.h>

#include <vector>

#include "buffers/sl_exception.h"
#include "tests/buffers/buffer_test_support.h"

using namespace lumicar;
using lumicar::test::BufferTest;

namespace {

using BlockBuffer = BufferTest;

TIntf<TSLBlockBuffer> Block(std::vector<uint8_t> bytes) {
  return MakeIntf<TSLBlockBuffer>(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

std::vector<uint8_t> Bytes(TSLBlockBuffer* buffer) {
  return std::vector<uint8_t>(buffer->Read(), buffer->Read() + buffer->GetByteSize());
}

}  // namespace

TEST_F(BlockBuffer, ItemsAreRangeChecked) {
  TIntf<TSLBlockBuffer> buffer = Block({5, 6, 7});
  EXPECT_EQ(buffer->GetItem(2), 7);
  buffer->SetItem(0, 50);
  EXPECT_EQ(buffer->GetItem(0), 50);
  try {
    buffer->GetItem(3);
    FAIL() << "no exception";
  } catch (const ESLRangeError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Index out of range = 3"));
  }
  EXPECT_THROW(buffer->SetItem(4000000000u, 1), ESLRangeError);
  EXPECT_EQ(Bytes(buffer.get()), (std::vector<uint8_t>{50, 6, 7}));
  EXPECT_THROW(MakeIntf<TSLBlockBuffer>()->GetItem(0), ESLRangeError);
}

TEST_F(BlockBuffer, ArithmeticSaturatesOverTheShorterBuffer) {
  TIntf<TSLBlockBuffer> a = Block({200, 100, 10, 3});
  a->Add(Block({100, 100, 5}).get());
  EXPECT_EQ(Bytes(a.get()), (std::vector<uint8_t>{255, 200, 15, 3}));
  a->Subtract(Block({20, 250, 5, 3, 9}).get());
  EXPECT_EQ(Bytes(a.get()), (std::vector<uint8_t>{235, 0, 10, 0}));
  a->Multiply(Block({2, 2, 20, 2}).get());
  EXPECT_EQ(Bytes(a.get()), (std::vector<uint8_t>{255, 0, 200, 0}));
  a->Divide(Block({5, 0, 0, 1}).get());
  // A zero divisor saturates (or gives 0 for 0 / 0).
  EXPECT_EQ(Bytes(a.get()), (std::vector<uint8_t>{51, 0, 255, 0}));
  a->Add(a.get());  // an operand may be the buffer itself
  EXPECT_EQ(Bytes(a.get()), (std::vector<uint8_t>{102, 0, 255, 0}));
  EXPECT_THROW(a->Add(nullptr), ESLException);
}

TEST_F(BlockBuffer, ChangesNeverReachASharingBuffer) {
  TIntf<TSLBlockBuffer> a = Block({1, 2, 3, 4});
  auto b = MakeIntf<TSLBlockBuffer>(static_cast<ISLBlockBuffer*>(a.get()));
  ASSERT_EQ(a->DataContainer(), b->DataContainer());
  a->Add(b.get());
  EXPECT_EQ(Bytes(a.get()), (std::vector<uint8_t>{2, 4, 6, 8}));
  EXPECT_EQ(Bytes(b.get()), (std::vector<uint8_t>{1, 2, 3, 4}));

  auto c = MakeIntf<TSLBlockBuffer>(*b);
  c->SetValue(9);
  EXPECT_EQ(Bytes(c.get()), (std::vector<uint8_t>(4, 9)));
  auto d = MakeIntf<TSLBlockBuffer>(static_cast<ISLData*>(b.get()));
  d->Zero();
  d->SetItem(3, 1);
  EXPECT_EQ(Bytes(d.get()), (std::vector<uint8_t>{0, 0, 0, 1}));
  EXPECT_EQ(Bytes(b.get()), (std::vector<uint8_t>{1, 2, 3, 4}));

  // Equality holds only between block buffers.
  EXPECT_TRUE(b->IsEqual(Block({1, 2, 3, 4}).get()));
  TIntf<TSLGenericBuffer> plain = MakeIntf<TSLGenericBuffer>(b->DataContainer(), 4u);
  EXPECT_FALSE(b->IsEqual(plain.get()));
}

TEST_F(BlockBuffer, ResizeStaysInPlaceOnlyWhenItMay) {
  TIntf<TSLBlockBuffer> a = Block({1, 2, 3, 4, 5});  // 8 bytes allocated
  TSLSmartBuffer* first = a->DataContainer();
  a->Resize(3, true);  // shrink, kept: in place
  EXPECT_EQ(a->DataContainer(), first);
  EXPECT_EQ(a->GetSize(), 3u);
  a->Resize(8, true);  // grow within the block, sole owner: in place
  EXPECT_EQ(a->DataContainer(), first);
  EXPECT_EQ(a->GetByteSize(), 8u);
  EXPECT_EQ(a->GetItem(4), 5);

  a->Resize(9, true);  // beyond the block: new container, contents kept
  EXPECT_NE(a->DataContainer(), first);
  EXPECT_EQ(static_cast<TSLSmartMemoryBuffer*>(a->DataContainer())->GetAllocatedSize(), 16u);
  EXPECT_EQ((std::vector<uint8_t>(a->Read(), a->Read() + 5)), (std::vector<uint8_t>{1, 2, 3, 4, 5}));

  // Shared: growing moves this handle only.
  auto b = MakeIntf<TSLBlockBuffer>(*a);
  TSLSmartBuffer* shared = a->DataContainer();
  b->Resize(12, true);
  EXPECT_NE(b->DataContainer(), shared);
  EXPECT_EQ(a->GetByteSize(), 9u);
  EXPECT_EQ(b->GetItem(2), 3);

  TSLSmartBuffer* own = b->DataContainer();
  b->Resize(12, false);  // same count: nothing
  EXPECT_EQ(b->DataContainer(), own);
  b->Resize(0, false);
  EXPECT_EQ(b->GetByteSize(), 0u);
  EXPECT_EQ(b->DataContainer(), own);
  b->Resize(6, false);  // contents not kept: a fresh container
  EXPECT_NE(b->DataContainer(), own);
  EXPECT_EQ(b->GetByteSize(), 6u);
  EXPECT_THROW(b->Resize(0x80000000u, false), ESLRangeError);
  EXPECT_EQ(b->GetByteSize(), 6u);
}
