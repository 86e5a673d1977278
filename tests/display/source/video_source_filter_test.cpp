// The video source filter: the types it offers and accepts, the buffer it
// asks for, and the frames it turns into samples (converted, turned
// bottom-up, never past either buffer).

#include "display/source/video_source_filter.h"

#include <cstring>

#include "buffers/image_buffer.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar::dstest {
namespace {

const TGUID kClassId = TGUID::FromString("{E436EBB3-524F-4EDE-AFCD-8302E1BEAC35}");

class VideoSourceTest : public DSLeakCheck {};

TIntf<TDSVideoSourceFilter> MakeSource(TVLVideoFormat preferred, bool fixed = false, int width = 640, int height = 480,
                                       int64_t duration = 0) {
  TIntf<TDSVideoSourceFilter> f(new TDSVideoSourceFilter(u"VideoSource"_qs, kClassId, preferred, fixed, 0x5));
  EXPECT_EQ(f->SetSizeDelay(width, height, duration), S_OK);
  return f;
}

struct Offered {
  TGUID subtype;
  bool videoInfo2;
};

std::vector<Offered> ListTypes(TDSVideoSourceStreamPin* pin, HRESULT* end, int* endPosition) {
  std::vector<Offered> list;
  for (int p = 0;; ++p) {
    TDSMediaType mt;
    LPDSInitMediaType(mt.Get());
    const HRESULT hr = pin->GetMediaType(p, &mt.Get());
    if (hr != S_OK) {
      *end = hr;
      *endPosition = p;
      return list;
    }
    list.push_back({mt->subtype, mt->formattype == FORMAT_VideoInfo2});
  }
}

void ExpectList(TDSVideoSourceStreamPin* pin, const std::vector<TGUID>& subtypes) {
  HRESULT end = S_OK;
  int endPosition = -1;
  const std::vector<Offered> list = ListTypes(pin, &end, &endPosition);
  ASSERT_EQ(list.size(), 2 * subtypes.size());
  for (size_t i = 0; i < list.size(); ++i) {
    EXPECT_TRUE(list[i].subtype == subtypes[i / 2]) << "position " << i;
    EXPECT_EQ(list[i].videoInfo2, i % 2 == 0) << "position " << i;
  }
  EXPECT_EQ(end, VFW_S_NO_MORE_ITEMS);
  EXPECT_EQ(endPosition, int(list.size()));
}

TEST_F(VideoSourceTest, OffersEachCandidateWithBothHeadersInPreferenceOrder) {
  auto yuy2 = MakeSource(vfYUY2);
  EXPECT_EQ(yuy2->Pin()->PinName(), u"VideoOutput"_qs);
  ExpectList(yuy2->Pin(), {MEDIASUBTYPE_YUY2, MEDIASUBTYPE_UYVY, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32});
  auto rgb555 = MakeSource(vfRGB555);
  ExpectList(rgb555->Pin(), {MEDIASUBTYPE_RGB555, MEDIASUBTYPE_RGB565, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32,
                             MEDIASUBTYPE_YUY2, MEDIASUBTYPE_UYVY});
  // The gray row never repeats its first entry, so it ends at the seventh
  // candidate, with RGB24 three times.
  auto gray = MakeSource(vfGrayScale);
  ExpectList(gray->Pin(), {MEDIASUBTYPE_RGB8, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32, MEDIASUBTYPE_YUY2,
                           MEDIASUBTYPE_UYVY, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB24});
  auto fixed = MakeSource(vfUYVY, true);
  ExpectList(fixed->Pin(), {MEDIASUBTYPE_UYVY});
  auto rgb = MakeSource(vfRGB, true);
  ExpectList(rgb->Pin(), {MEDIASUBTYPE_RGB24});

  TDSMediaType mt;
  EXPECT_EQ(yuy2->Pin()->GetMediaType(-1, &mt.Get()), E_INVALIDARG);
  EXPECT_EQ(yuy2->Pin()->GetMediaType(0, nullptr), E_POINTER);
}

TEST_F(VideoSourceTest, HeadersCarrySizeImageSizeBitRateAndInterlace) {
  // 641 x 480 YUY2: the plain header counts pixel pairs, the second one pixels.
  auto odd = MakeSource(vfYUY2, false, 641, 480, 400000);
  TDSMediaType v2, v1;
  ASSERT_EQ(odd->Pin()->GetMediaType(0, &v2.Get()), S_OK);
  ASSERT_EQ(odd->Pin()->GetMediaType(1, &v1.Get()), S_OK);
  ASSERT_EQ(v2->cbFormat, sizeof(VIDEOINFOHEADER2));
  ASSERT_EQ(v1->cbFormat, 1128u);
  const auto* h2 = reinterpret_cast<const VIDEOINFOHEADER2*>(v2->pbFormat);
  const auto* h1 = reinterpret_cast<const VIDEOINFOHEADER*>(v1->pbFormat);
  EXPECT_EQ(h1->bmiHeader.biSizeImage, 614400u);
  EXPECT_EQ(h2->bmiHeader.biSizeImage, 615360u);
  EXPECT_EQ(v1->lSampleSize, 614400u);
  EXPECT_EQ(h2->bmiHeader.biCompression, 0x32595559u);
  EXPECT_EQ(h2->bmiHeader.biBitCount, 16);
  EXPECT_EQ(h2->bmiHeader.biHeight, 480);
  EXPECT_EQ(h2->dwInterlaceFlags, 0x5u);
  EXPECT_EQ(h2->dwPictAspectRatioX, 641u);
  EXPECT_EQ(h2->dwPictAspectRatioY, 480u);
  EXPECT_EQ(h2->AvgTimePerFrame, 400000);
  EXPECT_EQ(h1->dwBitRate, 25u * 641 * 480 * 16);
  EXPECT_TRUE(v1->bFixedSizeSamples);
  EXPECT_FALSE(v1->bTemporalCompression);

  // 29.97 frames a second rounds to 30; RGB rows are padded to 4 bytes.
  auto ntsc = MakeSource(vfRGB24, false, 641, 480, 333667);
  TDSMediaType rgb;
  ASSERT_EQ(ntsc->Pin()->GetMediaType(1, &rgb.Get()), S_OK);
  const auto* hr = reinterpret_cast<const VIDEOINFOHEADER*>(rgb->pbFormat);
  EXPECT_EQ(hr->dwBitRate, 30u * 641 * 480 * 24);
  EXPECT_EQ(hr->bmiHeader.biSizeImage, 1924u * 480);
  EXPECT_EQ(hr->bmiHeader.biCompression, 0u);

  // Unknown duration counts as 30 frames a second; a rate past 32 bits
  // saturates instead of wrapping round to a small number.
  auto big = MakeSource(vfRGBA32, false, 4096, 4096, 0);
  TDSMediaType huge;
  ASSERT_EQ(big->Pin()->GetMediaType(1, &huge.Get()), S_OK);
  EXPECT_EQ(reinterpret_cast<const VIDEOINFOHEADER*>(huge->pbFormat)->dwBitRate, 0xFFFFFFFFu);

  // The gray type carries a palette ramp after its header.
  auto gray = MakeSource(vfGrayScale, true, 8, 2);
  TDSMediaType g;
  ASSERT_EQ(gray->Pin()->GetMediaType(0, &g.Get()), S_OK);
  ASSERT_EQ(g->cbFormat, sizeof(VIDEOINFOHEADER2) + 1024);
  const uint8_t* palette = g->pbFormat + sizeof(VIDEOINFOHEADER2);
  EXPECT_EQ(palette[4 * 200], 200);
  EXPECT_EQ(reinterpret_cast<const VIDEOINFOHEADER2*>(g->pbFormat)->bmiHeader.biBitCount, 8);

  EXPECT_EQ(ntsc->SetSizeDelay(0, 480, 0), E_INVALIDARG);
  EXPECT_EQ(ntsc->SetSizeDelay(640, 480, -1), E_INVALIDARG);
}

TEST_F(VideoSourceTest, AcceptsOnlyItsSizeAndSubtypesAndNeverReadsPastABlock) {
  auto source = MakeSource(vfYUY2);
  TDSVideoSourceStreamPin* pin = source->Pin();
  EXPECT_EQ(pin->CheckMediaType(nullptr), E_POINTER);
  EXPECT_EQ(pin->CheckMediaType(&VideoType(640, 480).Get()), S_OK);
  EXPECT_EQ(pin->CheckMediaType(&VideoType(640, -480).Get()), S_OK) << "top-down";
  EXPECT_EQ(pin->CheckMediaType(&VideoType(641, 480).Get()), E_INVALIDARG);
  EXPECT_EQ(pin->CheckMediaType(&VideoType(640, 481).Get()), E_INVALIDARG);
  EXPECT_EQ(pin->CheckMediaType(&VideoType(640, 480, MEDIASUBTYPE_ARGB32, 32).Get()), E_INVALIDARG);
  EXPECT_EQ(pin->CheckMediaType(&VideoType(640, 480, MEDIASUBTYPE_RGB8, 8).Get()), S_OK);

  TDSMediaType notFixed = VideoType(640, 480);
  notFixed->bFixedSizeSamples = false;
  EXPECT_EQ(pin->CheckMediaType(&notFixed.Get()), E_INVALIDARG);
  TDSMediaType audio = VideoType(640, 480);
  audio->majortype = MEDIATYPE_Audio;
  EXPECT_EQ(pin->CheckMediaType(&audio.Get()), E_INVALIDARG);
  // A block too short for its header is refused, not read past its end.
  TDSMediaType shortBlock = VideoType(640, 480);
  shortBlock->cbFormat = 40;
  EXPECT_EQ(pin->CheckMediaType(&shortBlock.Get()), E_INVALIDARG);
  shortBlock->cbFormat = sizeof(VIDEOINFOHEADER);
  TDSMediaType noBlock = VideoType(640, 480);
  LPDSFreeMediaType(noBlock.Get());
  noBlock->cbFormat = 0;
  EXPECT_EQ(pin->CheckMediaType(&noBlock.Get()), E_INVALIDARG);

  // Every type of its own list passes, the second-header ones included.
  for (int p = 0; p < 8; ++p) {
    TDSMediaType own;
    LPDSInitMediaType(own.Get());
    ASSERT_EQ(pin->GetMediaType(p, &own.Get()), S_OK);
    EXPECT_EQ(pin->CheckMediaType(&own.Get()), S_OK) << "position " << p;
  }
  // Fixed: the preferred subtype only.
  auto fixed = MakeSource(vfUYVY, true);
  EXPECT_EQ(fixed->Pin()->CheckMediaType(&VideoType(640, 480).Get()), E_INVALIDARG);
  EXPECT_EQ(fixed->Pin()->CheckMediaType(&VideoType(640, 480, MEDIASUBTYPE_UYVY, 16).Get()), S_OK);
}

// A pattern with a distinct value per byte position.
TIntf<TVLImageBuffer> Pattern(int width, int height, TVLVideoFormat format) {
  auto image = MakeIntf<TVLImageBuffer>(width, height, format);
  uint8_t* p = image->Write();
  for (uint32_t i = 0; i < image->GetSize(); ++i) p[i] = uint8_t(i * 7 + i / 251);
  return image;
}

class Connected {
 public:
  Connected(TVLVideoFormat preferred, bool fixed, int width, int height, const AM_MEDIA_TYPE* mt = nullptr)
      : source_(MakeSource(preferred, fixed, width, height)), renderer_(new TByteRenderer(MEDIATYPE_Video)) {
    result_ = ConnectPins(source_->Pin(), renderer_->GetPin(0), mt);
  }
  ~Connected() {
    source_->Stop();
    renderer_->Stop();
    DisconnectPins(source_->Pin(), renderer_->GetPin(0));
  }
  void Run() {
    ASSERT_EQ(renderer_->Run(0), S_OK);
    ASSERT_EQ(source_->Run(0), S_OK);
  }
  std::vector<uint8_t> Last() {
    std::lock_guard guard(renderer_->lock_);
    return renderer_->samples_.empty() ? std::vector<uint8_t>{} : renderer_->samples_.back().bytes;
  }
  size_t Count() {
    std::lock_guard guard(renderer_->lock_);
    return renderer_->samples_.size();
  }

