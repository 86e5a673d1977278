#include "ui/label.h"

#include <QEvent>
#include <QLabel>

namespace lumicar {

namespace {

QLabel* LabelOf(QWidget* window) { return static_cast<QLabel*>(window); }

}  // namespace

TLabel::TLabel(TComponent* owner) : TLPTextControl(owner, std::make_unique<QLabel>()) {
  LabelOf(Widget())->setTextFormat(Qt::PlainText);
  Widget()->setAttribute(Qt::WA_TransparentForMouseEvents);
  SetParentColor(true);
}

void TLabel::SetAutoSize(bool value) {
  if (autoSize_ == value) return;
  autoSize_ = value;
  AdjustSize();
}

void TLabel::Loaded() {
  TLPTextControl::Loaded();
  AdjustSize();
}

void TLabel::ApplyCaption() {
  if (Widget() == nullptr) return;
  LabelOf(Widget())->setText(Caption());
  AdjustSize();
}

void TLabel::ApplyFont() {
  TLPTextControl::ApplyFont();
  AdjustSize();
}

bool TLabel::eventFilter(QObject* watched, QEvent* event) {
  // An inherited font reaches the label when it is placed on its window.
  if (watched == Widget() && event->type() == QEvent::FontChange) AdjustSize();
  return TLPTextControl::eventFilter(watched, event);
}

void TLabel::AdjustSize() {
  QWidget* window = Widget();
  if (!autoSize_ || window == nullptr || IsLoading()) return;
  const QSize text = window->sizeHint();
  if (text != window->size()) SetBounds(Left(), Top(), text.width(), text.height());
}

}  // namespace lumicar
