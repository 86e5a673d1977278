// The camera settings page against the scripted document camera and the
// synthetic camera: the widgets it builds from the control list, changes
// reaching the camera at once, automatic controls governing their manual
// partners, the Default button, refusals and an unplugged camera, and the
// page reached through the source dialog and the property pages.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "dsbase/camera/test_pattern_provider.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/com/class_factory.h"
#include "dsbase/com/task_memory.h"
#include "dsbase/render/camera_settings_dialog.h"
#include "dsbase/render/camera_settings_page.h"
#include "dsbase/render/camera_settings_view.h"
#include "dsbase/render/property_frame.h"
#include "testing/camera/fake_v4l2_device.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar::camtest {
namespace {

using dstest::DSLeakCheck;

template <typename W>
W* Find(QWidget* in, const char* kind, uint32_t id) {
  return in->findChild<W*>(QStringLiteral("%1-%2").arg(QLatin1String(kind)).arg(id));
}

QStringList Items(QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

int Writes(TFakeV4L2Device& fake, uint32_t id) {
  std::lock_guard guard(fake.lock_);
  return int(std::count_if(fake.controlWrites_.begin(), fake.controlWrites_.end(),
                           [&](const auto& w) { return w.first == id; }));
}

// Runs `work` on the modal dialog once it is shown, then presses `button`.
void OnDialog(std::function<void(QWidget*)> work, QDialogButtonBox::StandardButton button) {
  QTimer::singleShot(0, [work = std::move(work), button] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    auto* box = dialog->findChild<QDialogButtonBox*>();
    work(dialog);
    box->button(button)->click();
  });
}

class CameraPageTest : public DSLeakCheck {
 protected:
  void SetUp() override {
    DSLeakCheck::SetUp();
    DSRegisterCameraSettingsPage();
    fake_ = std::make_shared<TFakeV4L2Device>();
    // Beyond the document camera's own controls: a stepped slider, an
    // integer menu, a button and a read-only control.
    fake_->AddControl({V4L2_CID_SHARPNESS, V4L2_CTRL_TYPE_INTEGER, "Sharpness", 0, 12, 4, 0, 0, {}, 2});
    fake_->AddControl({V4L2_CID_AUTO_EXPOSURE_BIAS,
                       V4L2_CTRL_TYPE_INTEGER_MENU,
                       "Exposure Bias",
                       0,
                       2,
                       1,
                       0,
                       0,
                       {"-1000", "0", "1000"}});
    fake_->AddControl({V4L2_CID_PAN_RESET, V4L2_CTRL_TYPE_BUTTON, "Pan, Reset", 0, 0, 0});
    fake_->AddControl(
        {V4L2_CID_ZOOM_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Zoom, Absolute", 100, 500, 100, 0, V4L2_CTRL_FLAG_READ_ONLY});
    TDSV4L2CaptureFilter* f = nullptr;
    ASSERT_EQ(TDSV4L2CaptureFilter::Create(fake_, "/dev/video0", QStringLiteral("Document Camera"), &f), S_OK);
    camera_ = TIntf<TDSV4L2CaptureFilter>::Adopt(f);
    void* raw = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_CameraPropertyPage, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, &raw), S_OK);
    page_ = TIntf<IPropertyPage>::Adopt(static_cast<IPropertyPage*>(raw));
    IUnknown* objects[] = {static_cast<IBaseFilter*>(camera_.get())};
    ASSERT_EQ(page_->SetObjects(1, objects), S_OK);
    host_ = std::make_unique<QWidget>();
    ASSERT_EQ(page_->Activate(host_.get()), S_OK);
  }
  void TearDown() override {
    if (page_) {
      EXPECT_EQ(page_->Deactivate(), S_OK);
      EXPECT_EQ(page_->SetObjects(0, nullptr), S_OK);
    }
    page_.reset();
    host_.reset();
    camera_.reset();
    EXPECT_EQ(fake_->openFds_, 0);
    DSLeakCheck::TearDown();
  }
  int32_t Camera(uint32_t id) {
    std::lock_guard guard(fake_->lock_);
    return fake_->controls_[id];
  }
  QString Status() { return host_->findChild<QLabel*>(QStringLiteral("status"))->text(); }

