// The capture at the head of a chain, as the viewer links it: capture →
// mirror turning the picture by a half turn → a collecting sink. The
// synthetic camera's frames arrive turned (against the same frames taken
// unturned from a second link of the capture), each numbered frame once and
// in order; every numbered frame pushed into the document camera arrives
// once, in order, turned.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "filters/mirror.h"
#include "tests/capture/capture_test_support.h"

namespace lumicar::capturetest {
namespace {

class CaptureChainTest : public CaptureTest {
 protected:
  // capture → mirror (half turn) → sink_; the capture made with plain new as
  // MakeCapture does.
  void MakeChain(const QString& device) {
    capture_.reset(new TVLDSCapture());
    capture_->VideoCaptureDevice()->SetName(device);
    mirror_ = std::make_unique<TVLMirror>();
    mirror_->SetMirrorType(mtBoth);
    ASSERT_TRUE(capture_->OutputPin()->Connect(mirror_->InputPin()));
    ASSERT_TRUE(mirror_->OutputPin()->Connect(sink_->InputPin()));
  }

  void TearDown() override {
    if (sink_) sink_->OpenGate();
    capture_.reset();
    mirror_.reset();
    CaptureTest::TearDown();
  }

  std::unique_ptr<TVLMirror> mirror_;
};

// Numbers 0, 1, 2, ... without gap or repeat.
void ExpectCounting(const std::vector<int64_t>& numbers, size_t at_least) {
  ASSERT_GE(numbers.size(), at_least);
  for (size_t i = 0; i < numbers.size(); ++i) ASSERT_EQ(numbers[i], int64_t(i)) << "at position " << i;
}

TEST_F(CaptureChainTest, SyntheticCameraFramesArriveHalfTurnedAndCounted) {
  constexpr int kFrames = 36, kKeep = kFrames + 24;
  // The unturned frames come out of a second link of the same output. The
  // mirror's output is a fresh buffer, which does not carry the capture's
  // sequence number but does carry the time stamp: the stamp finds the
  // unturned frame, and with it the number, of every turned one.
  TCollectingSink plain(kKeep);
  sink_ = std::make_unique<TCollectingSink>(kKeep);
  MakeChain(QStringLiteral("Test pattern"));
  ASSERT_TRUE(capture_->OutputPin()->Connect(plain.InputPin()));
  capture_->VideoSize()->SetCurrent(false);
  capture_->VideoSize()->SetWidth(320);
  capture_->VideoSize()->SetHeight(240);
  capture_->FrameRate()->SetCurrent(false);
  capture_->FrameRate()->SetRate(60);
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  ASSERT_TRUE(sink_->WaitFrames(kFrames));
  capture_->Stop();
  EXPECT_EQ(sink_->Stops(), 1);
  capture_.reset();  // before the second sink goes

  ExpectCounting(plain.Sequence(), kFrames);
  const auto turned = sink_->Kept();
  const auto unturned = plain.Kept();
  ASSERT_EQ(sink_->Frames(), plain.Frames());
  ASSERT_EQ(turned.size(), unturned.size());
  ASSERT_GE(turned.size(), size_t(kFrames));
  std::map<int64_t, size_t> byStamp;
  for (size_t i = 0; i < unturned.size(); ++i) {
    ASSERT_TRUE(unturned[i]->GetTimeStamp()->Available());
    ASSERT_TRUE(byStamp.emplace(unturned[i]->GetTimeStamp()->Begin(), i).second) << "two frames with one stamp";
  }

  const int w = 320, h = 240;
  for (size_t i = 0; i < turned.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "turned frame " << i);
    TVLImageBuffer& out = *turned[i];
    ASSERT_TRUE(out.GetTimeStamp()->Available());
    const auto from = byStamp.find(out.GetTimeStamp()->Begin());
    ASSERT_NE(from, byStamp.end()) << "a frame the capture did not send";
    TVLImageBuffer& in = *unturned[from->second];
    // The turned frames are the numbered ones, in their order.
    ASSERT_EQ(in.GetSequenceStamp()->BufferNumber(), int64_t(i));
    ASSERT_EQ(out.GetFormat(), vfRGB24);
    ASSERT_EQ(out.GetWidth(), w);
    ASSERT_EQ(out.GetHeight(), h);
    // The picture is the unturned one turned by half a turn, pixel for pixel.
    int differences = 0;
    for (int y = 0; y < h; y += 3)
      for (int x = 0; x < w; x += 3) differences += out.GetPixel(x, y) != in.GetPixel(w - 1 - x, h - 1 - y);
    EXPECT_EQ(differences, 0);
    // The camera's corner marker (red block at unit 1..4 with a white block
    // at unit 5..6 to its right, unit = width / 40) sits in the bottom-right
    // corner now, the white block to the left of the red one.
    const int unit = w / 40;
    const TVLColor red = out.GetPixel(w - 1 - unit * 5 / 2, h - 1 - unit * 5 / 2);
    EXPECT_GT(VLRed(red), 200);
    EXPECT_LT(VLGreen(red), 60);
    EXPECT_LT(VLBlue(red), 60);
    const TVLColor white = out.GetPixel(w - 1 - unit * 11 / 2, h - 1 - unit * 3 / 2);
    EXPECT_GT(VLRed(white), 200);
    EXPECT_GT(VLGreen(white), 200);
    EXPECT_GT(VLBlue(white), 200);
  }
}

// A 640 × 480 YUYV frame, mid grey, with its number written into the top
// rows as eight 16-pixel squares, black for a 0 bit and white for a 1 bit,
// lowest bit at the left.
constexpr int kWidth = 640, kHeight = 480, kSquare = 16, kBits = 8;

std::vector<uint8_t> NumberedFrame(int number) {
  std::vector<uint8_t> f(size_t(kWidth) * kHeight * 2);
  for (size_t i = 0; i < f.size(); i += 2) {
    f[i] = 128;
    f[i + 1] = 128;
  }
  for (int bit = 0; bit < kBits; ++bit) {
    const uint8_t luma = (number >> bit) & 1 ? 235 : 16;
    for (int y = 0; y < kSquare; ++y)
      for (int x = bit * kSquare; x < (bit + 1) * kSquare; ++x) f[(size_t(y) * kWidth + x) * 2] = luma;
  }
  return f;
}

// The number of a frame that went through the half turn: the squares are
// in the bottom rows now, the lowest bit at the right. -1 when a square is
// neither black nor white (the picture did not arrive turned).
int ReadTurnedNumber(TVLImageBuffer& frame) {
  int number = 0;
  for (int bit = 0; bit < kBits; ++bit) {
    const int x = kWidth - 1 - (bit * kSquare + kSquare / 2), y = kHeight - 1 - kSquare / 2;
    const int green = VLGreen(frame.GetPixel(x, y));
    if (green > 200)
      number |= 1 << bit;
    else if (green > 40)
      return -1;
  }
  // Above the squares (and everywhere they were before the turn) is grey.
  const int aboveGreen = VLGreen(frame.GetPixel(kWidth - 1 - kSquare / 2, kHeight - 1 - 2 * kSquare));
  const int cornerGreen = VLGreen(frame.GetPixel(kSquare / 2, kSquare / 2));
  if (aboveGreen < 100 || aboveGreen > 160 || cornerGreen < 100 || cornerGreen > 160) return -1;
  return number;
}

TEST_F(CaptureChainTest, EveryNumberedDocumentCameraFrameArrivesOnceInOrderTurned) {
  constexpr int kFrames = 30;
  sink_ = std::make_unique<TCollectingSink>(kFrames + 4);
  MakeChain(TFakeCameraProvider::kName);
  capture_->SetVideoFormat(vfYUY2);
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  auto fake = camera_->Fake();
  std::map<int, std::vector<uint8_t>> frames;
  for (int n = 0; n < kFrames; ++n) frames[n] = NumberedFrame(n);
  // The next frame goes in once the camera took the one before and gave its
  // buffer back (a camera with two frames ready hands on only the newest);
  // the capture, the mirror and the sink still work on the one before.
  for (int n = 0; n < kFrames; ++n) {
    fake->PushBytes(frames[n]);
    ASSERT_TRUE(fake->WaitRequeued(n + 1)) << "the camera did not take frame " << n;
  }
  ASSERT_TRUE(sink_->WaitFrames(kFrames));
  capture_->Stop();
  ASSERT_EQ(sink_->Frames(), kFrames);

  // The mirror's fresh buffers carry no sequence number: the number in the
  // picture tells the frames apart.
  const auto kept = sink_->Kept();
  ASSERT_EQ(kept.size(), size_t(kFrames));
  for (int n = 0; n < kFrames; ++n) {
    EXPECT_EQ(kept[size_t(n)]->GetFormat(), vfRGB24);
    EXPECT_EQ(ReadTurnedNumber(*kept[size_t(n)]), n) << "at position " << n;
  }
}

}  // namespace
}  // namespace lumicar::capturetest
