#pragma once
// The standard message boxes: an error (the message under the application's
// title, a stop sign and an OK button), made ready to show or shown modally.

#include <QMessageBox>
#include <QString>
#include <memory>

class QWidget;

namespace lumicar {

// The error box for message, titled with ApplicationTitle(), not yet shown.
std::unique_ptr<QMessageBox> MakeErrorMessageBox(const QString& message, QWidget* parent = nullptr);
// Shows the error box modally and returns when the user closed it.
void ShowErrorMessage(const QString& message, QWidget* parent = nullptr);

}  // namespace lumicar
