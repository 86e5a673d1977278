#pragma once
// Decodes a camera's MJPEG on a thread of its own, so that the decode of one
// frame overlaps the delivery of the one before: a large frame's decode takes
// most of a frame period, and with the downstream work after it on the same
// thread the camera would lose every other frame.
//
// The streaming thread copies each compressed frame into a slot (the driver
// buffer goes back at once) with Submit; the decoder thread decodes the
// waiting frame and leaves the result for the streaming thread, which polls
// WakeFd beside the camera and picks it up with TakeDecoded. One frame waits
// at most: a newer one replaces it, as the camera hands on only its newest.
// The decoder starts the next frame only once the last result was taken, so
// results come in the order the frames were submitted. All calls but the
// decoding come from the one thread that owns the pipeline.

#include <linux/videodev2.h>

#include <QString>
#include <condition_variable>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "dsbase/camera/frame_unpacker.h"
#include "dsbase/media/sample_interfaces.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

// What the camera said about a compressed frame.
struct TDSCompressedFrame {
  uint32_t sequence = 0;
  uint32_t flags = 0;
  timeval timestamp{};
};

struct TDSDecodedFrame {
  TDSCompressedFrame frame;
  TDSUnpackResult result = TDSUnpackResult::corrupt;
  TIntf<IMediaSample> sample;  // filled when `result` is ok (may stay empty: nothing to deliver into)
  std::string error;           // why it failed, for the drop log
};

// Decodes `size` bytes at `data` into `out` (its sample, result and error);
// runs on the decoder thread.
using TDSFrameDecode = std::function<void(const uint8_t* data, size_t size, TDSDecodedFrame* out)>;

// Decides from the CPU time of a stream's first decodes whether they need a
// thread of their own: when the median of the first few takes more than half
// a frame period (the first alone would decide on the one that sizes the
// decoder's buffers).
class TDSDecodeTimer {
 public:
  static constexpr size_t kTimed = 3;
  // `frameInterval` in 100 ns units; `decided`: nothing to time.
  void Reset(int64_t frameInterval, bool decided);
  bool Timing() const { return !decided_; }
  // Notes one decode; true once, when the decodes need their own thread.
  bool Add(int64_t cpuNs);
  int64_t MedianNs() const { return median_; }

 private:
  int64_t frameInterval_ = 0, median_ = 0;
  bool decided_ = true;
  std::vector<int64_t> times_;
};

class TDSMjpegPipeline {
 public:
  TDSMjpegPipeline(TDSFrameDecode decode, QString name);
  ~TDSMjpegPipeline();
  TDSMjpegPipeline(const TDSMjpegPipeline&) = delete;
  TDSMjpegPipeline& operator=(const TDSMjpegPipeline&) = delete;

  // The eventfd and the decoder thread; false (logged) when the system
  // refused either, and the caller decodes on its own thread instead.
  bool Start();
  // Readable when a decoded frame waits; poll it for POLLIN.
  int WakeFd() const { return wake_; }
  // Copies `size` bytes for the decoder. True when this replaced a frame
  // that still waited for it: that one is dropped.
  bool Submit(const uint8_t* data, size_t size, const TDSCompressedFrame& frame);
  // The next decoded frame, if one is ready; clears the wake-up.
  bool TakeDecoded(TDSDecodedFrame* out);
  // Stops and joins the decoder thread; a frame waiting or decoded but not
  // taken is discarded, its sample released. Idempotent.
  void Stop();

 private:
  void Decode();

  const TDSFrameDecode decode_;
  const QString name_;
  int wake_ = -1;
  std::thread thread_;

  TLeafMutex lock_{"MJPEG pipeline lock"};
  std::condition_variable_any changed_;
  bool stop_ = false;
  // The slots: the caller fills `spare_`, which becomes the waiting frame;
  // the decoder swaps the waiting frame into `decoding_`.
  std::vector<uint8_t> spare_, waiting_, decoding_;
  size_t spareSize_ = 0, waitingSize_ = 0;
  bool hasWaiting_ = false;
  TDSCompressedFrame waitingFrame_;
  bool hasReady_ = false;
  TDSDecodedFrame ready_;
};

}  // namespace lumicar