  TIntf<TDSVideoSourceFilter> source_;
  TIntf<TByteRenderer> renderer_;
  HRESULT result_ = E_FAIL;
};

TEST_F(VideoSourceTest, RgbFrameLeavesBottomUpWithPaddedRowsInOneSample) {
  // 6 pixels: frame rows 3 x 8 = 24 bytes, sample rows 18 bytes padded to 20.
  Connected c(vfRGB24, true, 6, 3);
  ASSERT_EQ(c.result_, S_OK);
  EXPECT_EQ(c.source_->Pin()->ConnectedFormat(), vfRGB24);
  const ALLOCATOR_PROPERTIES props = [&] {
    ALLOCATOR_PROPERTIES p{};
    c.source_->Pin()->Allocator()->GetProperties(&p);
    return p;
  }();
  // Room for a renderer that keeps the frame it shows and the one waiting.
  EXPECT_EQ(props.cBuffers, TDSVideoSourceStreamPin::kSampleBuffers);
  EXPECT_EQ(props.cbBuffer, 60);
  c.Run();
  auto frame = Pattern(6, 3, vfRGB24);
  ASSERT_TRUE(c.source_->SendBuffer(frame.get(), 0, 0));
  const std::vector<uint8_t> got = c.Last();
  ASSERT_EQ(got.size(), 60u);
  const uint8_t* px = frame->Read();
  for (int y = 0; y < 3; ++y)
    EXPECT_EQ(std::memcmp(got.data() + 20 * (2 - y), px + frame->GetStep() * y, 18), 0) << "row " << y;
  {
    std::lock_guard guard(c.renderer_->lock_);
    EXPECT_NE(c.renderer_->samples_.back().timeResult, S_OK) << "zero times leave the sample unstamped";
  }
  ASSERT_TRUE(c.source_->SendBuffer(frame.get(), 100, 200));
  std::lock_guard guard(c.renderer_->lock_);
  EXPECT_EQ(c.renderer_->samples_.back().start, 100);
  EXPECT_EQ(c.renderer_->samples_.back().stop, 200);
  EXPECT_TRUE(c.renderer_->samples_.back().syncPoint);
}

TEST_F(VideoSourceTest, ConvertsInTheSamePassAsItTurnsRowsOver) {
  // YUY2 frame into an RGB32 connection: compare with the frame's own
  // conversion, row order reversed.
  TDSMediaType rgb32 = VideoType(8, 4, MEDIASUBTYPE_RGB32, 32);
  Connected c(vfYUY2, false, 8, 4, &rgb32.Get());
  ASSERT_EQ(c.result_, S_OK);
  EXPECT_EQ(c.source_->Pin()->ConnectedFormat(), vfRGBA32);
  c.Run();
  auto frame = Pattern(8, 4, vfYUY2);
  std::vector<uint8_t> before(frame->Read(), frame->Read() + frame->GetSize());
  ASSERT_TRUE(c.source_->SendBuffer(frame.get(), 0, 0));
  EXPECT_EQ(frame->GetFormat(), vfYUY2) << "the caller's frame is not converted";
  EXPECT_EQ(std::memcmp(frame->Read(), before.data(), before.size()), 0);
  auto reference = MakeIntf<TVLImageBuffer>(*frame);
  reference->SetFormat(vfRGBA32);
  const std::vector<uint8_t> got = c.Last();
  ASSERT_EQ(got.size(), 8u * 4 * 4);
  for (int y = 0; y < 4; ++y)
    EXPECT_EQ(std::memcmp(got.data() + 32 * (3 - y), reference->Read() + 32 * y, 32), 0) << "row " << y;

  // A top-down connection keeps the rows in picture order.
  TDSMediaType topDown = VideoType(8, -4, MEDIASUBTYPE_RGB32, 32);
  Connected t(vfYUY2, false, 8, 4, &topDown.Get());
  ASSERT_EQ(t.result_, S_OK);
  t.Run();
  ASSERT_TRUE(t.source_->SendBuffer(frame.get(), 0, 0));
  EXPECT_EQ(t.Last(), std::vector<uint8_t>(reference->Read(), reference->Read() + 128));
}

// A grey frame reaches the display as grey: in a grey connection its bytes
// travel unchanged (rows turned bottom-up), in an RGB24 one each value
// becomes the same blue, green and red, with no colour matrix between.
TEST_F(VideoSourceTest, GreyFramesArriveAsTheirOwnGreyValues) {
  auto frame = MakeIntf<TVLImageBuffer>(6, 3, vfGrayScale);
  uint8_t* px = frame->Write();
  auto value = [](int x, int y) { return uint8_t(16 + 90 * y + 37 * x); };
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) px[y * frame->GetStep() + x] = value(x, y);

