// The device choices: "Default" and "None", choosing by shown name, finding the
// stored device again by its driver name, the alternatives, the stored form "Data"
// through the design writer and reader, new alternative entries, and the audio
// choice that shares the camera.

#include "dsbase/devices/capture_device.h"

#include <gtest/gtest.h>

#include <memory>

#include "dsbase/com/task_memory.h"
#include "runtime/exception.h"
#include "runtime/form_reader.h"
#include "runtime/form_writer.h"
#include "tests/dsbase/devices/device_test_support.h"

namespace lumicar::devtest {
namespace {

class TCaptureDeviceTest : public TDeviceTest {
 protected:
  void SetUp() override {
    TDeviceTest::SetUp();
    host_.reset(NewComponent<TDeviceHost>(nullptr));
    host_->SetName(u"Host"_qs);
  }
  void TearDown() override {
    host_.reset();
    TDeviceTest::TearDown();
  }
  TDSVideoCaptureDevice* Video() const { return host_->VideoCaptureDevice(); }
  TDSVLAudioCaptureDevice* Audio() const { return host_->AudioCaptureDevice(); }
  static QString DisplayName(IMoniker* m) {
    char16_t* text = nullptr;
    if (!m || FAILED(m->GetDisplayName(nullptr, nullptr, &text))) return {};
    const QString s = QString::fromUtf16(text);
    CoTaskMemFree(text);
    return s;
  }
  // A fresh host read from a design.
  std::unique_ptr<TDeviceHost> Reload(const QByteArray& design) {
    std::unique_ptr<TDeviceHost> host(NewComponent<TDeviceHost>(nullptr));
    ReadComponentDesign(host.get(), design);
    return host;
  }
  std::unique_ptr<TDeviceHost> host_;
};

TEST_F(TCaptureDeviceTest, DefaultAndNoneFollowTheirRulesAndOnlyRealChangesCallBack) {
  TDSVideoCaptureDevice* video = Video();
  EXPECT_EQ(video->DeviceName(), u"Default"_qs);
  EXPECT_TRUE(video->IsSelectedDefault());
  EXPECT_FALSE(video->IsSelectedNone());

  video->SetName(u"Default"_qs);  // the same name: nothing
  EXPECT_TRUE(host_->changes.empty());
  video->SetName(u"DEFAULT"_qs);  // kept as written, and reported
  EXPECT_EQ(video->DeviceName(), u"DEFAULT"_qs);
  EXPECT_TRUE(video->IsSelectedDefault());
  ASSERT_EQ(host_->changes.size(), 1u);
  EXPECT_EQ(host_->changes[0], video);

  // "None" in any spelling, or nothing: "None" without a callback.
  video->SetName(u"nOnE"_qs);
  EXPECT_EQ(video->DeviceName(), u"None"_qs);
  EXPECT_TRUE(video->GetVC_DriverName().isEmpty());
  EXPECT_TRUE(video->IsSelectedNone());
  EXPECT_FALSE(video->IsSelectedDefault());
  video->SetName(QString());
  EXPECT_EQ(video->DeviceName(), u"None"_qs);
  EXPECT_EQ(host_->changes.size(), 1u);
  EXPECT_FALSE(video->GetMoniker());
  EXPECT_TRUE(video->GetVC_OpenedDeviceName().isEmpty());

  // A listed device is kept with its driver name and reported.
  video->SetName(u"Document Camera (2)"_qs);
  EXPECT_EQ(video->DeviceName(), u"Document Camera (2)"_qs);
  EXPECT_EQ(video->GetVC_DriverName(), DriverNameOf(kCameraB));
  EXPECT_EQ(host_->changes.size(), 2u);
  EXPECT_FALSE(video->IsSelectedDefault() || video->IsSelectedNone());
  // Names are exact: another spelling is not a device, so the choice falls to "None".
  video->SetName(u"document camera (2)"_qs);
  EXPECT_EQ(video->DeviceName(), u"None"_qs);
  EXPECT_TRUE(video->GetVC_DriverName().isEmpty());
  EXPECT_EQ(host_->changes.size(), 3u);

  // The property is the same setter.
  host_->VideoCaptureDevice()->setProperty("DeviceName", u"Test pattern"_qs);
  EXPECT_EQ(video->GetVC_DriverName(), PatternDriverName());
  EXPECT_EQ(host_->changes.size(), 4u);
}

TEST_F(TCaptureDeviceTest, GetMonikerOpensTheChosenOrFirstDeviceAndRecordsItsNames) {
  TDSVideoCaptureDevice* video = Video();
  TIntf<IMoniker> first = video->GetMoniker();  // "Default": the first camera
  EXPECT_EQ(DisplayName(first.get()), DriverNameOf(kCameraA));
  EXPECT_EQ(video->GetVC_OpenedDeviceName(), u"Document Camera"_qs);
  EXPECT_EQ(video->GetVC_OpenedDriverName(), DriverNameOf(kCameraA));
  video->CloseDevice();
  EXPECT_TRUE(video->GetVC_OpenedDeviceName().isEmpty());
  EXPECT_TRUE(video->GetVC_OpenedDriverName().isEmpty());

  video->SetName(u"Test pattern"_qs);
  EXPECT_EQ(DisplayName(video->GetMoniker().get()), PatternDriverName());
  EXPECT_EQ(video->GetVC_OpenedDeviceName(), u"Test pattern"_qs);

  // Without any device "Default" finds nothing and the opened names stay as they were.
  video->CloseDevice();
  video->SetName(u"Default"_qs);
  Plug({});
  SetPatternPresent(false);
  EXPECT_FALSE(video->GetMoniker());
  EXPECT_TRUE(video->GetVC_OpenedDeviceName().isEmpty());

  // GetDeviceList: the three kinds of line, replacing what the list held.
  Plug({kCameraA});
  QStringList lines{u"old"_qs};
  EXPECT_TRUE(video->GetDeviceList(&lines));
  EXPECT_EQ(lines, QStringList{u"Document Camera"_qs});
  EXPECT_TRUE(video->GetDeviceList(&lines, diDriverName));
  EXPECT_EQ(lines, QStringList{DriverNameOf(kCameraA)});
  EXPECT_TRUE(video->GetDeviceList(&lines, diBoth));
  EXPECT_EQ(lines, QStringList{u"Document Camera - "_qs + DriverNameOf(kCameraA)});
  EXPECT_FALSE(video->GetDeviceList(nullptr));
}

TEST_F(TCaptureDeviceTest, StoredChoiceIsFoundAgainByDriverNameWhenTheCamerasComeBackInAnotherOrder) {
  Video()->SetName(u"Document Camera (2)"_qs);  // camera B
  const QByteArray design = WriteComponentDesign(host_.get());
  EXPECT_TRUE(
      design.contains("VideoCaptureDevice.Data = ('" + DriverNameOf(kCameraB).toUtf8() + "' 'Document Camera (2)')"))
      << design.toStdString();
  EXPECT_FALSE(design.contains("DeviceName"));
  EXPECT_FALSE(design.contains("AudioCaptureDevice.Data"));  // "Default" is not written

  // Next run: B is now enumerated first and so carries the plain name.
  Plug({kCameraB, kCameraA});
  std::unique_ptr<TDeviceHost> loaded = Reload(design);
  TDSVideoCaptureDevice* video = loaded->VideoCaptureDevice();
  EXPECT_EQ(video->DeviceName(), u"Document Camera (2)"_qs);  // as stored
  EXPECT_EQ(video->GetVC_DriverName(), DriverNameOf(kCameraB));
  EXPECT_EQ(DisplayName(video->GetMoniker().get()), DriverNameOf(kCameraB));
  EXPECT_EQ(video->GetVC_OpenedDeviceName(), u"Document Camera"_qs);
  EXPECT_TRUE(loaded->changes.empty());  // reading a design reports nothing

  // Plugged elsewhere (another key), B is not found and, without alternatives,
  // nothing is opened: no guessing by name.
  Plug({kCameraA, {"/dev/video4", "", "usb-9"}});
  video->CloseDevice();
  EXPECT_FALSE(video->GetMoniker());
  EXPECT_TRUE(video->GetVC_OpenedDeviceName().isEmpty());
}

TEST_F(TCaptureDeviceTest, AMissingStoredDeviceFallsToThePresentAlternativeInCollectionOrder) {
  // Stored: camera B, with alternatives B (again), then A, then the test pattern.
  TDSVideoCaptureDevice* video = Video();
  video->SetName(u"Document Camera (2)"_qs);
  TDSVideoCaptureDeviceItems* alternatives = video->AlternativeDevices();
  for (const QString& name : {u"Document Camera (2)"_qs, u"Document Camera"_qs, u"Test pattern"_qs}) {
    alternatives->Add();
    alternatives->Item(alternatives->Count() - 1)->SetName(name);
  }
  EXPECT_EQ(alternatives->Item(1)->GetVC_DriverName(), DriverNameOf(kCameraA));
  const QByteArray design = WriteComponentDesign(host_.get());

  Plug({kCameraA});  // B is gone
  std::unique_ptr<TDeviceHost> loaded = Reload(design);
  TDSVideoCaptureDevice* again = loaded->VideoCaptureDevice();
  ASSERT_EQ(again->AlternativeDevices()->Count(), 3);
  EXPECT_EQ(DisplayName(again->GetMoniker().get()), DriverNameOf(kCameraA));
  EXPECT_EQ(again->GetVC_OpenedDriverName(), DriverNameOf(kCameraA));
  EXPECT_EQ(again->DeviceName(), u"Document Camera (2)"_qs);  // the choice itself stays

  Plug({});
  EXPECT_EQ(DisplayName(again->GetMoniker().get()), PatternDriverName());
  SetPatternPresent(false);
  again->CloseDevice();
  EXPECT_FALSE(again->GetMoniker());
  EXPECT_TRUE(again->GetVC_OpenedDriverName().isEmpty());

  // "None" finds no device of its own, but alternatives are still tried.
  Plug({kCameraA});
  again->SetName(u"None"_qs);
  EXPECT_EQ(DisplayName(again->GetMoniker().get()), DriverNameOf(kCameraA));
}

TEST_F(TCaptureDeviceTest, DataRoundTripsExactlyAndEmptyEntriesStayEmpty) {
  TDSVideoCaptureDevice* video = Video();
  video->SetName(u"Test pattern"_qs);
  Audio()->SetName(u"share VIDEO device"_qs);
  TDSVideoCaptureDeviceItems* alternatives = video->AlternativeDevices();
  alternatives->Add();  // preset to the first camera
  alternatives->Add();  // preset to the second
  alternatives->Add();
  alternatives->Item(2)->SetName(QString());  // an empty entry: written without "Data"
  const QByteArray design = WriteComponentDesign(host_.get());
  EXPECT_TRUE(design.contains("AudioCaptureDevice.Data = ('' 'share VIDEO device')")) << design.toStdString();

  // The devices are gone when the design is read: the stored names come back as
  // they were, nothing is looked up, no entry is preset, no callback runs.
  Plug({});
  SetPatternPresent(false);
  std::unique_ptr<TDeviceHost> loaded = Reload(design);
  TDSVideoCaptureDevice* again = loaded->VideoCaptureDevice();
  EXPECT_EQ(again->DeviceName(), u"Test pattern"_qs);
  EXPECT_EQ(again->GetVC_DriverName(), PatternDriverName());
  EXPECT_EQ(loaded->AudioCaptureDevice()->DeviceName(), u"share VIDEO device"_qs);
  ASSERT_EQ(again->AlternativeDevices()->Count(), 3);
  EXPECT_EQ(again->AlternativeDevices()->Item(0)->DeviceName(), u"Document Camera"_qs);
  EXPECT_EQ(again->AlternativeDevices()->Item(0)->GetVC_DriverName(), DriverNameOf(kCameraA));
  EXPECT_EQ(again->AlternativeDevices()->Item(1)->GetVC_DriverName(), DriverNameOf(kCameraB));
  EXPECT_TRUE(again->AlternativeDevices()->Item(2)->DeviceName().isEmpty());
  EXPECT_TRUE(loaded->changes.empty());
  // Written again, the design is the same.
  EXPECT_EQ(WriteComponentDesign(loaded.get()), design);

  // With the devices back, the empty entry read from the design stays empty: only
  // entries added by code or by the user start on a device.
  Plug({kCameraA, kCameraB});
  SetPatternPresent(true);
  std::unique_ptr<TDeviceHost> withDevices = Reload(design);
  EXPECT_TRUE(withDevices->VideoCaptureDevice()->AlternativeDevices()->Item(2)->DeviceName().isEmpty());
  EXPECT_EQ(WriteComponentDesign(withDevices.get()), design);
}

TEST_F(TCaptureDeviceTest, MalformedDataIsAReadErrorAndLeavesTheChoiceAlone) {
  const char* bad[] = {
      "VideoCaptureDevice.Data = ('only one')",    "VideoCaptureDevice.Data = ()",
      "VideoCaptureDevice.Data = ('a', 'b', 'c')", "VideoCaptureDevice.Data = (12, 'b')",
      "VideoCaptureDevice.Data = ('a', nil)",      "VideoCaptureDevice.Data = 'a'",
      "VideoCaptureDevice.Data = ('a', ('b'))",
  };
  for (const char* line : bad) {
    const QByteArray design = QByteArray("object Host: TDeviceHost\n  ") + line + "\nend\n";
    std::unique_ptr<TDeviceHost> host(NewComponent<TDeviceHost>(nullptr));
    try {
      ReadComponentDesign(host.get(), design);
      ADD_FAILURE() << "read: " << line;
    } catch (const EReadError& e) {
      EXPECT_TRUE(e.Message().startsWith(u"Line 2, column"_qs)) << e.Message().toStdString();
    }
    EXPECT_EQ(host->VideoCaptureDevice()->DeviceName(), u"Default"_qs) << line;
    EXPECT_TRUE(host->VideoCaptureDevice()->GetVC_DriverName().isEmpty()) << line;
  }
  // An alternative entry's "Data" is held to the same shape.
  std::unique_ptr<TDeviceHost> host(NewComponent<TDeviceHost>(nullptr));
  EXPECT_THROW(ReadComponentDesign(host.get(),
                                   "object Host: TDeviceHost\n"
                                   "  VideoCaptureDevice.AlternativeDevices = <\n"
                                   "    item\n      Data = ('a')\n    end>\nend\n"),
               EReadError);
}

TEST_F(TCaptureDeviceTest, NewEntriesStartOnTheLeastUsedDeviceAndEntriesLookTheirNamesUp) {
  TDSVideoCaptureDeviceItems* items = Video()->AlternativeDevices();
  QStringList preset;
  for (int i = 0; i < 5; ++i) {
    items->Add();
    preset << items->Item(i)->DeviceName();
  }
  EXPECT_EQ(preset, (QStringList{u"Document Camera"_qs, u"Document Camera (2)"_qs, u"Test pattern"_qs,
                                 u"Document Camera"_qs, u"Document Camera (2)"_qs}));
  EXPECT_EQ(items->Item(3)->GetVC_DriverName(), DriverNameOf(kCameraA));
  EXPECT_EQ(items->Item(0)->GetDisplayName(), u"Document Camera"_qs);

  // An entry keeps a name only with its device; a missing one clears the driver name.
  TDSVideoCaptureDeviceItem* entry = items->Item(0);
  entry->SetName(u"Missing"_qs);
  EXPECT_EQ(entry->DeviceName(), u"Document Camera"_qs);
  EXPECT_TRUE(entry->GetVC_DriverName().isEmpty());
  entry->SetName(u"Test pattern"_qs);
  EXPECT_EQ(entry->GetVC_DriverName(), PatternDriverName());
  entry->SetName(QString());
  EXPECT_TRUE(entry->DeviceName().isEmpty());
  EXPECT_TRUE(entry->GetVC_DriverName().isEmpty());
  EXPECT_TRUE(host_->changes.empty());  // entries never call the device's callback

  // Without devices a new entry is empty; the audio category has none at all.
  Plug({});
  SetPatternPresent(false);
  items->Add();
  EXPECT_TRUE(items->Item(5)->DeviceName().isEmpty());
  Audio()->AlternativeDevices()->Add();
  EXPECT_TRUE(Audio()->AlternativeDevices()->Item(0)->DeviceName().isEmpty());
}

TEST_F(TCaptureDeviceTest, TheAudioChoiceSharesTheCameraAndDefaultAudioIsNothingHere) {
  TDSVLAudioCaptureDevice* audio = Audio();
  EXPECT_FALSE(audio->GetMoniker());  // "Default": no audio input devices on this platform

  audio->SetName(u"SHARE video DEVICE"_qs);
  EXPECT_EQ(audio->DeviceName(), u"SHARE video DEVICE"_qs);
  EXPECT_TRUE(audio->IsShareVideoDevice());
  EXPECT_TRUE(audio->GetVC_DriverName().isEmpty());
  EXPECT_TRUE(host_->changes.empty());
  EXPECT_EQ(DisplayName(audio->GetMoniker().get()), DriverNameOf(kCameraA));  // the camera's "Default"
  EXPECT_EQ(audio->GetVC_OpenedDeviceName(), u"Document Camera"_qs);
  EXPECT_EQ(Video()->GetVC_OpenedDeviceName(), u"Document Camera"_qs);

  // Without a camera the audio steps apply, and they find nothing either.
  Video()->SetName(u"None"_qs);
  EXPECT_FALSE(audio->GetMoniker());
  audio->SetVideoDevice(nullptr);
  EXPECT_FALSE(audio->GetMoniker());

  // Other names go the audio way: not listed, so "None", reported.
  audio->SetName(u"Microphone"_qs);
  EXPECT_EQ(audio->DeviceName(), u"None"_qs);
  EXPECT_EQ(host_->changes.size(), 1u);
  EXPECT_EQ(host_->changes[0], audio);
}

TEST_F(TCaptureDeviceTest, AssignTakesTheChoiceAndAlternativesAsTheyAre) {
  std::unique_ptr<TDeviceHost> other(NewComponent<TDeviceHost>(nullptr));
  TDSVideoCaptureDevice* source = other->VideoCaptureDevice();
  source->SetName(u"Document Camera (2)"_qs);
  source->AlternativeDevices()->Add();
  Plug({});  // nothing is looked up while copying

  host_->SetVideoCaptureDevice(source);
  TDSVideoCaptureDevice* video = Video();
  EXPECT_EQ(video->DeviceName(), u"Document Camera (2)"_qs);
  EXPECT_EQ(video->GetVC_DriverName(), DriverNameOf(kCameraB));
  ASSERT_EQ(video->AlternativeDevices()->Count(), 1);
  EXPECT_EQ(video->AlternativeDevices()->Item(0)->GetVC_DriverName(), DriverNameOf(kCameraA));
  EXPECT_EQ(host_->changes.size(), 1u);
  host_->SetVideoCaptureDevice(source);  // no change, no callback
  EXPECT_EQ(host_->changes.size(), 1u);
  // A copied "None" is not reported, as choosing it is not.
  source->SetName(u"None"_qs);
  host_->SetVideoCaptureDevice(source);
  EXPECT_TRUE(video->IsSelectedNone());
  EXPECT_EQ(host_->changes.size(), 1u);
}

}  // namespace
}  // namespace lumicar::devtest
