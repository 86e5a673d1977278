#pragma once
// TVLStatusOverlay: a short text in a translucent dark box, readable over any
// picture, that a display lays over the middle of its picture (or of its
// empty area). It takes no mouse input: clicks and the context menu reach
// the display under it.

#include <QRect>
#include <QString>
#include <QWidget>

namespace lumicar {

class TVLStatusOverlay final : public QWidget {
 public:
  explicit TVLStatusOverlay(QWidget* parent);

  QString Text() const { return text_; }
  // Hidden for an empty text.
  void SetText(const QString& text);
  // Centres the box over `area` (parent coordinates), as wide as the text
  // needs and the area allows, and puts it on top of its siblings (the
  // video window among them).
  void PlaceOver(const QRect& area);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
};

}  // namespace lumicar
