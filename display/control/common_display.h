#pragma once
// TVLCommonDisplay: a windowed control that knows the size of the frames it
// shows, works out where and how large the picture is drawn in its client area
// (stretched, proportional, centred or at natural size), and paints the
// background bands around it. How the pixels reach the screen is a subclass's.

#include <QPoint>
#include <QSize>
#include <cstdint>

#include "display/control/frame_layout.h"
#include "ui/lp_custom_control.h"

class QPainter;

namespace lumicar {

class TVLCommonDisplay : public TLPCustomControl {
  Q_OBJECT
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(bool Center READ Center WRITE SetCenter)
  Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
  Q_PROPERTY(bool Proportional READ Proportional WRITE SetProportional)
  Q_CLASSINFO("Default.AutoSize", "False")
  Q_CLASSINFO("Default.Center", "True")
  Q_CLASSINFO("Default.Stretch", "False")
  Q_CLASSINFO("Default.Proportional", "True")
  Q_CLASSINFO("Default.Width", "240")
  Q_CLASSINFO("Default.Height", "200")
  Q_CLASSINFO("Default.ParentColor", "True")

 public:
  explicit TVLCommonDisplay(TComponent* owner = nullptr);

  bool AutoSize() const { return Lock()->Getter(autoSize_); }
  // Resizes the control to the picture when turned on.
  void SetAutoSize(bool value);
  bool Center() const { return Lock()->Getter(center_); }
  void SetCenter(bool value);
  bool Stretch() const { return Lock()->Getter(stretch_); }
  void SetStretch(bool value);
  bool Proportional() const { return Lock()->Getter(proportional_); }
  void SetProportional(bool value);

  // ---- Virtual operations ----
  // Lays the picture out for a client area of width x height.
  virtual void CalcFrameLayout(int32_t width, int32_t height);
  // The size at which a frame is shown before stretching (X = width, Y = height).
  virtual QPoint GetDisplayImageSize();
  // Paints the four background bands around the picture with the control's colour.
  virtual void DrawFrame(QPainter& painter);

  // With AutoSize and a known frame size, sizes the control to the picture; then
  // lays it out for the control's size. Called from another thread it is posted
  // to the window's thread.
  void AdjustControlSize();
  // In design mode only: the control's outline, dashed, over its colour.
  void ShowRect(QPainter& painter);

  // ---- The layout (read under the lock) ----
  TFrameLayout Layout() const;
  int32_t GetVC_ImageLeft() const;
  int32_t GetVC_ImageTop() const;
  // The picture's size, or the control's when the picture is empty (window's thread).
  int32_t GetImageWidth() const;
  int32_t GetImageHeight() const;
  bool HasFrameSize() const;
  QSize FrameSize() const;

 protected:
  // Records the size of the frames shown (under the write lock).
  void SetFrameSize(int32_t width, int32_t height);
  // A new size lays the picture out again.
  void Resized() override;

  // Guarded by the component lock.
  bool hasFrameSize_ = false;
  int32_t frameWidth_ = 0;
  int32_t frameHeight_ = 0;
  TFrameLayout layout_;

 private:
  bool autoSize_ = false;
  bool center_ = true;
  bool stretch_ = false;
  bool proportional_ = true;
};

}  // namespace lumicar
