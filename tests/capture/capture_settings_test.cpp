// The capture's building blocks on their own: the preference rows, the size
// and rate objects and their notifications, the interlace flags, the byte
// queue, the grabber callback object and the grabber filter of our own.

#include <gtest/gtest.h>

#include <algorithm>

#include "capture/capture_frame_rate.h"
#include "capture/format_preference.h"
#include "capture/frames/buffer_queue.h"
#include "capture/frames/sample_grabber_cb.h"
#include "capture/video_grabber.h"
#include "capture/video_interlacing.h"
#include "capture/video_size.h"
#include "components/lp_component.h"
#include "dsbase/camera/camera_media_type.h"
#include "dsbase/com/ds_assert.h"
#include "dsbase/com/live_objects.h"
#include "dsbase/com/task_memory.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/media/video_info.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar::capturetest {
namespace {

TEST(CapturePreference, EveryRowOrdersAllSevenFormats) {
  const std::vector<std::pair<TVLVideoFormat, TVLDSPreferenceRow>> table = {
      {vfRGB24, {vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB565, vfRGB555, vfGrayScale}},
      {vfYUY2, {vfYUY2, vfUYVY, vfRGBA32, vfRGB24, vfRGB565, vfRGB555, vfGrayScale}},
      {vfUYVY, {vfUYVY, vfYUY2, vfRGBA32, vfRGB24, vfRGB565, vfRGB555, vfGrayScale}},
      {vfRGBA32, {vfRGBA32, vfRGB24, vfYUY2, vfUYVY, vfRGB565, vfRGB555, vfGrayScale}},
      {vfRGB565, {vfRGB565, vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB555, vfGrayScale}},
      {vfRGB555, {vfRGB555, vfRGB565, vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfGrayScale}},
      {vfGrayScale, {vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB565, vfRGB555, vfGrayScale}},
      {vfRGB, {vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB565, vfRGB555, vfGrayScale}},
      {TVLVideoFormat(200), {vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB565, vfRGB555, vfGrayScale}},
  };
  for (const auto& [requested, row] : table) {
    EXPECT_EQ(VLDSPreferenceRow(requested), row) << int(requested);
    TVLDSPreferenceRow sorted = row;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end());
  }
}

// A component whose property objects share its lock and count notifications.
class TOwner : public TLPComponent {
 public:
  TOwner() : size(this, [this] { ++sizeChanges; }), rate(this, TNotifyEvent([this](TObject*) { ++rateChanges; })) {}
  int sizeChanges = 0, rateChanges = 0;
  TVLOptionalVideoSize size;
  TVLCaptureFrameRate rate;
};

TEST(CaptureSettings, SizeAndRateReportOnlyRealChanges) {
  TOwner owner;
  owner.size.SetWidth(320);  // unchanged
  EXPECT_EQ(owner.sizeChanges, 0);
  owner.size.SetWidth(1600);
  owner.size.SetHeight(1200);
  EXPECT_EQ(owner.sizeChanges, 2);
  owner.size.SetCurrent(false);  // stored without a callback
  EXPECT_EQ(owner.sizeChanges, 2);
  EXPECT_FALSE(owner.size.Current());
  owner.size.SetWidth(0);  // no range check
  EXPECT_EQ(owner.size.Width(), 0u);

  owner.rate.SetRate(30.0);
  EXPECT_EQ(owner.rateChanges, 0);
  owner.rate.SetRate(7.5);
  owner.rate.SetVariableRate(true);
  owner.rate.SetCurrent(false);
  EXPECT_EQ(owner.rateChanges, 3);
  // The copy of another object's values reports through the same callback.
  TVLCaptureFrameRate other;
  other.SetRate(15);
  owner.rate.Assign(&other);
  EXPECT_EQ(owner.rate.Rate(), 15.0);
  EXPECT_TRUE(owner.rate.Current());
}

TEST(CaptureSettings, InterlaceFlagsDecodeIntoTheirFields) {
  TVLDSVideoInterlacing i;
  EXPECT_FALSE(i.Interlaced());
  EXPECT_EQ(i.FirstField(), 2);
  i.SetFlags(0x01 | 0x04 | (2u << 4) | (1u << 6));
  EXPECT_TRUE(i.Interlaced());
  EXPECT_EQ(i.FirstField(), 1);
  EXPECT_EQ(i.FieldPattern(), ifpBothRegular);
  EXPECT_EQ(i.Mode(), imWeaveOnly);
  i.SetFlags(3u << 4 | 2u << 6);
  EXPECT_FALSE(i.Interlaced());
  EXPECT_EQ(i.FieldPattern(), ifpBothIrregular);
  EXPECT_EQ(i.Mode(), imBobOrWeave);
}

TEST(CaptureBufferQueue, BlocksComeOutInOrderWithTheirTimes) {
  TMLDSBufferQueue q;
  EXPECT_FALSE(q.HasData());
  EXPECT_EQ(q.Get(), nullptr);
  const uint8_t a[] = {1, 2, 3}, b[] = {4, 5};
  EXPECT_TRUE(q.Add(10, 20, a, 3));
  EXPECT_TRUE(q.AddMulti(30, 40, {{a, 3}, {b, 2}}));
  EXPECT_TRUE(q.Add(50, 60, nullptr, 0));  // an empty block is still a block
  EXPECT_FALSE(q.Add(0, 0, nullptr, 4));   // bytes claimed but none given
  EXPECT_FALSE(q.Add(0, 0, a, -1));
  EXPECT_EQ(q.Count(), 3);
  auto first = q.Get();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->start, 10);
  EXPECT_EQ(first->end, 20);
  EXPECT_EQ(first->data, (std::vector<uint8_t>{1, 2, 3}));
  auto second = q.Get();
  EXPECT_EQ(second->data, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  TMLDSBufferQueue::DestroyBlock(std::move(second));
  q.Clear();
  EXPECT_FALSE(q.HasData());
}

