// Media types, the memory allocator and its samples, task memory, the
// object model's aggregation and class creation.

#include <latch>
#include <thread>

#include "dsbase/com/class_factory.h"
#include "dsbase/com/task_memory.h"
#include "dsbase/media/media_sample.h"
#include "dsbase/media/mem_allocator.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar::dstest {
namespace {

class MediaTypeTest : public DSLeakCheck {};

TEST_F(MediaTypeTest, CopyOwnsItsBlockAndFreeIsIdempotent) {
  TDSMediaType a = VideoType(640, 480);
  AM_MEDIA_TYPE b;
  ASSERT_EQ(LPDSCopyMediaType(b, a.Get()), S_OK);
  EXPECT_NE(b.pbFormat, a->pbFormat);
  EXPECT_TRUE(DSIsEqualMediaType(a.Get(), b));
  b.pbFormat[0] ^= 1;  // a change in the copy's block is a different type
  EXPECT_FALSE(DSIsEqualMediaType(a.Get(), b));
  // Copying over a type with a block frees the old one (ASan would see a leak).
  ASSERT_EQ(LPDSCopyMediaType(b, a.Get()), S_OK);
  EXPECT_TRUE(DSIsEqualMediaType(a.Get(), b));
  LPDSFreeMediaType(b);
  LPDSFreeMediaType(b);
  EXPECT_EQ(b.pbFormat, nullptr);
  EXPECT_EQ(b.cbFormat, 0u);

  AM_MEDIA_TYPE* heap = LPDSCreateMediaType(a.Get());
  ASSERT_NE(heap, nullptr);
  EXPECT_TRUE(DSIsEqualMediaType(*heap, a.Get()));
  LPDSDeleteMediaType(heap);
  LPDSDeleteMediaType(nullptr);
}

TEST_F(MediaTypeTest, CopyRefusesASizeWithoutBlockAndCountsPUnk) {
  AM_MEDIA_TYPE broken;
  broken.majortype = MEDIATYPE_Video;
  broken.cbFormat = 88;  // claims a block it lacks
  AM_MEDIA_TYPE copy;
  EXPECT_EQ(LPDSCopyMediaType(copy, broken), E_POINTER);
  EXPECT_EQ(copy.pbFormat, nullptr);
  EXPECT_EQ(copy.cbFormat, 0u);

  auto* graph = new TEventGraph;
  graph->AddRef();
  AM_MEDIA_TYPE withUnk;
  withUnk.pUnk = graph->GetNonDelegatingUnknown();
  graph->AddRef();
  AM_MEDIA_TYPE c2;
  ASSERT_EQ(LPDSCopyMediaType(c2, withUnk), S_OK);
  EXPECT_EQ(graph->RefCount(), 3);
  LPDSFreeMediaType(c2);
  LPDSFreeMediaType(withUnk);
  EXPECT_EQ(graph->RefCount(), 1);
  graph->Release();
}

TEST_F(MediaTypeTest, PartialMatchCompleteTypeAndText) {
  TDSMediaType full = VideoType(320, 240);
  AM_MEDIA_TYPE partial;
  EXPECT_TRUE(DSMatchesPartialType(full.Get(), partial));
  partial.majortype = MEDIATYPE_Video;
  EXPECT_TRUE(DSMatchesPartialType(full.Get(), partial));
  EXPECT_FALSE(DSIsCompleteType(partial));
  partial.subtype = MEDIASUBTYPE_YUY2;
  EXPECT_FALSE(DSMatchesPartialType(full.Get(), partial));
  partial.subtype = GUID_NULL;
  partial.formattype = FORMAT_VideoInfo;  // with a format type the block must match too
  EXPECT_FALSE(DSMatchesPartialType(full.Get(), partial));
  EXPECT_TRUE(DSMatchesPartialType(full.Get(), full.Get()));
  EXPECT_TRUE(DSIsCompleteType(full.Get()));

  const QString text = DSMediaTypeToString(full.Get());
  EXPECT_TRUE(text.contains(u"Video/RGB24"_qs)) << text.toStdString();
  EXPECT_TRUE(text.contains(u"320x240"_qs)) << text.toStdString();

  AM_MEDIA_TYPE shortBlock;
  shortBlock.formattype = FORMAT_VideoInfo2;
  LPDSSetFormatBuffer(shortBlock, 40);  // too short for the header it names
  EXPECT_EQ(DSBitmapHeader(shortBlock), nullptr);
  DSMediaTypeToString(shortBlock);
  LPDSFreeMediaType(shortBlock);
}

TEST_F(MediaTypeTest, SubtypesAndImageSizes) {
  EXPECT_EQ(MEDIASUBTYPE_YUY2.D1, DSMakeFourCC('Y', 'U', 'Y', '2'));
  EXPECT_FALSE(MEDIASUBTYPE_RGB24 == MEDIASUBTYPE_RGB32);
  EXPECT_FALSE(MEDIASUBTYPE_NV12 == MEDIASUBTYPE_MJPG);
  EXPECT_EQ(DSBitmapImageSize(641, 480, 16), 1284u * 480u);  // rows padded to 4 bytes
  EXPECT_EQ(DSBitmapImageSize(1600, -1200, 24), 1600u * 3u * 1200u);
  EXPECT_EQ(DSBitmapImageSize(-1, 10, 24), 0u);
  EXPECT_EQ(DSBitmapImageSize(70000, 70000, 32), 0u);  // overflow answers 0
}

class AllocatorTest : public DSLeakCheck {
 protected:
  static TIntf<IMemAllocator> Make(int buffers, int size, int align = 1) {
    TIntf<IMemAllocator> a(new TDSMemAllocator);
    ALLOCATOR_PROPERTIES want{buffers, size, align, 0}, got;
    EXPECT_EQ(a->SetProperties(&want, &got), S_OK);
    return a;
  }
};

TEST_F(AllocatorTest, CommitGetBufferAndAlignment) {
  TIntf<IMemAllocator> a = Make(2, 1000, 16);
  IMediaSample* s = nullptr;
  EXPECT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
  EXPECT_EQ(s, nullptr);
  ASSERT_EQ(a->Commit(), S_OK);
  ALLOCATOR_PROPERTIES bad{1, 10, 3, 0}, got;
  EXPECT_EQ(a->SetProperties(&bad, &got), VFW_E_BADALIGN);
  ALLOCATOR_PROPERTIES fine{1, 10, 1, 0};
  EXPECT_EQ(a->SetProperties(&fine, &got), VFW_E_ALREADY_COMMITTED);
  EXPECT_EQ(a->GetBuffer(nullptr, nullptr, nullptr, 0), E_POINTER);

  IMediaSample *s1 = nullptr, *s2 = nullptr, *s3 = nullptr;
  ASSERT_EQ(a->GetBuffer(&s1, nullptr, nullptr, 0), S_OK);
  ASSERT_EQ(a->GetBuffer(&s2, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(a->GetBuffer(&s3, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
  uint8_t *p1, *p2;
  s1->GetPointer(&p1);
  s2->GetPointer(&p2);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p1) % TDSMemAllocator::kMinAlign, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p2) % TDSMemAllocator::kMinAlign, 0u);
  EXPECT_GE(std::abs(p2 - p1), 1000);
  EXPECT_EQ(s1->GetSize(), 1000);
  s1->Release();
  ASSERT_EQ(a->GetBuffer(&s3, nullptr, nullptr, AM_GBF_NOWAIT), S_OK);  // the returned one
  s2->Release();
  s3->Release();
  a->Decommit();
}

TEST_F(AllocatorTest, DecommitReleasesABlockedGetBufferAndKeepsOutstandingMemory) {
  TIntf<IMemAllocator> a = Make(1, 64);
  ASSERT_EQ(a->Commit(), S_OK);
  IMediaSample* held = nullptr;
  ASSERT_EQ(a->GetBuffer(&held, nullptr, nullptr, 0), S_OK);
  std::latch started(1);
  HRESULT blocked = S_OK;
  std::thread waiter([&] {
    started.count_down();
    IMediaSample* s = nullptr;
    blocked = a->GetBuffer(&s, nullptr, nullptr, 0);
    if (s) s->Release();
  });
  started.wait();
  // Whether the waiter is already inside GetBuffer or not, Decommit must make
  // it answer VFW_E_NOT_COMMITTED instead of waiting for ever.
  a->Decommit();
  waiter.join();
  EXPECT_EQ(blocked, VFW_E_NOT_COMMITTED);
  auto* impl = dynamic_cast<TDSMemAllocator*>(a.get());
  EXPECT_TRUE(impl->HasMemory());  // the held sample's buffer stays valid
  uint8_t* p = nullptr;
  held->GetPointer(&p);
  p[63] = 7;
  held->Release();
  EXPECT_FALSE(impl->HasMemory());
  EXPECT_EQ(impl->OutstandingCount(), 0);
}

TEST_F(AllocatorTest, SampleOutlivesItsAllocatorsLastExternalReference) {
  IMediaSample* s = nullptr;
  {
    TIntf<IMemAllocator> a = Make(1, 32);
    a->Commit();
    ASSERT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    a->Decommit();
  }
  uint8_t* p = nullptr;
  s->GetPointer(&p);
  p[0] = 1;
  s->Release();  // frees the buffer and then the allocator
}

TEST_F(AllocatorTest, SampleTimesFlagsLengthsAndProperties) {
  TIntf<IMemAllocator> a = Make(1, 100);
  a->Commit();
  const REFERENCE_TIME t0 = 10, t1 = 20;
  IMediaSample* raw = nullptr;
  ASSERT_EQ(a->GetBuffer(&raw, &t0, &t1, 0), S_OK);
  TIntf<IMediaSample> s = TIntf<IMediaSample>::Adopt(raw);
  REFERENCE_TIME start = 0, stop = 0;
  EXPECT_EQ(s->GetTime(&start, &stop), S_OK);
  EXPECT_EQ(start, 10);
  EXPECT_EQ(stop, 20);
  EXPECT_EQ(s->GetTime(nullptr, &stop), E_POINTER);
  s->SetTime(&t0, nullptr);
  EXPECT_EQ(s->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
  EXPECT_EQ(stop, 11);
  s->SetTime(nullptr, nullptr);
  EXPECT_EQ(s->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);

  int64_t m0 = 0, m1 = 0;
  EXPECT_EQ(s->GetMediaTime(&m0, &m1), VFW_E_MEDIA_TIME_NOT_SET);
  const int64_t ms = 5, me = 6;
  s->SetMediaTime(&ms, &me);
  EXPECT_EQ(s->GetMediaTime(&m0, &m1), S_OK);
  EXPECT_EQ(m1, 6);

  EXPECT_EQ(s->IsSyncPoint(), S_FALSE);
  s->SetSyncPoint(true);
  s->SetPreroll(true);
  s->SetDiscontinuity(true);
  EXPECT_EQ(s->IsSyncPoint(), S_OK);
  EXPECT_EQ(s->IsPreroll(), S_OK);
  EXPECT_EQ(s->IsDiscontinuity(), S_OK);
  EXPECT_EQ(s->SetActualDataLength(101), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(s->SetActualDataLength(-1), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(s->SetActualDataLength(50), S_OK);

  AM_MEDIA_TYPE* mt = nullptr;
  EXPECT_EQ(s->GetMediaType(&mt), S_FALSE);
  TDSMediaType v = VideoType(4, 4);
  s->SetMediaType(&v.Get());
  ASSERT_EQ(s->GetMediaType(&mt), S_OK);
  EXPECT_TRUE(DSIsEqualMediaType(*mt, v.Get()));
  LPDSDeleteMediaType(mt);

  TIntf<IMediaSample2> s2 = QueryIntf<IMediaSample2>(s.get(), IID_IMediaSample2);
  ASSERT_TRUE(s2);
  AM_SAMPLE2_PROPERTIES props;
  ASSERT_EQ(s2->GetProperties(sizeof props, reinterpret_cast<uint8_t*>(&props)), S_OK);
  EXPECT_EQ(props.lActual, 50);
  EXPECT_TRUE(props.dwSampleFlags & AM_SAMPLE_TYPECHANGED);
  ASSERT_NE(props.pMediaType, nullptr);
  props.lActual = 1000;  // larger than the buffer: refused
  EXPECT_EQ(s2->SetProperties(sizeof props, reinterpret_cast<uint8_t*>(&props)), VFW_E_BUFFER_OVERFLOW);
  props.lActual = 10;
  props.dwSampleFlags = AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;
  props.tStart = 1;
  props.tStop = 2;
  props.pMediaType = nullptr;
  ASSERT_EQ(s2->SetProperties(sizeof props, reinterpret_cast<uint8_t*>(&props)), S_OK);
  EXPECT_EQ(s->GetActualDataLength(), 10);
  EXPECT_EQ(s->GetMediaType(&mt), S_FALSE);
  EXPECT_EQ(s->GetTime(&start, &stop), S_OK);
  EXPECT_EQ(stop, 2);
  // The buffer cannot be swapped through the property block.
  uint8_t* p = nullptr;
  s->GetPointer(&p);
  props.pbBuffer = nullptr;
  s2->SetProperties(sizeof props, reinterpret_cast<uint8_t*>(&props));
  uint8_t* q = nullptr;
  s->GetPointer(&q);
  EXPECT_EQ(p, q);

  // A sample handed out again starts clean.
  s2.reset();
  s.reset();
  ASSERT_EQ(a->GetBuffer(&raw, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(raw->IsSyncPoint(), S_FALSE);
  EXPECT_EQ(raw->GetMediaType(&mt), S_FALSE);
  EXPECT_EQ(raw->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
  EXPECT_EQ(a->ReleaseBuffer(raw), E_INVALIDARG);  // only the sample returns itself
  raw->Release();
  a->Decommit();
}

TEST_F(AllocatorTest, BadPropertiesAreRefused) {
  TIntf<IMemAllocator> a(new TDSMemAllocator);
  ALLOCATOR_PROPERTIES got;
  ALLOCATOR_PROPERTIES negative{-1, 10, 1, 0};
  EXPECT_EQ(a->SetProperties(&negative, &got), E_INVALIDARG);
  ALLOCATOR_PROPERTIES huge{1 << 20, 1 << 20, 1, 0};
  EXPECT_EQ(a->SetProperties(&huge, &got), E_OUTOFMEMORY);
  EXPECT_EQ(a->SetProperties(nullptr, &got), E_POINTER);
  EXPECT_EQ(a->Commit(), VFW_E_SIZENOTSET);
}

class ObjectModelTest : public DSLeakCheck {};

TEST_F(ObjectModelTest, AggregatedAllocatorAnswersThroughItsOuter) {
  TIntf<TEventGraph> outer(new TEventGraph);
  TDSMemAllocator::Register();
  IUnknown* inner = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, static_cast<IFilterGraph*>(outer.get()), CLSCTX_INPROC_SERVER,
                             IID_IUnknown, reinterpret_cast<void**>(&inner)),
            S_OK);
  void* p = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_MemoryAllocator, static_cast<IFilterGraph*>(outer.get()), CLSCTX_INPROC_SERVER,
                             IID_IMemAllocator, &p),
            CLASS_E_NOAGGREGATION);
  // The inner unknown hands out the allocator; its references go to the outer.
  IMemAllocator* alloc = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_IMemAllocator, reinterpret_cast<void**>(&alloc)), S_OK);
  EXPECT_EQ(outer->RefCount(), 2);
  // Asked through the allocator, IUnknown is the outer object's identity.
  IUnknown* identity = nullptr;
  ASSERT_EQ(alloc->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(static_cast<IFilterGraph*>(outer.get())));
  identity->Release();
  alloc->Release();
  EXPECT_EQ(outer->RefCount(), 1);
  inner->Release();  // destroys the inner allocator
  EXPECT_EQ(CoCreateInstance(TGUID::FromString("{01234567-89AB-CDEF-0123-456789ABCDEF}"), nullptr, 0, IID_IUnknown, &p),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(p, nullptr);
}

TEST_F(ObjectModelTest, TaskMemoryAndAssertionText) {
  void* block = CoTaskMemAlloc(0);
  EXPECT_NE(block, nullptr);
  CoTaskMemFree(block);
  CoTaskMemFree(nullptr);
  try {
    DSAssertFailed(u"Lock = nil !"_qs, "/x/y/base_filter.cpp", 12);
    FAIL();
  } catch (const EDSAssertion& e) {
    EXPECT_EQ(e.Message(), u"Lock = nil ! (base_filter.cpp, 12 行)"_qs);
  }
}

}  // namespace
}  // namespace lumicar::dstest
