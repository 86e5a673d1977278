#include "display/control/status_overlay.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace lumicar {

namespace {

constexpr int kPadding = 12;       // around the text, inside a centred box
constexpr int kCornerPadding = 5;  // around the text, inside a box in a corner
constexpr int kMargin = 8;         // between the box and the area's edges

}  // namespace

TVLStatusOverlay::TVLStatusOverlay(QWidget* parent, TVLOverlayPlace place) : QWidget(parent), place_(place) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  // The status is read at a glance; a corner note is small and plain.
  QFont f = font();
  if (place_ == TVLOverlayPlace::kCentre)
    f.setBold(true);
  else if (f.pointSizeF() > 0)
    f.setPointSizeF(f.pointSizeF() * 0.9);
  setFont(f);
  hide();
}

void TVLStatusOverlay::SetText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  if (text_.isEmpty()) hide();
  update();
}

void TVLStatusOverlay::PlaceOver(const QRect& area) {
  if (text_.isEmpty()) {
    hide();
    return;
  }
  const int padding = Padding();
  const QFontMetrics metrics(font());
  const int room = std::max(area.width() - 2 * kMargin, 1);
  const QRect needed = metrics.boundingRect(QRect(0, 0, std::max(room - 2 * padding, 1), 10000),
                                            TextAlignment() | Qt::TextWordWrap, text_);
  const int width = std::min(needed.width() + 2 * padding, room);
  const int height = std::min(needed.height() + 2 * padding, std::max(area.height(), 1));
  switch (place_) {
    case TVLOverlayPlace::kTopLeft:
      setGeometry(area.left() + kMargin, area.top() + kMargin, width, height);
      break;
    case TVLOverlayPlace::kTopRight:
      setGeometry(area.right() + 1 - kMargin - width, area.top() + kMargin, width, height);
      break;
    default:
      setGeometry(area.left() + (area.width() - width) / 2, area.top() + (area.height() - height) / 2, width, height);
      break;
  }
  show();
  raise();
}

void TVLStatusOverlay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 0, 0, 170));
  painter.drawRoundedRect(rect(), 6, 6);
  painter.setPen(Qt::white);
  const int padding = Padding();
  painter.drawText(rect().adjusted(padding, padding, -padding, -padding), TextAlignment() | Qt::TextWordWrap, text_);
}

int TVLStatusOverlay::Padding() const { return place_ == TVLOverlayPlace::kCentre ? kPadding : kCornerPadding; }

Qt::Alignment TVLStatusOverlay::TextAlignment() const {
  return place_ == TVLOverlayPlace::kCentre ? Qt::Alignment(Qt::AlignCenter) : Qt::AlignLeft | Qt::AlignTop;
}

}  // namespace lumicar
