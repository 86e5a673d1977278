#include "ui/button.h"

#include <QEvent>
#include <QPushButton>

#include "ui/application.h"

namespace lumicar {

namespace {

QPushButton* ButtonOf(QWidget* window) { return static_cast<QPushButton*>(window); }

}  // namespace

TButton::TButton(TComponent* owner) : TLPTextControl(owner, std::make_unique<QPushButton>()) {
  connect(ButtonOf(Widget()), &QPushButton::clicked, this, [this] { RunHandled([this] { Click(); }); });
}

bool TButton::Default() const { return Widget() != nullptr && ButtonOf(Widget())->isDefault(); }

void TButton::SetDefault(bool value) {
  if (Widget() != nullptr) ButtonOf(Widget())->setDefault(value);
}

void TButton::ApplyCaption() {
  if (Widget() != nullptr) ButtonOf(Widget())->setText(Caption());
}

bool TButton::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Widget()) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
        return false;
      default:
        break;
    }
  }
  return TLPTextControl::eventFilter(watched, event);
}

}  // namespace lumicar
