#include "capture/video_dialogs.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include "dsbase/com/graph_ids.h"
#include "dsbase/com/property_set.h"
#include "dsbase/com/task_memory.h"
#include "dsbase/graph/property_page_interfaces.h"
#include "dsbase/media/media_guids.h"
#include "dsbase/render/property_frame.h"

namespace lumicar {

namespace {

// Where property frames of the capture objects appear, relative to their owner.
constexpr int kFrameX = 30, kFrameY = 30;
// Kinds beyond this are never shown, whatever the set holds.
constexpr int32_t kLastKind = 7;

// The page list of object, or an empty one.
struct TPageList {
  explicit TPageList(IUnknown* object) {
    TIntf<ISpecifyPropertyPages> pages = QueryIntf<ISpecifyPropertyPages>(object, IID_ISpecifyPropertyPages);
    if (pages && FAILED(pages->GetPages(&list))) list = {};
    // A driver may hand back a count without a list.
    if (list.pElems == nullptr) list.cElems = 0;
  }
  ~TPageList() { CoTaskMemFree(list.pElems); }
  TPageList(const TPageList&) = delete;
  TPageList& operator=(const TPageList&) = delete;
  CAUUID list;
};

// The stream configuration on the capture pin, searched for each media type
// in turn.
TIntf<IUnknown> FindStreamConfig(const TVLDSDialogSources& sources, std::initializer_list<const TGUID*> types) {
  if (!sources.builder || !sources.captureFilter) return {};
  for (const TGUID* type : types) {
    void* found = nullptr;
    if (SUCCEEDED(sources.builder->FindInterface(&PIN_CATEGORY_CAPTURE, type, sources.captureFilter.get(),
                                                 IID_IAMStreamConfig, &found)) &&
        found != nullptr) {
      return TIntf<IUnknown>::Adopt(static_cast<IAMStreamConfig*>(found));
    }
  }
  return {};
}

bool HasVfwDialog(IAMVfwCaptureDialogs* dialogs, int dialog) {
  // S_FALSE means "no such dialog": only S_OK counts.
  return dialogs != nullptr && dialogs->HasDialog(dialog) == S_OK;
}

// A property frame over owner for the one object and its pages.
void ShowPages(IUnknown* object, QWidget* owner) {
  if (object == nullptr) return;
  TPageList pages(object);
  if (pages.list.cElems == 0) return;
  IUnknown* objects[] = {object};
  OleCreatePropertyFrame(owner, kFrameX, kFrameY, nullptr, 1, objects, pages.list.cElems, pages.list.pElems, 0);
}

// The application's top-level window: the owner window's own top window when
// it has a parent, else the active window, else the first visible one.
QWidget* ApplicationWindow(QWidget* owner) {
  if (QWidget* parent = owner->parentWidget()) return parent->window();
  if (QWidget* active = QApplication::activeWindow(); active != nullptr && active != owner) return active;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w != owner && w->isVisible() && w->isWindow()) return w;
  }
  return nullptr;
}

// Places the hidden owner window for the time a dialog is open: while
// designing over the whole screen, otherwise as a child covering the
// application's window, so that the dialog appears over the application.
// The destructor puts it back, also when the dialog's caller throws.
class TOwnerPlacement {
 public:
  TOwnerPlacement(QWidget* owner, bool designing) : owner_(owner) {
    if (owner == nullptr) return;
    geometry_ = owner->geometry();
    parent_ = owner->parentWidget();
    flags_ = owner->windowFlags();
    visible_ = owner->isVisible();
    if (designing) {
      if (QScreen* screen = owner->screen()) owner->setGeometry(screen->geometry());
      return;
    }
    QWidget* app = ApplicationWindow(owner);
    if (app == nullptr || app == parent_ || owner->isAncestorOf(app)) return;
    attached_ = true;
    owner->setParent(app, flags_ & ~Qt::WindowType_Mask);
    owner->setGeometry(app->rect());
  }
  ~TOwnerPlacement() {
    if (!owner_) return;
    if (attached_) owner_->setParent(parent_, flags_);
    owner_->setGeometry(geometry_);
    if (visible_ && !owner_->isVisible()) owner_->show();
  }
  TOwnerPlacement(const TOwnerPlacement&) = delete;
  TOwnerPlacement& operator=(const TOwnerPlacement&) = delete;

