#pragma once
// TVLDSCaptureRun: the capture's run control. It binds the camera and has the
// graph built (Open) and torn down (Close), starts and stops the graph's run
// in order with the frame pump and the pins downstream, follows a rate change
// on a running graph, stops on the graph's error and device-lost events, and
// takes the graph down around a driver dialog that needs it so. The preview's
// video window follows the run. It owns the open and running state, the
// camera's binding and the stops under way.
//
// Threads: everything runs on the thread that owns the capture, except that a
// stop may also come from the notify thread (a component downstream asks for
// one while a frame is delivered). Every graph call is made under the
// capture's component lock: the write lock for a start, the stop lock for a
// stop. It has no lock of its own besides the stop gate's leaf.

#include <QString>
#include <atomic>
#include <cstdint>

#include "capture/ds_capture_run_host.h"
#include "capture/ds_capture_stop_gate.h"
#include "dsbase/graph/moniker_interfaces.h"
#include "runtime/interface.h"
#include "runtime/sync/lock_section.h"

namespace lumicar {

class ILPLock;
class TDSCaptureGraph;
class TDSVideoCaptureDevice;
class TDSVLAudioCaptureDevice;
class TVLCaptureFrameRate;
class TVLDSCaptureFormats;
class TVLDSCaptureGraphBuilder;
class TVLDSVideoPreview;
class TVLFramePump;
class TVLOptionalVideoSize;

class TVLDSCaptureRun {
 public:
  // The capture's lock, graph, settings and devices the run control works
  // with.
  struct TParts {
    ILPLock& lock;
    TVLDSCaptureGraphBuilder& builder;
    TVLDSCaptureFormats& formats;
    TDSCaptureGraph& graph;
    TVLFramePump& pump;
    TDSVideoCaptureDevice& videoDevice;
    TDSVLAudioCaptureDevice& audioDevice;
    TVLDSVideoPreview& preview;
    const TVLOptionalVideoSize& videoSize;
    const TVLCaptureFrameRate& frameRate;
  };

  // The stop lock, counted from before it is asked for until after it is
  // given back, so that a Start on another thread can wait for the stop.
  class TStopScope {
   public:
    explicit TStopScope(TVLDSCaptureRun& run);
    ~TStopScope();
    TStopScope(const TStopScope&) = delete;
    TStopScope& operator=(const TStopScope&) = delete;

   private:
    TVLDSCaptureRun& run_;
    TIntf<IOWLockSection> section_;
  };

  // Every part and `host` outlive the run control.
  TVLDSCaptureRun(const TParts& parts, IVLDSCaptureRunHost& host) : parts_(parts), host_(host) {}
  TVLDSCaptureRun(const TVLDSCaptureRun&) = delete;
  TVLDSCaptureRun& operator=(const TVLDSCaptureRun&) = delete;

  // ---- Life cycle (as the capture's) ----
  // IntStart unless running, decided under the write lock; a stop under
  // way on another thread ends first.
  void Start();
  // IntStop while running.
  void Stop();
  // Opens, negotiates, announces the formats and runs the graph, all under
  // the write lock; gives up when another thread holds the stop lock.
  void IntStart();
  // Under the stop lock: stops the graph, then the pins downstream.
  void IntStop();
  // Opens the camera and builds the graph unless an open graph still
  // matches the settings; at once while active. Whether the graph is open.
  bool Open();
  // Destroys the graph and releases the camera.
  void Close();

  // ---- Graph steps ----
  bool InitCaptureFilters();
  bool BuildGraph();
  void DestroyGraph();

  // Shows the driver dialog `kind` on the open camera. A dialog that needs
  // the graph down has it stopped and torn down first, and built and
  // started again after.
  bool ShowDialog(int32_t kind, bool designing);

  // ---- The preview ----
  // Sets the preview's video window up, shown when `show` and the preview
  // is visible and enabled; false when it could not be.
  bool ConfigVideoWindow(bool show);
  // The preview was enabled or disabled: a graph not running is closed, to
  // be built anew with or without the preview.
  void PreviewEnableChanged();
  // The preview's window settings changed: an open graph's window follows.
  void PreviewWindowChanged();

  // ---- Events ----
  // The graph holder's event: an error or a lost device stops the run; a
  // camera that went silent, sends again or streams compressed for want
  // of bandwidth is reported.
  void GraphEvent(int32_t code, intptr_t param1 = 0, intptr_t param2 = 0);
  // The frame rate changed: a variable rate goes to the open graph.
  void RateChanged();

  // ---- Teardown (the capture's destructor) ----
  // A start waiting for a stop gives up, now and from now on.
  void CloseGate() { stopGate_.Close(); }
  // Under a TStopScope: stops, closes, ends the frame path and releases the
  // graph's filters and the camera, logging what fails and going on.
  void TearDown();

  // ---- State (the component lock) ----
  bool Opened() const { return opened_; }
  // Also read without the lock by whoever finds a stop under way.
  bool Running() const { return running_; }
  int StartsWaitingForStop() const { return stopGate_.StartsWaiting(); }
  // The user chose another camera: the lost one is no longer waited for.
  void ForgetLostCamera() { lostIdentity_.clear(); }

 private:
  bool StartRun();
  bool StopRun();
  // Sizes the frame queues for the format the start announced.
  void SizeQueues();
  // Open found no camera to bind: a chosen camera (or the one lost before)
  // that is absent is reported as disconnected.
  void ReportAbsentCamera();
  // Run failed with `hr`: a camera held by another program is reported
  // rather than raised (true), one found gone is reported as well as raised.
  bool ReportRunFailure(HRESULT hr);

  TParts parts_;
  IVLDSCaptureRunHost& host_;

  bool opened_ = false;
  // Written under the lock, by a stop also on the notify thread; read
  // without it by whoever finds a stop under way (IsRunning, Enabled).
  std::atomic<bool> running_{false};
  bool active_ = false;
  bool stopping_ = false;
  // Set by the device-lost event: the next Open binds the camera anew.
  bool deviceLost_ = false;
  // The pixel format the caption frames are queued in.
  TVLVideoFormat captionFormat_ = vfRGB24;
  // Stops under way (TStopScope) and the starts waiting for them.
  TVLDSCaptureStopGate stopGate_;
  // The camera the graph is bound to (Open to Close).
  TIntf<IMoniker> videoMoniker_, audioMoniker_;
  // The stable identity of the camera lost last, until a start works again
  // or another camera is chosen.
  QString lostIdentity_;
};

}  // namespace lumicar
