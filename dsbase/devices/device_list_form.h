#pragma once
// TDSDeviceListForm: the modal "Devices" dialog in which the user picks a device
// from a list ("None", "Default", then the devices), centred on its owner window.

#include <QDialog>
#include <QMargins>
#include <QString>
#include <memory>

#include "ui/x11_window.h"

class QListWidget;
class QPushButton;

namespace lumicar {

class TDSDeviceListForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 346;
  static constexpr int kHeight = 290;
  static constexpr int kMinWidth = 200;
  static constexpr int kMinHeight = 160;
  static constexpr int kPanelHeight = 41;
  static constexpr int kButtonWidth = 75;
  static constexpr int kButtonHeight = 25;

  // The list starts with "None" and "Default".
  explicit TDSDeviceListForm(QWidget* owner);
  // The list starts with "None" and/or "Default", as asked, in that order.
  TDSDeviceListForm(QWidget* owner, bool addNone, bool addDefault);
  ~TDSDeviceListForm() override;

  // Selects the first line, then the first line equal to currentName regardless of
  // letter case, and shows the dialog modally, centred on the owner's window (on the
  // screen without a visible owner). True when it ended with OK or a double click on
  // the list; false for Cancel or closing.
  bool Execute(const QString& currentName);
  // The same under another caption.
  bool Execute(const QString& caption, const QString& currentName);
  // The text of the selected line; empty when none is selected.
  QString GetSelection() const;

  QListWidget* ListBox() const { return list_box_; }
  QPushButton* OkButton() const { return ok_button_; }
  QPushButton* CancelButton() const { return cancel_button_; }

 protected:
  // A double click anywhere in the list ends the dialog with OK.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Makes the frame's outer size kWidth × kHeight (minimum kMinWidth × kMinHeight).
  void FitOuterSize();
  void FitOuterSize(const QMargins& frame);
  // A window manager on X11 tells the frame only once the window is mapped:
  // then the outer size is fitted again.
  void FitToNewFrame();
  void CentreOnOwner();

  QListWidget* list_box_;
  QPushButton* ok_button_;
  QPushButton* cancel_button_;
  // The frame was known when the outer size was last fitted.
  bool fitted_with_frame_ = false;
  std::unique_ptr<TX11WindowWatch> frame_watch_;
};

}  // namespace lumicar
