#pragma once
// The capture side's frame queue: the streaming thread pushes each sample,
// which is copied once into a fresh image buffer (bottom-up RGB rows turned
// top-down); a thread of its own queues the buffer, wakes the notify thread
// and lets the producer go on. A full queue (121 frames) holds the producer
// up instead of dropping frames; a sample that cannot be taken is counted
// by its reason (frame_drops.h).

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>

#include "buffers/image_buffer.h"
#include "capture/frames/buffer_stamp_list.h"
#include "capture/frames/frame_drops.h"
#include "capture/frames/lp_thread.h"
#include "runtime/log_gate.h"
#include "runtime/sync/critical_section.h"
#include "runtime/sync/event.h"

namespace lumicar {

class TSLNotifyThread;

// Row order of the RGB and gray samples: a bitmap type with a positive
// height is stored bottom row first, one with a negative height top row
// first. Packed 4:2:2 samples are always top row first.
enum class TVLRowOrder : uint8_t { kBottomUp, kTopDown };

class TVLVideoBufferQueueThread final : public TLPThread {
 public:
  // Above this many queued frames the queue thread waits for room; it goes
  // on once the consumer has brought the list below it.
  static constexpr int kMaxQueued = 120;
  // Frames larger than this on either side are refused by SetSize.
  static constexpr int kMaxSide = 16384;

  // Named "<component>.TVLVideoBufferQueueThread", or
  // "<component>.<name>.TVLVideoBufferQueueThread"; 320 x 180 RGB24 until
  // SetSize. `notify` (not owned) is woken once per queued frame.
  TVLVideoBufferQueueThread(const TComponent* component, TSLNotifyThread* notify);
  TVLVideoBufferQueueThread(const TComponent* component, const QString& name, TSLNotifyThread* notify);
  ~TVLVideoBufferQueueThread() override;

  // Frame size, layout and row order of the samples from now on; false
  // (nothing changed) for a size outside 1 .. kMaxSide, an unknown format,
  // or while a pushed sample has not been taken yet.
  bool SetSize(int width, int height, TVLVideoFormat format, TVLRowOrder rows = TVLRowOrder::kBottomUp);
  TVLRowOrder RowOrder() const;

  // Copies one sample into the pending buffer and hands it to the queue
  // thread; does not block. A sample longer than a frame (padded by its
  // driver) is cut to the frame. Refused (false, counted as a drop) when
  // `size` is shorter than a frame of the set size and format (nothing is
  // read), when the previous push has not been taken yet, or after
  // Terminate. Only after a true answer may the producer wait for the
  // hand-over (WaitTaken).
  bool PushBuffer(const uint8_t* data, int64_t size, int64_t time1, int64_t time2, int64_t time3, bool keyFrame);
  // Waits until the queue thread has queued the pushed frame and prepared
  // the next buffer; while the queue is full that is when the consumer has
  // made room. False when the queue was terminated meanwhile.
  bool WaitTaken();

  // The oldest frame, stamped with its begin and end time, its sequence
  // number and its key-frame flag; `time` receives the third pushed time.
  // Nothing (and nothing changed) when the queue is empty.
  TIntf<IVLImageBuffer> Get(int64_t* time);
  bool HasData() const { return list_.HasData(); }
  int GetCount() const { return list_.GetCount(); }
  // Drops every queued frame, restarts the numbering at 0 and lets a queue
  // thread that waits for room go on, so that a producer blocked on a full
  // queue is released by the capture's stop.
  void Clear();
  // Ends the queue thread, releasing every wait, and drops queued frames.
  // Safe to call more than once.
  void Terminate();

  // Bytes of one frame for the current size and format: the least a sample
  // must have.
  int64_t SampleSize() const;
  // The samples dropped (by reason) and cut since creation.
  const TVLFrameDropCounter& Drops() const { return drops_; }
  int32_t SequenceCounter() const;
  // For tests: threads waiting for room, and for the hand-over.
  int RoomWaiterCount() const { return room_.WaiterCount(); }
  int TakenWaiterCount() const { return taken_.WaiterCount(); }

 protected:
  void Execute() override;

 private:
  void Init();
  // Copies a sample and its times into the pending buffer and marks it in
  // flight; the reason when it is refused. `expected` receives the bytes of
  // one frame.
  std::optional<TVLFrameDrop> CopyIn(const uint8_t* data, int64_t size, const std::array<int64_t, 3>& times,
                                     bool keyFrame, int64_t* expected);
  // A fresh pending buffer of the current size and format; requires
  // pendingLock_.
  void ResetBufferLocked();

  TSLBufferStampList list_;
  TOWEvent dataReady_{false, false};
  TOWEvent taken_{false, false};
  TOWEvent room_{true, true};
  TSLNotifyThread* notify_;

  // The pending buffer and its geometry. The producer fills it and the
  // queue thread replaces it; the in-flight flag keeps a second push from
  // overwriting a buffer the queue thread has not taken yet. Only the copy
  // and the buffer's making and freeing run under it; the latter take the
  // block pool's lock, so it ranks with the frame queue, not as a leaf.
  mutable TOWCriticalSection pendingLock_{TLockRank::kFrameQueue};
  TIntf<TVLImageBuffer> pending_;
  bool inFlight_ = false;
  int64_t time1_ = 0, time2_ = 0, time3_ = 0;
  bool keyFrame_ = false;
  int width_ = 320;
  int height_ = 180;
  TVLVideoFormat format_ = vfRGB24;
  TVLRowOrder rows_ = TVLRowOrder::kBottomUp;
  int bufferStep_ = 0;
  int sourceStride_ = 0;
  uint8_t* bufferData_ = nullptr;
  int64_t bufferSize_ = 0;

  int32_t sequence_ = 0;  // guarded by list_.Section()
  TVLFrameDropCounter drops_;
  TLogGate allocGate_;  // the failed buffer allocations' log line
};

}  // namespace lumicar
