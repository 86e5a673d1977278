// The system filters: the sample grabber's type restriction, callback,
// buffering and one-shot; the colour converter's pixels and its handling of
// short samples; the null renderer.

#include <gtest/gtest.h>

#include "buffers/image_conversion.h"
#include "dsbase/filters/colour_converter.h"
#include "dsbase/filters/null_renderer.h"
#include "dsbase/filters/sample_grabber.h"
#include "tests/dsbase/graph_test_support.h"

namespace lumicar::dstest {
namespace {

class GrabberTest : public DSLeakCheck {
 protected:
  void SetUp() override {
    DSRegisterSystemClasses();
    DSLeakCheck::SetUp();
    graph_ = NewGraph();
    cam_ = MakeIntf<TCameraSource>(64, 8);
    grabber_ = MakeIntf<TDSSampleGrabber>();
    graph_->AddFilter(cam_.get(), u"cam");
    graph_->AddFilter(grabber_.get(), u"grabber");
    graph_->SetSyncSource(nullptr);
  }
  void TearDown() override {
    graph_->Stop();
    grabber_->SetCallback(nullptr, 0);
    grabber_.reset();
    cam_.reset();
    graph_.reset();
    DSLeakCheck::TearDown();
  }
  TDSMediaType Kind(const TGUID& subtype) {
    TDSMediaType t;
    t->majortype = MEDIATYPE_Video;
    t->subtype = subtype;
    t->formattype = FORMAT_VideoInfo;
    return t;
  }
  TIntf<TDSFilterGraph> graph_;
  TIntf<TCameraSource> cam_;
  TIntf<TDSSampleGrabber> grabber_;
};

TEST_F(GrabberTest, AcceptsOnlyItsKindAndReachesItThroughTheConverter) {
  TIntf<IPin> capture(cam_->Capture()), in = PinOf(grabber_.get(), 0);
  EXPECT_EQ(grabber_->SetMediaType(nullptr), E_POINTER);
  TDSMediaType rgb555 = Kind(MEDIASUBTYPE_RGB555);
  ASSERT_EQ(grabber_->SetMediaType(&rgb555.Get()), S_OK);
  EXPECT_EQ(graph_->ConnectDirect(capture.get(), in.get(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
  TDSMediaType connected;
  EXPECT_EQ(grabber_->GetConnectedMediaType(&connected.Get()), VFW_E_NOT_CONNECTED);
  // A YUY2 camera reaches RGB555 through the converter.
  ASSERT_EQ(graph_->Connect(capture.get(), in.get()), S_OK);
  ASSERT_EQ(grabber_->GetConnectedMediaType(&connected.Get()), S_OK);
  EXPECT_EQ(connected->subtype, MEDIASUBTYPE_RGB555);
  EXPECT_EQ(graph_->FilterCount(), 3);
  // Another format type of the same subtype is refused.
  TDSMediaType info2 = Kind(MEDIASUBTYPE_RGB555);
  info2->formattype = FORMAT_VideoInfo2;
  grabber_->SetMediaType(&info2.Get());
  EXPECT_EQ(grabber_->InputPin()->QueryAccept(&connected.Get()), S_FALSE);
}

TEST_F(GrabberTest, CallsBackOncePerSampleWithItsTimeAndKeepsTheLastBuffer) {
  TDSMediaType rgb = Kind(MEDIASUBTYPE_RGB24);
  grabber_->SetMediaType(&rgb.Get());
  ASSERT_EQ(graph_->Connect(TIntf<IPin>(cam_->Capture()).get(), PinOf(grabber_.get(), 0).get()), S_OK);
  TIntf<TRecordingCallback> cb = MakeIntf<TRecordingCallback>();
  EXPECT_EQ(grabber_->SetCallback(cb.get(), 2), E_INVALIDARG);
  ASSERT_EQ(grabber_->SetCallback(cb.get(), 0), S_OK);
  int32_t size = 0;
  EXPECT_EQ(grabber_->GetCurrentBuffer(&size, nullptr), E_INVALIDARG);  // not buffering
  ASSERT_EQ(grabber_->SetBufferSamples(true), S_OK);
  EXPECT_EQ(grabber_->GetCurrentBuffer(&size, nullptr), VFW_E_WRONG_STATE);  // nothing yet
  ASSERT_EQ(graph_->Run(), S_OK);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(cam_->PushFrame(), S_OK);
  ASSERT_EQ(cb->calls_.load(), 3);
  EXPECT_DOUBLE_EQ(cb->times_[0], 0.0);
  EXPECT_DOUBLE_EQ(cb->times_[2], 2 * 0.0333333);
  EXPECT_EQ(cb->threads_[0], std::this_thread::get_id());  // the delivering thread
  ASSERT_EQ(grabber_->GetCurrentBuffer(&size, nullptr), S_OK);
  EXPECT_EQ(size, 64 * 8 * 3);
  std::vector<uint8_t> small(10), whole(static_cast<size_t>(size));
  int32_t smallSize = 10;
  EXPECT_EQ(grabber_->GetCurrentBuffer(&smallSize, small.data()), E_OUTOFMEMORY);
  ASSERT_EQ(grabber_->GetCurrentBuffer(&size, whole.data()), S_OK);
  EXPECT_EQ(whole, cb->lastBytes_);

  // The converter's pixels: the camera's top row is the last row of the
  // bottom-up RGB24 frame, decoded exactly as the frame conversions decode it.
  const uint8_t top[4] = {235, 90, 235, 200}, rest[4] = {16, 90, 16, 200};
  uint8_t want[3];
  VLDecodeYUV422Pixel(top, 2, 0, false, want);
  // The decoder gives red, green, blue; frames store blue, green, red.
  EXPECT_EQ(whole[size_t(7 * 64 * 3)], want[2]);
  EXPECT_EQ(whole[size_t(7 * 64 * 3 + 1)], want[1]);
  EXPECT_EQ(whole[size_t(7 * 64 * 3 + 2)], want[0]);
  VLDecodeYUV422Pixel(rest, 2, 1, false, want);
  EXPECT_EQ(whole[3], want[2]);
  EXPECT_EQ(whole[5], want[0]);

  // A short sample is dropped, never read past its end.
  ASSERT_EQ(cam_->PushFrame(100), S_OK);
  EXPECT_EQ(cb->calls_.load(), 3);
  ASSERT_EQ(graph_->Stop(), S_OK);

  // One shot: the first sample is taken and upstream is told to stop
  // (S_FALSE); later ones are refused.
  grabber_->SetOneShot(true);
  ASSERT_EQ(graph_->Run(), S_OK);
  ASSERT_EQ(cam_->PushFrame(), S_FALSE);
  EXPECT_EQ(cam_->PushFrame(), S_FALSE);
  EXPECT_EQ(cb->calls_.load(), 4);
  int32_t code = 0;
  EXPECT_EQ(graph_->WaitForCompletion(0, &code), E_ABORT);  // the renderer count: no renderer here
}

TEST_F(GrabberTest, BufferCallbackAndNullRendererEndTheStream) {
  TIntf<TDSNullRenderer> null = MakeIntf<TDSNullRenderer>();
  graph_->AddFilter(null.get(), u"VLDS_NullRender");
  ASSERT_EQ(graph_->Connect(TIntf<IPin>(cam_->Capture()).get(), PinOf(grabber_.get(), 0).get()), S_OK);
  EXPECT_EQ(graph_->FilterCount(), 3);  // any type: YUY2 directly
  ASSERT_EQ(graph_->Connect(PinOf(grabber_.get(), 1).get(), PinOf(null.get(), 0).get()), S_OK);
  TIntf<TRecordingCallback> cb = MakeIntf<TRecordingCallback>();
  grabber_->SetCallback(cb.get(), 1);
  ASSERT_EQ(graph_->Run(), S_OK);
  ASSERT_EQ(cam_->PushFrame(), S_OK);
  EXPECT_EQ(cb->calls_.load(), 1);
  EXPECT_EQ(cb->lastBytes_.size(), size_t(64 * 8 * 2));
  EXPECT_EQ(cb->lastBytes_[0], 235);
}

TEST(FrameConversion, EveryLayoutPairKeepsAGreyPicture) {
  const TVLVideoFormat all[] = {vfRGB24, vfRGBA32, vfYUY2, vfUYVY, vfRGB565, vfRGB555, vfGrayScale};
  for (TVLVideoFormat from : all) {
    for (TVLVideoFormat to : all) {
      TDSMediaType a = VideoType(4, 2, VLGetGUIDFromFormat(from), VLBitsPerPixel(from));
      TDSMediaType b = VideoType(4, 2, VLGetGUIDFromFormat(to), VLBitsPerPixel(to));
      TDSFrameFormat fa, fb;
      ASSERT_TRUE(DSDescribeFrame(a.Get(), &fa));
      ASSERT_TRUE(DSDescribeFrame(b.Get(), &fb));
      // Black picture with a white top row, built as RGB24 and converted in.
      TDSMediaType rgb = VideoType(4, 2);
      TDSFrameFormat fr;
      DSDescribeFrame(rgb.Get(), &fr);
      std::vector<uint8_t> bgr(size_t(DSFrameBytes(fr)), 0), src(size_t(DSFrameBytes(fa))),
          dst(size_t(DSFrameBytes(fb))), back(size_t(DSFrameBytes(fr)));
      std::fill(bgr.begin() + fr.stride, bgr.begin() + 2 * fr.stride, 255);  // bottom-up: row 1 is the top
      TDSFrameConverter c;
      c.Convert(bgr.data(), fr, src.data(), fa);
      c.Convert(src.data(), fa, dst.data(), fb);
      c.Convert(dst.data(), fb, back.data(), fr);
      for (int x = 0; x < 12; ++x) {
        EXPECT_GE(back[size_t(fr.stride + x)], 230) << int(from) << "->" << int(to);
        EXPECT_LE(back[size_t(x)], 25) << int(from) << "->" << int(to);
      }
    }
  }
  // Odd 4:2:2 widths and absurd sizes are refused.
  TDSFrameFormat f;
  EXPECT_FALSE(DSDescribeFrame(VideoType(3, 2, MEDIASUBTYPE_YUY2, 16).Get(), &f));
  EXPECT_FALSE(DSDescribeFrame(VideoType(100000, 2).Get(), &f));
  EXPECT_FALSE(DSDescribeFrame(VideoType(4, 2, MEDIASUBTYPE_YUY2, 24).Get(), &f));
}

}  // namespace
}  // namespace lumicar::dstest