 private:
  QPointer<QWidget> owner_;
  QPointer<QWidget> parent_;
  QRect geometry_;
  Qt::WindowFlags flags_;
  bool visible_ = false;
  bool attached_ = false;
};

}  // namespace

bool VLDSHasPropertyPages(IUnknown* object) { return object != nullptr && TPageList(object).list.cElems > 0; }

void TVLDSVideoDialogs::Refresh(const TVLDSDialogSources& sources) {
  available_ = {};
  IAMVfwCaptureDialogs* vfw = sources.vfwDialogs.get();
  if (HasVfwDialog(vfw, VfwCaptureDialog_Format)) available_.Include(cdVideoFormat);
  if (HasVfwDialog(vfw, VfwCaptureDialog_Source)) available_.Include(cdVideoSource);
  if (HasVfwDialog(vfw, VfwCaptureDialog_Display)) available_.Include(cdVideoDisplay);
  // A driver with its own format dialog shows everything there; the pages
  // are only offered for the others.
  if (!sources.captureFilter || available_.Contains(cdVideoFormat)) return;
  if (VLDSHasPropertyPages(sources.captureFilter.get())) available_.Include(cdVideoCapture);
  TIntf<IUnknown> config = FindStreamConfig(sources, {&MEDIATYPE_Interleaved, &MEDIATYPE_Video});
  if (VLDSHasPropertyPages(config.get())) available_.Include(cdVideoCapturePin);
  if (VLDSHasPropertyPages(sources.tvTuner.get())) available_.Include(cdTVTuner);
}

bool TVLDSVideoDialogs::Show(int32_t kind, const TVLDSDialogSources& sources, QWidget* ownerWindow,
                             const TVLDSDialogActions& actions) const {
  if (kind < 0 || kind > kLastKind || !available_.Contains(kind)) return false;
  // Own references: rebuilding the graph may release the caller's.
  const TVLDSDialogSources held = sources;
  TOwnerPlacement placement(ownerWindow, actions.designing);
  switch (kind) {
    case cdVideoFormat: {
      const HRESULT hr =
          held.vfwDialogs ? held.vfwDialogs->ShowDialog(VfwCaptureDialog_Format, ownerWindow) : E_NOINTERFACE;
      if (hr == VFW_E_CANNOT_CONNECT && actions.destroyGraph) actions.destroyGraph();
      // The driver may have changed the format: build again in every case.
      if (actions.buildGraph) actions.buildGraph();
      break;
    }
    case cdVideoSource:
      if (held.vfwDialogs) held.vfwDialogs->ShowDialog(VfwCaptureDialog_Source, ownerWindow);
      break;
    case cdVideoDisplay:
      if (held.vfwDialogs) held.vfwDialogs->ShowDialog(VfwCaptureDialog_Display, ownerWindow);
      break;
    case cdVideoCapture:
      ShowPages(held.captureFilter.get(), ownerWindow);
      break;
    case cdTVTuner:
      ShowPages(held.tvTuner.get(), ownerWindow);
      break;
    case cdVideoCapturePin: {
      // The stream format cannot change while the pin streams.
      if (actions.stopCapture) actions.stopCapture();
      TIntf<IUnknown> config = FindStreamConfig(held, {&MEDIATYPE_Video});
      ShowPages(config.get(), ownerWindow);
      if (actions.wasRunning && actions.startCapture) actions.startCapture();
      break;
    }
    default:
      break;
  }
  return true;
}

}  // namespace lumicar
