#include "dsbase/devices/device_list_form.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace lumicar {

TDSDeviceListForm::TDSDeviceListForm(QWidget* owner) : TDSDeviceListForm(owner, true, true) {}

TDSDeviceListForm::TDSDeviceListForm(QWidget* owner, bool addNone, bool addDefault) : QDialog(owner) {
  setWindowTitle(QStringLiteral("Devices"));
  // Sizes are outer sizes; Execute takes the frame off once the platform knows it.
  resize(kWidth, kHeight);
  setMinimumSize(kMinWidth, kMinHeight);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  list_box_ = new QListWidget(this);
  list_box_->setObjectName(QStringLiteral("ListBox"));
  list_box_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_box_->viewport()->installEventFilter(this);
  layout->addWidget(list_box_, 1);

  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel"));
  panel->setFixedHeight(kPanelHeight);
  auto* buttons = new QHBoxLayout(panel);
  buttons->setContentsMargins(8, 8, 8, 8);
  buttons->setSpacing(8);
  buttons->addStretch(1);
  ok_button_ = new QPushButton(QStringLiteral("OK"), panel);
  ok_button_->setObjectName(QStringLiteral("OKButton"));
  ok_button_->setFixedSize(kButtonWidth, kButtonHeight);
  ok_button_->setDefault(true);
  cancel_button_ = new QPushButton(QStringLiteral("Cancel"), panel);
  cancel_button_->setObjectName(QStringLiteral("CancelButton"));
  cancel_button_->setFixedSize(kButtonWidth, kButtonHeight);
  buttons->addWidget(ok_button_);
  buttons->addWidget(cancel_button_);
  layout->addWidget(panel);

  connect(ok_button_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_button_, &QPushButton::clicked, this, &QDialog::reject);

  if (addNone) list_box_->addItem(QStringLiteral("None"));
  if (addDefault) list_box_->addItem(QStringLiteral("Default"));
}

TDSDeviceListForm::~TDSDeviceListForm() = default;

bool TDSDeviceListForm::Execute(const QString& currentName) {
  if (list_box_->count() > 0) list_box_->setCurrentRow(0);
  for (int i = 0; i < list_box_->count(); ++i) {
    if (list_box_->item(i)->text().compare(currentName, Qt::CaseInsensitive) == 0) {
      list_box_->setCurrentRow(i);
      break;
    }
  }
  FitOuterSize();
  CentreOnOwner();
  // Nothing of this object is touched after the modal loop: its owner may have
  // taken it along when it was closed meanwhile.
  return exec() == QDialog::Accepted;
}

bool TDSDeviceListForm::Execute(const QString& caption, const QString& currentName) {
  setWindowTitle(caption);
  return Execute(currentName);
}

QString TDSDeviceListForm::GetSelection() const {
  const QList<QListWidgetItem*> selected = list_box_->selectedItems();
  return selected.isEmpty() ? QString() : selected.front()->text();
}

bool TDSDeviceListForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_box_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    // The press before it has already selected the line under the mouse.
    accept();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TDSDeviceListForm::FitToNewFrame() {
  if (fitted_with_frame_) return;
  const TX11WindowState native = ReadX11WindowState(windowHandle());
  // The extents may come before the window is viewable: they are enough.
  if (!native.known || native.frame.isNull()) return;
  FitOuterSize(native.frame);
  CentreOnOwner();
}

void TDSDeviceListForm::FitOuterSize() {
  // The platform window carries the frame margins when the platform knows them
  // before the window is mapped; otherwise the sizes stay client sizes until
  // it is (FitToNewFrame).
  create();
  if (!frame_watch_ && windowHandle() != nullptr) {
    frame_watch_ = std::make_unique<TX11WindowWatch>(windowHandle(), [this] {
      QMetaObject::invokeMethod(
          this, [this] { FitToNewFrame(); }, Qt::QueuedConnection);
    });
  }
  FitOuterSize(windowHandle() ? windowHandle()->frameMargins() : QMargins());
}

void TDSDeviceListForm::FitOuterSize(const QMargins& frame) {
  fitted_with_frame_ = !frame.isNull();
  const QSize extra(frame.left() + frame.right(), frame.top() + frame.bottom());
  setMinimumSize(QSize(kMinWidth, kMinHeight) - extra);
  resize(QSize(kWidth, kHeight) - extra);
}

void TDSDeviceListForm::CentreOnOwner() {
  QRect area;
  QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
  if (owner && owner->isVisible()) {
    area = owner->frameGeometry();
  } else if (QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  const QSize outer = size().grownBy(frame);
  if (area.isValid()) move(area.center() - QPoint(outer.width() / 2, outer.height() / 2));
}

}  // namespace lumicar
