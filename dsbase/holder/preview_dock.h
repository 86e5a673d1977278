#pragma once
// A window that can take in a renderer's video window for previewing (a dock
// of the graph viewing tools): it hosts the video window, sizes itself to the
// video and hears the messages of the graph holder's hidden window.

#include <QSize>

#include "runtime/interface.h"

class QEvent;
class QWidget;

namespace lumicar {

inline const TGUID IID_IDSPreviewDock = TGUID::FromString("{3F0C5B71-92D4-4E8A-B6A1-5C7E2D9F1A38}");

class IDSPreviewDock : public virtual IUnknown {
 public:
  // The widget that becomes the video window's owner.
  virtual QWidget* DockWindow() = 0;
  // Sizes the dock so that it shows a video of `size`.
  virtual void DockResize(const QSize& size) = 0;
  // A message that reached the holder's hidden window.
  virtual void DrainMessage(QEvent* message) = 0;
};

}  // namespace lumicar