  Connected grey(vfGrayScale, true, 6, 3);
  ASSERT_EQ(grey.result_, S_OK);
  EXPECT_EQ(grey.source_->Pin()->ConnectedFormat(), vfGrayScale);
  grey.Run();
  ASSERT_TRUE(grey.source_->SendBuffer(frame.get(), 0, 0));
  std::vector<uint8_t> got = grey.Last();
  ASSERT_EQ(got.size(), 8u * 3);  // rows of 6 bytes padded to 8
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(got[size_t(8 * (2 - y) + x)], value(x, y)) << x << "," << y;

  TDSMediaType rgb24 = VideoType(6, 3);
  Connected colour(vfGrayScale, false, 6, 3, &rgb24.Get());
  ASSERT_EQ(colour.result_, S_OK);
  EXPECT_EQ(colour.source_->Pin()->ConnectedFormat(), vfRGB24);
  colour.Run();
  ASSERT_TRUE(colour.source_->SendBuffer(frame.get(), 0, 0));
  got = colour.Last();
  ASSERT_EQ(got.size(), 20u * 3);  // rows of 18 bytes padded to 20
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x)
      for (int c = 0; c < 3; ++c) EXPECT_EQ(got[size_t(20 * (2 - y) + 3 * x + c)], value(x, y)) << x << "," << y;
}

