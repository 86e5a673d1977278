#pragma once
// The hand-over of frames from the video renderer's streaming thread to the
// thread that paints: the sender either hands in the sample itself (kept by
// reference, no copy) or has the frame copied into one of three buffers, and
// never waits; the painter takes the newest frame; a frame that a newer one
// overtakes before any paint took it is dropped, not queued.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "dsbase/filters/frame_conversion.h"
#include "dsbase/media/sample_interfaces.h"
#include "runtime/interface.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

struct TDSVideoFrame {
  TDSFrameFormat format;            // stride and rows as the sample had them
  const uint8_t* pixels = nullptr;  // the frame's bytes: in `sample`, or in `copy`
  int64_t size = 0;                 // bytes at `pixels`
  uint64_t sequence = 0;            // 1 for the first frame put, then counting up
  int64_t receivedNs = 0;           // steady clock, when the sender put it
  // What keeps the bytes: the sample itself while the frame is waiting or on
  // the screen, or a copy made for a sender that could not leave its sample.
  TIntf<IMediaSample> sample;
  std::vector<uint8_t> copy;
};

struct TDSVideoFrameCounts {
  uint64_t received = 0;         // frames put
  uint64_t presented = 0;        // frames the window put on the screen
  uint64_t dropped = 0;          // frames overtaken before a paint took them
  uint64_t repaintRequests = 0;  // requests for a paint that the sender was told to post
  uint64_t lastPresented = 0;    // sequence of the frame presented last, 0 before any
  uint64_t copied = 0;           // frames put as a copy rather than as their sample
  int frameBuffers = 0;          // frame slots made so far (never more than three)
};

class TDSVideoFrameExchange {
 public:
  // Sender side (one sender at a time). Copies DSFrameBytes(format) bytes of
  // `data`. True when the caller has to ask the painter for a paint: no
  // request is on its way, so at most one ever is.
  bool Put(const TDSFrameFormat& format, const uint8_t* data);
  // As Put, without a copy: `data` lies in `sample`, which is kept (AddRef)
  // until a newer frame overtakes it or, once painted, until the painter
  // takes a newer one. So at most two samples are kept at a time. A sample
  // this call lets go (the frame it overtook) comes back in `overtaken`, for
  // the caller to release where it holds no lock that the sample's allocator
  // must not be taken under.
  bool Put(const TDSFrameFormat& format, IMediaSample* sample, const uint8_t* data, TIntf<IMediaSample>* overtaken);

  // Painter side (one thread). The request asked for by Put has arrived:
  // the next Put asks again.
  void RequestArrived() { requestPending_.store(false, std::memory_order_release); }
  // Makes the newest frame the current one; false when nothing newer came.
  // The frame it replaces lets go of its sample here.
  bool TakeNewest();
  // The frame taken last, kept for repaints; nullptr before the first.
  const TDSVideoFrame* Current() const { return current_.get(); }
  // The frame numbered `sequence`, put at `receivedNs`, is on the screen now.
  void MarkPresented(uint64_t sequence, int64_t receivedNs);
  // Called on the painting thread for each frame presented, with its number
  // and the steady-clock times it was put and presented (for measurements).
  using TPresentHook = std::function<void(uint64_t sequence, int64_t receivedNs, int64_t presentedNs)>;
  void SetPresentHook(TPresentHook hook) { presentHook_ = std::move(hook); }

  TDSVideoFrameCounts Counts() const;

 private:
  // A slot for the next frame: a free one, or a new one (at most three: one
  // in the sender's hands, one waiting, one on the screen).
  std::unique_ptr<TDSVideoFrame> FreeSlot();
  // Makes `frame` the waiting one; returns the sample of the frame it
  // overtook, if any.
  TIntf<IMediaSample> Publish(std::unique_ptr<TDSVideoFrame> frame);
  bool Requested();

  mutable TLeafMutex lock_{"video frame exchange lock"};  // held only to move slots between the places
  std::unique_ptr<TDSVideoFrame> pending_;
  std::vector<std::unique_ptr<TDSVideoFrame>> free_;  // hold no sample
  int made_ = 0;
  uint64_t sequence_ = 0;  // the sender's own
  // Painter's own: only the painting thread reads or replaces it.
  std::unique_ptr<TDSVideoFrame> current_;
  TPresentHook presentHook_;

  std::atomic<bool> requestPending_{false};
  std::atomic<uint64_t> received_{0}, presented_{0}, dropped_{0}, requests_{0}, lastPresented_{0}, copied_{0};
};

}  // namespace lumicar
