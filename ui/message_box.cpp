#include "ui/message_box.h"

#include "ui/application.h"

namespace lumicar {

std::unique_ptr<QMessageBox> MakeErrorMessageBox(const QString& message, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, ApplicationTitle(), message, QMessageBox::Ok, parent);
  // Plain text: a message may hold '<' from a file name or a device's name.
  box->setTextFormat(Qt::PlainText);
  return box;
}

void ShowErrorMessage(const QString& message, QWidget* parent) { MakeErrorMessageBox(message, parent)->exec(); }

}  // namespace lumicar
