#pragma once
// TVLCommonImageDisplay: a display fed through an image input pin. It handles
// the stream's start, frames and stop, corrects the picture's aspect ratio,
// and turns mouse positions over the control into frame coordinates that it
// sends out on a second pin. Subclasses supply the rendering.

#include <QImage>
#include <QPointer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

#include "buffers/image_buffer_interface.h"
#include "buffers/video_format.h"
#include "display/control/common_display.h"
#include "display/control/display_ratio.h"
#include "display/control/user_control_pin.h"
#include "imagepins/image_pins.h"

namespace lumicar {

class TVLBitmap;
class TVLStatusOverlay;

class TVLCommonImageDisplay : public TVLCommonDisplay {
  Q_OBJECT
  Q_PROPERTY(lumicar::TVLOWImageSinkPin* InputPin READ InputPin)
  Q_PROPERTY(lumicar::TSLOWUserControlSourcePin* UserControlOutputPin READ UserControlOutputPin)
  Q_PROPERTY(bool AutoClear READ AutoClear WRITE SetAutoClear)
  Q_PROPERTY(lumicar::TVLAspectRatio* AspectRatio READ AspectRatio WRITE SetAspectRatio)
  Q_CLASSINFO("Default.AutoClear", "False")

 public:
  explicit TVLCommonImageDisplay(TComponent* owner = nullptr);
  ~TVLCommonImageDisplay() override;

  TVLOWImageSinkPin* InputPin() const { return input_.get(); }
  TSLOWUserControlSourcePin* UserControlOutputPin() const { return userControl_.get(); }
  bool AutoClear() const { return Lock()->Getter(autoClear_); }
  void SetAutoClear(bool value) { Lock()->Setter(autoClear_, value); }
  TVLAspectRatio* AspectRatio() const { return aspect_.get(); }
  // Takes over the settings of source.
  void SetAspectRatio(TVLAspectRatio* source);

  // ---- Virtual operations ----
  // The stream announced by a start notification; the subclass records it (RecordStart).
  virtual void IntStart(int32_t width, int32_t height, int32_t aspectWidth, int32_t aspectHeight, int64_t frameDuration,
                        TVLVideoFormat format) = 0;
  // Ends the stream; with AutoClear the display is cleared.
  virtual void IntStop();
  // Shows one frame. Runs on the sender's thread with the component lock held.
  virtual void RenderImage(IVLImageBuffer* frame) = 0;
  virtual void Clear() = 0;

  // What arrives at InputPin; runs on the sending thread under the write lock.
  virtual TOWDispatchResult SinkDispatch(TOWPin* sender, const TGUID& streamId, IOWNotifyOperation* operation,
                                         TOWNotifyState state);
  // What arrives at UserControlOutputPin from downstream: nothing is handled.
  virtual TOWDispatchResult UserControlDispatch(TOWPin* sender, const TGUID& streamId, IOWNotifyOperation* operation,
                                                TOWNotifyState state);

  // The frame size corrected by AspectRatio.
  QPoint GetDisplayImageSize() override;
  // The inherited layout; a status text shown follows the picture.
  void CalcFrameLayout(int32_t width, int32_t height) override;

  // ---- Status text (window's thread) ----
  // A short text centred over the picture, or over the empty area without
  // one, in a box that stays readable on any picture; empty: none. With
  // `untilFrames` the next frame that arrives takes it away.
  void SetStatusText(const QString& text, bool untilFrames = true);
  QString StatusText() const;

  // One still picture outside any stream: ends Started and renders it (sharing
  // the given frame's data); its own size becomes the automatic aspect reference.
  void DisplayImage(IVLImageBuffer* frame);
  void DisplayBitmap(const QImage& bitmap);
  void DisplayBitmap(const TVLBitmap& bitmap);

  // Control coordinates in frame pixels, as the mouse notifications carry them.
  QPoint ImagePosition(int x, int y) const;

  bool Started() const { return Lock()->Getter(started_); }
  int64_t FrameDuration() const { return Lock()->Getter(frameDuration_); }
  QSize AutoAspect() const;

 protected:
  // For subclasses' IntStart: frame size, aspect reference and duration of the stream.
  void RecordStart(int32_t width, int32_t height, int32_t aspectWidth, int32_t aspectHeight, int64_t frameDuration);
  // For a subclass that starts a stream of its own, without a start notification.
  void SetStarted(bool value) { Lock()->Setter(started_, value); }
  // Unlinks both pins under the stop lock; afterwards nothing arriving is handled.
  // Runs once; a subclass calls it first thing in its destructor, so that no frame
  // reaches a subclass that is half gone.
  void ShutDownPins();

  // Lays a shown status text over the picture as it is laid out now
  // (window's thread, no lock held).
  void PlaceStatus();

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;

 private:
  // Guarded by the component lock.
  int64_t frameDuration_ = 0;
  bool started_ = false;
  bool autoClear_ = false;
  int32_t autoAspectWidth_ = 0;
  int32_t autoAspectHeight_ = 0;
  bool pinsShutDown_ = false;

  // Window's thread: the status box, made when first needed.
  QString statusText_;
  QPointer<TVLStatusOverlay> statusOverlay_;
  // Whether the next frame clears the status, and which status it clears
  // (a newer one set meanwhile stays).
  std::atomic<bool> statusUntilFrames_{false};
  std::atomic<bool> statusShown_{false};
  std::atomic<uint64_t> statusGeneration_{0};

  TOWPinPtr<TVLOWImageSinkPin> input_;
  TOWPinPtr<TSLOWUserControlSourcePin> userControl_;
  std::unique_ptr<TVLAspectRatio> aspect_;
};

}  // namespace lumicar
