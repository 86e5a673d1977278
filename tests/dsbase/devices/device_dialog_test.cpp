// The device selection dialog under the offscreen platform: its shape, the line
// preselected for "Default", "None" and a vanished choice, choosing and cancelling,
// the double click, a device that goes away while the dialog is open, and where
// the dialog appears.

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <functional>

#include "dsbase/devices/capture_device.h"
#include "dsbase/devices/device_list_form.h"
#include "tests/dsbase/devices/device_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::devtest {
namespace {

// Runs `act` on the device dialog once the modal loop shows it. If the dialog never
// appears the test fails and nothing waits, because the call that would have shown
// it has already returned.
void WhenShown(std::function<void(TDSDeviceListForm*)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    auto* form = qobject_cast<TDSDeviceListForm*>(QApplication::activeModalWidget());
    if (!form) {
      ADD_FAILURE() << "no device dialog is shown";
      return;
    }
    act(form);
  });
}

QStringList Lines(const TDSDeviceListForm* form) {
  QStringList lines;
  for (int i = 0; i < form->ListBox()->count(); ++i) lines << form->ListBox()->item(i)->text();
  return lines;
}

class TDeviceDialogTest : public TDeviceTest {
 protected:
  void SetUp() override {
    TDeviceTest::SetUp();
    host_.reset(NewComponent<TDeviceHost>(nullptr));
  }
  void TearDown() override {
    host_.reset();
    TDeviceTest::TearDown();
  }
  TDSVideoCaptureDevice* Video() const { return host_->VideoCaptureDevice(); }
  // Shows the dialog, records the preselected line and cancels.
  QString PreselectedFor(const QString& choice) {
    Video()->SetName(choice);
    const size_t changes = host_->changes.size();
    QString selected;
    WhenShown([&](TDSDeviceListForm* form) {
      selected = form->GetSelection();
      form->CancelButton()->click();
    });
    EXPECT_FALSE(Video()->ShowDeviceSelctDialog());
    EXPECT_EQ(host_->changes.size(), changes);  // cancelled: nothing happened
    return selected;
  }
  std::unique_ptr<TDeviceHost> host_;
};

TEST_F(TDeviceDialogTest, ListsNoneDefaultAndTheCamerasWithTheCurrentChoiceSelected) {
  QStringList lines;
  WhenShown([&](TDSDeviceListForm* form) {
    lines = Lines(form);
    form->CancelButton()->click();
  });
  EXPECT_FALSE(Video()->ShowDeviceSelctDialog());
  EXPECT_EQ(lines, (QStringList{u"None"_qs, u"Default"_qs, u"Document Camera"_qs, u"Document Camera (2)"_qs,
                                u"Test pattern"_qs}));

  EXPECT_EQ(PreselectedFor(u"Default"_qs), u"Default"_qs);
  EXPECT_EQ(PreselectedFor(u"None"_qs), u"None"_qs);
  EXPECT_EQ(PreselectedFor(u"Document Camera (2)"_qs), u"Document Camera (2)"_qs);
  EXPECT_EQ(PreselectedFor(u"DEFAULT"_qs), u"Default"_qs);  // letter case aside
  // A choice whose camera has gone: the first line.
  Video()->SetName(u"Test pattern"_qs);
  SetPatternPresent(false);
  EXPECT_EQ(PreselectedFor(u"Test pattern"_qs), u"None"_qs);
  EXPECT_EQ(Video()->DeviceName(), u"Test pattern"_qs);  // cancelling keeps it
}