TEST(CaptureGrabberCallback, ForwardsSamplesAndKeepsFixedCounts) {
  int calls = 0;
  double seen = 0;
  TDSSampleGrabberCB cb([&](double t, IMediaSample*) {
    ++calls;
    seen = t;
  });
  EXPECT_EQ(cb.AddRef(), 2u);
  EXPECT_EQ(cb.Release(), 1u);
  void* p = nullptr;
  EXPECT_EQ(cb.QueryInterface(IID_ISampleGrabberCB, &p), S_OK);
  EXPECT_EQ(p, static_cast<ISampleGrabberCB*>(&cb));
  EXPECT_EQ(cb.QueryInterface(IID_IUnknown, &p), S_OK);
  EXPECT_EQ(cb.QueryInterface(IID_ISampleGrabber, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(cb.SampleCB(1.5, nullptr), S_OK);
  EXPECT_EQ(cb.BufferCB(2.0, nullptr, 0), S_OK);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seen, 1.5);
  TDSSampleGrabberCB empty;
  EXPECT_EQ(empty.SampleCB(0, nullptr), S_OK);
}

class VideoGrabberTest : public dstest::DSLeakCheck {};

TEST_F(VideoGrabberTest, OffersItsRowInAndRgb24OutWithTheInputsGeometry) {
  TIntf<TDSVideoGrabber> g = MakeIntf<TDSVideoGrabber>(QStringLiteral("Grabber"), GUID_NULL, nullptr);
  EXPECT_EQ(g->GetPinCount(), 2);
  EXPECT_THROW(g->GetPin(2), EDSAssertion);
  IPin* raw = nullptr;
  ASSERT_EQ(g->FindPin(u"Input", &raw), S_OK);
  TIntf<IPin> in = TIntf<IPin>::Adopt(raw);
  char16_t* id = nullptr;
  ASSERT_EQ(in->QueryId(&id), S_OK);
  EXPECT_EQ(QString::fromUtf16(id), QStringLiteral("Input"));
  CoTaskMemFree(id);
  PIN_INFO info{};
  ASSERT_EQ(in->QueryPinInfo(&info), S_OK);
  EXPECT_EQ(QString::fromUtf16(info.achName), QStringLiteral("TransInPlace input pin"));
  if (info.pFilter) info.pFilter->Release();

  AM_MEDIA_TYPE mt{};
  EXPECT_EQ(g->GetInputMediaType(-1, &mt), E_INVALIDARG);
  EXPECT_EQ(g->GetInputMediaType(7, &mt), VFW_S_NO_MORE_ITEMS);
  ASSERT_EQ(g->GetInputMediaType(0, &mt), S_OK);
  EXPECT_EQ(mt.subtype, MEDIASUBTYPE_RGB32);  // the row of vfRGBA32 first
  TDSMediaType yuy2 = DSCameraMediaType(MEDIASUBTYPE_YUY2, 640, 480, 400000);
  EXPECT_EQ(g->CheckInputType(&yuy2.Get()), S_OK);
  TDSMediaType mjpg = DSCameraMediaType(MEDIASUBTYPE_MJPG, 640, 480, 400000);
  EXPECT_EQ(g->CheckInputType(&mjpg.Get()), VFW_E_TYPE_NOT_ACCEPTED);

  ASSERT_EQ(g->SetMediaType(PINDIR_INPUT, &yuy2.Get()), S_OK);
  EXPECT_EQ(g->Width(), 640);
  EXPECT_EQ(g->FramePeriod(), 400000);
  TDSMediaType out;
  EXPECT_EQ(g->GetOutMediaType(2, &out.Get()), VFW_S_NO_MORE_ITEMS);
  ASSERT_EQ(g->GetOutMediaType(1, &out.Get()), S_OK);
  EXPECT_EQ(out->subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(out->formattype, FORMAT_VideoInfo);
  EXPECT_EQ(out->cbFormat, 1128u);
  const auto* v1 = reinterpret_cast<const VIDEOINFOHEADER*>(out->pbFormat);
  EXPECT_EQ(v1->bmiHeader.biBitCount, 24);
  EXPECT_EQ(v1->bmiHeader.biSizeImage, 640u * 480 * 3);
  EXPECT_EQ(v1->dwBitRate, 25u * 640 * 480 * 24);
  ASSERT_EQ(g->GetOutMediaType(0, &out.Get()), S_OK);
  EXPECT_EQ(out->formattype, FORMAT_VideoInfo2);
  const auto* v2 = reinterpret_cast<const VIDEOINFOHEADER2*>(out->pbFormat);
  EXPECT_EQ(v2->dwPictAspectRatioX, 640u);
  EXPECT_EQ(v2->dwPictAspectRatioY, 480u);
  // A type without a period names no rate: the bit rate stays 0.
  TDSMediaType still = DSCameraMediaType(MEDIASUBTYPE_YUY2, 320, 240, 0);
  g->SetMediaType(PINDIR_INPUT, &still.Get());
  ASSERT_EQ(g->GetOutMediaType(1, &out.Get()), S_OK);
  EXPECT_EQ(reinterpret_cast<const VIDEOINFOHEADER*>(out->pbFormat)->dwBitRate, 0u);
  // A block too short for the header its type names is not read.
  TDSMediaType shortBlock = still;
  shortBlock->formattype = FORMAT_VideoInfo2;
  g->SetMediaType(PINDIR_INPUT, &shortBlock.Get());
  EXPECT_EQ(g->Width(), 0);
}

}  // namespace
}  // namespace lumicar::capturetest
