#pragma once
// Shared fixture of the buffer tests: every test starts with an empty pool
// and must end with every data container freed.

#include <gtest/gtest.h>

#include <cstring>

#include "buffers/block_pool.h"
#include "buffers/smart_media_buffer.h"
#include "buffers/smart_memory_buffer.h"

namespace lumicar::test {

class BufferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SLMemoryCleanUp();
    ASSERT_EQ(_SLCountStores.load(), 0);
  }
  void TearDown() override {
    EXPECT_EQ(_SLCountStores.load(), 0) << "a data container outlived its handles";
    SLMemoryCleanUp();
  }
};

// The smallest media container: bytes from the pool plus the time stamps.
class TTestMediaContainer : public TMLSmartMediaBuffer {
 public:
  explicit TTestMediaContainer(uint32_t size) : size_(size) { data_ = static_cast<uint8_t*>(SLBufferAllocate(size)); }
  TTestMediaContainer(TTestMediaContainer& source, bool copyData) : TMLSmartMediaBuffer(source), size_(source.size_) {
    data_ = static_cast<uint8_t*>(SLBufferAllocate(size_));
    if (copyData && size_) std::memcpy(data_, source.data_, size_);
  }
  TSLSmartBuffer* Clone(bool copyData) override { return new TTestMediaContainer(*this, copyData); }
  uint8_t* GetRawData() const override { return data_; }
  uint32_t GetCapacity() const override { return size_; }

 protected:
  ~TTestMediaContainer() override { SLBufferDeallocate(data_, size_); }

 private:
  uint8_t* data_ = nullptr;
  uint32_t size_;
};

}  // namespace lumicar::test
