// The viewer's main window under storms of its own commands while frames
// flow: flips, size and format changes, full-screen toggles and device
// switches between the document camera and the synthetic one, each command
// restarting the capture. Qt's events are processed between the commands,
// so the restarts meet frames in flight. After each storm nothing hangs (a
// watchdog prints every thread's stack and aborts when the storm stops
// moving), frames still arrive and the picture is shown, and no thread,
// file descriptor, camera node or media object is left behind.

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <array>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "dsbase/com/live_objects.h"
#include "dsbase/devices/device_list_form.h"
#include "dsbase/graph/device_provider.h"
#include "testing/camera/fake_camera_provider.h"
#include "testing/event_pump.h"
#include "testing/process_resources.h"
#include "testing/watchdog.h"
#include "tests/app/viewer_test_support.h"
#include "tests/capture/capture_test_support.h"
#include "tests/ui/qt_application.h"
#include "ui/application.h"

namespace lumicar::test {
namespace {

using namespace std::chrono_literals;
using camtest::TFakeCameraProvider;
using capturetest::PumpUntil;
using capturetest::TCollectingSink;

// The full storms. LUMICAR_STORM_PERCENT (1 to 100) runs a share of each,
// rounded to an even count so that every toggle ends where it began.
constexpr int kFlips = 10000;
constexpr int kSizeAndFormatChanges = 1000;
constexpr int kFullScreenToggles = 1000;
constexpr int kDeviceSwitches = 200;
constexpr int kDocumentCameraFlips = 1000;
int StormLength(int full) {
  bool ok = false;
  const int percent = qEnvironmentVariableIntValue("LUMICAR_STORM_PERCENT", &ok);
  if (!ok || percent < 1 || percent >= 100) return full;
  return std::max(2, full * percent / 100 / 2 * 2);
}
// Every this many commands the storm waits for a fresh frame at the sink, so
// that frames are seen arriving all through it, not only after it.
constexpr int kFrameCheckEvery = 25;

const QString kTestPattern = QStringLiteral("Test pattern");

// Feeds the document camera while the capture has its node open, about 20
// frames a second in the format the capture asked for, the way a camera
// streams whatever the viewer does.
class TCameraFeeder {
 public:
  explicit TCameraFeeder(std::shared_ptr<TFakeCameraProvider> camera) : camera_(std::move(camera)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~TCameraFeeder() {
    {
      std::lock_guard guard(lock_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

 private:
  void Run() {
    std::unique_lock guard(lock_);
    while (!stop_) {
      guard.unlock();
      FeedOne();
      guard.lock();
      wake_.wait_for(guard, 50ms, [this] { return stop_; });
    }
  }
  void FeedOne() {
    std::shared_ptr<camtest::TFakeV4L2Device> fake = camera_->Fake();
    v4l2_pix_format f;
    {
      std::lock_guard guard(fake->lock_);
      if (fake->openFds_ == 0) return;
      f = fake->format_;
    }
    if (f.width == 0 || f.height == 0) return;
    std::vector<uint8_t>& bytes = cache_[{f.pixelformat, f.width, f.height}];
    if (bytes.empty()) {
      bytes = f.pixelformat == V4L2_PIX_FMT_MJPEG ? camtest::MakeJpeg(int(f.width), int(f.height))
                                                  : camtest::MakeYuyv(int(f.width), int(f.height), 3);
    }
    fake->PushBytes(bytes);
  }

  std::shared_ptr<TFakeCameraProvider> camera_;
  std::map<std::tuple<uint32_t, uint32_t, uint32_t>, std::vector<uint8_t>> cache_;  // feeder thread only
  std::mutex lock_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

// What must not grow: measured with the capture stopped, so that no frame is
// in flight.
struct TResources {
  testtools::TProcessResources process;
  int64_t mediaObjects = 0;
};
std::ostream& operator<<(std::ostream& out, const TResources& r) {
  return out << r.process << ", " << r.mediaObjects << " media objects";
}
// Empty when nothing grew from `before` to `after`, else what did.
std::string Grown(const TResources& before, const TResources& after) {
  std::string grown = testtools::DescribeGrowth(before.process, after.process);
  if (after.mediaObjects > before.mediaObjects) {
    grown += "\nmedia objects grew from " + std::to_string(before.mediaObjects) + " to " +
             std::to_string(after.mediaObjects);
  }
  return grown;
}

class ViewerStormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHandler = SetExceptionHandler([](const Exception& e) { ADD_FAILURE() << e.Message().toStdString(); });
    camera = std::make_shared<TFakeCameraProvider>();
    DSRegisterDeviceProvider(camera);
    feeder = std::make_unique<TCameraFeeder>(camera);
    watchdog = std::make_unique<testtools::TWatchdog>();
    watchdog->SetStage("opening the viewer");
    beforeWindow = Measure();

    form = MakeMainWindow({kFramesPerSecond});
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget(), static_cast<int>(testtools::kHangGuard.count())));
    sink = std::make_unique<TCollectingSink>(0);
    ASSERT_TRUE(form->VLMirror1->OutputPin()->Connect(sink->InputPin()));
    // "Default" is the first camera in the list, the document camera: the
    // storms run on the synthetic one, chosen the way the user does.
    ChooseDevice(kTestPattern);
    ASSERT_EQ(form->VLDSCapture1->VideoCaptureDevice()->DeviceName(), kTestPattern);
    ASSERT_TRUE(WaitForFrame());
  }

  void TearDown() override {
    watchdog->SetStage("closing the viewer");
    form.reset();
    sink.reset();
    // What the window left for its event loop goes with it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_EQ(camera->OpenFds(), 0) << "camera nodes or mappings left open";
    // A thread the window's parts joined may still be on its way out of the
    // kernel's task list for a moment: the measurement waits until it settles.
    // Descriptors are not compared here: the platform opens some on first
    // use (fonts, its event notifier) and keeps them for the process.
    const TResources after = Measure();
    EXPECT_EQ(testtools::Growth(beforeWindow.process.threads, after.process.threads, testtools::PlatformThreadNames()),
              std::vector<std::string>{})
        << "threads left behind by the window\nbefore: " << beforeWindow << "\nafter: " << after;
    EXPECT_LE(after.mediaObjects, beforeWindow.mediaObjects) << "media objects leaked";
    feeder.reset();
    DSUnregisterDeviceProvider(camera.get());
    camera.reset();
    watchdog.reset();
    SetExceptionHandler(previousHandler);
  }

  // Waits (processing events, the watchdog counting) until a frame newer
  // than any seen so far reaches the sink behind the mirror.
  bool WaitForFrame() {
    const int seen = sink->Frames();
    return PumpUntil([&] {
      watchdog->Progress();
      return sink->Frames() > seen;
    });
  }
  // One command of a storm, then the events it and the frames caused.
  void Step(int i, const std::function<void()>& command) {
    command();
    QCoreApplication::processEvents();
    watchdog->Progress();
    if (i % kFrameCheckEvery == kFrameCheckEvery - 1) {
      ASSERT_TRUE(WaitForFrame()) << "no frame arrived by command " << i;
    }
  }

  // Threads, descriptors and media objects with the capture stopped; the
  // capture runs again afterwards.
  TResources MeasureStopped() {
    form->VLDSCapture1->Stop();
    QCoreApplication::processEvents();
    const TResources r = Measure();
    form->VLDSCapture1->Start();
    return r;
  }
  // Qt's worker threads (large pictures are converted and scaled on them)
  // come and go by themselves, each with a descriptor of its own: the look
  // waits until the pool is drained and none is left.
  static TResources Measure() { return {testtools::QuietQtProcessResources(), DSLiveObjectCount()}; }

  // One command of each kind the storm gives first, so that what lives as
  // long as the window (made on first use) is in the baseline.
  TResources Baseline(const std::function<void()>& command) {
    command();
    command();
    EXPECT_TRUE(WaitForFrame());
    return MeasureStopped();
  }
  void ExpectNothingLeftBehind(const TResources& baseline) {
    EXPECT_TRUE(WaitForFrame()) << "frames stopped after the storm";
    EXPECT_EQ(Grown(baseline, MeasureStopped()), "");
    EXPECT_TRUE(WaitForFrame()) << "frames did not come back after the measurement";
  }

  // The display shows the synthetic camera's picture (its corner marker),
  // upright or turned.
  bool ShowsPattern(bool turned) {
    const QSize size = form->VLDSImageDisplay1->Widget()->size();
    return PumpUntil([&] {
      watchdog->Progress();
      const QPoint m = FindPatternMarker(form->VLDSImageDisplay1->Widget()->grab().toImage());
      if (m.x() < 0) return false;
      const bool topLeft = m.x() < size.width() / 2 && m.y() < size.height() / 2;
      const bool bottomRight = m.x() > size.width() / 2 && m.y() > size.height() / 2;
      return turned ? bottomRight : topLeft;
    });
  }
  // A picture is shown: the display is not one flat colour.
  bool ShowsAPicture() {
    return PumpUntil([&] {
      watchdog->Progress();
      const QImage image = form->VLDSImageDisplay1->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
      const QRgb first = image.pixel(image.width() / 2, 0);
      for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
          if (image.pixel(x, y) != first) return true;
      return false;
    });
  }

  // Answers the next device dialog by choosing the line `name` and OK.
  void ChooseDevice(const QString& name) {
    QTimer::singleShot(0, [name, this] {
      auto* dialog = qobject_cast<TDSDeviceListForm*>(QApplication::activeModalWidget());
      if (!dialog) {
        ADD_FAILURE() << "no device dialog is shown";
        return;
      }
      const QList<QListWidgetItem*> lines = dialog->ListBox()->findItems(name, Qt::MatchExactly);
      if (lines.size() != 1) {
        ADD_FAILURE() << "no line " << name.toStdString() << " in the device dialog";
        dialog->reject();
        return;
      }
      dialog->ListBox()->setCurrentItem(lines.front());
      ++devicesChosen;
      dialog->OkButton()->click();
    });
    form->N1->Action()->trigger();
  }

  // Smaller frames keep each round short under the sanitizers; the user
  // picks the size through the menu like any other.
  static constexpr int kFramesPerSecond = 15;
  void UseVgaFrames() {
    form->VGA1->Action()->trigger();
    ASSERT_TRUE(WaitForFrame());
  }

  TExceptionHandler previousHandler;
  std::shared_ptr<TFakeCameraProvider> camera;
  std::unique_ptr<TCameraFeeder> feeder;
  std::unique_ptr<testtools::TWatchdog> watchdog;
  TResources beforeWindow;
  std::unique_ptr<TTestForm1> form;
  std::unique_ptr<TCollectingSink> sink;
  int devicesChosen = 0;
};

TEST_F(ViewerStormTest, FlipStorm) {
  UseVgaFrames();
  const auto flip = [&] { form->hanten->Action()->trigger(); };
  const TResources baseline = Baseline(flip);
  watchdog->SetStage("flip storm");
  for (int i = 0, n = StormLength(kFlips); i < n; ++i) {
    ASSERT_NO_FATAL_FAILURE(Step(i, flip)) << i;
  }
  EXPECT_FALSE(form->VLMirror1->IsEnabled());
  ExpectNothingLeftBehind(baseline);
  EXPECT_TRUE(ShowsPattern(false));
  flip();
  EXPECT_TRUE(ShowsPattern(true));
}

// The same on the document camera, whose frames the feeder pushes: every
// restart stops its streaming thread while decoded frames are on their way.
TEST_F(ViewerStormTest, DocumentCameraFlipStorm) {
  ChooseDevice(TFakeCameraProvider::kName);
  UseVgaFrames();
  const auto flip = [&] { form->hanten->Action()->trigger(); };
  const TResources baseline = Baseline(flip);
  watchdog->SetStage("flip storm on the document camera");
  for (int i = 0, n = StormLength(kDocumentCameraFlips); i < n; ++i) {
    ASSERT_NO_FATAL_FAILURE(Step(i, flip)) << i;
  }
  EXPECT_FALSE(form->VLMirror1->IsEnabled());
  ExpectNothingLeftBehind(baseline);
  EXPECT_TRUE(ShowsAPicture());
}

TEST_F(ViewerStormTest, SizeAndFormatStorm) {
  const std::array<TMenuItem*, 4> sizes = {form->VGA1, form->SVGA1, form->SXGA1, form->UXGA1};
  const std::array<TMenuItem*, 5> formats = {form->YUY21, form->UYVY1, form->RGB241, form->RGB5551, form->RGBA321};
  int i = 0;
  // Sizes and formats take turns, each through its menu item.
  const auto change = [&] {
    TMenuItem* item = i % 2 == 0 ? sizes[size_t(i / 2) % sizes.size()] : formats[size_t(i / 2) % formats.size()];
    item->Action()->trigger();
    ++i;
  };
  const TResources baseline = Baseline(change);
  watchdog->SetStage("size and format storm");
  for (int n = 0, end = StormLength(kSizeAndFormatChanges); n < end; ++n) {
    ASSERT_NO_FATAL_FAILURE(Step(n, change)) << n;
  }
  ExpectNothingLeftBehind(baseline);
  EXPECT_TRUE(ShowsPattern(false));
}

TEST_F(ViewerStormTest, FullScreenStorm) {
  UseVgaFrames();
  QWidget* picture = form->VLDSImageDisplay1->Widget();
  int i = 0;
  // The menu command and the double-click on the picture take turns.
  const auto toggle = [&] {
    if (i++ % 2 == 0) {
      form->N11->Action()->trigger();
    } else {
      QTest::mouseDClick(picture, Qt::LeftButton, Qt::NoModifier, picture->rect().center());
    }
  };
  const TResources baseline = Baseline(toggle);
  watchdog->SetStage("full-screen storm");
  for (int n = 0, end = StormLength(kFullScreenToggles); n < end; ++n) {
    ASSERT_NO_FATAL_FAILURE(Step(n, toggle)) << n;
    // Each toggle, whichever way it came, switches the view.
    ASSERT_EQ(form->IsFullScreenView(), n % 2 == 0) << n;
  }
  EXPECT_FALSE(form->IsFullScreenView());
  EXPECT_EQ(form->WindowState(), wsNormal);
  ExpectNothingLeftBehind(baseline);
  EXPECT_TRUE(ShowsPattern(false));
}

TEST_F(ViewerStormTest, DeviceSwitchStorm) {
  UseVgaFrames();
  int i = 0;
  const auto switchDevice = [&] { ChooseDevice(i++ % 2 == 0 ? TFakeCameraProvider::kName : kTestPattern); };
  const TResources baseline = Baseline(switchDevice);
  const int filtersBefore = camera->FiltersMade();
  watchdog->SetStage("device switch storm");
  const int switches = StormLength(kDeviceSwitches);
  for (int n = 0; n < switches; ++n) {
    // Every switch is seen through: a frame from each camera in turn.
    ASSERT_NO_FATAL_FAILURE(Step(n, switchDevice)) << n;
    ASSERT_TRUE(WaitForFrame()) << n;
  }
  EXPECT_EQ(devicesChosen, switches + 3);
  EXPECT_EQ(camera->FiltersMade() - filtersBefore, switches / 2);
  EXPECT_EQ(form->VLDSCapture1->VideoCaptureDevice()->DeviceName(), kTestPattern);
  ExpectNothingLeftBehind(baseline);
  EXPECT_TRUE(ShowsPattern(false));
  // The document camera's picture too.
  ChooseDevice(TFakeCameraProvider::kName);
  EXPECT_TRUE(WaitForFrame());
  EXPECT_TRUE(ShowsAPicture());
}

}  // namespace
}  // namespace lumicar::test