  std::shared_ptr<TFakeV4L2Device> fake_;
  TIntf<TDSV4L2CaptureFilter> camera_;
  TIntf<IPropertyPage> page_;
  std::unique_ptr<QWidget> host_;
};

TEST_F(CameraPageTest, EveryControlGetsItsWidgetRangeAndState) {
  auto* brightness = Find<QSlider>(host_.get(), "slider", V4L2_CID_BRIGHTNESS);
  auto* brightnessSpin = Find<QSpinBox>(host_.get(), "spin", V4L2_CID_BRIGHTNESS);
  ASSERT_TRUE(brightness && brightnessSpin);
  EXPECT_EQ(brightness->minimum(), -64);
  EXPECT_EQ(brightness->maximum(), 64);
  EXPECT_EQ(brightness->value(), 0);
  EXPECT_EQ(brightnessSpin->minimum(), -64);
  EXPECT_EQ(brightnessSpin->maximum(), 64);
  auto* contrast = Find<QSlider>(host_.get(), "slider", V4L2_CID_CONTRAST);
  ASSERT_NE(contrast, nullptr);
  EXPECT_EQ(contrast->maximum(), 95);
  EXPECT_EQ(contrast->value(), 32);
  auto* sharpness = Find<QSpinBox>(host_.get(), "spin", V4L2_CID_SHARPNESS);
  ASSERT_NE(sharpness, nullptr);
  EXPECT_EQ(sharpness->singleStep(), 2);
  EXPECT_EQ(sharpness->value(), 4);

  auto* autoWhite = Find<QCheckBox>(host_.get(), "check", V4L2_CID_AUTO_WHITE_BALANCE);
  ASSERT_NE(autoWhite, nullptr);
  EXPECT_TRUE(autoWhite->isChecked());
  auto* power = Find<QComboBox>(host_.get(), "menu", V4L2_CID_POWER_LINE_FREQUENCY);
  ASSERT_NE(power, nullptr);
  EXPECT_EQ(Items(power), QStringList({"Disabled", "50 Hz", "60 Hz"}));
  EXPECT_EQ(power->currentText(), QStringLiteral("50 Hz"));
  auto* bias = Find<QComboBox>(host_.get(), "menu", V4L2_CID_AUTO_EXPOSURE_BIAS);
  ASSERT_NE(bias, nullptr);
  EXPECT_EQ(Items(bias), QStringList({"-1000", "0", "1000"}));
  EXPECT_EQ(bias->currentIndex(), 1);
  auto* pan = Find<QPushButton>(host_.get(), "button", V4L2_CID_PAN_RESET);
  ASSERT_NE(pan, nullptr);
  EXPECT_EQ(pan->text(), QStringLiteral("Pan, Reset"));

  // Governed by automatic white balance, or read-only: shown, not editable.
  auto* temperature = Find<QSlider>(host_.get(), "slider", V4L2_CID_WHITE_BALANCE_TEMPERATURE);
  ASSERT_NE(temperature, nullptr);
  EXPECT_FALSE(temperature->isEnabled());
  EXPECT_EQ(temperature->value(), 4600);
  auto* zoom = Find<QSlider>(host_.get(), "slider", V4L2_CID_ZOOM_ABSOLUTE);
  ASSERT_NE(zoom, nullptr);
  EXPECT_FALSE(zoom->isEnabled());
  EXPECT_FALSE(Find<QSpinBox>(host_.get(), "spin", V4L2_CID_ZOOM_ABSOLUTE)->isEnabled());
  EXPECT_EQ(zoom->value(), 100);
  EXPECT_TRUE(brightness->isEnabled());

  PROPPAGEINFO info;
  ASSERT_EQ(page_->GetPageInfo(&info), S_OK);
  EXPECT_FALSE(info.Title.isEmpty());
  EXPECT_EQ(page_->IsPageDirty(), S_FALSE);  // nothing waits for Apply
  EXPECT_TRUE(Status().isEmpty());
}

TEST_F(CameraPageTest, ChangesReachTheCameraAsTheyAreMade) {
  auto* brightness = Find<QSlider>(host_.get(), "slider", V4L2_CID_BRIGHTNESS);
  auto* brightnessSpin = Find<QSpinBox>(host_.get(), "spin", V4L2_CID_BRIGHTNESS);
  brightness->setValue(20);
  EXPECT_EQ(Camera(V4L2_CID_BRIGHTNESS), 20);
  EXPECT_EQ(brightnessSpin->value(), 20);
  brightnessSpin->setValue(-10);
  EXPECT_EQ(Camera(V4L2_CID_BRIGHTNESS), -10);
  EXPECT_EQ(brightness->value(), -10);

  // Off the control's step: the camera gets the nearest step.
  Find<QSlider>(host_.get(), "slider", V4L2_CID_SHARPNESS)->setValue(7);
  EXPECT_EQ(Camera(V4L2_CID_SHARPNESS), 8);
  EXPECT_EQ(Find<QSpinBox>(host_.get(), "spin", V4L2_CID_SHARPNESS)->value(), 8);

  Find<QComboBox>(host_.get(), "menu", V4L2_CID_POWER_LINE_FREQUENCY)->setCurrentIndex(2);
  EXPECT_EQ(Camera(V4L2_CID_POWER_LINE_FREQUENCY), 2);
  Find<QComboBox>(host_.get(), "menu", V4L2_CID_AUTO_EXPOSURE_BIAS)->setCurrentIndex(0);
  EXPECT_EQ(Camera(V4L2_CID_AUTO_EXPOSURE_BIAS), 0);

  // A button is pressed once; starting the stream again repeats the values
  // set before, but not the press.
  Find<QPushButton>(host_.get(), "button", V4L2_CID_PAN_RESET)->click();
  EXPECT_EQ(Writes(*fake_, V4L2_CID_PAN_RESET), 1);
  const int brightnessWrites = Writes(*fake_, V4L2_CID_BRIGHTNESS);
  camera_->ReplayControls();
  EXPECT_EQ(Writes(*fake_, V4L2_CID_PAN_RESET), 1);
  EXPECT_EQ(Writes(*fake_, V4L2_CID_BRIGHTNESS), brightnessWrites + 1);
  EXPECT_TRUE(Status().isEmpty());
}

TEST_F(CameraPageTest, AnAutomaticControlEnablesAndDisablesItsManualPartner) {
  auto* autoWhite = Find<QCheckBox>(host_.get(), "check", V4L2_CID_AUTO_WHITE_BALANCE);
  auto* temperature = Find<QSlider>(host_.get(), "slider", V4L2_CID_WHITE_BALANCE_TEMPERATURE);
  auto* temperatureSpin = Find<QSpinBox>(host_.get(), "spin", V4L2_CID_WHITE_BALANCE_TEMPERATURE);
  autoWhite->setChecked(false);
  EXPECT_EQ(Camera(V4L2_CID_AUTO_WHITE_BALANCE), 0);
  EXPECT_TRUE(temperature->isEnabled());
  EXPECT_TRUE(temperatureSpin->isEnabled());
  temperature->setValue(3000);
  EXPECT_EQ(Camera(V4L2_CID_WHITE_BALANCE_TEMPERATURE), 3000);
  autoWhite->setChecked(true);
  EXPECT_EQ(Camera(V4L2_CID_AUTO_WHITE_BALANCE), 1);
  EXPECT_FALSE(temperature->isEnabled());
  EXPECT_FALSE(temperatureSpin->isEnabled());
  EXPECT_TRUE(Status().isEmpty());
}

TEST_F(CameraPageTest, DefaultRestoresEveryControl) {
  Find<QSlider>(host_.get(), "slider", V4L2_CID_BRIGHTNESS)->setValue(40);
  Find<QSlider>(host_.get(), "slider", V4L2_CID_CONTRAST)->setValue(90);
  Find<QCheckBox>(host_.get(), "check", V4L2_CID_AUTO_WHITE_BALANCE)->setChecked(false);
  Find<QSlider>(host_.get(), "slider", V4L2_CID_WHITE_BALANCE_TEMPERATURE)->setValue(3000);
  Find<QComboBox>(host_.get(), "menu", V4L2_CID_POWER_LINE_FREQUENCY)->setCurrentIndex(0);
  ASSERT_EQ(Camera(V4L2_CID_WHITE_BALANCE_TEMPERATURE), 3000);

  host_->findChild<QPushButton*>(QStringLiteral("default"))->click();
  EXPECT_EQ(Camera(V4L2_CID_BRIGHTNESS), 0);
  EXPECT_EQ(Camera(V4L2_CID_CONTRAST), 32);
  EXPECT_EQ(Camera(V4L2_CID_AUTO_WHITE_BALANCE), 1);
  EXPECT_EQ(Camera(V4L2_CID_POWER_LINE_FREQUENCY), 1);
  EXPECT_EQ(Find<QSlider>(host_.get(), "slider", V4L2_CID_BRIGHTNESS)->value(), 0);
  EXPECT_EQ(Find<QSlider>(host_.get(), "slider", V4L2_CID_CONTRAST)->value(), 32);
  EXPECT_TRUE(Find<QCheckBox>(host_.get(), "check", V4L2_CID_AUTO_WHITE_BALANCE)->isChecked());
  EXPECT_EQ(Find<QComboBox>(host_.get(), "menu", V4L2_CID_POWER_LINE_FREQUENCY)->currentIndex(), 1);
  EXPECT_FALSE(Find<QSlider>(host_.get(), "slider", V4L2_CID_WHITE_BALANCE_TEMPERATURE)->isEnabled());
  EXPECT_TRUE(Status().isEmpty());
}

TEST_F(CameraPageTest, RefusalsAreShownAndAnUnpluggedCameraLeavesAPageThatCannotChange) {
  auto* brightness = Find<QSlider>(host_.get(), "slider", V4L2_CID_BRIGHTNESS);
  fake_->setControlError_ = EIO;
  brightness->setValue(30);
  EXPECT_EQ(Camera(V4L2_CID_BRIGHTNESS), 0);
  EXPECT_EQ(brightness->value(), 0);  // back to what the camera holds
  EXPECT_TRUE(Status().contains(QStringLiteral("Brightness"))) << Status().toStdString();
  EXPECT_TRUE(Status().contains(qt_error_string(EIO))) << Status().toStdString();
  fake_->setControlError_ = 0;
  brightness->setValue(30);
  EXPECT_EQ(Camera(V4L2_CID_BRIGHTNESS), 30);
  EXPECT_TRUE(Status().isEmpty());

  fake_->Unplug();
  Find<QCheckBox>(host_.get(), "check", V4L2_CID_AUTO_WHITE_BALANCE)->setChecked(false);
  EXPECT_TRUE(Status().contains(qt_error_string(ENODEV))) << Status().toStdString();
  EXPECT_FALSE(brightness->isEnabled());
  EXPECT_EQ(brightness->value(), 30);  // the last value the camera had
  host_->findChild<QPushButton*>(QStringLiteral("default"))->click();
  EXPECT_FALSE(Status().isEmpty());

  // Opened on a camera that is already gone: no rows, only the reason.
  ASSERT_EQ(page_->Deactivate(), S_OK);
  ASSERT_EQ(page_->Activate(host_.get()), S_OK);
  EXPECT_EQ(host_->findChildren<QSlider*>().size(), 0);
  EXPECT_TRUE(Status().contains(qt_error_string(ENODEV))) << Status().toStdString();
  EXPECT_FALSE(host_->findChild<QPushButton*>(QStringLiteral("default"))->isEnabled());
}

TEST_F(CameraPageTest, SourceDialogAndPropertyPagesShowThePageInTheFrame) {
  ASSERT_EQ(camera_->HasDialog(VfwCaptureDialog_Source), S_OK);
  QString caption;
  OnDialog(
      [&](QWidget* dialog) {
        caption = dialog->windowTitle();
        auto* slider = Find<QSlider>(dialog, "slider", V4L2_CID_BRIGHTNESS);
        ASSERT_NE(slider, nullptr);
        slider->setValue(7);
      },
      QDialogButtonBox::Cancel);
  EXPECT_EQ(camera_->ShowDialog(VfwCaptureDialog_Source, nullptr), S_OK);
  EXPECT_EQ(caption, QStringLiteral("Document Camera"));
  EXPECT_EQ(Camera(V4L2_CID_BRIGHTNESS), 7);  // live: Cancel does not take it back

  CAUUID pages;
  ASSERT_EQ(camera_->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 1u);
  OnDialog([&](QWidget* dialog) { Find<QComboBox>(dialog, "menu", V4L2_CID_POWER_LINE_FREQUENCY)->setCurrentIndex(2); },
           QDialogButtonBox::Ok);
  IUnknown* objects[] = {static_cast<IBaseFilter*>(camera_.get())};
  EXPECT_EQ(OleCreatePropertyFrame(nullptr, -1, -1, u"Camera", 1, objects, pages.cElems, pages.pElems, 0), S_OK);
  CoTaskMemFree(pages.pElems);
  EXPECT_EQ(Camera(V4L2_CID_POWER_LINE_FREQUENCY), 2);

  // An object without a control list gets no page.
  void* raw = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_CameraPropertyPage, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, &raw), S_OK);
  TIntf<IPropertyPage> other = TIntf<IPropertyPage>::Adopt(static_cast<IPropertyPage*>(raw));
  IUnknown* notACamera[] = {other.get()};
  EXPECT_EQ(other->SetObjects(1, notACamera), E_NOINTERFACE);
  QWidget host;
  EXPECT_EQ(other->Activate(&host), E_UNEXPECTED);
  EXPECT_EQ(DSShowCameraSettings(other.get(), nullptr), E_NOINTERFACE);
}