TEST_F(VideoSourceTest, PackedYuvTravelsUnchangedAndOddSizesNeverOverrun) {
  Connected c(vfYUY2, true, 8, 2);
  ASSERT_EQ(c.result_, S_OK);
  c.Run();
  auto frame = Pattern(8, 2, vfYUY2);
  ASSERT_TRUE(c.source_->SendBuffer(frame.get(), 0, 0));
  EXPECT_EQ(c.Last(), std::vector<uint8_t>(frame->Read(), frame->Read() + 32));
  // UYVY source into a YUY2 connection: bytes of each pair swapped.
  auto uyvy = Pattern(8, 2, vfUYVY);
  ASSERT_TRUE(c.source_->SendBuffer(uyvy.get(), 0, 0));
  const std::vector<uint8_t> got = c.Last();
  ASSERT_EQ(got.size(), 32u);
  EXPECT_EQ(got[0], uyvy->Read()[1]);
  EXPECT_EQ(got[1], uyvy->Read()[0]);

  // A frame of another size is refused, whichever side is larger.
  const size_t before = c.Count();
  EXPECT_FALSE(c.source_->SendBuffer(Pattern(16, 2, vfYUY2).get(), 0, 0));
  EXPECT_FALSE(c.source_->SendBuffer(Pattern(8, 1, vfYUY2).get(), 0, 0));
  EXPECT_FALSE(c.source_->SendBuffer(nullptr, 0, 0));
  EXPECT_FALSE(c.source_->Pin()->SendRGB24(std::vector<uint8_t>(32).data(), 32, 24, 0, 0)) << "not an RGB24 connection";
  EXPECT_EQ(c.Count(), before);
}

