#pragma once
// TVLStatusOverlay: a short text in a translucent dark box, readable over any
// picture, that a display lays over its picture (or its empty area): centred
// for the camera's status, or in a top corner for small marks and notes. It
// takes no mouse input: clicks and the context menu reach the display under
// it.

#include <QRect>
#include <QString>
#include <QWidget>

namespace lumicar {

// Where over the area the box sits.
enum class TVLOverlayPlace { kCentre, kTopLeft, kTopRight };

class TVLStatusOverlay final : public QWidget {
 public:
  explicit TVLStatusOverlay(QWidget* parent, TVLOverlayPlace place = TVLOverlayPlace::kCentre);

  QString Text() const { return text_; }
  TVLOverlayPlace Place() const { return place_; }
  // Hidden for an empty text.
  void SetText(const QString& text);
  // Puts the box over `area` (parent coordinates) at its place, as wide as
  // the text needs and the area allows, on top of its siblings (the video
  // window among them).
  void PlaceOver(const QRect& area);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int Padding() const;
  Qt::Alignment TextAlignment() const;

  const TVLOverlayPlace place_;
  QString text_;
};

}  // namespace lumicar
