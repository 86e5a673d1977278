// The capture's life cycle: Open, Start, Stop, Close and Enabled through
// their states, the rules that decide whether an open graph is reused or
// rebuilt, the start after loading, the stop a downstream component asks
// for, the device change, the camera unplugged while running (its event
// arriving through the Qt event loop) and the settings the component carries.

#include <gtest/gtest.h>

#include "dsbase/com/graph_ids.h"
#include "dsbase/graph/device_moniker.h"
#include "imagepins/buffer_operations.h"
#include "runtime/class_registry.h"
#include "runtime/form_reader.h"
#include "tests/capture/capture_test_support.h"
#include "tests/imagepins/frame_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::capturetest {
namespace {

// Takes every camera out of the video input category for its lifetime.
class TNoCameras {
 public:
  TNoCameras() : providers_(DSDeviceProviders(CLSID_VideoInputDeviceCategory)) {
    for (const auto& p : providers_) DSUnregisterDeviceProvider(p.get());
  }
  ~TNoCameras() {
    for (const auto& p : providers_) DSRegisterDeviceProvider(p);
  }

 private:
  std::vector<std::shared_ptr<IDSDeviceProvider>> providers_;
};

class CaptureLifecycleTest : public CaptureTest {
 protected:
  void SetUp() override {
    CaptureTest::SetUp();
    RegisterClass<TVLDSCapture>();
  }
  void StopCounter(TVLDSCapture* capture) {
    capture->SetOnStop(TNotifyEvent([this](TObject* sender) {
      EXPECT_EQ(sender, capture_.get());
      ++onStops_;
    }));
  }
  int onStops_ = 0;
};

TEST_F(CaptureLifecycleTest, StatesFollowOpenStartStopClose) {
  MakeCapture();
  StopCounter(capture_.get());
  // closed
  EXPECT_FALSE(capture_->GetVC_Opened());
  EXPECT_EQ(capture_->GetWidth(), 0);
  EXPECT_EQ(capture_->GetFramePeriod(), 0);
  capture_->Stop();  // nothing to stop
  EXPECT_EQ(sink_->Stops(), 0);
  EXPECT_EQ(onStops_, 0);
  // closed -> open
  EXPECT_TRUE(capture_->Open());
  EXPECT_TRUE(capture_->GetVC_Opened());
  EXPECT_FALSE(capture_->IsRunning());
  EXPECT_EQ(capture_->GetWidth(), 640);
  EXPECT_EQ(capture_->GetHeight(), 480);
  EXPECT_EQ(capture_->GetFramePeriod(), 333333);
  EXPECT_EQ(camera_->FiltersMade(), 1);
  // open -> running: the open graph is reused
  capture_->Start();
  EXPECT_TRUE(capture_->IsRunning());
  EXPECT_TRUE(capture_->Enabled());
  EXPECT_EQ(camera_->FiltersMade(), 1);
  EXPECT_EQ(sink_->Starts(), 1);
  capture_->Start();  // running already: nothing
  EXPECT_EQ(sink_->Starts(), 1);
  // running -> open
  capture_->Stop();
  EXPECT_FALSE(capture_->IsRunning());
  EXPECT_TRUE(capture_->GetVC_Opened());
  EXPECT_EQ(sink_->Stops(), 1);
  EXPECT_EQ(onStops_, 1);
  // open -> closed
  capture_->Close();
  EXPECT_FALSE(capture_->GetVC_Opened());
  EXPECT_FALSE(capture_->IsBuilt());
  EXPECT_EQ(capture_->Graph()->Graph(), nullptr);
  EXPECT_TRUE(capture_->VideoCaptureDevice()->GetVC_OpenedDriverName().isEmpty());
  EXPECT_EQ(camera_->OpenFds(), 0);
  // Closing a running capture stops it first.
  capture_->Start();
  EXPECT_TRUE(capture_->IsRunning());
  capture_->Close();
  EXPECT_FALSE(capture_->IsRunning());
  EXPECT_EQ(sink_->Stops(), 2);
}

TEST_F(CaptureLifecycleTest, EnabledStartsAndStopsOnlyOnAChange) {
  MakeCapture();
  EXPECT_FALSE(capture_->Enabled());
  capture_->SetEnabled(true);
  EXPECT_TRUE(capture_->IsRunning());
  EXPECT_TRUE(capture_->Enabled());
  capture_->SetEnabled(true);  // the same value: no restart
  EXPECT_EQ(sink_->Starts(), 1);
  EXPECT_EQ(sink_->Stops(), 0);
  capture_->SetEnabled(false);
  EXPECT_FALSE(capture_->Enabled());
  EXPECT_EQ(sink_->Stops(), 1);
  // A value arriving on EnablePin sets Enabled.
  TComponent form;
  TOWBoolStatePin other(&form);
  ASSERT_TRUE(other.Connect(capture_->EnablePin()));
  other.SetValue(true);
  EXPECT_TRUE(capture_->IsRunning());
  other.SetValue(false);
  EXPECT_FALSE(capture_->IsRunning());
  other.Disconnect();
}

TEST_F(CaptureLifecycleTest, OpenReusesOrRebuildsByTheRequest) {
  MakeCapture();
  capture_->SetVideoFormat(vfYUY2);
  capture_->Start();
  ASSERT_EQ(camera_->FiltersMade(), 1);

  // A new size with Current false: closed and rebuilt at that size.
  capture_->Stop();
  capture_->VideoSize()->SetCurrent(false);
  capture_->VideoSize()->SetWidth(1600);
  capture_->VideoSize()->SetHeight(1200);
  capture_->Start();
  EXPECT_EQ(camera_->FiltersMade(), 2);
  EXPECT_EQ(sink_->LastStart()->Width(), 1600);

  // A new size while Current is true: the graph is reused.
  capture_->Stop();
  capture_->VideoSize()->SetCurrent(true);
  capture_->VideoSize()->SetWidth(640);
  capture_->Start();
  EXPECT_EQ(camera_->FiltersMade(), 2);

  // A new rate with Current false and the size unchanged: reused, and the
  // start writes the rate into the camera's format.
  capture_->Stop();
  capture_->VideoSize()->SetCurrent(false);
  capture_->VideoSize()->SetWidth(1600);
  capture_->FrameRate()->SetCurrent(false);
  capture_->FrameRate()->SetRate(15);
  capture_->Start();
  EXPECT_EQ(camera_->FiltersMade(), 2);
  EXPECT_EQ(sink_->LastStart()->FrameDuration(), 666667);

  // The size current and a rate other than the one the graph was rendered
  // with: rebuilt.
  capture_->Stop();
  capture_->VideoSize()->SetCurrent(true);
  capture_->FrameRate()->SetRate(30);
  capture_->Start();
  EXPECT_EQ(camera_->FiltersMade(), 3);
  EXPECT_EQ(sink_->LastStart()->FrameDuration(), 333333);

  // A request the camera answers with another format is rebuilt at every
  // Open that the running state does not cover.
  capture_->Stop();
  capture_->SetVideoFormat(vfGrayScale);
  capture_->Start();
  EXPECT_EQ(capture_->NegotiatedFormat(), vfRGB24);
  EXPECT_EQ(camera_->FiltersMade(), 4);
  EXPECT_TRUE(capture_->Open());  // active: no rebuild while running
  EXPECT_EQ(camera_->FiltersMade(), 4);
  capture_->Stop();
  capture_->Start();
  EXPECT_EQ(camera_->FiltersMade(), 5);
  capture_->Stop();
}

TEST_F(CaptureLifecycleTest, StopFromDownstreamStopsAsStopDoes) {
  MakeCapture();
  StopCounter(capture_.get());
  auto other = std::make_unique<test::TTestFrameSink>();
  ASSERT_TRUE(capture_->OutputPin()->Connect(other->InputPin()));
  // Asked about the stream while closed: the capture says it will send none.
  other->InputPin()->Notify(MakeIntf<TOWQueryStreamOperation>());
  EXPECT_EQ(other->Count<TOWIgnoreStreamOperation>(), 1);
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  other->InputPin()->Notify(MakeIntf<TOWQueryStreamOperation>());  // open now: no answer
  EXPECT_EQ(other->Count<TOWIgnoreStreamOperation>(), 1);
  // A start-sample-rate operation from downstream is ignored.
  other->InputPin()->Notify(MakeIntf<TOWStartSampleRateOperation>(25.0));
  EXPECT_TRUE(capture_->IsRunning());
  other->InputPin()->Notify(MakeIntf<TOWStopOperation>());
  EXPECT_FALSE(capture_->IsRunning());
  EXPECT_EQ(onStops_, 1);
  EXPECT_EQ(sink_->Stops(), 1);
  EXPECT_EQ(other->Count<TOWStopOperation>(), 1);
  capture_->OutputPin()->Disconnect();
}

TEST_F(CaptureLifecycleTest, WithoutCamerasANewCaptureStartsItselfAndEndsNotRunning) {
  TNoCameras none;
  std::unique_ptr<TVLDSCapture> c;
  EXPECT_NO_THROW(c.reset(NewComponent<TVLDSCapture>(nullptr)));
  EXPECT_TRUE(c->Started());
  EXPECT_FALSE(c->Enabled());
  EXPECT_FALSE(c->GetVC_Opened());
  c->Start();
  EXPECT_FALSE(c->IsRunning());
}

TEST_F(CaptureLifecycleTest, ADesignStoresEnabledAndStartsAfterLoading) {
  TDSDeviceDescription description = camera_->Devices().at(0);
  const QString driver = TDSDeviceMoniker::DisplayNameOf(*camera_, description);
  TComponent form;
  const QByteArray design = QStringLiteral(
                                "object Form1: TComponent\n"
                                "  object Stopped: TVLDSCapture\n"
                                "    Enabled = False\n"
                                "    VideoFormat = vfRGB\n"
                                "    VideoSize.Width = 1600\n"
                                "    VideoSize.Current = False\n"
                                "    CaptionsEnabled = True\n"
                                "    VideoCaptureDevice.Data = ('%1' 'Document Camera')\n"
                                "  end\n"
                                "  object Running: TVLDSCapture\n"
                                "    VideoCaptureDevice.Data = ('%1' 'Document Camera')\n"
                                "  end\n"
                                "end\n")
                                .arg(driver)
                                .toUtf8();
  ReadComponentDesign(&form, design);
  auto* stopped = qobject_cast<TVLDSCapture*>(form.FindComponent(QStringLiteral("Stopped")));
  auto* running = qobject_cast<TVLDSCapture*>(form.FindComponent(QStringLiteral("Running")));
  ASSERT_TRUE(stopped && running);
  EXPECT_FALSE(stopped->IsRunning());
  EXPECT_FALSE(stopped->Enabled());
  EXPECT_FALSE(stopped->EnablePin()->GetValue());
  EXPECT_EQ(stopped->VideoFormat(), vfRGB24);
  EXPECT_EQ(stopped->VideoSize()->Width(), 1600u);
  EXPECT_FALSE(stopped->VideoSize()->Current());
  EXPECT_TRUE(stopped->ClosedCaptions()->Enabled());
  EXPECT_EQ(stopped->VideoCaptureDevice()->GetVC_DriverName(), driver);
  // The stored default: started once loading ended.
  EXPECT_TRUE(running->IsRunning());
  EXPECT_TRUE(running->Enabled());
  EXPECT_TRUE(running->EnablePin()->GetValue());
  form.DestroyComponents();
  EXPECT_EQ(camera_->OpenFds(), 0);
}

TEST_F(CaptureLifecycleTest, ChoosingAnotherDeviceStopsAndCloses) {
  MakeCapture();
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  EXPECT_EQ(capture_->VideoCaptureDevice()->GetVC_OpenedDeviceName(), TFakeCameraProvider::kName);
  capture_->VideoCaptureDevice()->SetName(QStringLiteral("Test pattern"));
  EXPECT_FALSE(capture_->IsRunning());
  EXPECT_FALSE(capture_->GetVC_Opened());
  EXPECT_EQ(sink_->Stops(), 1);
  EXPECT_EQ(camera_->OpenFds(), 0);
  capture_->Start();
  EXPECT_TRUE(capture_->IsRunning());
  EXPECT_EQ(capture_->VideoCaptureDevice()->GetVC_OpenedDeviceName(), QStringLiteral("Test pattern"));
  // "None" changes the choice without a callback: the open graph stays.
  capture_->VideoCaptureDevice()->SetName(QStringLiteral("None"));
  EXPECT_TRUE(capture_->IsRunning());
  capture_->Stop();
  capture_->Close();
  capture_->Start();
  EXPECT_FALSE(capture_->IsRunning());
}

TEST_F(CaptureLifecycleTest, PropertiesHoldTheirDefaultsAndCopyOnAssignment) {
  MakeCapture(QString());
  EXPECT_EQ(capture_->VideoFormat(), vfRGB24);
  capture_->SetVideoFormat(vfRGB);
  EXPECT_EQ(capture_->VideoFormat(), vfRGB24);
  capture_->SetVideoFormat(TVLVideoFormat(9));  // no such format: ignored
  EXPECT_EQ(capture_->VideoFormat(), vfRGB24);
  EXPECT_EQ(capture_->VideoSize()->Width(), 320u);
  EXPECT_EQ(capture_->VideoSize()->Height(), 240u);
  EXPECT_TRUE(capture_->VideoSize()->Current());
  EXPECT_EQ(capture_->FrameRate()->Rate(), 30.0);
  EXPECT_FALSE(capture_->FrameRate()->VariableRate());
  EXPECT_TRUE(capture_->FrameRate()->Current());
  EXPECT_FALSE(capture_->VideoPreview()->Enabled());
  EXPECT_TRUE(capture_->VideoPreview()->Visible());
  EXPECT_EQ(capture_->VideoPreview()->PreviewDock(), nullptr);
  EXPECT_EQ(capture_->TVTuner()->InputIndex(), -1);
  EXPECT_TRUE(capture_->TVTuner()->UseCurrent());
  EXPECT_EQ(capture_->TVTuner()->Format(), tvfCurrent);
  EXPECT_FALSE(capture_->ClosedCaptions()->Enabled());
  EXPECT_EQ(capture_->DVResolution(), dvrUseCurrent);
  EXPECT_EQ(capture_->VideoCaptureDevice()->DeviceName(), QStringLiteral("Default"));
  EXPECT_EQ(capture_->AudioCaptureDevice()->DeviceName(), QStringLiteral("Default"));
  EXPECT_TRUE(capture_->VideoSources()->UseCurrent());
  EXPECT_FALSE(capture_->Adjustment()->Enabled());
  EXPECT_FALSE(capture_->UseHardwareCompression());
  EXPECT_FALSE(capture_->Graph()->Register());
  // Setting an object property copies the values; the component keeps its own object.
  TVLOptionalVideoSize other;
  other.SetWidth(800);
  other.SetHeight(600);
  other.SetCurrent(false);
  TVLOptionalVideoSize* own = capture_->VideoSize();
  capture_->SetVideoSize(&other);
  EXPECT_EQ(capture_->VideoSize(), own);
  EXPECT_EQ(own->Width(), 800u);
  EXPECT_FALSE(own->Current());
  TVLCaptureFrameRate rate;
  rate.SetRate(7.5);
  capture_->SetFrameRate(&rate);
  EXPECT_EQ(capture_->FrameRate()->Rate(), 7.5);
}

TEST_F(CaptureLifecycleTest, AVariableRateReachesTheRunningCameraAtOnce) {
  MakeCapture();
  capture_->SetVideoFormat(vfYUY2);
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  capture_->FrameRate()->SetVariableRate(true);
  capture_->FrameRate()->SetCurrent(false);
  capture_->FrameRate()->SetRate(15);
  EXPECT_TRUE(capture_->IsRunning());
  auto fake = camera_->Fake();
  {
    std::lock_guard guard(fake->lock_);
    EXPECT_EQ(fake->parm_.denominator, 15u);
  }
  // Without VariableRate nothing reaches the camera until the next start.
  capture_->FrameRate()->SetVariableRate(false);
  capture_->FrameRate()->SetRate(30);
  {
    std::lock_guard guard(fake->lock_);
    EXPECT_EQ(fake->parm_.denominator, 15u);
  }
  capture_->Stop();
  // A stopped graph is not run again by a rate change.
  capture_->FrameRate()->SetVariableRate(true);
  capture_->FrameRate()->SetRate(15);
  EXPECT_FALSE(capture_->IsRunning());
  PushFrames(1);
  EXPECT_EQ(sink_->Frames(), 0);
}

TEST_F(CaptureLifecycleTest, DestroyedWhileRunningLeavesNothingBehind) {
  const int threads = ThreadCount();
  MakeCapture();
  capture_->Start();
  PushFrames(3);
  ASSERT_TRUE(sink_->WaitFrames(1));
  capture_.reset();
  EXPECT_EQ(camera_->OpenFds(), 0);
  EXPECT_EQ(sink_->Stops(), 1);
  EXPECT_LE(ThreadCount(), threads);
}

TEST_F(CaptureLifecycleTest, UnpluggedWhileRunningStopsAndWorksAgainOncePluggedBack) {
  MakeCapture();
  int onStops = 0;
  capture_->SetOnStop(TNotifyEvent([&](TObject*) { ++onStops; }));
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  PushFrames(1);
  ASSERT_TRUE(sink_->WaitFrames(1));
  int lost = 0;
  capture_->Graph()->SetOnDeviceLost(TNotifyEvent([&](TObject*) { ++lost; }));
  camera_->Unplug();
  // The device-lost event reaches the capture on this thread.
  ASSERT_TRUE(PumpUntil([&] { return !capture_->Enabled(); }));
  EXPECT_EQ(lost, 1);
  EXPECT_TRUE(capture_->GetVC_Opened());
  // Stopped by the event: no stop went downstream and OnStop was not raised.
  EXPECT_EQ(sink_->Stops(), 0);
  EXPECT_EQ(onStops, 0);
  // Still unplugged: the next start finds no camera and raises nothing.
  const int made = camera_->FiltersMade();
  EXPECT_NO_THROW(capture_->Start());
  EXPECT_FALSE(capture_->IsRunning());
  EXPECT_EQ(camera_->OpenFds(), 0);
  // Plugged back: the next start binds the camera anew and frames flow.
  camera_->Replug();
  sink_->Clear();
  capture_->Start();
  ASSERT_TRUE(capture_->IsRunning());
  EXPECT_EQ(camera_->FiltersMade(), made + 1);
  PushFrames(1);
  ASSERT_TRUE(sink_->WaitFrames(1));
  capture_->Stop();
  EXPECT_EQ(onStops, 1);
}

}  // namespace
}  // namespace lumicar::capturetest
