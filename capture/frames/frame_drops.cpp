#include "capture/frames/frame_drops.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcVideoSource, "lumicar.source")

const char* VLFrameDropName(TVLFrameDrop reason) {
  switch (reason) {
    case TVLFrameDrop::kShortSample:
      return "shorter than a frame";
    case TVLFrameDrop::kBusy:
      return "previous sample not taken yet";
    case TVLFrameDrop::kNoBuffer:
      return "no frame buffer";
    case TVLFrameDrop::kStopped:
      return "stopped or no data";
    case TVLFrameDrop::kOtherSize:
      return "frame of another size";
    case TVLFrameDrop::kUnconvertible:
      return "layout the connection cannot take";
    case TVLFrameDrop::kNoSample:
      return "no delivery buffer";
    case TVLFrameDrop::kSmallSample:
      return "delivery buffer smaller than a frame";
    case TVLFrameDrop::kNotDelivered:
      return "refused downstream";
  }
  return "unknown";
}

void TVLFrameDropCounter::Drop(TVLFrameDrop reason, int64_t bytes, int64_t expected) {
  const int64_t total = counts_[size_t(reason)].fetch_add(1, std::memory_order_relaxed) + 1;
  if (!dropGate_.Open()) return;
  const int64_t held = dropGate_.TakeSuppressed();
  // A stopped graph or a busy producer is part of normal running; data of
  // the wrong shape is not.
  const bool normal = reason == TVLFrameDrop::kStopped || reason == TVLFrameDrop::kBusy ||
                      reason == TVLFrameDrop::kNoSample || reason == TVLFrameDrop::kNotDelivered;
  const QString line = QStringLiteral(
                           "%1: frame dropped (%2, %3 bytes, a frame has %4); %5 so far for this reason, "
                           "%6 drops not logged since the last message")
                           .arg(stage_, QLatin1String(VLFrameDropName(reason)))
                           .arg(bytes)
                           .arg(expected)
                           .arg(total)
                           .arg(held);
  if (normal)
    qCDebug(lcVideoSource).noquote() << line;
  else
    qCWarning(lcVideoSource).noquote() << line;
}

void TVLFrameDropCounter::Cut(int64_t bytes, int64_t expected) {
  const int64_t total = cuts_.fetch_add(1, std::memory_order_relaxed) + 1;
  if (!cutGate_.Open()) return;
  qCInfo(lcVideoSource).noquote() << QStringLiteral("%1: sample of %2 bytes cut to the frame's %3; %4 cut so far")
                                         .arg(stage_)
                                         .arg(bytes)
                                         .arg(expected)
                                         .arg(total);
}

int64_t TVLFrameDropCounter::Dropped() const {
  int64_t total = 0;
  for (const auto& c : counts_) total += c.load(std::memory_order_relaxed);
  return total;
}

}  // namespace lumicar
