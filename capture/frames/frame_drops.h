#pragma once
// The log category of the frame hand-over ("lumicar.source"), and the
// counters of the frames it does not pass on: every frame dropped is counted
// by its reason, so that a test or a benchmark can tell a lost frame from a
// slow one, and logged at most once a second (a camera that keeps sending
// samples of the wrong length must not flood the log).

#include <QLoggingCategory>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>

#include "runtime/log_gate.h"

namespace lumicar {

Q_DECLARE_LOGGING_CATEGORY(lcVideoSource)

enum class TVLFrameDrop : uint8_t {
  kShortSample,    // fewer bytes than one frame: never read past its end
  kBusy,           // pushed before the previous sample was taken
  kNoBuffer,       // no frame buffer could be allocated
  kStopped,        // pushed after the queue was terminated, or no data
  kOtherSize,      // a frame of another width or height than the connection's
  kUnconvertible,  // a layout the connection cannot take (odd width for 4:2:2, not RGB24)
  kNoSample,       // no delivery buffer (graph stopped or not connected)
  kSmallSample,    // the delivery buffer is smaller than a frame
  kNotDelivered,   // downstream refused the sample
};
inline constexpr int kVLFrameDropReasons = int(TVLFrameDrop::kNotDelivered) + 1;

const char* VLFrameDropName(TVLFrameDrop reason);

class TVLFrameDropCounter {
 public:
  // `stage` names the counter's owner in the log.
  explicit TVLFrameDropCounter(QString stage) : stage_(std::move(stage)) {}

  // Counts one dropped frame; `bytes` and `expected` (0 when they do not
  // apply) go into the log line.
  void Drop(TVLFrameDrop reason, int64_t bytes = 0, int64_t expected = 0);
  // Counts a sample longer than a frame, of which only one frame was read.
  void Cut(int64_t bytes, int64_t expected);

  int64_t Dropped(TVLFrameDrop reason) const { return counts_[size_t(reason)].load(std::memory_order_relaxed); }
  int64_t Dropped() const;
  int64_t CutSamples() const { return cuts_.load(std::memory_order_relaxed); }

 private:
  const QString stage_;
  std::array<std::atomic<int64_t>, kVLFrameDropReasons> counts_{};
  std::atomic<int64_t> cuts_{0};
  TLogGate dropGate_, cutGate_;
};

}  // namespace lumicar
