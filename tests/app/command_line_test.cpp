// The viewer's command line: each option, the mistakes that end the program
// with exit code 2, finding the camera asked for among the present ones
// (the scripted document camera and the synthetic camera), the camera list,
// and what the options do to the window once it is made.

#include "app/command_line.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include "dsbase/camera/test_pattern_provider.h"
#include "dsbase/graph/device_provider.h"
#include "testing/camera/fake_camera_provider.h"
#include "testing/event_pump.h"
#include "tests/app/viewer_test_support.h"
#include "tests/ui/qt_application.h"
#include "ui/application.h"

namespace lumicar::test {
namespace command_line_test {

using camtest::TFakeCameraProvider;

TParsedCommandLine Parse(QStringList arguments) {
  arguments.prepend(QStringLiteral("lumicar"));
  return ParseViewerCommandLine(arguments);
}

TEST(ViewerCommandLine, NoArgumentsRunTheViewerAsDesigned) {
  const TParsedCommandLine line = Parse({});
  EXPECT_TRUE(line.error.isEmpty());
  EXPECT_FALSE(line.options.PrintsOnly());
  EXPECT_FALSE(line.options.fullScreen || line.options.flip || line.options.resetSettings);
  EXPECT_TRUE(line.options.device.isEmpty());
}

TEST(ViewerCommandLine, EachSwitchSetsOnlyItsOwnOption) {
  using TField = bool TViewerOptions::*;
  const std::vector<std::pair<QString, TField>> switches = {
      {QStringLiteral("--full-screen"), &TViewerOptions::fullScreen},
      {QStringLiteral("--flip"), &TViewerOptions::flip},
      {QStringLiteral("--reset-settings"), &TViewerOptions::resetSettings},
      {QStringLiteral("--help"), &TViewerOptions::help},
      {QStringLiteral("-h"), &TViewerOptions::help},
      {QStringLiteral("--version"), &TViewerOptions::version},
      {QStringLiteral("--list-devices"), &TViewerOptions::listDevices}};
  const TField all[] = {&TViewerOptions::fullScreen, &TViewerOptions::flip,    &TViewerOptions::resetSettings,
                        &TViewerOptions::help,       &TViewerOptions::version, &TViewerOptions::listDevices};
  for (const auto& [argument, field] : switches) {
    SCOPED_TRACE(argument.toStdString());
    const TParsedCommandLine line = Parse({argument});
    ASSERT_TRUE(line.error.isEmpty()) << line.error.toStdString();
    for (TField f : all) EXPECT_EQ(line.options.*f, f == field);
  }
}

TEST(ViewerCommandLine, TheDeviceIsTakenAsGivenInEitherSpelling) {
  EXPECT_EQ(Parse({QStringLiteral("--device"), QStringLiteral("Test pattern")}).options.device,
            QStringLiteral("Test pattern"));
  EXPECT_EQ(Parse({QStringLiteral("--device=/dev/video2")}).options.device, QStringLiteral("/dev/video2"));
  // Combined with the window's options.
  const TParsedCommandLine line =
      Parse({QStringLiteral("--flip"), QStringLiteral("--device=x"), QStringLiteral("--full-screen")});
  EXPECT_TRUE(line.options.flip && line.options.fullScreen);
  EXPECT_EQ(line.options.device, QStringLiteral("x"));
}

TEST(ViewerCommandLine, MistakesAreOneLineEach) {
  const QStringList mistakes[] = {
      {QStringLiteral("--no-such-option")}, {QStringLiteral("--device")},
      {QStringLiteral("--device=")},        {QStringLiteral("--device"), QStringLiteral("  ")},
      {QStringLiteral("stray-argument")},   {QStringLiteral("--flip=yes")}};
  for (const QStringList& arguments : mistakes) {
    SCOPED_TRACE(arguments.join(u' ').toStdString());
    const TParsedCommandLine line = Parse(arguments);
    EXPECT_FALSE(line.error.isEmpty());
    EXPECT_FALSE(line.error.contains(u'\n'));
  }
  EXPECT_EQ(kUsageExitCode, 2);
}

// The application object takes its own options from the same arguments.
TEST(ViewerCommandLine, QtsOwnOptionsPassThrough) {
  const TParsedCommandLine line = Parse(
      {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-reverse"), QStringLiteral("--flip")});
  EXPECT_TRUE(line.error.isEmpty()) << line.error.toStdString();
  EXPECT_TRUE(line.options.flip);
}

TEST(ViewerCommandLine, VersionAndHelpNameTheProgram) {
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^lumicar \\d+(\\.\\d+){2,3}$")).match(ViewerVersionText()).hasMatch())
      << ViewerVersionText().toStdString();
  const QString help = ViewerHelpText();
  EXPECT_TRUE(help.startsWith(QStringLiteral("Usage: lumicar")));
  for (const char* option :
       {"--help", "--version", "--list-devices", "--device", "--full-screen", "--flip", "--reset-settings"}) {
    EXPECT_TRUE(help.contains(QString::fromLatin1(option))) << option;
  }
  // Qt's own options are accepted but not advertised.
  EXPECT_FALSE(help.contains(QStringLiteral("platform")));
}

// Cameras made up by hand: precedence and links need no provider.
TEST(CameraByName, AShownNameBeatsAnIdentityAndANode) {
  const std::vector<TViewerCamera> cameras = {
      {QStringLiteral("A"), QStringLiteral("@device:v4l2:{c}\\B"), "/dev/video0"},
      {QStringLiteral("B"), QStringLiteral("@device:v4l2:{c}\\A"), "/dev/video2"}};
  EXPECT_EQ(FindViewerCamera(cameras, QStringLiteral("B"))->node, QStringLiteral("/dev/video2"));
  EXPECT_EQ(FindViewerCamera(cameras, QStringLiteral("@device:v4l2:{c}\\A"))->shownName, QStringLiteral("B"));
  EXPECT_FALSE(FindViewerCamera(cameras, QString()));
  // Names are exact: neither letter case nor a part of a name chooses.
  EXPECT_FALSE(FindViewerCamera(cameras, QStringLiteral("a")));
  EXPECT_FALSE(FindViewerCamera(cameras, QStringLiteral("@device:v4l2:{c}")));
}

TEST(CameraByName, ALinkNamesTheNodeItPointsAt) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString node = dir.filePath(QStringLiteral("video7"));
  QFile file(node);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  const QString link = dir.filePath(QStringLiteral("by-id-camera"));
  ASSERT_TRUE(QFile::link(node, link));
  const std::vector<TViewerCamera> cameras = {
      {QStringLiteral("Camera"), QStringLiteral("@device:v4l2:{c}\\cam"), node},
      {QStringLiteral("Test pattern"), QStringLiteral("@device:x:{c}\\t"), QStringLiteral("test-pattern")}};
  ASSERT_TRUE(FindViewerCamera(cameras, link));
  EXPECT_EQ(FindViewerCamera(cameras, link)->shownName, QStringLiteral("Camera"));
  // A path that exists but is no camera's node names none.
  EXPECT_FALSE(FindViewerCamera(cameras, dir.path()));
}

// The scripted document camera next to the synthetic one, through the
// providers the program itself lists.
class PresentCameras : public ::testing::Test {
 protected:
  static constexpr const char* kNode = "/dev/video97";
  void SetUp() override {
    // The program's own cameras first, as the window lists them.
    DSRegisterCameraProviders();
    camera = std::make_shared<TFakeCameraProvider>();
    camera->ReplugAt(kNode);
    DSRegisterDeviceProvider(camera);
  }
  void TearDown() override {
    DSUnregisterDeviceProvider(camera.get());
    EXPECT_EQ(camera->OpenFds(), 0) << "listing a camera leaves nothing of it open";
  }
  std::optional<TViewerCamera> Find(const QString& given) const { return FindViewerCamera(ListViewerCameras(), given); }

  std::shared_ptr<TFakeCameraProvider> camera;
};

TEST_F(PresentCameras, FoundByShownNameIdentityAndNode) {
  const std::optional<TViewerCamera> byName = Find(TFakeCameraProvider::kName);
  ASSERT_TRUE(byName);
  EXPECT_EQ(byName->node, QString::fromLatin1(kNode));
  const QString identity = byName->identity;
  EXPECT_TRUE(identity.endsWith(QStringLiteral("\\usb-Fake_Document_Camera-video-index0"))) << identity.toStdString();
  for (const QString& given :
       {identity, QStringLiteral("usb-Fake_Document_Camera-video-index0"), QString::fromLatin1(kNode)}) {
    SCOPED_TRACE(given.toStdString());
    const std::optional<TViewerCamera> found = Find(given);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->shownName, TFakeCameraProvider::kName);
  }
  const std::optional<TViewerCamera> pattern = Find(QStringLiteral("Test pattern"));
  ASSERT_TRUE(pattern);
  EXPECT_NE(pattern->identity, identity);
}

TEST_F(PresentCameras, AnAbsentCameraIsNotFound) {
  EXPECT_FALSE(Find(QStringLiteral("No Such Camera")));
  EXPECT_FALSE(Find(QStringLiteral("/dev/video96")));
  camera->Unplug();
  EXPECT_FALSE(Find(TFakeCameraProvider::kName));
  EXPECT_FALSE(Find(QString::fromLatin1(kNode)));
}

TEST_F(PresentCameras, TheListHasABlockPerCameraWithItsFormats) {
  QString out, err;
  QTextStream outStream(&out), errStream(&err);
  ASSERT_EQ(ListViewerDevices(outStream, errStream), 0);
  EXPECT_TRUE(err.isEmpty());
  const QStringList blocks = out.split(QStringLiteral("\n\n"));
  const std::vector<TViewerCamera> cameras = ListViewerCameras();
  ASSERT_EQ(size_t(blocks.size()), cameras.size());
  for (size_t i = 0; i < cameras.size(); ++i) {
    const QString& block = blocks[qsizetype(i)];
    EXPECT_TRUE(block.startsWith(cameras[i].shownName + u'\n'));
    EXPECT_TRUE(block.contains(QStringLiteral("identity: ") + cameras[i].identity));
    EXPECT_TRUE(block.contains(QStringLiteral("node:     ") + cameras[i].node));
  }
  const QString document = blocks.filter(TFakeCameraProvider::kName).value(0);
  // The document camera's MJPEG runs 1600 x 1200 at 30 and 15 frames a
  // second, its YUYV 1600 x 1200 at 7.
  EXPECT_TRUE(QRegularExpression(QStringLiteral("MJPG\\n(      .*\\n)*      1600 x 1200: 30, 15 fps"))
                  .match(document)
                  .hasMatch())
      << document.toStdString();
  EXPECT_TRUE(
      QRegularExpression(QStringLiteral("YUYV\\n(      .*\\n)*      1600 x 1200: 7 fps")).match(document).hasMatch())
      << document.toStdString();
  const QString pattern = blocks.filter(QStringLiteral("Test pattern")).value(0);
  EXPECT_TRUE(pattern.contains(QStringLiteral("640 x 480: 1 to 60 fps"))) << pattern.toStdString();
}

TEST(CameraList, NoCameraAtAllIsAFailureWithAMessage) {
  // Every provider out of the list for the moment, the synthetic one too.
  const std::vector<std::shared_ptr<IDSDeviceProvider>> providers = DSAllDeviceProviders();
  for (const auto& p : providers) DSUnregisterDeviceProvider(p.get());
  QString out, err;
  QTextStream outStream(&out), errStream(&err);
  const int code = ListViewerDevices(outStream, errStream);
  for (const auto& p : providers) DSRegisterDeviceProvider(p);
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(out.isEmpty());
  EXPECT_EQ(err.count(u'\n'), 1);
  EXPECT_TRUE(err.contains(QStringLiteral("no camera")));
}

// What the options do to a window that shows the synthetic camera.
class ViewerOptionsOnWindow : public PresentCameras {
 protected:
  void SetUp() override {
    PresentCameras::SetUp();
    previousHandler = SetExceptionHandler([](const Exception& e) { ADD_FAILURE() << e.Message().toStdString(); });
    form = MakeMainWindow({5});
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget(), static_cast<int>(testtools::kHangGuard.count())));
    stops = std::make_unique<TStopCounter>(form->VLDSCapture1);
  }
  void TearDown() override {
    form.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetExceptionHandler(previousHandler);
    PresentCameras::TearDown();
  }

