#pragma once
// Filters of the tests' own, connected by hand: a counting push source, a
// pass-through transform, an in-place inverter and a collecting renderer,
// plus a graph stand-in that records events and a fixture that fails a test
// leaving media objects alive.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "dsbase/base/base_renderer.h"
#include "dsbase/base/source_filter.h"
#include "dsbase/base/trans_in_place_filter.h"
#include "dsbase/base/transform_filter.h"
#include "dsbase/com/ds_assert.h"
#include "dsbase/com/filter_graph.h"
#include "dsbase/com/live_objects.h"
#include "dsbase/com/media_event_sink.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info.h"

namespace lumicar::dstest {

// An RGB24 (or other) video type with a VIDEOINFOHEADER block.
TDSMediaType VideoType(int width, int height, const TGUID& subtype = MEDIASUBTYPE_RGB24, int bitCount = 24);

class TCountingSource;

class TCountingPin : public TDSSourceStreamPin {
 public:
  TCountingPin(TCountingSource* filter, int width, int height, int buffers);
  HRESULT IntDecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT IntGetMediaType(int position, AM_MEDIA_TYPE* mt) override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;

  // Gets a buffer, stamps it with the next number and delivers it.
  HRESULT Push(uint32_t flags = 0);

  int width_, height_, buffers_;
  std::atomic<uint32_t> next_{0};
  std::vector<TDSMediaType> offered_;  // when not empty: the types offered instead
};

class TCountingSource : public TDSBaseSourceFilter {
 public:
  TCountingSource(int width = 32, int height = 16, int buffers = 2);
  TCountingPin* Pin() { return pin_; }

 private:
  TCountingPin* pin_;  // owned by the base's pin list
};

class TPassThroughTransform : public TDSTransformFilter {
 public:
  TPassThroughTransform() : TDSTransformFilter(QStringLiteral("PassThrough"), nullptr, GUID_NULL) {}
  HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT GetOutMediaType(int position, AM_MEDIA_TYPE* mt) override;
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;

  bool copyPixels_ = true;
  std::atomic<int> skipNext_{0};  // answer S_FALSE this many times
  std::atomic<int> starts_{0}, stops_{0};
};

class TInverter : public TDSTransInPlaceFilter {
 public:
  TInverter() : TDSTransInPlaceFilter(QStringLiteral("Inverter"), nullptr, GUID_NULL) {}
  HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override;
  HRESULT Transform(IMediaSample* sample) override;
  bool invert_ = true;
};

class TCollectingRenderer : public TDSBaseRenderer {
 public:
  TCollectingRenderer() : TDSBaseRenderer(QStringLiteral("Collector"), nullptr, GUID_NULL) {}
  HRESULT DoRenderSample(IMediaSample* sample) override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* mt) override;

  std::atomic<int> rendered_{0};
  std::mutex lock_;
  std::vector<uint32_t> numbers_;  // first word of each rendered sample
  std::vector<uint8_t> lastBytes_;
  bool keep_ = true;
  bool throw_ = false;                 // DoRenderSample raises
  std::vector<TDSMediaType> offered_;  // when not empty: offered instead of the kind
};

// Renders samples of one major type (any subtype and format), keeping each
// sample's bytes, times and sync point; can be told to refuse samples.
class TByteRenderer : public TDSBaseRenderer {
 public:
  struct TSampleRecord {
    std::vector<uint8_t> bytes;
    HRESULT timeResult = S_OK;
    REFERENCE_TIME start = 0, stop = 0;
    bool syncPoint = false;
  };
  explicit TByteRenderer(const TGUID& majortype)
      : TDSBaseRenderer(QStringLiteral("Bytes"), nullptr, GUID_NULL), majortype_(majortype) {}
  HRESULT DoRenderSample(IMediaSample* sample) override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  std::vector<uint8_t> AllBytes();

  TGUID majortype_;
  std::mutex lock_;
  std::vector<TSampleRecord> samples_;
  int failAfter_ = -1;  // >= 0: samples after this many answer E_FAIL
};

// Stands in for the graph: membership and event sink; records events.
class TEventGraph : public TDSDualUnknown, public IFilterGraph, public IMediaEventSink {
 public:
  TEventGraph() : TDSDualUnknown(QStringLiteral("Event graph"), nullptr) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;
  HRESULT Notify(int32_t code, intptr_t p1, intptr_t p2) override;
  HRESULT AddFilter(IBaseFilter*, const char16_t*) override { return E_NOTIMPL; }
  HRESULT RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
  HRESULT EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
  HRESULT FindFilterByName(const char16_t*, IBaseFilter**) override { return E_NOTIMPL; }
  HRESULT ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT Reconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT Disconnect(IPin*) override { return E_NOTIMPL; }
  HRESULT SetDefaultSyncSource() override { return E_NOTIMPL; }

  int Count(int32_t code);
  std::mutex lock_;
  std::vector<std::pair<int32_t, intptr_t>> events_;  // code, param 1
  std::vector<intptr_t> param2_;
};

// Fails the test when it ends with more live media objects than it began.
class DSLeakCheck : public ::testing::Test {
 protected:
  void SetUp() override { before_ = DSLiveObjectCount(); }
  void TearDown() override { EXPECT_EQ(DSLiveObjectCount(), before_) << "media objects leaked"; }

 private:
  int64_t before_ = 0;
};

// Connects out → in by hand, through IPin::Connect.
HRESULT ConnectPins(TDSBasePin* out, TDSBasePin* in, const AM_MEDIA_TYPE* mt = nullptr);
void DisconnectPins(TDSBasePin* out, TDSBasePin* in);

}  // namespace lumicar::dstest
