#include "display/control/status_overlay.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace lumicar {

namespace {

constexpr int kPadding = 12;  // around the text, inside the box
constexpr int kMargin = 8;    // between the box and the area's edges

}  // namespace

TVLStatusOverlay::TVLStatusOverlay(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  QFont f = font();
  f.setBold(true);
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
  const QFontMetrics metrics(font());
  const int room = std::max(area.width() - 2 * kMargin, 1);
  const QRect needed = metrics.boundingRect(QRect(0, 0, std::max(room - 2 * kPadding, 1), 10000),
                                            Qt::AlignCenter | Qt::TextWordWrap, text_);
  const int width = std::min(needed.width() + 2 * kPadding, room);
  const int height = std::min(needed.height() + 2 * kPadding, std::max(area.height(), 1));
  setGeometry(area.left() + (area.width() - width) / 2, area.top() + (area.height() - height) / 2, width, height);
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
  painter.drawText(rect().adjusted(kPadding, kPadding, -kPadding, -kPadding), Qt::AlignCenter | Qt::TextWordWrap,
                   text_);
}

}  // namespace lumicar