  TExceptionHandler previousHandler;
  std::unique_ptr<TTestForm1> form;
  std::unique_ptr<TStopCounter> stops;
};

TEST_F(ViewerOptionsOnWindow, NoOptionsLeaveTheWindowAlone) {
  ApplyViewerOptions(*form, {}, std::nullopt);
  EXPECT_EQ(stops->Stops(), 0);
  EXPECT_FALSE(form->VLMirror1->IsEnabled());
  EXPECT_EQ(form->WindowState(), wsNormal);
}

TEST_F(ViewerOptionsOnWindow, FlipAndFullScreenRunTheirCommandsOnce) {
  TViewerOptions options;
  options.flip = true;
  options.fullScreen = true;
  ApplyViewerOptions(*form, options, std::nullopt);
  EXPECT_TRUE(form->VLMirror1->IsEnabled());
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_EQ(form->N11->Caption(), QString::fromUtf8(TForm1::kReturnCaption));
  EXPECT_TRUE(form->VLDSCapture1->IsRunning());
}

TEST_F(ViewerOptionsOnWindow, TheCameraIsChosenWithOneRestart) {
  const std::optional<TViewerCamera> document = FindViewerCamera(ListViewerCameras(), TFakeCameraProvider::kName);
  ASSERT_TRUE(document);
  ApplyViewerOptions(*form, {}, document);
  EXPECT_EQ(stops->Stops(), 1);
  TDSVideoCaptureDevice* device = form->VLDSCapture1->VideoCaptureDevice();
  EXPECT_EQ(device->DeviceName(), TFakeCameraProvider::kName);
  EXPECT_EQ(device->GetVC_DriverName(), document->identity);
  EXPECT_TRUE(form->VLDSCapture1->IsRunning());
  EXPECT_EQ(device->GetVC_OpenedDriverName(), document->identity);
}

}  // namespace command_line_test
}  // namespace lumicar::test
