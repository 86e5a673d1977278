// The painter display on Qt's offscreen platform: a frame of four coloured
// quadrants sent through the input pin, and the pixels of the window's grab
// inside the picture rectangle and in the bands around it.

#include <gtest/gtest.h>

#include <QApplication>

#include "tests/display/control/display_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::test {
namespace {

constexpr TColor kBandColor = TColor(0x336699);  // 0x00BBGGRR
const QColor kBand(0x99, 0x66, 0x33);

QImage Grab(TVLPainterDisplay* d) {
  QApplication::processEvents();
  return d->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void ExpectPixel(const QImage& image, int x, int y, QColor want) {
  EXPECT_EQ(QColor(image.pixel(x, y)), want) << "at (" << x << ", " << y << ")";
}

struct TShownRig : TDisplayRig {
  TShownRig(int width, int height) {
    display->SetColor(kBandColor);
    display->SetStretch(true);
    display->SetBounds(0, 0, width, height);
    display->Widget()->show();
  }
};

TEST(PainterDisplayWidget, QuadrantsInThePictureAndBandsAroundIt) {
  TShownRig rig(200, 100);
  rig.source->Start(40, 40, vfRGB24);
  rig.source->Send(QuadrantFrame(40, 40).get());
  const QImage shot = Grab(rig.display);
  ASSERT_EQ(shot.size(), QSize(200, 100));
  // The square picture is 100 x 100 at (50, 0); bands left and right.
  for (int y : {0, 50, 99}) {
    ExpectPixel(shot, 0, y, kBand);
    ExpectPixel(shot, 49, y, kBand);
    ExpectPixel(shot, 150, y, kBand);
    ExpectPixel(shot, 199, y, kBand);
  }
  ExpectPixel(shot, 50, 0, Qt::red);
  ExpectPixel(shot, 99, 49, Qt::red);
  ExpectPixel(shot, 100, 0, Qt::green);
  ExpectPixel(shot, 149, 49, Qt::green);
  ExpectPixel(shot, 50, 50, Qt::blue);
  ExpectPixel(shot, 99, 99, Qt::blue);
  ExpectPixel(shot, 100, 50, Qt::white);
  ExpectPixel(shot, 149, 99, Qt::white);

  // Without proportions the picture fills the window: no band is left.
  rig.display->SetProportional(false);
  const QImage filled = Grab(rig.display);
  ExpectPixel(filled, 0, 0, Qt::red);
  ExpectPixel(filled, 199, 0, Qt::green);
  ExpectPixel(filled, 0, 99, Qt::blue);
  ExpectPixel(filled, 199, 99, Qt::white);
}

TEST(PainterDisplayWidget, AFrameOfANewSizeIsShownAtItsOwnSize) {
  TShownRig rig(200, 100);
  rig.source->Start(40, 40, vfRGB24);
  rig.source->Send(QuadrantFrame(40, 40).get());
  Grab(rig.display);
  // The aspect reference stays the start's (1:1): 20 x 10 frames are shown square.
  rig.source->Send(QuadrantFrame(20, 10).get());
  EXPECT_EQ(rig.display->FrameSize(), QSize(20, 10));
  QImage shot = Grab(rig.display);
  ExpectPixel(shot, 49, 50, kBand);
  ExpectPixel(shot, 50, 0, Qt::red);
  ExpectPixel(shot, 149, 99, Qt::white);
  ExpectPixel(shot, 150, 50, kBand);
  // Without aspect correction they keep their own 2:1 and fill the 200 x 100 window.
  rig.display->AspectRatio()->SetMode(arNone);
  shot = Grab(rig.display);
  ExpectPixel(shot, 0, 0, Qt::red);
  ExpectPixel(shot, 199, 0, Qt::green);
  ExpectPixel(shot, 0, 99, Qt::blue);
  ExpectPixel(shot, 199, 99, Qt::white);
}

TEST(PainterDisplayWidget, ZeroSizedFramesAndClearedDisplaysShowTheColourOnly) {
  TShownRig rig(60, 30);
  rig.source->Start(0, 0, vfRGB24);
  rig.source->Send(SolidFrame(0, 0, Qt::red).get());
  QImage shot = Grab(rig.display);
  ExpectPixel(shot, 30, 15, kBand);

  rig.display->SetAutoClear(true);
  rig.source->Start(6, 3, vfRGB24);
  rig.source->Send(SolidFrame(6, 3, Qt::red).get());
  ExpectPixel(Grab(rig.display), 30, 15, Qt::red);
  rig.source->Stop();
  shot = Grab(rig.display);
  ExpectPixel(shot, 30, 15, kBand);
  ExpectPixel(shot, 0, 0, kBand);
}

TEST(PainterDisplayWidget, AStillPictureAndAnAlignedDisplayInAParent) {
  QWidget parent;
  parent.resize(300, 120);
  TComponent form;
  auto* d = NewComponent<TVLPainterDisplay>(&form);
  d->SetParent(&parent);
  d->SetAlign(alClient);
  d->SetStretch(true);
  parent.show();
  QApplication::processEvents();
  EXPECT_EQ(d->Widget()->geometry(), QRect(0, 0, 300, 120));
  // ParentColor: the bands take the parent's face colour.
  const QColor face = parent.palette().color(QPalette::Window);
  d->DisplayBitmap(QuadrantPicture(30, 12));
  EXPECT_FALSE(d->Started());
  const QImage shot = Grab(d);
  ExpectPixel(shot, 0, 0, Qt::red);
  ExpectPixel(shot, 299, 119, Qt::white);
  parent.resize(400, 120);
  QApplication::processEvents();
  EXPECT_EQ(d->Widget()->width(), 400);
  const QImage wider = Grab(d);
  ExpectPixel(wider, 0, 60, face);
  ExpectPixel(wider, 50, 0, Qt::red);
  ExpectPixel(wider, 349, 119, Qt::white);
  ExpectPixel(wider, 399, 60, face);
  delete d;
}

}  // namespace
}  // namespace lumicar::test
