#pragma once
// The camera driver's own dialogs the capture component can show: which kinds the
// open graph offers (after every build) and showing one modally over the application.

#include <cstdint>
#include <functional>

#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/com/filter_interfaces.h"
#include "dsbase/graph/builder_interfaces.h"
#include "runtime/interface.h"

class QWidget;

namespace lumicar {

enum TVLDSCaptureDialog : int32_t {
  cdVideoFormat = 0,      // the driver's format dialog
  cdVideoSource = 1,      // the driver's source dialog (on this platform: the camera's control page)
  cdVideoDisplay = 2,     // the driver's display dialog
  cdVideoCapture = 3,     // the capture filter's property pages
  cdTVTuner = 4,          // the TV tuner's property pages
  cdVideoCapturePin = 5,  // the capture pin's stream-format pages
};

// A set of dialog kinds, bit (1 << kind) per kind.
class TVLDSCaptureDialogs {
 public:
  constexpr TVLDSCaptureDialogs() = default;
  constexpr explicit TVLDSCaptureDialogs(uint32_t bits) : bits_(bits) {}

  // False for any value that is no kind of this set's width.
  constexpr bool Contains(int32_t kind) const { return kind >= 0 && kind < 32 && (bits_ & (1u << kind)) != 0; }
  constexpr void Include(TVLDSCaptureDialog kind) { bits_ |= 1u << uint32_t(kind); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr uint32_t Bits() const { return bits_; }
  friend constexpr bool operator==(TVLDSCaptureDialogs a, TVLDSCaptureDialogs b) = default;

 private:
  uint32_t bits_ = 0;
};

// The objects of the open graph behind the dialogs. Held with references, so
// that a graph rebuilt while a dialog is open cannot free them under it.
struct TVLDSDialogSources {
  TIntf<IBaseFilter> captureFilter;        // the video capture filter
  TIntf<IAMVfwCaptureDialogs> vfwDialogs;  // the driver's dialog interface, when it has one
  TIntf<ICaptureGraphBuilder2> builder;    // finds the stream configuration on the capture pin
  TIntf<IUnknown> tvTuner;                 // the TV tuner found at build time, when there is one
};

// What only the capture component can do around some kinds.
struct TVLDSDialogActions {
  bool wasRunning = false;             // the capture ran when the dialog was asked for
  bool designing = false;              // the component is being designed
  std::function<void()> destroyGraph;  // after the format dialog failed to reconnect
  std::function<void()> buildGraph;    // after the format dialog, always
  std::function<void()> stopCapture;   // before the capture pin's pages
  std::function<void()> startCapture;  // after them, when wasRunning
};

// True when object lists at least one property page (the list is freed).
bool VLDSHasPropertyPages(IUnknown* object);

// The capture component's video dialogs: the available set and showing.
class TVLDSVideoDialogs {
 public:
  // Works the available kinds out anew for a freshly built graph: the
  // driver's dialogs when it has the interface and says it has the dialog;
  // when there is no format dialog, the pages of the capture filter, of the
  // stream configuration on the capture pin and of the tuner.
  void Refresh(const TVLDSDialogSources& sources);
  // The graph's interfaces were released: no kind is available.
  void Clear() { available_ = {}; }
  TVLDSCaptureDialogs Available() const { return available_; }

  // Shows kind modally and returns true, or returns false at once (showing
  // nothing) when kind is not available. ownerWindow (the graph holder's
  // hidden window; may be none) is placed over the application's top-level
  // window (over the whole screen while designing) for the time the dialog is
  // open, and is the dialog's parent. The format dialog rebuilds the graph
  // afterwards; the capture pin's pages stop the capture around them.
  bool Show(int32_t kind, const TVLDSDialogSources& sources, QWidget* ownerWindow,
            const TVLDSDialogActions& actions) const;

 private:
  TVLDSCaptureDialogs available_;
};

}  // namespace lumicar
