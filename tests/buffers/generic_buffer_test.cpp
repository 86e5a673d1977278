#include "buffers/generic_buffer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <numeric>
#include <vector>

#include "buffers/block_buffer.h"
#include "buffers/media_buffer.h"
#include "buffers/sl_exception.h"
#include "tests/buffers/buffer_test_support.h"

using namespace lumicar;
using lumicar::test::BufferTest;
using lumicar::test::TTestMediaContainer;

namespace {

using GenericBuffer = BufferTest;

TIntf<TSLGenericBuffer> MakeBuffer(std::vector<uint8_t> bytes) {
  const auto size = static_cast<uint32_t>(bytes.size());
  return MakeIntf<TSLGenericBuffer>(new TSLSmartMemoryBuffer(size, bytes.data()), size);
}

std::vector<uint8_t> Bytes(ISLDataBuffer* buffer) {
  const uint8_t* p = buffer->ByteRead();
  return std::vector<uint8_t>(p, p + buffer->GetByteSize());
}

TIntf<TSLGenericBuffer> Handle(const TIntf<ISLData>& data) {
  return TIntf<TSLGenericBuffer>(TSLGenericBuffer::FromData(data.get()));
}

}  // namespace

TEST_F(GenericBuffer, SharedHandlesCopyOnlyOnWrite) {
  TIntf<TSLGenericBuffer> a = MakeBuffer({1, 2, 3, 4, 5});
  TIntf<TSLGenericBuffer> b = Handle(a->MakeCopy());
  TSLSmartBuffer* shared = a->DataContainer();
  ASSERT_EQ(b->DataContainer(), shared);
  EXPECT_EQ(shared->OwnerCount(), 2);
  EXPECT_EQ(shared->TransportCount(), 2);
  EXPECT_EQ(_SLCountStores.load(), 1);

  // Reading copies nothing.
  EXPECT_EQ(a->ByteRead(), b->ByteRead());
  EXPECT_EQ(_SLCountStores.load(), 1);

  // Writing through one handle gives it its own container with equal bytes.
  uint8_t* p = b->ByteModify();
  EXPECT_NE(b->DataContainer(), a->DataContainer());
  EXPECT_EQ(Bytes(b.get()), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  p[0] = 99;
  EXPECT_EQ(Bytes(a.get()), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(b->ByteRead()[0], 99);
  EXPECT_EQ(_SLCountStores.load(), 2);
  EXPECT_EQ(a->DataContainer()->OwnerCount(), 1);

  // Now each is the single owner of its container and writes in place.
  const uint8_t* before = a->ByteRead();
  EXPECT_EQ(a->ByteModify(), before);
  EXPECT_FALSE(a->Unique(true));
}

TEST_F(GenericBuffer, WritingThroughAnOwnerOfASharedContainerLeavesOthersUntouched) {
  TIntf<TSLGenericBuffer> a = MakeBuffer({10, 20, 30});
  TIntf<TSLGenericBuffer> b = Handle(a->MakeCopy());
  TIntf<TSLGenericBuffer> c = Handle(b->MakeCopy());
  std::fill_n(a->ByteWrite(), 3, 7);
  EXPECT_EQ(Bytes(a.get()), (std::vector<uint8_t>{7, 7, 7}));
  EXPECT_EQ(Bytes(b.get()), (std::vector<uint8_t>{10, 20, 30}));
  EXPECT_EQ(b->DataContainer(), c->DataContainer());
  EXPECT_EQ(b->DataContainer()->OwnerCount(), 2);
}

TEST_F(GenericBuffer, NonOwningHandlesDoNotBlockInPlaceWrites) {
  TIntf<TSLGenericBuffer> owner = MakeBuffer({1, 2, 3});
  TIntf<TSLGenericBuffer> transport1 = Handle(owner->MakeCopy());
  TIntf<TSLGenericBuffer> transport2 = Handle(owner->MakeCopy());
  transport1->RemoveOwnerShip();
  transport2->RemoveOwnerShip();
  transport2->RemoveOwnerShip();  // a second call changes nothing
  EXPECT_FALSE(transport1->OwnsData());
  TSLSmartBuffer* container = owner->DataContainer();
  EXPECT_EQ(container->OwnerCount(), 1);
  EXPECT_EQ(container->TransportCount(), 3);

  owner->ByteModify()[0] = 42;
  EXPECT_EQ(owner->DataContainer(), container);
  EXPECT_EQ(transport1->ByteRead()[0], 42);  // they see the owner's write

  // A handle that gave up ownership must not write into the owner's block.
  transport1->ByteModify()[1] = 77;
  EXPECT_NE(transport1->DataContainer(), container);
  EXPECT_EQ(owner->ByteRead()[1], 2);
  EXPECT_EQ(container->TransportCount(), 2);
  EXPECT_EQ(container->OwnerCount(), 1);

  // With the owner gone the last transport may write in place.
  owner.reset();
  EXPECT_FALSE(transport2->Unique(true));
}

TEST_F(GenericBuffer, InterfacesKeepTheHandleAndItsContainerAlive) {
  TIntf<ISLGenericBuffer> generic;
  {
    TIntf<TSLGenericBuffer> buffer = MakeBuffer({4, 5, 6});
    TIntf<ISLData> data = QueryIntf<ISLData>(buffer.get(), IID_ISLData);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->GetInstance(), buffer.get());
    EXPECT_TRUE(QueryIntf<ISLDataBuffer>(data.get(), IID_ISLDataBuffer));
    generic = QueryIntf<ISLGenericBuffer>(data.get(), IID_ISLGenericBuffer);
    EXPECT_FALSE(QueryIntf<IMLMediaBuffer>(data.get(), IID_IMLMediaBuffer));
    EXPECT_FALSE(QueryIntf<ISLBlockBuffer>(data.get(), IID_ISLBlockBuffer));
  }
  ASSERT_TRUE(generic);
  EXPECT_EQ(_SLCountStores.load(), 1);
  EXPECT_EQ(Bytes(generic.get()), (std::vector<uint8_t>{4, 5, 6}));
  generic.reset();
  EXPECT_EQ(_SLCountStores.load(), 0);
}

TEST_F(GenericBuffer, AssignSharesTheSourceData) {
  TIntf<TSLGenericBuffer> a = MakeBuffer({1, 2, 3, 4});
  TIntf<TSLGenericBuffer> b = MakeBuffer({9});
  b->Assign(a.get());
  EXPECT_EQ(b->DataContainer(), a->DataContainer());
  EXPECT_EQ(b->GetByteSize(), 4u);
  EXPECT_EQ(a->DataContainer()->OwnerCount(), 2);
  EXPECT_EQ(_SLCountStores.load(), 1);  // b's old container is gone
  b->Assign(b.get());
  EXPECT_EQ(b->GetByteSize(), 4u);

  // A media handle cannot take over a container without time stamps.
  auto media = MakeIntf<TMLMediaBuffer>(new TTestMediaContainer(8), 8u);
  EXPECT_THROW(media->Assign(a.get()), ESLException);
  EXPECT_EQ(media->GetByteSize(), 8u);
  EXPECT_EQ(a->DataContainer()->OwnerCount(), 2);
  EXPECT_THROW(b->Assign(nullptr), ESLException);
}

TEST_F(GenericBuffer, IsEqualComparesSizeThenBytes) {
  TIntf<TSLGenericBuffer> a = MakeBuffer({1, 2, 3});
  EXPECT_TRUE(a->IsEqual(MakeBuffer({1, 2, 3}).get()));
  EXPECT_FALSE(a->IsEqual(MakeBuffer({1, 2, 4}).get()));
  EXPECT_FALSE(a->IsEqual(MakeBuffer({1, 2}).get()));
  EXPECT_FALSE(a->IsEqual(nullptr));
  EXPECT_TRUE(MakeBuffer({})->IsEqual(MakeBuffer({}).get()));
}

TEST_F(GenericBuffer, CopyToWritesIntoTheDestinationsOwnCopy) {
  TIntf<TSLGenericBuffer> source = MakeBuffer({1, 2, 3, 4, 5, 6});
  TIntf<TSLGenericBuffer> target = MakeBuffer({0, 0, 0, 0});
  TIntf<TSLGenericBuffer> sharer = Handle(target->MakeCopy());
  source->CopyTo(2, target.get(), 1, 3);
  EXPECT_EQ(Bytes(target.get()), (std::vector<uint8_t>{0, 3, 4, 5}));
  EXPECT_EQ(Bytes(sharer.get()), (std::vector<uint8_t>{0, 0, 0, 0}));

  // Ranges past either end are refused without writing.
  EXPECT_THROW(source->CopyTo(4, target.get(), 0, 3), ESLRangeError);
  EXPECT_THROW(source->CopyTo(0, target.get(), 2, 3), ESLRangeError);
  EXPECT_THROW(source->CopyTo(0xFFFFFFFFu, target.get(), 0, 2), ESLRangeError);
  EXPECT_EQ(Bytes(target.get()), (std::vector<uint8_t>{0, 3, 4, 5}));

  // Overlapping ranges within one buffer move correctly.
  source->CopyTo(0, source.get(), 2, 4);
  EXPECT_EQ(Bytes(source.get()), (std::vector<uint8_t>{1, 2, 1, 2, 3, 4}));
}

TEST_F(GenericBuffer, SequenceStampBelongsToTheContainerAndIsNotCloned) {
  TIntf<TSLGenericBuffer> a = MakeBuffer({1, 2});
  TIntf<TSLGenericBuffer> b = Handle(a->MakeCopy());
  EXPECT_FALSE(a->GetSequenceStamp()->Available());
  a->GetSequenceStamp()->SetAvailable(true);
  a->GetSequenceStamp()->SetBufferNumber(1234567890123LL);
  EXPECT_TRUE(b->GetSequenceStamp()->Available());
  EXPECT_EQ(b->GetSequenceStamp()->BufferNumber(), 1234567890123LL);
  b->ByteModify();
  EXPECT_FALSE(b->GetSequenceStamp()->Available());
  EXPECT_EQ(b->GetSequenceStamp()->BufferNumber(), 0);
  EXPECT_EQ(a->GetSequenceStamp()->BufferNumber(), 1234567890123LL);
}

TEST_F(GenericBuffer, FilesHoldExactlyTheBufferBytes) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  std::vector<uint8_t> pattern(150);
  std::iota(pattern.begin(), pattern.end(), uint8_t(0));
  const QString longFile = dir.filePath("long.bin");
  MakeBuffer(pattern)->SaveToFile(longFile);
  EXPECT_EQ(QFileInfo(longFile).size(), 150);

  // A 100-byte buffer reads exactly 100 bytes of the longer file.
  TIntf<TSLGenericBuffer> buffer = MakeBuffer(std::vector<uint8_t>(100, 0xEE));
  TIntf<TSLGenericBuffer> sharer = Handle(buffer->MakeCopy());
  buffer->LoadFromFile(longFile);
  EXPECT_EQ(buffer->GetByteSize(), 100u);
  EXPECT_EQ(Bytes(buffer.get()), std::vector<uint8_t>(pattern.begin(), pattern.begin() + 100));
  EXPECT_EQ(Bytes(sharer.get()), std::vector<uint8_t>(100, 0xEE));

  buffer->SaveToFile(dir.filePath("exact.bin"));
  QFile exact(dir.filePath("exact.bin"));
  ASSERT_TRUE(exact.open(QIODevice::ReadOnly));
  const QByteArray written = exact.readAll();
  EXPECT_EQ(written.size(), 100);
  EXPECT_EQ(std::vector<uint8_t>(written.begin(), written.end()), Bytes(buffer.get()));

  // A short file and a missing one fail clearly; the buffer keeps its size
  // and its bytes.
  TIntf<TSLGenericBuffer> big = MakeBuffer(std::vector<uint8_t>(200, 0x11));
  EXPECT_THROW(big->LoadFromFile(longFile), ESLStreamError);
  EXPECT_THROW(big->LoadFromFile(dir.filePath("missing.bin")), ESLStreamError);
  EXPECT_THROW(big->SaveToFile(dir.filePath("no/such/dir/x.bin")), ESLStreamError);
  EXPECT_EQ(Bytes(big.get()), std::vector<uint8_t>(200, 0x11));
}

TEST_F(GenericBuffer, ConstructionChecksItsArguments) {
  EXPECT_THROW(MakeIntf<TSLGenericBuffer>(nullptr, 0u), ESLException);
  // A byte size beyond the container is refused and the container freed.
  EXPECT_THROW(MakeIntf<TSLGenericBuffer>(new TSLSmartMemoryBuffer(10), 17u), ESLRangeError);
  EXPECT_THROW(MakeIntf<TSLBlockBuffer>(nullptr, 5u), ESLException);
  EXPECT_EQ(_SLCountStores.load(), 0);
  // A handle of one kind cannot be built on another kind's container.
  TIntf<TSLGenericBuffer> plain = MakeBuffer({1});
  EXPECT_THROW(MakeIntf<TMLMediaBuffer>(static_cast<ISLData*>(plain.get())), ESLException);
  EXPECT_EQ(plain->DataContainer()->TransportCount(), 1);
}
