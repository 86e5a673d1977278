#pragma once
// TVLDisplayViewTools: the display's view of its picture (zoom, pan, quarter
// turns, freeze), kept across stream restarts and handed to each new video
// window; the mouse that steers it (the wheel zooms about the pointer, a left
// drag pans); and the two small boxes over the picture: the mark of a frozen
// picture at its top right, a note at its top left. Window's thread only,
// except QuarterTurns, which the layout reads on any thread.

#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QString>
#include <atomic>
#include <functional>

#include "dsbase/com/filter_interfaces.h"
#include "dsbase/render/video_frame_exchange.h"
#include "dsbase/render/video_view.h"
#include "runtime/interface.h"

class QEvent;
class QWidget;

namespace lumicar {

class TDSVideoWindow;
class TVLStatusOverlay;

class TVLDisplayViewTools {
 public:
  // One wheel notch, in eighths of a degree, and the zoom it makes.
  static constexpr int kWheelNotch = 120;
  static constexpr double kNotchZoom = 1.25;

  struct THost {
    // The control's window when called on its thread, else nullptr.
    std::function<QWidget*()> control;
    // The video renderer of the current graph, or none (any thread).
    std::function<TIntf<IBaseFilter>()> renderer;
    // Where the picture is drawn, in control coordinates; empty without one.
    std::function<QRect()> area;
    // The quarter turns changed: the picture's proportions with them.
    std::function<void()> turned;
  };

  explicit TVLDisplayViewTools(THost host);
  ~TVLDisplayViewTools();
  TVLDisplayViewTools(const TVLDisplayViewTools&) = delete;
  TVLDisplayViewTools& operator=(const TVLDisplayViewTools&) = delete;

  const TDSVideoView& View() const { return view_; }
  void SetZoom(double factor);
  void ZoomAt(QPointF controlPoint, double factor);
  void PanBy(QPointF controlDelta);
  void ResetView();
  int QuarterTurns() const { return turns_.load(std::memory_order_relaxed); }
  void SetQuarterTurns(int turns);
  void SetFrozen(bool frozen);
  void SetInfoText(const QString& text);
  QString InfoText() const { return info_; }

  // The mouse on the control: true when the event was used up (a wheel turn
  // that zoomed). Presses, moves and releases are only watched, so the
  // control's own mouse events and double-clicks go on as before.
  bool MouseEvent(QEvent* event);

  // Lays the boxes over the picture's area on the control (made on first
  // use; nothing off the window's thread).
  void PlaceOverlays();
  // The text of the frozen mark.
  static QString FrozenMark();

  // Gives the view to the current renderer's window (a new one, say).
  void ApplyToWindow();
  // The frame shown, at its own size, turned; null without one.
  QImage Snapshot();
  // The current renderer's counts, zeros without one (any thread).
  TDSVideoFrameCounts FrameCounts() const;

 private:
  void Changed() { ApplyToWindow(); }
  // The current renderer's window (window's thread only), or nullptr.
  TDSVideoWindow* Window() const;

  THost host_;
  TDSVideoView view_;
  std::atomic<int> turns_{0};
  QString info_;
  QPointer<QWidget> boxesOn_;  // the control window the boxes were made on
  QPointer<TVLStatusOverlay> frozenBox_, infoBox_;

  int wheelRest_ = 0;  // eighths of a degree short of a notch
  bool pressed_ = false;
  bool dragging_ = false;
  QPointF pressAt_, dragAt_;
};

}  // namespace lumicar
