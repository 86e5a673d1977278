// The video information view over VideoInfo and VideoInfo2 blocks of every
// length: what it reads, what it refuses, and the in-place edits.

#include "dsbase/media/video_info_view.h"

#include <gtest/gtest.h>

#include <cstring>

#include "dsbase/media/media_guids.h"

namespace lumicar {
namespace {

// A type owning a block of `size` bytes of the given kind; the shared
// fields and the header are filled in as far as the block reaches.
struct TBlockType {
  TDSMediaType type;
  TBlockType(const TGUID& formatType, uint32_t size) {
    type->formattype = formatType;
    uint8_t* block = LPDSSetFormatBuffer(type.Get(), size);
    for (uint32_t i = 0; block && i < size; ++i) block[i] = uint8_t(0xA0 + i % 16);  // no zero to hide behind
  }
  AM_MEDIA_TYPE& Get() { return type.Get(); }
};

template <typename Info>
void Fill(AM_MEDIA_TYPE& mt) {
  Info info;
  info.rcSource = RECT{1, 2, 641, 482};
  info.rcTarget = RECT{0, 0, 320, 240};
  info.dwBitRate = 12345;
  info.AvgTimePerFrame = 333333;
  info.bmiHeader.biWidth = 640;
  info.bmiHeader.biHeight = -480;
  info.bmiHeader.biBitCount = 24;
  std::memcpy(mt.pbFormat, &info, sizeof info);
}

TEST(VideoInfoView, ReadsBothBlockKindsAlike) {
  TBlockType v1(FORMAT_VideoInfo, sizeof(VIDEOINFOHEADER));
  TBlockType v2(FORMAT_VideoInfo2, sizeof(VIDEOINFOHEADER2));
  Fill<VIDEOINFOHEADER>(v1.Get());
  Fill<VIDEOINFOHEADER2>(v2.Get());
  for (AM_MEDIA_TYPE* mt : {&v1.Get(), &v2.Get()}) {
    const TDSVideoInfoView view(*mt);
    ASSERT_TRUE(view);
    EXPECT_EQ(view.Header(), DSBitmapHeader(*mt));
    EXPECT_EQ(view.Header()->biWidth, 640);
    EXPECT_EQ(view.Header()->biHeight, -480);
    EXPECT_EQ(view.Source().right, 641);
    EXPECT_EQ(view.Source().bottom, 482);
    EXPECT_EQ(view.Target().right, 320);
    EXPECT_EQ(view.BitRate(), 12345u);
    EXPECT_EQ(view.AvgTimePerFrame(), 333333);
    EXPECT_EQ(view.TailBytes(), 0u);
    EXPECT_EQ(view.TailOf(1), nullptr);
  }
  EXPECT_EQ(TDSVideoInfoView(v1.Get()).Info2(), nullptr);
  EXPECT_NE(TDSVideoInfoView(v2.Get()).Info2(), nullptr);
}

TEST(VideoInfoView, ABlockShorterThanItsHeaderHasNone) {
  // One byte short of each header, and a VideoInfo-sized VideoInfo2 block.
  for (auto [kind, size] :
       {std::pair{FORMAT_VideoInfo, uint32_t(sizeof(VIDEOINFOHEADER) - 1)},
        std::pair{FORMAT_VideoInfo2, uint32_t(sizeof(VIDEOINFOHEADER2) - 1)},
        std::pair{FORMAT_VideoInfo2, uint32_t(sizeof(VIDEOINFOHEADER))}, std::pair{FORMAT_VideoInfo, 0u}}) {
    SCOPED_TRACE(size);
    TBlockType t(kind, size);
    const TDSVideoInfoView view(t.Get());
    EXPECT_FALSE(view);
    EXPECT_EQ(view.Header(), nullptr);
    EXPECT_EQ(view.Tail(), nullptr);
    EXPECT_EQ(view.TailBytes(), 0u);
    EXPECT_EQ(view.AvgTimePerFrame(), 0);
    EXPECT_EQ(view.Source().right, 0);
    TDSVideoInfoEdit edit(t.Get());
    EXPECT_FALSE(edit.SetSize(1, 1));
    EXPECT_FALSE(edit.SetAvgTimePerFrame(1));
  }
}

TEST(VideoInfoView, OtherBlockKindsAreNotVideoInformation) {
  TBlockType wave(FORMAT_WaveFormatEx, 4096);
  EXPECT_FALSE(TDSVideoInfoView(wave.Get()));
  AM_MEDIA_TYPE claimed;  // a size with no block behind it
  claimed.formattype = FORMAT_VideoInfo;
  claimed.cbFormat = sizeof(VIDEOINFOHEADER2);
  EXPECT_FALSE(TDSVideoInfoView(claimed));
}

TEST(VideoInfoView, TheTailIsWhatFollowsTheHeaderAndNoMore) {
  TBlockType palette(FORMAT_VideoInfo2, sizeof(VIDEOINFOHEADER2) + 1024);
  const TDSVideoInfoView view(palette.Get());
  ASSERT_TRUE(view);
  EXPECT_EQ(view.Tail(), palette.Get().pbFormat + sizeof(VIDEOINFOHEADER2));
  EXPECT_EQ(view.TailBytes(), 1024u);
  EXPECT_EQ(view.TailOf(1024), view.Tail());
  EXPECT_EQ(view.TailOf(1025), nullptr);

  TBlockType masks(FORMAT_VideoInfo, sizeof(VIDEOINFOHEADER) + 12);
  EXPECT_EQ(TDSVideoInfoView(masks.Get()).TailBytes(), 12u);
  EXPECT_EQ(TDSVideoInfoView(masks.Get()).TailOf(1024), nullptr);
}

TEST(VideoInfoView, EditsSizeAndPeriodInPlace) {
  TBlockType v2(FORMAT_VideoInfo2, sizeof(VIDEOINFOHEADER2) + 8);
  Fill<VIDEOINFOHEADER2>(v2.Get());
  const uint8_t tail[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::memcpy(v2.Get().pbFormat + sizeof(VIDEOINFOHEADER2), tail, sizeof tail);
  TDSVideoInfoEdit edit(v2.Get());
  ASSERT_TRUE(edit);
  EXPECT_TRUE(edit.SetSize(1600, 1200));
  EXPECT_TRUE(edit.SetAvgTimePerFrame(666666));
  EXPECT_EQ(edit.AvgTimePerFrame(), 666666);
  const TDSVideoInfoView view(v2.Get());
  EXPECT_EQ(view.Header()->biWidth, 1600);
  EXPECT_EQ(view.Header()->biHeight, 1200);
  EXPECT_EQ(view.Header()->biBitCount, 24);  // the rest of the header is kept
  EXPECT_EQ(view.AvgTimePerFrame(), 666666);
  EXPECT_EQ(view.Info2()->AvgTimePerFrame, 666666);
  EXPECT_EQ(std::memcmp(view.Tail(), tail, sizeof tail), 0);
}

}  // namespace
}  // namespace lumicar