TEST(CameraPage, TheSyntheticCameraHasTheSamePage) {
  DSRegisterCameraSettingsPage();
  const int64_t live = DSLiveObjectCount();
  {
    TDSTestPatternProvider provider;
    const auto devices = provider.Devices();
    ASSERT_EQ(devices.size(), 1u);
    IBaseFilter* raw = nullptr;
    ASSERT_EQ(provider.CreateFilter(devices[0], &raw), S_OK);
    TIntf<IBaseFilter> filter = TIntf<IBaseFilter>::Adopt(raw);
    const auto dialogs = QueryIntf<IAMVfwCaptureDialogs>(filter.get(), IID_IAMVfwCaptureDialogs);
    const auto controls = QueryIntf<ICameraControls>(filter.get(), IID_ICameraControls);
    ASSERT_TRUE(dialogs && controls);
    ASSERT_EQ(dialogs->HasDialog(VfwCaptureDialog_Source), S_OK);
    int range[2] = {0, 0};
    OnDialog(
        [&](QWidget* dialog) {
          auto* brightness = Find<QSlider>(dialog, "slider", V4L2_CID_BRIGHTNESS);
          auto* flip = Find<QCheckBox>(dialog, "check", V4L2_CID_HFLIP);
          ASSERT_TRUE(brightness && flip);
          range[0] = brightness->minimum();
          range[1] = brightness->maximum();
          brightness->setValue(40);
          flip->setChecked(true);
          dialog->findChild<QPushButton*>(QStringLiteral("default"))->click();
          EXPECT_EQ(brightness->value(), 0);
          EXPECT_FALSE(flip->isChecked());
          brightness->setValue(-12);
        },
        QDialogButtonBox::Ok);
    ASSERT_EQ(dialogs->ShowDialog(VfwCaptureDialog_Source, nullptr), S_OK);
    EXPECT_EQ(range[0], -64);
    EXPECT_EQ(range[1], 64);
    int32_t value = 0;
    ASSERT_EQ(controls->GetControl(V4L2_CID_BRIGHTNESS, &value), S_OK);
    EXPECT_EQ(value, -12);
    ASSERT_EQ(controls->GetControl(V4L2_CID_HFLIP, &value), S_OK);
    EXPECT_EQ(value, 0);
  }
  EXPECT_EQ(DSLiveObjectCount(), live);
}

}  // namespace
}  // namespace lumicar::camtest

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
