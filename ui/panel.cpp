#include "ui/panel.h"

#include <QFrame>
#include <QPainter>

namespace lumicar {

namespace {

// A frame that writes a caption in its middle.
class TPanelWindow : public QFrame {
 public:
  QString caption;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QFrame::paintEvent(event);
    if (caption.isEmpty()) return;
    QPainter painter(this);
    painter.drawText(contentsRect(), Qt::AlignCenter, caption);
  }
};

}  // namespace

TPanel::TPanel(TComponent* owner) : TLPTextControl(owner, std::make_unique<TPanelWindow>()) {
  SetParentColor(true);
  auto* frame = static_cast<QFrame*>(Widget());
  frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
  frame->setLineWidth(1);
}

void TPanel::SetBevelOuter(TBevelCut value) {
  if (bevelOuter_ == value) return;
  bevelOuter_ = value;
  auto* frame = static_cast<QFrame*>(Widget());
  if (frame == nullptr) return;
  switch (value) {
    case bevel::bvLowered:
      frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      break;
    case bevel::bvRaised:
      frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
      break;
    default:
      frame->setFrameStyle(QFrame::NoFrame);
      break;
  }
}

void TPanel::ApplyCaption() {
  auto* frame = static_cast<TPanelWindow*>(Widget());
  if (frame == nullptr) return;
  frame->caption = Caption();
  frame->update();
}

}  // namespace lumicar
