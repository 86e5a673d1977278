#include "filters/common_filter.h"

#include "buffers/vl_bitmap.h"

namespace lumicar {

TVLCommonFilter::TVLCommonFilter(TComponent* owner) : TLPComponent(owner) {
  IOWLock* lock = Lock()->Instance();
  output_.reset(new TVLOWImageSourcePin(
      this, lock, [this](TOWPin* sender, const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state) {
        return SourceDispatch(sender, streamId, operation, state);
      }));
  input_.reset(new TVLOWImageSinkPin(
      this, lock, [this](TOWPin* sender, const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state) {
        return SinkDispatch(sender, streamId, operation, state);
      }));
  // A link from the output back to the input would feed the filter its own frames.
  output_->FunctionSinkPins().Add(input_.get());
  enable_.reset(new TOWBoolSinkPin(this, nullptr, [this](TOWBoolSinkPin*, const bool& value) { SetEnabled(value); }));
}

TVLCommonFilter::~TVLCommonFilter() {
  ShutDownPins();
  auto stop = StopLock();
  enable_.reset();
  input_.reset();
  output_.reset();
}

void TVLCommonFilter::ShutDownPins() {
  if (pinsShutDown_) return;
  pinsShutDown_ = true;
  // Frames that arrive meanwhile on other threads find the lock stopping and
  // are dropped; the stop the unlinking sends arrives on this thread, which
  // holds the lock, and is passed on downstream.
  auto stop = StopLock();
  input_->Disconnect();
  output_->Disconnect();
}

// ---- Synchronous use ----

void TVLCommonFilter::ProcessFrame(IVLImageBuffer* input, TIntf<IVLImageBuffer>& output) {
  if (!input) {
    output = nullptr;
    return;
  }
  auto section = WriteLock();
  if (!IsEnabled()) {
    output = TIntf<IVLImageBuffer>(input);
    return;
  }
  // A handle of our own: the format change the processing may make must not
  // reach the caller's frame.
  auto own = MakeIntf<TVLImageBuffer>(input);
  TIntf<TVLImageBuffer> result = MakeIntf<TVLImageBuffer>(*own);
  bool send = true;
  InternalOperation(*own, result, send, true);
  output = result;
}

void TVLCommonFilter::ProcessBitmap(const TVLBitmap& source, TVLBitmap& target) {
  auto frame = MakeIntf<TVLImageBuffer>(source);
  int32_t width = frame->GetWidth();
  int32_t height = frame->GetHeight();
  TVLVideoFormat format = frame->GetFormat();
  uint32_t aspectWidth = static_cast<uint32_t>(width);
  uint32_t aspectHeight = static_cast<uint32_t>(height);
  SetSizeRate(width, height, format, 10, 0, aspectWidth, aspectHeight);
  TIntf<IVLImageBuffer> result;
  ProcessFrame(frame.get(), result);
  if (result) result->ToBitmap(target);
}

// ---- Dispatch ----

TOWDispatchResult TVLCommonFilter::SinkDispatch(TOWPin*, const TGUID&, IOWNotifyOperation* operation,
                                                TOWNotifyState state) {
  // Not obtained while another thread stops the filter (it is being
  // destroyed): the operation is dropped.
  auto section = WriteLock();
  if (!section) return {};
  TOWNotifyOperation* op = OWOperationInstance(operation);
  if (!op) return {};
  if (auto* start = dynamic_cast<TOWStartFrameOperation*>(op)) return StartFrame(operation, start);
  if (op->Is<TOWStartPumpOperation>()) {
    StartPump();
    return {};
  }
  if (op->Is<TOWStopOperation>()) {
    if (OptionalStop()) return {};
    started_ = false;
    return output_->Notify(TIntf<IOWNotifyOperation>(operation));
  }
  if (auto* supplied = dynamic_cast<TOWSuppliedBufferOperation*>(op)) return Frame(supplied, state);
  if (auto* pump = dynamic_cast<TOWPumpRequestOperation*>(op)) {
    PumpRequest(pump);
    return {};
  }
  return output_->Notify(TIntf<IOWNotifyOperation>(operation));
}

TOWDispatchResult TVLCommonFilter::StartFrame(IOWNotifyOperation* operation, TOWStartFrameOperation* start) {
  inputWidth_ = start->Width();
  inputHeight_ = start->Height();
  pixelFormat_ = start->PixelFormat();
  frameDuration_ = start->FrameDuration();
  inputExtraValue_ = start->ExtraValue();
  currentTime_ = 0;

  int32_t width = start->Width();
  int32_t height = start->Height();
  TVLVideoFormat format = start->PixelFormat();
  uint32_t aspectWidth = start->AspectWidth();
  uint32_t aspectHeight = start->AspectHeight();
  SetSizeRate(width, height, format, frameDuration_, inputExtraValue_, aspectWidth, aspectHeight);
  pixelFormat_ = format;
  Reset();
  started_ = true;

  if (!CanStart()) return {};
  if (CanSoftRestart() && start->Is<TOWSoftStartFrameOperation>()) return {};
  if (width == start->Width() && height == start->Height() && format == start->PixelFormat())
    return output_->Notify(TIntf<IOWNotifyOperation>(operation));
  ownStartSent_ = true;
  return output_->Notify(MakeIntf<TOWStartFrameOperation>(width, height, frameDuration_, format, start->ExtraValue(),
                                                          static_cast<uint32_t>(width), static_cast<uint32_t>(height)));
}

TOWDispatchResult TVLCommonFilter::Frame(TOWSuppliedBufferOperation* supplied, TOWNotifyState state) {
  // Raises for a buffer that holds no picture; the sender's SubmitBuffer
  // reports that frame as lost.
  auto frame = MakeIntf<TVLImageBuffer>(supplied->Buffer());
  TMLTimeStamp* stamp = frame->GetTimeStamp();
  if (stamp->Available()) {
    currentTime_ = stamp->End();
    BufferOperation(supplied, state);
    return {};
  }
  // A frame without a time stamp is placed right after the previous one.
  // The times are written before the flag, so that a reader that sees the
  // flag also sees them.
  stamp->SetBegin(currentTime_);
  currentTime_ += frameDuration_;
  stamp->SetEnd(currentTime_);
  stamp->SetAvailable(true);
  auto stamped = MakeIntf<TOWSuppliedBufferOperation>(frame.get());
  BufferOperation(stamped.get(), state);
  return {};
}

TOWDispatchResult TVLCommonFilter::SourceDispatch(TOWPin* sender, const TGUID& streamId, IOWNotifyOperation* operation,
                                                  TOWNotifyState state) {
  auto section = WriteLock();
  if (!section) return {};
  if (input_->IsConnected()) return input_->Notify(TIntf<IOWNotifyOperation>(operation));
  // Nothing upstream: this filter is the head of the chain.
  if (OWOperationAs<TOWStartOperation>(operation)) output_->Notify(MakeIntf<TOWPumpRequestOperation>());
  return SinkDispatch(sender, streamId, operation, state);
}

// ---- Frames ----

bool TVLCommonFilter::BufferOperation(TOWSuppliedBufferOperation* operation, TOWNotifyState state) {
  TIntf<TVLImageBuffer> input = MakeIntf<TVLImageBuffer>(operation->Buffer());
  // The last receiver may let the output write into the frame in place.
  if (state.testFlag(nsLastReceiver) && CanInline()) input->RemoveOwnerShip();
  TIntf<TVLImageBuffer> output = MakeIntf<TVLImageBuffer>(*input);
  bool send = true;
  if (IsEnabled()) {
    const bool process = output_->IsConnected() || !NeedsOutput();
    InternalOperation(*input, output, send, process);
  } else {
    ProcessDisabled(*input, output);
  }
  input.reset();
  if (send && output) return output_->SubmitBuffer(output.get());
  return false;
}

void TVLCommonFilter::SetVideoFormat(TVLImageBuffer& frame) { frame.SetFormat(vfRGB24); }

void TVLCommonFilter::InternalOperation(TVLImageBuffer& input, TIntf<TVLImageBuffer>& output, bool&, bool process) {
  if (!process) return;
  SetVideoFormat(input);
  FilterInternalOperation(input, output);
}

void TVLCommonFilter::ProcessDisabled(TVLImageBuffer&, TIntf<TVLImageBuffer>&) {}

void TVLCommonFilter::FilterInternalOperation(TVLImageBuffer&, TIntf<TVLImageBuffer>&) {}

// ---- Stream control ----

void TVLCommonFilter::StartPump() { output_->Notify(MakeIntf<TOWStartPumpOperation>()); }

bool TVLCommonFilter::OptionalStop() {
  StreamStop();
  return false;
}

void TVLCommonFilter::StreamStop() { ownStartSent_ = false; }

void TVLCommonFilter::SetSizeRate(int32_t& width, int32_t& height, TVLVideoFormat&, int64_t, uint32_t extraValue,
                                  uint32_t& aspectWidth, uint32_t& aspectHeight) {
  auto section = WriteLock();
  if (!section) return;
  outputWidth_ = width;
  outputHeight_ = height;
  aspectWidth_ = aspectWidth;
  aspectHeight_ = aspectHeight;
  extraValue_ = extraValue;
  workWidth_ = width;
  workHeight_ = height;
}

void TVLCommonFilter::PumpRequest(TOWPumpRequestOperation* operation) {
  output_->Notify(TIntf<IOWNotifyOperation>(operation));
}

bool TVLCommonFilter::IsEnabled() const {
  auto section = ReadLock();
  return enabled_;
}

void TVLCommonFilter::SetEnabled(bool value) {
  auto section = WriteLock();
  if (!section || enabled_ == value) return;
  enabled_ = value;
  EnabledChanged();
}

// ---- State ----

bool TVLCommonFilter::Started() const {
  auto section = ReadLock();
  return started_;
}

bool TVLCommonFilter::OwnStartSent() const {
  auto section = ReadLock();
  return ownStartSent_;
}

int64_t TVLCommonFilter::CurrentTime() const {
  auto section = ReadLock();
  return currentTime_;
}

int64_t TVLCommonFilter::FrameDuration() const {
  auto section = ReadLock();
  return frameDuration_;
}

TVLVideoFormat TVLCommonFilter::PixelFormat() const {
  auto section = ReadLock();
  return pixelFormat_;
}

QSize TVLCommonFilter::InputSize() const {
  auto section = ReadLock();
  return QSize(inputWidth_, inputHeight_);
}

QSize TVLCommonFilter::OutputSize() const {
  auto section = ReadLock();
  return QSize(outputWidth_, outputHeight_);
}

}  // namespace lumicar
