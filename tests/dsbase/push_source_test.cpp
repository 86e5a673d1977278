// The audio, text and binary push sources: the types they offer and
// accept, and how SendData cuts a block into samples, stamps them and
// gives up when streaming cannot go on.

#include <cstring>
#include <numeric>

#include "dsbase/base/audio_source_filter.h"
#include "dsbase/base/binary_source_filter.h"
#include "dsbase/base/text_source_filter.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar::dstest {
namespace {

class PushSourceTest : public DSLeakCheck {};

std::vector<uint8_t> Bytes(size_t n) {
  std::vector<uint8_t> v(n);
  std::iota(v.begin(), v.end(), uint8_t(1));
  return v;
}

void RunBoth(IBaseFilter* renderer, IBaseFilter* source) {
  ASSERT_EQ(renderer->Run(0), S_OK);
  ASSERT_EQ(source->Run(0), S_OK);
}

TEST_F(PushSourceTest, AudioCutsABlockIntoStampedSamplesOfTheBufferTime) {
  TIntf<TDSAudioSourceFilter> source(new TDSAudioSourceFilter);
  TIntf<TByteRenderer> renderer(new TByteRenderer(MEDIATYPE_Audio));
  FILTER_INFO info;
  ASSERT_EQ(source->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(QString::fromUtf16(info.achName), u"AudioSource"_qs);
  IPin* found = nullptr;
  ASSERT_EQ(source->FindPin(u"AudioOutput", &found), S_OK);
  found->Release();

  // 8 kHz mono 16 bit, 10 ms: 80 frames of 2 bytes in a 160-byte buffer.
  EXPECT_EQ(source->SetFormat({1, 8000, 12}, 10), E_INVALIDARG);
  EXPECT_EQ(source->SetFormat({1, 8000, 16}, 0), E_INVALIDARG);
  ASSERT_EQ(source->SetFormat({1, 8000, 16}, 10), S_OK);
  EXPECT_EQ(source->Pin()->BufferSize(), 160);
  EXPECT_FALSE(source->SendData(Bytes(4).data(), 4, 0, 0, true)) << "unconnected";

  ASSERT_EQ(ConnectPins(source->Pin(), renderer->GetPin(0)), S_OK);
  const WAVEFORMATEX* w = reinterpret_cast<const WAVEFORMATEX*>(source->Pin()->CurrentMediaType().pbFormat);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(w->nSamplesPerSec, 8000u);
  EXPECT_EQ(w->nBlockAlign, 2);
  EXPECT_EQ(w->nAvgBytesPerSec, 16000u);
  // The connection was agreed for this format: it cannot change under it.
  EXPECT_EQ(source->SetFormat({2, 8000, 16}, 10), VFW_E_ALREADY_CONNECTED);
  EXPECT_FALSE(source->SendData(Bytes(4).data(), 4, 0, 0, true)) << "connected but stopped";
  RunBoth(renderer.get(), source.get());

  const std::vector<uint8_t> block = Bytes(400);
  ASSERT_TRUE(source->SendData(block.data(), int64_t(block.size()), 1000, 6000, true));
  {
    std::lock_guard guard(renderer->lock_);
    ASSERT_EQ(renderer->samples_.size(), 3u);
    const REFERENCE_TIME starts[] = {1000, 3000, 5000}, stops[] = {3000, 5000, 6000};
    const size_t lengths[] = {160, 160, 80};
    for (size_t i = 0; i < 3; ++i) {
      const auto& s = renderer->samples_[i];
      EXPECT_EQ(s.bytes.size(), lengths[i]);
      EXPECT_EQ(s.timeResult, S_OK);
      EXPECT_EQ(s.start, starts[i]);
      EXPECT_EQ(s.stop, stops[i]);
      EXPECT_TRUE(s.syncPoint);
    }
  }
  EXPECT_EQ(renderer->AllBytes(), block);

  // Without times: no stamps, no sync point; an empty block sends nothing.
  ASSERT_TRUE(source->SendData(block.data(), 2, 0, 0, true));
  ASSERT_TRUE(source->SendData(block.data(), 0, 0, 0, true));
  EXPECT_FALSE(source->SendData(nullptr, 2, 0, 0, true));
  EXPECT_FALSE(source->SendData(block.data(), -1, 0, 0, true));
  {
    std::lock_guard guard(renderer->lock_);
    ASSERT_EQ(renderer->samples_.size(), 4u);
    EXPECT_EQ(renderer->samples_[3].timeResult, VFW_E_SAMPLE_TIME_NOT_SET);
    EXPECT_FALSE(renderer->samples_[3].syncPoint);
  }
  renderer->Stop();
  source->Stop();
  DisconnectPins(source->Pin(), renderer->GetPin(0));
}

TEST_F(PushSourceTest, AudioOffersOneTypeAndAcceptsOnlyItsOwnPcmFormat) {
  TIntf<TDSAudioSourceFilter> source(new TDSAudioSourceFilter);
  ASSERT_EQ(source->SetFormat({2, 48000, 16}, 20), S_OK);
  TDSAudioSourceStreamPin* pin = source->Pin();
  AM_MEDIA_TYPE mt;
  ASSERT_EQ(pin->GetMediaType(0, &mt), S_OK);
  EXPECT_EQ(mt.majortype, MEDIATYPE_Audio);
  EXPECT_EQ(mt.subtype, MEDIASUBTYPE_PCM);
  EXPECT_EQ(mt.formattype, FORMAT_WaveFormatEx);
  EXPECT_EQ(mt.cbFormat, sizeof(WAVEFORMATEX));
  EXPECT_EQ(pin->CheckMediaType(&mt), S_OK);
  AM_MEDIA_TYPE other;
  EXPECT_EQ(pin->GetMediaType(1, &other), VFW_S_NO_MORE_ITEMS);
  EXPECT_EQ(pin->GetMediaType(0, nullptr), E_POINTER);
  EXPECT_EQ(pin->CheckMediaType(nullptr), E_POINTER);

  // Another rate, a missing block, a block too short, another major type.
  ASSERT_EQ(LPDSCopyMediaType(other, mt), S_OK);
  reinterpret_cast<WAVEFORMATEX*>(other.pbFormat)->nSamplesPerSec = 44100;
  EXPECT_EQ(pin->CheckMediaType(&other), VFW_E_TYPE_NOT_ACCEPTED);
  LPDSSetFormatBuffer(other, 0);
  EXPECT_EQ(pin->CheckMediaType(&other), VFW_E_TYPE_NOT_ACCEPTED);
  LPDSSetFormatBuffer(other, 16);
  EXPECT_EQ(pin->CheckMediaType(&other), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(pin->CheckMediaType(&VideoType(8, 4).Get()), VFW_E_TYPE_NOT_ACCEPTED);
  LPDSFreeMediaType(other);

  // A format change puts enumerators made before it out of sync.
  IEnumMediaTypes* types = nullptr;
  ASSERT_EQ(pin->EnumMediaTypes(&types), S_OK);
  ASSERT_EQ(source->SetFormat({1, 48000, 16}, 20), S_OK);
  AM_MEDIA_TYPE* got = nullptr;
  EXPECT_EQ(types->Next(1, &got, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
  types->Release();
  EXPECT_EQ(pin->CheckMediaType(&mt), VFW_E_TYPE_NOT_ACCEPTED) << "the old stereo type";
  LPDSFreeMediaType(mt);
}

// A text pin whose GetDeliveryBuffer fails a set number of times first.
class TFlakyTextPin : public TDSTextSourceStreamPin {
 public:
  using TDSTextSourceStreamPin::TDSTextSourceStreamPin;
  HRESULT GetDeliveryBuffer(IMediaSample** sample, const REFERENCE_TIME* start, const REFERENCE_TIME* stop,
                            uint32_t flags) override {
    ++attempts;
    if (failures > 0) {
      --failures;
      if (sample) *sample = nullptr;
      return E_FAIL;
    }
    return TDSTextSourceStreamPin::GetDeliveryBuffer(sample, start, stop, flags);
  }
  std::atomic<int> failures{0}, attempts{0};
};

class TFlakyTextSource : public TDSBaseSourceFilter {
 public:
  TFlakyTextSource() : TDSBaseSourceFilter(QStringLiteral("Flaky"), nullptr, GUID_NULL), pin(new TFlakyTextPin(this)) {}
  TFlakyTextPin* pin;
};

TEST_F(PushSourceTest, TextRetriesABufferWhileStreamingAndGivesUpWhenStopped) {
  TIntf<TFlakyTextSource> source(new TFlakyTextSource);
  TIntf<TByteRenderer> renderer(new TByteRenderer(MEDIATYPE_Text));
  ASSERT_EQ(source->pin->SetBufferSize(4), S_OK);
  EXPECT_EQ(source->pin->SetBufferSize(0), E_INVALIDARG);
  ASSERT_EQ(ConnectPins(source->pin, renderer->GetPin(0)), S_OK);
  EXPECT_EQ(source->pin->CurrentMediaType().majortype, MEDIATYPE_Text);
  EXPECT_TRUE(source->pin->CurrentMediaType().subtype.IsNull());
  RunBoth(renderer.get(), source.get());

  // Two failed attempts, then the buffer comes: the block still arrives whole.
  source->pin->failures = 2;
  const char text[] = "hello, world";
  ASSERT_TRUE(source->pin->SendData(text, 12, 0, 1200, false));
  EXPECT_EQ(source->pin->attempts.load(), 2 + 3);
  {
    std::lock_guard guard(renderer->lock_);
    ASSERT_EQ(renderer->samples_.size(), 3u);
    EXPECT_EQ(renderer->samples_[0].start, 0);
    EXPECT_EQ(renderer->samples_[0].stop, 400);
    EXPECT_EQ(renderer->samples_[2].stop, 1200);
    EXPECT_FALSE(renderer->samples_[2].syncPoint);
  }
  const std::vector<uint8_t> all = renderer->AllBytes();
  EXPECT_EQ(std::string(all.begin(), all.end()), "hello, world");

  // Downstream refusing a sample ends the block there: nothing after it is
  // asked for, and the caller hears of the loss.
  renderer->failAfter_ = 4;
  source->pin->attempts = 0;
  EXPECT_FALSE(source->pin->SendData(text, 12, 0, 0, false));
  EXPECT_EQ(source->pin->attempts.load(), 2);

  // Stopped, the allocator is decommitted for good: one attempt, no hang.
  renderer->Stop();
  source->Stop();
  source->pin->attempts = 0;
  source->pin->failures = 1000000;
  EXPECT_FALSE(source->pin->SendData(text, 12, 0, 0, false));
  EXPECT_EQ(source->pin->attempts.load(), 1);
  DisconnectPins(source->pin, renderer->GetPin(0));
}

TEST_F(PushSourceTest, TextAcceptsAnyTextType) {
  TIntf<TDSTextSourceFilter> source(new TDSTextSourceFilter);
  AM_MEDIA_TYPE mt;
  mt.majortype = MEDIATYPE_Text;
  mt.subtype = MEDIASUBTYPE_YUY2;
  EXPECT_EQ(source->Pin()->CheckMediaType(&mt), S_OK);
  mt.majortype = MEDIATYPE_Audio;
  EXPECT_EQ(source->Pin()->CheckMediaType(&mt), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(source->Pin()->CheckMediaType(nullptr), E_POINTER);
}

TEST_F(PushSourceTest, BinaryOffersTheTypeItWasGivenAndSendsWithoutTimes) {
  TIntf<TDSBinarySourceFilter> source(new TDSBinarySourceFilter);
  TIntf<TByteRenderer> renderer(new TByteRenderer(MEDIATYPE_Video));
  // Nothing offered yet, and the renderer offers nothing either.
  EXPECT_EQ(ConnectPins(source->Pin(), renderer->GetPin(0)), VFW_E_NO_ACCEPTABLE_TYPES);
  AM_MEDIA_TYPE broken;
  broken.majortype = MEDIATYPE_Video;
  broken.cbFormat = 88;  // claims a block it lacks
  EXPECT_EQ(source->SetMediaType(&broken), E_POINTER);
  EXPECT_EQ(source->SetMediaType(nullptr), E_POINTER);

  TDSMediaType yuy2 = VideoType(4, 2, MEDIASUBTYPE_YUY2, 16);
  ASSERT_EQ(source->SetMediaType(&yuy2.Get()), S_OK);
  ASSERT_EQ(source->SetFormat(6), S_OK);
  ASSERT_EQ(ConnectPins(source->Pin(), renderer->GetPin(0)), S_OK);
  EXPECT_TRUE(DSIsEqualMediaType(renderer->GetPin(0)->CurrentMediaType(), yuy2.Get()));
  EXPECT_EQ(source->SetMediaType(&yuy2.Get()), VFW_E_ALREADY_CONNECTED);
  RunBoth(renderer.get(), source.get());

  const std::vector<uint8_t> block = Bytes(16);
  ASSERT_TRUE(source->SendData(block.data(), 16));
  {
    std::lock_guard guard(renderer->lock_);
    ASSERT_EQ(renderer->samples_.size(), 3u);
    EXPECT_EQ(renderer->samples_[2].bytes.size(), 4u);
    for (const auto& s : renderer->samples_) EXPECT_EQ(s.timeResult, VFW_E_SAMPLE_TIME_NOT_SET);
  }
  EXPECT_EQ(renderer->AllBytes(), block);
  renderer->Stop();
  source->Stop();
  DisconnectPins(source->Pin(), renderer->GetPin(0));
}

}  // namespace
}  // namespace lumicar::dstest