TEST_F(VideoSourceTest, RawBytesAreCutToAFrameAndShortOnesDroppedUnreadAndCounted) {
  Connected c(vfYUY2, true, 8, 2);  // 32 bytes a frame
  ASSERT_EQ(c.result_, S_OK);
  c.Run();
  TDSVideoSourceStreamPin* pin = c.source_->Pin();
  // Exactly sized allocations: a read past either end would stop the
  // sanitizer.
  std::vector<uint8_t> longer(40);
  for (size_t i = 0; i < longer.size(); ++i) longer[i] = uint8_t(i + 1);
  ASSERT_TRUE(pin->SendData(longer.data(), 40, 0, 0, 16, false));
  EXPECT_EQ(c.Last(), std::vector<uint8_t>(longer.begin(), longer.begin() + 32));
  EXPECT_EQ(pin->Drops().CutSamples(), 1);
  const size_t before = c.Count();
  const std::vector<uint8_t> shorter(31, 9);
  EXPECT_FALSE(pin->SendData(shorter.data(), 31, 0, 0, 16, false));
  EXPECT_FALSE(pin->SendData(shorter.data(), 31, 0, 0, 16, true));
  EXPECT_EQ(pin->Drops().Dropped(TVLFrameDrop::kShortSample), 2);
  EXPECT_FALSE(c.source_->SendBuffer(Pattern(16, 2, vfYUY2).get(), 0, 0));
  EXPECT_EQ(pin->Drops().Dropped(TVLFrameDrop::kOtherSize), 1);
  EXPECT_EQ(pin->Drops().Dropped(), 3) << "every refusal is counted once";
  EXPECT_EQ(c.Count(), before);
}

