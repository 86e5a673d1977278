// The viewer when its camera is pulled out while it streams. The document
// camera is chosen through the device command, as a user chooses it, and a
// thread of the test feeds it frames until they reach the display; then the
// camera vanishes. The capture stops its graph without telling the chain, the
// display keeps its stream (and the last picture), the window goes on taking
// commands without an error box, and nothing of the lost camera is left open
// once its graph is closed. Plugged back and chosen again, the camera streams
// to the display again; so it does when it was pulled out while a dialog held
// the capture stopped.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>

#include "capture/camera_recovery.h"
#include "capture/camera_replug.h"
#include "display/control/status_overlay.h"
#include "dsbase/camera/camera_watch.h"
#include "dsbase/graph/device_provider.h"
#include "dsbase/render/video_renderer.h"
#include "testing/camera/fake_camera_provider.h"
#include "testing/camera/fake_udev_monitor.h"
#include "testing/event_pump.h"
#include "testing/process_resources.h"
#include "tests/app/viewer_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::test {
namespace {

using camtest::TFakeCameraProvider;
using camtest::TFakeV4L2Device;

const QString kCamera = TFakeCameraProvider::kName;

// The program's threads and descriptors, each from one settled look at the
// process; the threads the platform starts and ends by itself (Qt's pooled
// workers paint large pictures) are left out.
int ThreadCount() {
  return testtools::SettledProcessResources([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); })
      .ProgramThreads();
}
// Descriptors are counted with the pool drained: a pooled worker holds one.
int FdCount() { return testtools::QuietQtProcessResources().Fds(); }

// Feeds frames, in the format the camera streams, to whichever node of the
// camera is plugged in, at a camera's pace, while feeding is on.
class TFrameFeeder {
 public:
  explicit TFrameFeeder(std::shared_ptr<TFakeCameraProvider> camera)
      : camera_(std::move(camera)), thread_([this] { Run(); }) {}
  ~TFrameFeeder() {
    {
      std::lock_guard guard(lock_);
      quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  void SetFeeding(bool on) {
    {
      std::lock_guard guard(lock_);
      feeding_ = on;
    }
    changed_.notify_all();
  }

 private:
  // A frame every 15 ms: faster than the viewer paints under a sanitizer, so
  // the display always has a newer frame waiting.
  static constexpr std::chrono::milliseconds kPeriod{15};

  void Run() {
    std::unique_lock guard(lock_);
    while (true) {
      changed_.wait(guard, [this] { return quit_ || feeding_; });
      if (quit_) return;
      guard.unlock();
      Push();
      guard.lock();
      changed_.wait_for(guard, kPeriod, [this] { return quit_ || !feeding_; });
    }
  }

  void Push() {
    std::shared_ptr<TFakeV4L2Device> fake = camera_->Fake();
    v4l2_pix_format f;
    {
      std::lock_guard guard(fake->lock_);
      f = fake->format_;
    }
    std::vector<uint8_t>& bytes = frames_[{f.pixelformat, f.width, f.height}];
    if (bytes.empty()) {
      bytes = f.pixelformat == V4L2_PIX_FMT_MJPEG ? camtest::MakeJpeg(int(f.width), int(f.height))
                                                  : camtest::MakeYuyv(int(f.width), int(f.height), 3);
    }
    fake->PushBytes(bytes);
  }

  std::shared_ptr<TFakeCameraProvider> camera_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool feeding_ = false, quit_ = false;
  // Feeder thread only.
  std::map<std::tuple<uint32_t, uint32_t, uint32_t>, std::vector<uint8_t>> frames_;
  std::thread thread_;
};

class ViewerUnplugTest : public ::testing::Test {
 protected:
  void SetUp() override {
    threadsBefore = ThreadCount();
    camera = std::make_shared<TFakeCameraProvider>();
    DSRegisterDeviceProvider(camera);
    // Read without starting the default camera: the user chooses the
    // document camera first. It streams 640 × 480, which a sanitizer build
    // shows at the feeder's pace.
    form = MakeMainWindow({0, true});
    Capture()->VideoSize()->SetHeight(480);
    Capture()->VideoSize()->SetWidth(640);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget(), static_cast<int>(testtools::kHangGuard.count())));
    stops = std::make_unique<TStopCounter>(Capture());
    feeder = std::make_unique<TFrameFeeder>(camera);
  }
  void TearDown() override {
    feeder.reset();
    form.reset();
    // The renderer's window goes on the next turn of the event loop.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(camera->OpenFds(), 0) << "the camera's nodes are closed with the viewer";
    EXPECT_LE(ThreadCount(), threadsBefore) << "no thread of a camera or graph outlives the viewer";
    DSUnregisterDeviceProvider(camera.get());
  }

