#pragma once
// The system video renderer: draws the samples of one input into a window
// of its own that its owner makes a child of the owner's window (or that
// covers a screen in full-screen mode), through OpenGL where a context can
// be had and with plain painting where not. The streaming thread only hands
// each sample to the window (kept by reference when the upstream allocator
// has samples to spare, copied into a frame buffer when not) and asks the
// user-interface thread for a paint: it never waits for that thread, and a
// paint that comes late shows the newest frame, dropping older ones instead
// of queueing them.
//
// Registered as CLSID_VideoRenderer, the renderer a graph adds by itself,
// and as CLSID_VideoMixingRenderer9, which also answers IVMRFilterConfig9.
// Takes RGB24, RGB32, RGB565, RGB555, YUY2 and UYVY frames (bottom-up or
// top-down RGB).

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "dsbase/base/base_video_renderer.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/filters/frame_conversion.h"
#include "dsbase/graph/video_renderer_interfaces.h"
#include "dsbase/render/video_frame_exchange.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSVideoWindow;

class TDSVideoRenderer final : public TDSBaseVideoRenderer, public IVideoWindow, public IVMRFilterConfig9 {
 public:
  explicit TDSVideoRenderer(const TGUID& classId = CLSID_VideoRenderer);

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;
  // The base's receive, then the sample a newer one overtook goes back to
  // its allocator, outside the renderer lock (the allocator's lock ranks
  // below it).
  HRESULT Receive(IMediaSample* sample) override;
  // Decides, once per start from stopped, whether samples are kept or copied.
  HRESULT Active() override;
  // Leaving the stopped state shows the window when AutoShow is on.
  HRESULT Pause() override;

  // IVideoWindow: user-interface thread only (RPC_E_WRONG_THREAD elsewhere;
  // E_UNEXPECTED in a program without a QApplication).
  HRESULT put_WindowStyle(int32_t style) override;
  HRESULT get_WindowStyle(int32_t* style) override;
  HRESULT put_AutoShow(OABOOL autoShow) override;
  HRESULT get_AutoShow(OABOOL* autoShow) override;
  HRESULT put_Visible(OABOOL visible) override;
  HRESULT get_Visible(OABOOL* visible) override;
  HRESULT put_Owner(OAHWND owner) override;
  HRESULT get_Owner(OAHWND* owner) override;
  HRESULT put_MessageDrain(OAHWND drain) override;
  HRESULT get_MessageDrain(OAHWND* drain) override;
  HRESULT put_FullScreenMode(OABOOL fullScreen) override;
  HRESULT get_FullScreenMode(OABOOL* fullScreen) override;
  HRESULT SetWindowPosition(int32_t left, int32_t top, int32_t width, int32_t height) override;
  HRESULT GetWindowPosition(int32_t* left, int32_t* top, int32_t* width, int32_t* height) override;
  HRESULT HideCursor(OABOOL hide) override;
  HRESULT IsCursorHidden(OABOOL* hidden) override;
  HRESULT NotifyOwnerMessage(OAHWND owner, QEvent* message) override;

  // IVMRFilterConfig9: one stream, the only number this renderer draws.
  HRESULT SetNumberOfStreams(uint32_t streams) override;
  HRESULT GetNumberOfStreams(uint32_t* streams) override;

  // Frames received, presented and dropped since the renderer was made.
  TDSVideoFrameCounts FrameCounts() const;
  // The hand-over between the streaming thread and the window.
  std::shared_ptr<TDSVideoFrameExchange> Frames() const;
  // Samples not drawn because they were short or of a type not drawn.
  uint64_t SamplesRefused() const { return refused_.load(std::memory_order_relaxed); }
  // The window keeps up to two samples (one waiting, one on the screen),
  // and for a moment a third: the one it replaces on the screen is handed
  // back just after the painter took a newer one. An upstream allocator
  // needs one more for its sender never to wait on the painter; with fewer
  // buffers each frame is copied instead.
  static constexpr int kBuffersToKeepSamples = 4;
  // Whether the samples of the current run are kept rather than copied.
  bool KeepsSamples() const { return keepSamples_.load(std::memory_order_relaxed); }
  // The window (made on first use). User-interface thread only; nullptr
  // elsewhere or without a QApplication.
  TDSVideoWindow* Window();

 private:
  // State shared with the window and with the requests posted to the
  // user-interface thread, which may outlive the filter.
  struct TShared;

  ~TDSVideoRenderer() override;
  template <typename Call>
  HRESULT OnWindow(Call&& call);
  void PostRepaintRequest();

  std::shared_ptr<TShared> shared_;
  // Leaf lock over the connected frame layout: set on the connecting
  // thread, read by the streaming thread.
  mutable TLeafMutex formatLock_{"video renderer format lock"};
  TDSFrameFormat format_;
  bool hasFormat_ = false;
  std::atomic<uint64_t> refused_{0};
  std::atomic<bool> keepSamples_{false};
  // Samples let go of under the renderer lock, released once out of it.
  // Leaf lock; room for a few is made once so the frame path does not
  // allocate.
  TLeafMutex retiredLock_{"video renderer retired samples lock"};
  std::vector<TIntf<IMediaSample>> retired_;
};

// The renderer behind a filter interface of it, or nullptr for any other
// object.
TDSVideoRenderer* DSVideoRendererOf(IUnknown* filter);

}  // namespace lumicar
