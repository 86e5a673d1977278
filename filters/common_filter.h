#pragma once
// TVLCommonFilter: the base of every image filter component. It takes a
// video stream in on InputPin (start, frames, stop, pump requests), keeps the
// stream's parameters and time stamps, turns each frame into an outgoing one
// through the processing hooks a filter class redefines, and sends
// everything on through OutputPin. Disabled, it passes frames on untouched.

#include <cstdint>

#include "buffers/image_buffer.h"
#include "components/lp_component.h"
#include "imagepins/buffer_operations.h"
#include "imagepins/frame_operations.h"
#include "imagepins/image_pins.h"
#include "pins/typed/bool_pins.h"

namespace lumicar {

class TVLBitmap;

class TVLCommonFilter : public TLPComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TVLOWImageSourcePin* OutputPin READ OutputPin)
  Q_PROPERTY(lumicar::TVLOWImageSinkPin* InputPin READ InputPin)
  Q_PROPERTY(lumicar::TOWBoolSinkPin* EnablePin READ EnablePin)
  Q_PROPERTY(bool Enabled READ IsEnabled WRITE SetEnabled)
  Q_CLASSINFO("Default.Enabled", "True")

 public:
  Q_INVOKABLE explicit TVLCommonFilter(lumicar::TComponent* owner = nullptr);
  ~TVLCommonFilter() override;

  TVLOWImageSourcePin* OutputPin() const { return output_.get(); }
  TVLOWImageSinkPin* InputPin() const { return input_.get(); }
  TOWBoolSinkPin* EnablePin() const { return enable_.get(); }

  // Synchronous use without pins: the enabled filter's processing of one
  // frame (the caller's handle is not changed); disabled, output := input.
  void ProcessFrame(IVLImageBuffer* input, TIntf<IVLImageBuffer>& output);
  // The same on a bitmap: the result is written into target.
  void ProcessBitmap(const TVLBitmap& source, TVLBitmap& target);

  // ---- Hooks (virtual operations in slot order) ----
  virtual bool CanInline() { return false; }
  virtual bool CanSoftRestart() { return false; }
  virtual bool CanStart() { return true; }
  // Operations that arrive at OutputPin from downstream.
  virtual TOWDispatchResult SourceDispatch(TOWPin* sender, const TGUID& streamId, IOWNotifyOperation* operation,
                                           TOWNotifyState state);
  // Operations that arrive at InputPin.
  virtual TOWDispatchResult SinkDispatch(TOWPin* sender, const TGUID& streamId, IOWNotifyOperation* operation,
                                         TOWNotifyState state);
  // Brings a frame into the format the processing works on (RGB24 here).
  virtual void SetVideoFormat(TVLImageBuffer& frame);
  virtual void InternalOperation(TVLImageBuffer& input, TIntf<TVLImageBuffer>& output, bool& send, bool process);
  virtual void ProcessDisabled(TVLImageBuffer& input, TIntf<TVLImageBuffer>& output);
  // One incoming frame to one outgoing frame; the result of submitting it.
  virtual bool BufferOperation(TOWSuppliedBufferOperation* operation, TOWNotifyState state);
  // The filter's own work: output shares input's container on entry.
  virtual void FilterInternalOperation(TVLImageBuffer& input, TIntf<TVLImageBuffer>& output);
  virtual void Reset() {}
  virtual void StartPump();
  // True when the stop is handled here and goes no further.
  virtual bool OptionalStop();
  virtual bool NeedsOutput() { return true; }
  virtual void StreamStop();
  // May change the size and format the filter sends; the base records them.
  virtual void SetSizeRate(int32_t& width, int32_t& height, TVLVideoFormat& format, int64_t frameDuration,
                           uint32_t extraValue, uint32_t& aspectWidth, uint32_t& aspectHeight);
  virtual void PumpRequest(TOWPumpRequestOperation* operation);
  virtual void ReclaculateRoiAndOffset() {}
  virtual void RestoreBufferSize() {}
  virtual bool IsEnabled() const;
  virtual void EnabledChanged() {}
  virtual void SetEnabled(bool value);

  // ---- Stream state, for descendants and tests (read under the lock) ----
  bool Started() const;
  bool OwnStartSent() const;
  int64_t CurrentTime() const;
  int64_t FrameDuration() const;
  TVLVideoFormat PixelFormat() const;
  QSize InputSize() const;
  QSize OutputSize() const;

 protected:
  // Unlinks both stream pins under the stop lock. Runs once; a descendant
  // calls it first thing in its destructor, so that the operations the
  // unlinking sends still reach its own hooks.
  void ShutDownPins();

  // Guarded by the component lock.
  bool enabled_ = true;
  bool ownStartSent_ = false;
  bool started_ = false;
  int32_t outputWidth_ = 0;
  int32_t outputHeight_ = 0;
  uint32_t aspectWidth_ = 0;
  uint32_t aspectHeight_ = 0;
  uint32_t extraValue_ = 0;
  int32_t workWidth_ = 0;
  int32_t workHeight_ = 0;
  int32_t inputWidth_ = 0;
  int32_t inputHeight_ = 0;
  int64_t frameDuration_ = 0;
  TVLVideoFormat pixelFormat_ = vfRGB24;
  uint32_t inputExtraValue_ = 0;
  int64_t currentTime_ = 0;

 private:
  TOWDispatchResult StartFrame(IOWNotifyOperation* operation, TOWStartFrameOperation* start);
  TOWDispatchResult Frame(TOWSuppliedBufferOperation* supplied, TOWNotifyState state);

  TOWPinPtr<TVLOWImageSourcePin> output_;
  TOWPinPtr<TVLOWImageSinkPin> input_;
  TOWPinPtr<TOWBoolSinkPin> enable_;
  bool pinsShutDown_ = false;
};

}  // namespace lumicar