  TVLDSCapture* Capture() const { return form->VLDSCapture1; }
  TVLDSImageDisplay* Display() const { return form->VLDSImageDisplay1; }
  // The renderer of the display's current graph, or nullptr.
  TDSVideoRenderer* Renderer() const {
    TIntf<IBaseFilter> filter = Display()->Graph()->GetVideoRender();
    return filter ? DSVideoRendererOf(filter.get()) : nullptr;
  }
  // The device command, answered by choosing the camera.
  void ChooseCamera() {
    TDeviceChooser chooser(kCamera);
    form->N1->Action()->trigger();
    EXPECT_EQ(chooser.Chosen(), 1);
    EXPECT_EQ(chooser.Others(), 0);
  }
  // Feeds the camera until the display's renderer has put `frames` frames
  // on the screen.
  bool StreamToDisplay(uint64_t frames) {
    feeder->SetFeeding(true);
    return testtools::PumpUntil([&] {
      TDSVideoRenderer* renderer = Renderer();
      return renderer != nullptr && renderer->FrameCounts().presented >= frames;
    });
  }
  // Pulls the camera out while frames flow and waits for the capture to take
  // the loss (the event reaches it through the window's event loop).
  bool UnplugWhileStreaming() {
    camera->Unplug();
    const bool lost = testtools::PumpUntil([&] { return !Capture()->Enabled(); });
    feeder->SetFeeding(false);
    return lost;
  }

  // The box the display shows its status text in, or nullptr.
  QWidget* StatusBox() const {
    for (QWidget* child : Display()->Widget()->findChildren<QWidget*>())
      if (dynamic_cast<TVLStatusOverlay*>(child)) return child;
    return nullptr;
  }
  void SetBusy(bool busy) {
    std::shared_ptr<TFakeV4L2Device> fake = camera->Fake();
    std::lock_guard guard(fake->lock_);
    fake->refuseSetFormat_ = busy;
  }

  std::shared_ptr<TFakeCameraProvider> camera;
  std::unique_ptr<TTestForm1> form;
  std::unique_ptr<TStopCounter> stops;
  std::unique_ptr<TFrameFeeder> feeder;
  int threadsBefore = 0;
};

TEST_F(ViewerUnplugTest, TheViewerOutlivesTheLostCameraAndShowsItAgainWhenItIsChosenAgain) {
  ChooseCamera();
  ASSERT_TRUE(Capture()->IsRunning());
  EXPECT_EQ(Capture()->VideoCaptureDevice()->DeviceName(), kCamera);
  EXPECT_EQ(camera->FiltersMade(), 1);
  ASSERT_TRUE(StreamToDisplay(3));
  // A streaming node: its descriptor and the mapped buffers.
  const int nodeStreaming = camera->OpenFds();
  EXPECT_GT(nodeStreaming, 1);
  const int threadsStreaming = ThreadCount();
  const int fdsStreaming = FdCount();
  const int stopsBefore = stops->Stops();

  {
    TModalAnswerer boxes;
    ASSERT_TRUE(UnplugWhileStreaming());
    // The capture stopped its graph and keeps it open; nothing went down the
    // chain: no orderly stop, and the display still holds its stream and
    // shows the last picture.
    EXPECT_FALSE(Capture()->IsRunning());
    EXPECT_TRUE(Capture()->GetVC_Opened());
    EXPECT_EQ(stops->Stops(), stopsBefore);
    EXPECT_TRUE(Display()->Started());
    EXPECT_TRUE(Display()->GraphRunning());
    ASSERT_NE(Renderer(), nullptr);
    EXPECT_GE(Renderer()->FrameCounts().presented, 3u);
    // The camera's streaming thread has ended and the buffers are unmapped;
    // the node itself stays open with the graph.
    EXPECT_LT(ThreadCount(), threadsStreaming);
    EXPECT_EQ(camera->OpenFds(), 1);

    // The window goes on: a command queued to its event loop is carried
    // out. Its restart finds the camera gone, closes the lost graph (and
    // with it the node) and starts nothing.
    QMetaObject::invokeMethod(form->hanten->Action(), "trigger", Qt::QueuedConnection);
    ASSERT_TRUE(testtools::PumpUntil([&] { return form->VLMirror1->IsEnabled(); }));
    EXPECT_FALSE(Capture()->IsRunning());
    EXPECT_FALSE(Capture()->GetVC_Opened());
    EXPECT_EQ(camera->OpenFds(), 0);
    form->hanten->Action()->trigger();
    EXPECT_FALSE(form->VLMirror1->IsEnabled());
    EXPECT_EQ(stops->Stops(), stopsBefore);
    EXPECT_EQ(boxes.Answered(), 0) << "no message box for a lost camera";
  }

  {
    // Chosen while still unplugged: the list does not offer it; cancelled,
    // the choice stays and nothing starts.
    TDeviceChooser chooser(kCamera);
    form->N1->Action()->trigger();
    EXPECT_EQ(chooser.Missing(), 1);
    EXPECT_EQ(chooser.Others(), 0);
    const QStringList lines = chooser.LastLines();
    EXPECT_FALSE(lines.contains(kCamera));
    EXPECT_EQ(lines.mid(0, 2), (QStringList{u"None"_qs, u"Default"_qs}));
    EXPECT_EQ(Capture()->VideoCaptureDevice()->DeviceName(), kCamera);
    EXPECT_FALSE(Capture()->IsRunning());
  }
  {
    // OK on what the dialog shows: the first line, "None", as the chosen
    // camera is not listed.
    TDeviceChooser chooser(kCamera, TDeviceChooser::TIfMissing::AcceptAsShown);
    form->N1->Action()->trigger();
    EXPECT_EQ(chooser.Missing(), 1);
    EXPECT_EQ(chooser.Others(), 0);
    EXPECT_EQ(Capture()->VideoCaptureDevice()->DeviceName(), QStringLiteral("None"));
    EXPECT_FALSE(Capture()->IsRunning());
  }
  EXPECT_EQ(camera->FiltersMade(), 1);

  // Plugged back and chosen again: a new filter on the new node, and frames
  // reach the display through a new display graph.
  camera->Replug();
  ChooseCamera();
  ASSERT_TRUE(Capture()->IsRunning());
  EXPECT_EQ(camera->FiltersMade(), 2);
  ASSERT_TRUE(StreamToDisplay(3));
  EXPECT_EQ(camera->OpenFds(), nodeStreaming) << "only the new node is open";
  EXPECT_LE(ThreadCount(), threadsStreaming);
  EXPECT_LE(FdCount(), fdsStreaming);
  feeder->SetFeeding(false);
}

