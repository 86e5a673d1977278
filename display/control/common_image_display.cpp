#include "display/control/common_image_display.h"

#include "buffers/image_buffer.h"
#include "buffers/qimage/image_qimage.h"
#include "display/control/display_log.h"
#include "display/control/mouse_operations.h"
#include "display/control/status_overlay.h"
#include "imagepins/buffer_operations.h"
#include "imagepins/frame_operations.h"
#include "runtime/sync/posted_call.h"

namespace lumicar {

TVLCommonImageDisplay::TVLCommonImageDisplay(TComponent* owner) : TVLCommonDisplay(owner) {
  IOWLock* lock = Lock()->Instance();
  input_.reset(new TVLOWImageSinkPin(
      this, lock, [this](TOWPin* sender, const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state) {
        return SinkDispatch(sender, streamId, operation, state);
      }));
  userControl_.reset(new TSLOWUserControlSourcePin(
      this, lock, [this](TOWPin* sender, const TGUID& streamId, IOWNotifyOperation* operation, TOWNotifyState state) {
        return UserControlDispatch(sender, streamId, operation, state);
      }));
  aspect_ = std::make_unique<TVLAspectRatio>(this, [this] { AdjustControlSize(); });
}

TVLCommonImageDisplay::~TVLCommonImageDisplay() {
  ShutDownPins();
  auto stop = StopLock();
  userControl_.reset();
  input_.reset();
}

void TVLCommonImageDisplay::ShutDownPins() {
  auto stop = StopLock();
  if (pinsShutDown_) return;
  pinsShutDown_ = true;
  // The stop the unlinking sends arrives on this thread and is ignored; frames
  // that other threads send meanwhile find the lock stopping and are dropped.
  input_->Disconnect();
  userControl_->Disconnect();
}

void TVLCommonImageDisplay::SetAspectRatio(TVLAspectRatio* source) {
  if (source != nullptr && source != aspect_.get()) aspect_->Assign(source);
}

// ---- Stream ----

TOWDispatchResult TVLCommonImageDisplay::SinkDispatch(TOWPin*, const TGUID&, IOWNotifyOperation* operation,
                                                      TOWNotifyState) {
  auto section = WriteLock();
  if (!section || pinsShutDown_) return {};
  TOWNotifyOperation* op = OWOperationInstance(operation);
  if (op == nullptr) return {};
  if (auto* start = dynamic_cast<TOWStartFrameOperation*>(op)) {
    IntStart(start->Width(), start->Height(), static_cast<int32_t>(start->AspectWidth()),
             static_cast<int32_t>(start->AspectHeight()), start->FrameDuration(), start->PixelFormat());
    started_ = true;
    Invalidate();
  } else if (op->Is<TOWStopOperation>()) {
    IntStop();
    started_ = false;
  } else if (auto* supplied = dynamic_cast<TOWSuppliedBufferOperation*>(op)) {
    // A frame before the stream's start has no format to be shown with.
    if (started_ && supplied->Buffer() != nullptr) {
      auto frame = MakeIntf<TVLImageBuffer>(supplied->Buffer());
      RenderImage(frame.get());
      // Frames arrive again: the status that said why they did not goes.
      if (statusUntilFrames_.exchange(false)) {
        const uint64_t generation = statusGeneration_.load();
        PostOrdered(this, [this, generation] {
          if (generation == statusGeneration_.load()) SetStatusText({});
        });
      }
    }
  }
  return {};
}

// ---- Status text ----

void TVLCommonImageDisplay::SetStatusText(const QString& text, bool untilFrames) {
  statusGeneration_.fetch_add(1);
  statusUntilFrames_.store(untilFrames && !text.isEmpty());
  if (text == statusText_) return;
  statusText_ = text;
  statusShown_.store(!text.isEmpty());
  if (!text.isEmpty()) qCInfo(lcDisplay).noquote() << "Showing the status:" << text;
  if (!statusOverlay_ && !text.isEmpty() && Widget()) statusOverlay_ = new TVLStatusOverlay(Widget());
  if (statusOverlay_) statusOverlay_->SetText(text);
  PlaceStatus();
}

QString TVLCommonImageDisplay::StatusText() const { return statusText_; }

void TVLCommonImageDisplay::CalcFrameLayout(int32_t width, int32_t height) {
  TVLCommonDisplay::CalcFrameLayout(width, height);
  // Laid out under the component's lock, maybe on another thread: the box
  // follows on the window's thread, where widgets are moved.
  if (statusShown_.load()) PostOrdered(this, [this] { PlaceStatus(); });
}

void TVLCommonImageDisplay::PlaceStatus() {
  QWidget* window = Widget();
  if (!statusOverlay_ || !window || !InWindowThread()) return;
  QRect area = window->rect();
  if (HasFrameSize()) {
    const TFrameLayout l = Layout();
    const QRect picture = QRect(l.imageLeft, l.imageTop, l.imageWidth, l.imageHeight).intersected(area);
    if (!picture.isEmpty()) area = picture;
  }
  statusOverlay_->PlaceOver(area);
}

TOWDispatchResult TVLCommonImageDisplay::UserControlDispatch(TOWPin*, const TGUID&, IOWNotifyOperation*,
                                                             TOWNotifyState) {
  return {};
}

void TVLCommonImageDisplay::IntStop() {
  auto section = WriteLock();
  started_ = false;
  if (autoClear_) Clear();
}

void TVLCommonImageDisplay::RecordStart(int32_t width, int32_t height, int32_t aspectWidth, int32_t aspectHeight,
                                        int64_t frameDuration) {
  auto section = WriteLock();
  SetFrameSize(width, height);
  autoAspectWidth_ = aspectWidth;
  autoAspectHeight_ = aspectHeight;
  frameDuration_ = frameDuration;
}

QSize TVLCommonImageDisplay::AutoAspect() const {
  auto section = ReadLock();
  return QSize(autoAspectWidth_, autoAspectHeight_);
}

QPoint TVLCommonImageDisplay::GetDisplayImageSize() {
  const TVLAspectRatioMode mode = aspect_->Mode();
  const int64_t customWidth = aspect_->Width();
  const int64_t customHeight = aspect_->Height();
  auto section = ReadLock();
  const bool custom = mode == arCustom;
  const TDisplaySize size =
      AspectCorrectedSize(mode, frameWidth_, frameHeight_, custom ? customWidth : autoAspectWidth_,
                          custom ? customHeight : autoAspectHeight_);
  return QPoint(size.width, size.height);
}

// ---- Still pictures ----

void TVLCommonImageDisplay::DisplayImage(IVLImageBuffer* frame) {
  if (frame == nullptr) return;
  auto section = WriteLock();
  started_ = false;
  auto own = MakeIntf<TVLImageBuffer>(frame);
  // A still picture comes without an aspect reference; its own proportions
  // serve as one (square pixels), or arAuto would show it with no height.
  autoAspectWidth_ = own->GetWidth();
  autoAspectHeight_ = own->GetHeight();
  RenderImage(own.get());
}

void TVLCommonImageDisplay::DisplayBitmap(const QImage& bitmap) {
  TIntf<IVLImageBuffer> frame = VLImageFromBitmap(bitmap);
  DisplayImage(frame.get());
}

void TVLCommonImageDisplay::DisplayBitmap(const TVLBitmap& bitmap) {
  auto frame = MakeIntf<TVLImageBuffer>(bitmap);
  DisplayImage(frame.get());
}

// ---- Mouse ----

QPoint TVLCommonImageDisplay::ImagePosition(int x, int y) const {
  const TFrameLayout layout = Layout();
  const QSize frame = FrameSize();
  return QPoint(ImageCoordinate(x, layout.imageLeft, frame.width(), GetImageWidth()),
                ImageCoordinate(y, layout.imageTop, frame.height(), GetImageHeight()));
}

// The notifications are sent without the component lock held: a receiver may
// take locks of its own.
void TVLCommonImageDisplay::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TVLCommonDisplay::MouseDown(button, shift, x, y);
  const QPoint p = ImagePosition(x, y);
  userControl_->Notify(MakeIntf<TOWSLSuppliedMouseButtonDownOperation>(button, shift, p.x(), p.y()));
}

void TVLCommonImageDisplay::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TVLCommonDisplay::MouseUp(button, shift, x, y);
  const QPoint p = ImagePosition(x, y);
  userControl_->Notify(MakeIntf<TOWSLSuppliedMouseButtonUpOperation>(button, shift, p.x(), p.y()));
}

void TVLCommonImageDisplay::MouseMove(TShiftState shift, int x, int y) {
  TVLCommonDisplay::MouseMove(shift, x, y);
  const QPoint p = ImagePosition(x, y);
  userControl_->Notify(MakeIntf<TOWSLSuppliedMouseMoveOperation>(shift, p.x(), p.y()));
}

}  // namespace lumicar
