// The image display through its pins: a stream's start, frames and stop with
// the frame size following, frames outside a stream dropped, aspect correction
// and AutoSize, mouse positions sent out in frame pixels, and the published
// properties read from a form design.

#include <gtest/gtest.h>

#include <QMouseEvent>

#include "display/control/mouse_operations.h"
#include "runtime/class_registry.h"
#include "runtime/form_reader.h"
#include "tests/display/control/display_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::test {
namespace {

TEST(ImageDisplay, StreamStartFramesStopAndTheFrameSizeFollows) {
  TDisplayRig rig;
  TVLPainterDisplay* d = rig.display;
  EXPECT_FALSE(d->HasFrameSize());
  // Before any start a frame has no format to be shown with: dropped.
  EXPECT_TRUE(rig.source->Send(QuadrantFrame(8, 8).get()));
  EXPECT_EQ(d->FramesReceived(), 0u);
  EXPECT_FALSE(d->HasFrameSize());

  rig.source->Start(320, 240, vfRGB24, 400000);
  EXPECT_TRUE(d->Started());
  EXPECT_EQ(d->FrameSize(), QSize(320, 240));
  EXPECT_EQ(d->AutoAspect(), QSize(320, 240));
  EXPECT_EQ(d->FrameDuration(), 400000);
  for (int i = 0; i < 3; ++i) rig.source->Send(QuadrantFrame(320, 240).get());
  EXPECT_EQ(d->FramesReceived(), 3u);

  // A frame of another size inside the stream is shown at its own size.
  rig.source->Send(QuadrantFrame(160, 100).get());
  EXPECT_EQ(d->FrameSize(), QSize(160, 100));
  EXPECT_TRUE(d->HasFrame());

  rig.source->Stop();
  EXPECT_FALSE(d->Started());
  rig.source->Send(QuadrantFrame(320, 240).get());
  EXPECT_EQ(d->FramesReceived(), 4u);
  // The last stream's size is kept; without AutoClear the picture stays.
  EXPECT_EQ(d->FrameSize(), QSize(160, 100));
  EXPECT_TRUE(d->HasFrame());

  rig.source->Start(640, 480, vfYUY2);
  EXPECT_EQ(d->FrameSize(), QSize(640, 480));
  d->SetAutoClear(true);
  rig.source->Stop();
  EXPECT_FALSE(d->HasFrame());
}

TEST(ImageDisplay, LinkedToARunningSourceItLearnsTheFormatFirst) {
  TComponent form;
  auto* source = new TTestFrameSource(&form);
  source->Start(64, 48, vfRGB24);
  auto* display = NewComponent<TVLPainterDisplay>(&form);
  source->OutputPin()->Connect(display->InputPin());
  EXPECT_TRUE(display->Started());
  EXPECT_EQ(display->FrameSize(), QSize(64, 48));
  source->Send(QuadrantFrame(64, 48).get());
  EXPECT_EQ(display->FramesReceived(), 1u);
  // Freed while linked: the source hears nothing more from it and goes on.
  delete display;
  EXPECT_FALSE(source->OutputPin()->IsConnected());
  EXPECT_TRUE(source->Send(QuadrantFrame(64, 48).get()));
}

TEST(ImageDisplay, AspectCorrectionLayoutAndAutoSize) {
  TDisplayRig rig;
  TVLPainterDisplay* d = rig.display;
  EXPECT_EQ(QSize(d->Width(), d->Height()), QSize(240, 200));
  d->SetStretch(true);
  d->SetBounds(0, 0, 800, 480);
  rig.source->Start(1600, 1200, vfRGB24);
  d->CalcFrameLayout(800, 480);
  EXPECT_EQ(d->GetVC_ImageLeft(), 80);
  EXPECT_EQ(d->GetVC_ImageTop(), 0);
  EXPECT_EQ(d->GetImageWidth(), 640);
  EXPECT_EQ(d->GetImageHeight(), 480);

  // A change of the aspect ratio lays the picture out again at once.
  d->AspectRatio()->SetMode(arCustom);
  d->AspectRatio()->SetWidth(16);
  d->AspectRatio()->SetHeight(9);
  EXPECT_EQ(d->GetDisplayImageSize(), QPoint(1600, 900));
  EXPECT_EQ(d->GetImageWidth(), 800);
  EXPECT_EQ(d->GetImageHeight(), 450);
  EXPECT_EQ(d->GetVC_ImageTop(), 15);

  d->AspectRatio()->SetMode(arNone);
  d->SetStretch(false);
  d->SetAutoSize(true);
  EXPECT_EQ(QSize(d->Width(), d->Height()), QSize(1600, 1200));
  EXPECT_EQ(d->GetVC_ImageLeft(), 0);

  // A zero-sized control gives an empty picture; the mouse conversion falls
  // back to the control's size and never divides by zero.
  d->SetAutoSize(false);
  d->SetStretch(true);
  d->SetBounds(0, 0, 0, 0);
  d->CalcFrameLayout(0, 0);
  EXPECT_EQ(d->Layout().imageWidth, 0);
  EXPECT_EQ(d->ImagePosition(5, 5), QPoint(0, 0));

  // Settings are copied, not shared.
  TVLAspectRatio other;
  other.SetMode(arCustom);
  other.SetWidth(5);
  d->SetAspectRatio(&other);
  EXPECT_EQ(d->AspectRatio()->Mode(), arCustom);
  EXPECT_EQ(d->AspectRatio()->Width(), 5u);
  EXPECT_NE(d->AspectRatio(), &other);
}

void SendMouse(QWidget* window, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers keys = Qt::NoModifier) {
  QMouseEvent event(type, QPointF(at), QPointF(window->mapToGlobal(at)), button, held, keys);
  QCoreApplication::sendEvent(window, &event);
}

TEST(ImageDisplay, MouseEventsFireInControlCoordinatesAndLeaveInFramePixels) {
  TDisplayRig rig;
  TVLPainterDisplay* d = rig.display;
  d->SetStretch(true);
  d->SetBounds(0, 0, 800, 480);
  rig.source->Start(640, 480, vfRGB24);
  d->CalcFrameLayout(800, 480);  // the picture: 640 x 480 at (80, 0)

  QPoint down;
  int clicks = 0;
  int doubles = 0;
  d->SetOnMouseDown(TMouseEvent([&](TObject*, TMouseButton, TShiftState, int x, int y) { down = QPoint(x, y); }));
  d->SetOnClick(TNotifyEvent([&](TObject*) { ++clicks; }));
  d->SetOnDblClick(TNotifyEvent([&](TObject*) { ++doubles; }));
  QWidget* window = d->Widget();

  // Ten pixels left of the picture.
  SendMouse(window, QEvent::MouseButtonPress, {70, 10}, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
  SendMouse(window, QEvent::MouseMove, {400, 240}, Qt::NoButton, Qt::LeftButton);
  SendMouse(window, QEvent::MouseButtonRelease, {719, 479}, Qt::LeftButton, Qt::NoButton);
  SendMouse(window, QEvent::MouseButtonDblClick, {100, 100}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(down, QPoint(100, 100));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(doubles, 1);

  const auto ops = rig.Mouse();
  ASSERT_EQ(ops.size(), 4u);
  auto* press = OWOperationAs<TOWSLSuppliedMouseButtonDownOperation>(ops[0].get());
  ASSERT_NE(press, nullptr);
  EXPECT_EQ(press->Button(), mbLeft);
  EXPECT_EQ(press->Shift(), TShiftState(ssShift | ssLeft));
  EXPECT_EQ(press->X(), -10);
  EXPECT_EQ(press->Y(), 10);
  auto* move = OWOperationAs<TOWSLSuppliedMouseMoveOperation>(ops[1].get());
  ASSERT_NE(move, nullptr);
  EXPECT_EQ(QPoint(move->X(), move->Y()), QPoint(320, 240));
  auto* release = OWOperationAs<TOWSLSuppliedMouseButtonUpOperation>(ops[2].get());
  ASSERT_NE(release, nullptr);
  EXPECT_EQ(QPoint(release->X(), release->Y()), QPoint(639, 479));
  auto* second = OWOperationAs<TOWSLSuppliedMouseButtonDownOperation>(ops[3].get());
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(second->Shift().testFlag(ssDouble));
}

TEST(ImageDisplay, PublishedPropertiesComeFromADesign) {
  RegisterClass<TVLPainterDisplay>();
  TComponent form;
  form.SetName("Form1");
  ReadComponentDesign(&form, R"(object Form1: TComponent
  object Display1: TVLPainterDisplay
    Width = 320
    Height = 200
    Align = alClient
    Color = clBlack
    Stretch = True
    Proportional = False
    AspectRatio.Mode = arCustom
    AspectRatio.Width = 16
    AspectRatio.Height = 9
  end
end
)");
  auto* d = qobject_cast<TVLPainterDisplay*>(form.FindComponent("Display1"));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(QSize(d->Width(), d->Height()), QSize(320, 200));
  EXPECT_EQ(d->Align(), alClient);
  EXPECT_EQ(d->Color(), clBlack);
  EXPECT_FALSE(d->ParentColor());
  EXPECT_TRUE(d->Stretch());
  EXPECT_FALSE(d->Proportional());
  EXPECT_EQ(d->AspectRatio()->Mode(), arCustom);
  EXPECT_EQ(d->AspectRatio()->Width(), 16u);
}

}  // namespace
}  // namespace lumicar::test