TEST_F(ViewerUnplugTest, TheSameCameraChosenRightAfterItCameBackIsBoundAnew) {
  ChooseCamera();
  ASSERT_TRUE(StreamToDisplay(1));
  const int nodeStreaming = camera->OpenFds();
  {
    TModalAnswerer boxes;
    ASSERT_TRUE(UnplugWhileStreaming());
    EXPECT_TRUE(Capture()->GetVC_Opened());
    EXPECT_EQ(camera->OpenFds(), 1);
    EXPECT_EQ(boxes.Answered(), 0);
  }

  // Nothing ran between: the lost graph is still open and the choice is
  // unchanged, so the dialog changes nothing; the restart must still bind
  // the camera anew rather than run the lost graph.
  camera->Replug();
  ChooseCamera();  // no other dialog either
  ASSERT_TRUE(Capture()->IsRunning());
  EXPECT_EQ(camera->FiltersMade(), 2);
  ASSERT_TRUE(StreamToDisplay(1));
  EXPECT_EQ(camera->OpenFds(), nodeStreaming) << "the lost node was closed";
  feeder->SetFeeding(false);
}

TEST_F(ViewerUnplugTest, TheViewerClosedWhileItsCameraIsGoneLeavesNothingOpen) {
  ChooseCamera();
  ASSERT_TRUE(StreamToDisplay(1));
  ASSERT_TRUE(UnplugWhileStreaming());
  EXPECT_EQ(camera->OpenFds(), 1);
  TModalAnswerer boxes;
  form->Exit1->Action()->trigger();
  EXPECT_FALSE(form->Widget()->isVisible());
  EXPECT_EQ(boxes.Answered(), 0);
  // Destroying the window (in TearDown) closes the lost graph and its node.
}

TEST_F(ViewerUnplugTest, ACameraPulledOutWhileADialogHeldItStoppedComesBackWhenChosenAgain) {
  ChooseCamera();
  ASSERT_TRUE(StreamToDisplay(1));
  feeder->SetFeeding(false);
  auto lost = std::make_shared<int>(0);
  Capture()->Graph()->SetOnDeviceLost(TNotifyEvent([lost](QObject*) { ++*lost; }));
  {
    // The device dialog stops the capture; the camera is pulled out while
    // the dialog is open, and the dialog is cancelled. The restart finds the
    // camera gone only when it runs the graph, which fails ("Can't start
    // capture." in the error box) and marks the camera lost.
    TDeviceChooser chooser(u"No such camera"_qs);
    chooser.SetOnShown([&] { camera->Unplug(); });
    form->N1->Action()->trigger();
    EXPECT_EQ(chooser.Missing(), 1);
    ASSERT_EQ(chooser.Others(), 1);
    EXPECT_TRUE(chooser.OtherTexts()[0].startsWith(u"Can't start capture. - "_qs))
        << chooser.OtherTexts()[0].toStdString();
    EXPECT_FALSE(Capture()->IsRunning());
    // The loss reaches the capture through the event loop; a later restart
    // while the camera is still away closes the lost graph and fails quietly.
    ASSERT_TRUE(testtools::PumpUntil([&] { return *lost == 1; }));
    TModalAnswerer boxes;
    form->hanten->Action()->trigger();
    EXPECT_FALSE(Capture()->GetVC_Opened());
    EXPECT_EQ(camera->OpenFds(), 0);
    EXPECT_EQ(boxes.Answered(), 0);
  }
  camera->Replug();
  {
    TDeviceChooser chooser(kCamera);
    form->N1->Action()->trigger();
    EXPECT_EQ(chooser.Chosen(), 1);
    EXPECT_EQ(chooser.Others(), 0);
  }
  ASSERT_TRUE(Capture()->IsRunning());
  EXPECT_EQ(camera->FiltersMade(), 2);
  ASSERT_TRUE(StreamToDisplay(1));
}