TEST_F(VideoSourceTest, RawRgbEntryPointsTurnRowsOver) {
  Connected c(vfRGB24, true, 2, 2);  // sample rows 6 bytes padded to 8
  ASSERT_EQ(c.result_, S_OK);
  c.Run();
  const uint8_t rows[] = {1, 2, 3, 4, 5, 6, 0, 0, 11, 12, 13, 14, 15, 16};
  ASSERT_TRUE(c.source_->Pin()->SendRGB24(rows, sizeof(rows), 8, 0, 0));
  const std::vector<uint8_t> want = {11, 12, 13, 14, 15, 16, 0, 0, 1, 2, 3, 4, 5, 6};
  std::vector<uint8_t> got = c.Last();
  ASSERT_EQ(got.size(), 16u);
  EXPECT_EQ(std::vector<uint8_t>(got.begin(), got.begin() + 6), std::vector<uint8_t>(want.begin(), want.begin() + 6));
  EXPECT_EQ(std::vector<uint8_t>(got.begin() + 8, got.begin() + 14),
            std::vector<uint8_t>(want.begin() + 8, want.begin() + 14));
  // The last row may end early, but never before its pixels do.
  EXPECT_FALSE(c.source_->Pin()->SendRGB24(rows, 13, 8, 0, 0));
  EXPECT_FALSE(c.source_->Pin()->SendRGB24(rows, sizeof(rows), 5, 0, 0)) << "step shorter than a row";
  ASSERT_TRUE(c.source_->Pin()->SendData(rows, sizeof(rows), 0, 0, 8, true));
  got = c.Last();
  EXPECT_EQ(got[0], 11);
  EXPECT_EQ(got[8], 1);
}

TEST_F(VideoSourceTest, FramesWhileStoppedAreDroppedAfterTheTries) {
  Connected c(vfRGB24, true, 4, 2);
  ASSERT_EQ(c.result_, S_OK);
  auto frame = Pattern(4, 2, vfRGB24);
  TDSVideoSourceStreamPin* pin = c.source_->Pin();
  const int64_t before = pin->DeliveryAttempts();
  EXPECT_FALSE(c.source_->SendBuffer(frame.get(), 0, 0));
  EXPECT_EQ(pin->DeliveryAttempts() - before, TDSVideoSourceStreamPin::kMaxDeliveryAttempts);
  EXPECT_EQ(c.Count(), 0u);
  // Unconnected: the same.
  auto lone = MakeSource(vfRGB24, true, 4, 2);
  EXPECT_FALSE(lone->SendBuffer(frame.get(), 0, 0));
  EXPECT_EQ(lone->Pin()->DeliveryAttempts(), TDSVideoSourceStreamPin::kMaxDeliveryAttempts);
  EXPECT_EQ(lone->Flush(), VFW_E_NOT_CONNECTED);
  // Running again: delivered at the first try.
  c.Run();
  const int64_t running = pin->DeliveryAttempts();
  EXPECT_TRUE(c.source_->SendBuffer(frame.get(), 0, 0));
  EXPECT_EQ(pin->DeliveryAttempts() - running, 1);
  // A refused delivery downstream is reported.
  {
    std::lock_guard guard(c.renderer_->lock_);
    c.renderer_->failAfter_ = 0;
  }
  EXPECT_FALSE(c.source_->SendBuffer(frame.get(), 0, 0));
}

TEST_F(VideoSourceTest, ConnectedPinSticksToItsFormatAndSize) {
  Connected c(vfYUY2, false, 8, 2);
  ASSERT_EQ(c.result_, S_OK);
  EXPECT_EQ(c.source_->Pin()->ConnectedFormat(), vfYUY2);
  EXPECT_EQ(c.source_->SetSizeDelay(16, 2, 0), VFW_E_ALREADY_CONNECTED);
  EXPECT_EQ(c.source_->Pin()->CheckMediaType(&VideoType(8, 2, MEDIASUBTYPE_UYVY, 16).Get()), E_INVALIDARG);
  EXPECT_EQ(c.source_->Pin()->CheckMediaType(&VideoType(8, 2, MEDIASUBTYPE_YUY2, 16).Get()), S_OK);
  TGUID id;
  ASSERT_EQ(c.source_->GetClassID(&id), S_OK);
  EXPECT_TRUE(id == kClassId);
}

}  // namespace
}  // namespace lumicar::dstest
