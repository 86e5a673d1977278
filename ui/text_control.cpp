#include "ui/text_control.h"

#include <QPalette>

namespace lumicar {

TLPTextControl::TLPTextControl(TComponent* owner, std::unique_ptr<QWidget> widget)
    : TLPCustomControl(owner, std::move(widget)), font_(std::make_unique<TFont>()) {
  font_->SetOnChange([this] {
    // A font given to the control is the one shown (the design writes it
    // together with ParentFont = False).
    if (!settingParentFont_) parentFont_ = false;
    ApplyFont();
  });
}

TLPTextControl::~TLPTextControl() { font_->SetOnChange({}); }

void TLPTextControl::SetCaption(const QString& value) {
  if (caption_ == value) return;
  caption_ = value;
  ApplyCaption();
}

void TLPTextControl::SetFont(TFont* value) {
  if (value != nullptr && value != font_.get()) font_->Assign(value);
}

void TLPTextControl::SetParentFont(bool value) {
  if (parentFont_ == value) return;
  parentFont_ = value;
  ApplyFont();
}

void TLPTextControl::ApplyFont() {
  QWidget* window = Widget();
  if (window == nullptr) return;
  QPalette palette = window->palette();
  QColor text;
  if (parentFont_) {
    // An empty font resolves nothing itself: the window takes its parent's.
    window->setFont(QFont());
    // The text colour follows the parent's too, unless an own font set it.
    if (!palette.isBrushSet(QPalette::Active, QPalette::WindowText)) return;
    const QWidget* parent = window->parentWidget();
    text = (parent != nullptr ? parent->palette() : QPalette()).color(QPalette::WindowText);
  } else {
    window->setFont(font_->ToQFont());
    text = ColorToRGB(font_->Color(), palette);
  }
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::Text, text);
  window->setPalette(palette);
}

}  // namespace lumicar