TEST_F(ViewerUnplugTest, TheDisplaySaysTheCameraIsGoneAndTheViewerFindsItAgainByItself) {
  ChooseCamera();
  ASSERT_TRUE(StreamToDisplay(1));
  TModalAnswerer boxes;
  ASSERT_TRUE(UnplugWhileStreaming());
  ASSERT_TRUE(testtools::PumpUntil(
      [&] { return Display()->StatusText() == QStringLiteral("Camera disconnected — waiting for it"); }));
  // Over the middle of the last picture, on top of it.
  QWidget* box = StatusBox();
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(testtools::PumpUntil([&] { return box->isVisible(); }));
  const QPoint middle = Display()->Widget()->rect().center();
  EXPECT_LE((box->geometry().center() - middle).manhattanLength(), 2);
  EXPECT_EQ(boxes.Answered(), 0);

  // Back under another node: found by its identity, without a command.
  camera->ReplugAt("/dev/video3");
  Capture()->CameraMayBeBack();
  ASSERT_TRUE(Capture()->IsRunning());
  EXPECT_EQ(camera->FiltersMade(), 2);
  ASSERT_TRUE(StreamToDisplay(1));
  EXPECT_TRUE(testtools::PumpUntil([&] { return Display()->StatusText().isEmpty() && !box->isVisible(); }));
  feeder->SetFeeding(false);
}

TEST_F(ViewerUnplugTest, ACameraInUseIsSaidOnTheDisplayAndShownOnceItIsFree) {
  SetBusy(true);
  ChooseCamera();  // and no error box
  EXPECT_FALSE(Capture()->IsRunning());
  ASSERT_TRUE(testtools::PumpUntil(
      [&] { return Display()->StatusText().contains(QStringLiteral("in use by another program")); }));
  QWidget* box = StatusBox();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(testtools::PumpUntil([&] { return box->isVisible(); }));

  SetBusy(false);
  // What the retry timer does when it fires.
  Capture()->Recovery()->Retry();
  ASSERT_TRUE(Capture()->IsRunning());
  ASSERT_TRUE(StreamToDisplay(1));
  EXPECT_TRUE(testtools::PumpUntil([&] { return Display()->StatusText().isEmpty() && !box->isVisible(); }));
  feeder->SetFeeding(false);
}

// The viewer's own wiring of udev's events: the camera comes back under
// another node and is shown again without a command and without waiting for
// the capture's next retry.
TEST_F(ViewerUnplugTest, ACameraPluggedBackIsShownAgainAsSoonAsUdevAnnouncesIt) {
  auto udev = std::make_shared<camtest::TFakeUdevMonitor>();
  TDSCameraWatch watch(udev, std::make_shared<camtest::TPluggedNode>(camera));
  ConnectCameraWatch(watch, *Capture());
  ASSERT_TRUE(watch.Start());
  ChooseCamera();
  ASSERT_TRUE(StreamToDisplay(1));
  TModalAnswerer boxes;
  ASSERT_TRUE(UnplugWhileStreaming());
  ASSERT_TRUE(testtools::PumpUntil(
      [&] { return Display()->StatusText() == QStringLiteral("Camera disconnected — waiting for it"); }));

  // The capture's own clock is stopped: only udev's event can bring the
  // camera back now.
  Capture()->Recovery()->Timer()->stop();
  camera->ReplugAt("/dev/video5");
  udev->Add("/dev/video5");
  ASSERT_TRUE(testtools::PumpUntil([&] { return Capture()->IsRunning(); }));
  EXPECT_EQ(camera->FiltersMade(), 2);
  ASSERT_TRUE(StreamToDisplay(1));
  EXPECT_TRUE(testtools::PumpUntil([&] { return Display()->StatusText().isEmpty(); }));
  EXPECT_EQ(boxes.Answered(), 0);
  feeder->SetFeeding(false);
  watch.Stop();
  EXPECT_EQ(udev->openFds_, 0);
}

}  // namespace
}  // namespace lumicar::test