TEST_F(TDeviceDialogTest, OkOrDoubleClickChoosesTheSelectedLineAndReportsTheChange) {
  WhenShown([](TDSDeviceListForm* form) {
    form->ListBox()->setCurrentRow(3);
    form->OkButton()->click();
  });
  EXPECT_TRUE(Video()->ShowDeviceSelctDialog());
  EXPECT_EQ(Video()->DeviceName(), u"Document Camera (2)"_qs);
  EXPECT_EQ(Video()->GetVC_DriverName(), DriverNameOf(kCameraB));
  ASSERT_EQ(host_->changes.size(), 1u);

  // The same line again: accepted, but nothing changed, so nothing is reported.
  WhenShown([](TDSDeviceListForm* form) { form->OkButton()->click(); });
  EXPECT_TRUE(Video()->ShowDeviceSelctDialog());
  EXPECT_EQ(host_->changes.size(), 1u);

  WhenShown([](TDSDeviceListForm* form) {
    form->ListBox()->setCurrentRow(4);
    QWidget* viewport = form->ListBox()->viewport();
    const QPoint at = form->ListBox()->visualItemRect(form->ListBox()->item(4)).center();
    QMouseEvent click(QEvent::MouseButtonDblClick, at, viewport->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(viewport, &click);
  });
  EXPECT_TRUE(Video()->ShowDeviceSelctDialog());
  EXPECT_EQ(Video()->DeviceName(), u"Test pattern"_qs);
  EXPECT_EQ(host_->changes.size(), 2u);

  // "None": chosen, but not reported.
  WhenShown([](TDSDeviceListForm* form) {
    form->ListBox()->setCurrentRow(0);
    form->OkButton()->click();
  });
  EXPECT_TRUE(Video()->ShowDeviceSelctDialog());
  EXPECT_TRUE(Video()->IsSelectedNone());
  EXPECT_EQ(host_->changes.size(), 2u);
}

TEST_F(TDeviceDialogTest, ACameraUnpluggedWhileTheDialogIsOpenEndsAsNone) {
  WhenShown([this](TDSDeviceListForm* form) {
    form->ListBox()->setCurrentRow(3);  // camera B ...
    Plug({kCameraA});                   // ... which goes away before OK
    form->OkButton()->click();
  });
  EXPECT_TRUE(Video()->ShowDeviceSelctDialog());
  EXPECT_EQ(Video()->DeviceName(), u"None"_qs);
  EXPECT_TRUE(Video()->GetVC_DriverName().isEmpty());
  EXPECT_EQ(host_->changes.size(), 1u);  // the choice changed from "Default"
  EXPECT_FALSE(Video()->GetMoniker());
}

TEST_F(TDeviceDialogTest, TheFormHasItsCaptionSizesAndLinesAndCentresOnItsOwnersWindow) {
  QWidget main;
  main.setGeometry(100, 80, 900, 700);
  auto* inner = new QWidget(&main);  // a child window stands for the hidden owner
  main.show();
  Video()->SetOwnerWindow(inner);
  QRect shown, client, panel, ok, cancel;
  QSize minimum;
  QString caption;
  WhenShown([&](TDSDeviceListForm* form) {
    shown = form->frameGeometry();
    client = form->geometry();
    // Outer sizes: the minimum is kept for the client area less the frame.
    minimum = form->minimumSize() + (shown.size() - client.size());
    caption = form->windowTitle();
    panel = form->findChild<QWidget*>(u"Panel"_qs)->geometry();
    ok = form->OkButton()->geometry();
    cancel = form->CancelButton()->geometry();
    EXPECT_EQ(form->parentWidget(), &main);
    form->CancelButton()->click();
  });
  Video()->ShowDeviceSelctDialog();
  EXPECT_EQ(caption, u"Devices"_qs);
  EXPECT_EQ(shown.size(), QSize(346, 290));
  EXPECT_EQ(minimum, QSize(200, 160));
  EXPECT_LE((shown.center() - main.frameGeometry().center()).manhattanLength(), 2);
  EXPECT_EQ(panel.height(), 41);
  EXPECT_EQ(panel.bottom(), client.height() - 1);
  EXPECT_EQ(ok.size(), QSize(75, 25));
  EXPECT_EQ(cancel.size(), QSize(75, 25));
  EXPECT_LT(ok.right(), cancel.left());
  EXPECT_GT(ok.left(), panel.width() / 2);  // both at the right
  main.hide();
  Video()->SetOwnerWindow(nullptr);

  // The second constructor and the captioned Execute.
  TDSDeviceListForm onlyDefault(nullptr, false, true);
  EXPECT_EQ(Lines(&onlyDefault), QStringList{u"Default"_qs});
  TDSDeviceListForm empty(nullptr, false, false);
  EXPECT_EQ(empty.ListBox()->count(), 0);
  empty.ListBox()->addItems({u"x"_qs, u"y"_qs});
  WhenShown([&](TDSDeviceListForm* form) {
    caption = form->windowTitle();
    shown = form->frameGeometry();
    form->OkButton()->click();
  });
  EXPECT_TRUE(empty.Execute(u"Cameras"_qs, u"Y"_qs));
  EXPECT_EQ(caption, u"Cameras"_qs);
  EXPECT_EQ(empty.GetSelection(), u"y"_qs);
  // Without an owner: centred on the screen.
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE((shown.center() - screen.center()).manhattanLength(), 2);
  empty.ListBox()->clearSelection();
  EXPECT_TRUE(empty.GetSelection().isEmpty());
}

}  // namespace
}  // namespace lumicar::devtest
