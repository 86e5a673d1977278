// Frames, start and stop sent from another thread while the window's thread
// paints: the sender only hands frames over, the newest one is painted, and
// freeing the display in the middle of a stream is safe. Synchronised with
// latches, no sleeps.

#include <gtest/gtest.h>

#include <QApplication>
#include <atomic>
#include <latch>
#include <thread>

#include "tests/display/control/display_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::test {
namespace {

TEST(PainterDisplayThreads, FramesFromAnotherThreadWhileTheWindowPaints) {
  TDisplayRig rig;
  rig.display->SetStretch(true);
  rig.display->SetBounds(0, 0, 64, 48);
  rig.display->Widget()->show();

  constexpr int kFrames = 300;
  const TIntf<IVLImageBuffer> small = SolidFrame(8, 6, Qt::green);
  const TIntf<IVLImageBuffer> large = SolidFrame(32, 24, Qt::green);
  const TIntf<IVLImageBuffer> last = SolidFrame(16, 12, Qt::blue);
  std::latch go(2);
  // Half way through, the sender waits until the window has painted once, so
  // paints and frames demonstrably overlap however fast either side runs.
  std::latch paintedDuringStream(1);
  std::atomic<bool> done{false};
  std::thread sender([&] {
    go.arrive_and_wait();
    for (int i = 0; i < kFrames; ++i) {
      if (i == kFrames / 2) paintedDuringStream.wait();
      // Restarts with another announced size in between, frames of both sizes.
      if (i % 50 == 0) rig.source->Start(i % 100 == 0 ? 8 : 32, i % 100 == 0 ? 6 : 24, vfRGB24);
      rig.source->Send((i % 3 == 0 ? small : large).get());
    }
    rig.source->Send(last.get());
    done = true;
  });
  go.arrive_and_wait();
  int paints = 0;
  while (!done) {
    QApplication::processEvents();
    rig.display->Widget()->repaint();
    if (++paints == 1) paintedDuringStream.count_down();
  }
  sender.join();
  EXPECT_GT(paints, 0);
  EXPECT_EQ(rig.display->FramesReceived(), uint64_t(kFrames + 1));
  QApplication::processEvents();
  const QImage shot = rig.display->Widget()->grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(32, 24)), QColor(Qt::blue));
  EXPECT_EQ(rig.display->FrameSize(), QSize(16, 12));
}

TEST(PainterDisplayThreads, FreedWhileAnotherThreadSendsToIt) {
  TComponent form;
  auto* source = new TTestFrameSource(&form);
  auto* display = NewComponent<TVLPainterDisplay>(&form);
  source->OutputPin()->Connect(display->InputPin());
  source->Start(16, 12, vfRGB24);
  const TIntf<IVLImageBuffer> frame = SolidFrame(16, 12, Qt::red);
  std::latch firstSent(1);
  std::atomic<bool> stop{false};
  std::thread sender([&] {
    source->Send(frame.get());
    firstSent.count_down();
    while (!stop) source->Send(frame.get());
  });
  firstSent.wait();
  delete display;
  stop = true;
  sender.join();
  // Updates the display posted before it went are dropped with its window.
  QApplication::processEvents();
  EXPECT_FALSE(source->OutputPin()->IsConnected());
}

}  // namespace
}  // namespace lumicar::test
