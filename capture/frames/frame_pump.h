#pragma once
// TVLFramePump: the capture's frame path from the graph's streaming thread to
// its owner's outputs. It owns the sample grabbers' callbacks, the six queues
// (video and caption frames, audio, raw, caption text and time code blocks),
// the notify thread that drains them, the negotiated pixel format with its
// palette, and the frame lock over those.
//
// Threads: the callbacks run on the streaming thread; they copy and queue,
// and the video and caption callbacks wait until their frame is queued, so
// that a slow consumer slows the camera instead of losing frames. The notify
// thread calls the owner's wake function, which takes the owner's lock and
// calls HandOver. Everything else runs on the owner's thread under its lock.
//
// Life: Start lets samples in; Halt keeps them out and empties the queues,
// which also lets a streaming thread that waits for room go on; Clear only
// empties them; Terminate ends the threads. The destructor terminates first,
// then frees the callbacks: the owner must have detached them from every
// grabber before.

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "buffers/image_buffer.h"
#include "capture/frames/buffer_queue.h"
#include "capture/frames/sample_grabber_cb.h"
#include "capture/frames/video_buffer_queue_thread.h"
#include "runtime/log_gate.h"
#include "runtime/sync/critical_section.h"

namespace lumicar {

class TComponent;
class TSLBlockBuffer;
class TSLNotifyThread;

// Where HandOver sends what the queues held; an empty function drops it.
// Called on the notify thread with the owner's lock held.
struct TVLFrameOutputs {
  // A frame in the negotiated format; 8-bit frames come expanded to RGB24.
  std::function<void(TVLImageBuffer* frame)> video;
  std::function<void(IVLImageBuffer* frame)> caption;
  std::function<void(TSLBlockBuffer* block)> audio;
  // Raw (compressed) frames. A throwing receiver is logged and the pump
  // goes on: one bad receiver never stops the capture.
  std::function<void(TSLBlockBuffer* block)> raw;
  // The first two bytes of a caption text block.
  std::function<void(const QString& text)> captionText;
};

class TVLFramePump {
 public:
  // Frames handed over per wake-up of the notify thread.
  static constexpr int kFramesPerWakeUp = 11;
  // Bytes of the 8-bit stream's palette: 256 entries blue, green, red,
  // reserved.
  static constexpr size_t kPaletteBytes = 256 * 4;

  // `component` names the threads. Without `live` (a component being
  // designed) there are no callbacks and no notify thread: the queues exist
  // but nothing wakes a consumer. `wake` runs on the notify thread once per
  // notification.
  TVLFramePump(const TComponent* component, bool live, std::function<void()> wake);
  ~TVLFramePump();
  TVLFramePump(const TVLFramePump&) = delete;
  TVLFramePump& operator=(const TVLFramePump&) = delete;

  // ---- The grabbers' callbacks (nullptr when not live) ----
  TDSSampleGrabberCB* VideoCallback() const { return videoCB_.get(); }
  TDSSampleGrabberCB* RawCallback() const { return rawCB_.get(); }
  TDSSampleGrabberCB* CaptionCallback() const { return captionCB_.get(); }
  TDSSampleGrabberCB* TextCaptionCallback() const { return textCaptionCB_.get(); }
  TDSSampleGrabberCB* TimeCodeCallback() const { return timeCodeCB_.get(); }
  TDSSampleGrabberCB* AudioCallback() const { return audioCB_.get(); }

  // ---- Streaming thread: one sample each; ignored while halted ----
  void PushVideo(IMediaSample* sample);
  void PushCaption(IMediaSample* sample);
  void PushRaw(IMediaSample* sample) { QueueSample(rawQueue_, sample, true); }
  void PushAudio(IMediaSample* sample) { QueueSample(audioQueue_, sample, true); }
  // Caption text and time code wait for the next frame to travel with.
  void PushTextCaption(IMediaSample* sample) { QueueSample(textCaptionQueue_, sample, false); }
  void PushTimeCode(IMediaSample* sample) { QueueSample(timeCodeQueue_, sample, false); }

  // ---- Life ----
  void Start();
  void Halt();
  void Clear();
  // Safe to call more than once; Start does not revive a terminated pump.
  void Terminate();
  bool Accepting() const { return accepting_.load(std::memory_order_acquire); }

  // The frame size, the video queue's layout and row order and the caption
  // queue's layout for the next run. False (logged) when a queue refused
  // its size: its samples are then dropped and counted.
  bool SetFrameSize(int width, int height, TVLVideoFormat video, TVLRowOrder rows, TVLVideoFormat caption);

  // ---- The negotiated format (frame lock) ----
  TVLVideoFormat NegotiatedFormat() const;
  // The format and, for 8-bit frames, the palette (kPaletteBytes) they are
  // expanded through. Without `palette` the table set before stays: a graph
  // rendered anew while it runs names its format, and only the next start
  // reads the stream's table again.
  void SetNegotiated(TVLVideoFormat format,
                     std::optional<std::shared_ptr<const std::vector<uint8_t>>> palette = std::nullopt);
  std::vector<uint8_t> Palette() const;
  void ForgetPalette();

  // Notify thread, owner's lock held: up to kFramesPerWakeUp rounds of one
  // item from each queue. Stops at once when halted: what is still queued
  // then is the stop's to clear.
  void HandOver(const TVLFrameOutputs& outputs);

  // For diagnostics and tests.
  TVLVideoBufferQueueThread* VideoQueue() const { return videoQueue_.get(); }
  TSLNotifyThread* NotifyThread() const { return notifyThread_.get(); }

 private:
  void QueueSample(TMLDSBufferQueue& queue, IMediaSample* sample, bool wake);
  void PushFrame(TVLVideoBufferQueueThread& queue, IMediaSample* sample, bool keyFrames);
  // At most once a second: a receiver that fails every frame must not flood
  // the log.
  void LogRawFailure(size_t bytes, const char* what);

  // Cleared by a halt before the graph is stopped, so that the streaming
  // thread never waits for a queue that nobody drains any more.
  std::atomic<bool> accepting_{false};
  std::atomic<bool> terminated_{false};

  // The notify thread may run on without the owner's lock while another
  // thread stops the owner (the lock lets a waiting holder through then), so
  // what it reads has a lock of its own. Ranked with the frame queue: it is
  // taken under the component lock, and only plain memory is touched under
  // it.
  mutable TOWCriticalSection frameLock_{TLockRank::kFrameQueue};
  TVLVideoFormat negotiatedFormat_ = vfRGB24;
  std::shared_ptr<const std::vector<uint8_t>> palette_;
  TIntf<TVLImageBuffer> lastCaption_;
  TLogGate rawFailureGate_;

  // Declared in the order they are made: the queue threads wake the notify
  // thread, and the callbacks push into the queues.
  std::unique_ptr<TSLNotifyThread> notifyThread_;
  std::unique_ptr<TVLVideoBufferQueueThread> videoQueue_, captionQueue_;
  TMLDSBufferQueue audioQueue_, rawQueue_, textCaptionQueue_, timeCodeQueue_;
  std::unique_ptr<TDSSampleGrabberCB> videoCB_, rawCB_, captionCB_, textCaptionCB_, timeCodeCB_, audioCB_;
};

}  // namespace lumicar
