#pragma once
// The capture pin of a V4L2 camera: offers the camera's capabilities as media
// types, configures the stream (IAMStreamConfig), reports the capture
// category, and runs the streaming thread that polls the driver, turns its
// buffers into samples and delivers them, newest first.

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "dsbase/base/source_filter.h"
#include "dsbase/camera/camera_interfaces.h"
#include "dsbase/camera/camera_log.h"
#include "dsbase/camera/camera_modes.h"
#include "dsbase/camera/frame_unpacker.h"
#include "dsbase/camera/mjpeg_pipeline.h"
#include "dsbase/graph/builder_interfaces.h"
#include "runtime/log_gate.h"

namespace lumicar {

class TDSV4L2CaptureFilter;

// Where a stream's MJPEG is decoded: on a thread of its own when one decode
// takes more than half a frame period (measured on the first frames), always,
// or never; the last two for comparisons in benchmarks and for tests.
enum class TDSMjpegDecoding { automatic, ownThread, streamingThread };

class TDSV4L2CapturePin final : public TDSSourceStreamPin, public IKsPropertySet, public IAMStreamConfig {
 public:
  explicit TDSV4L2CapturePin(TDSV4L2CaptureFilter* filter);
  ~TDSV4L2CapturePin() override;

  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  // IKsPropertySet: the pin category.
  HRESULT Set(const TGUID&, uint32_t, const void*, uint32_t, const void*, uint32_t) override { return E_NOTIMPL; }
  HRESULT Get(const TGUID& set, uint32_t id, const void*, uint32_t, void* data, uint32_t length,
              uint32_t* returned) override;
  HRESULT QuerySupported(const TGUID& set, uint32_t id, uint32_t* support) override;

  // IAMStreamConfig. SetFormat answers S_OK when the camera meets the type
  // exactly and S_FALSE when it adopted the nearest size or rate it has
  // (GetFormat tells which); while connected the graph reconnects the pin.
  HRESULT SetFormat(const AM_MEDIA_TYPE* mt) override;
  HRESULT GetFormat(AM_MEDIA_TYPE** mt) override;
  HRESULT GetNumberOfCapabilities(int* count, int* size) override;
  HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mt, uint8_t* caps) override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT IntGetMediaType(int position, AM_MEDIA_TYPE* mt) override;
  HRESULT IntDecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT Active() override;
  HRESULT Inactive() override;

  // Counters for diagnostics and tests.
  int64_t FramesDelivered() const { return delivered_.load(); }
  int64_t FramesDropped() const { return dropped_.load(); }
  // Of those, the driver buffers that held less than a whole picture (a
  // USB hiccup, or a driver whose bytesused lies): dropped unread past
  // their end.
  int64_t FramesShort() const { return short_.load(); }
  int64_t PollTimeouts() const { return timeouts_.load(); }
  // Streams restarted because the camera went silent.
  int64_t SilentRestarts() const { return silentRestarts_.load(); }
  // The native format streaming reads (0 when not streaming).
  uint32_t StreamingFourcc() const { return streamingFourcc_.load(); }
  // Stops the streaming thread and frees the driver's buffers.
  void StopStreaming();
  // From the next start on.
  void SetMjpegDecoding(TDSMjpegDecoding how) { decoding_.store(how); }
  // Whether the stream decodes on a thread of its own now.
  bool DecodesOnOwnThread() const { return ownThread_.load(); }

 private:
  struct TBuffer {
    void* address = nullptr;
    size_t length = 0;
  };

  const TDSCameraCapability* FindCapability(const TGUID& subtype, int width, int height) const;
  TDSMediaType DefaultType(const TDSCameraCapability& cap) const;
  TDSMediaType CurrentFormat() const;
  HRESULT StartStreaming();
  // S_FMT, S_PARM, REQBUFS, the mappings and STREAMON for one native source
  // of the current type; everything is released again on failure.
  HRESULT OpenStream(const TDSCameraSource& source, const TDSFraction& fraction, int w, int h, const AM_MEDIA_TYPE& mt);
  void ReleaseBuffers();
  // The streaming thread: the loop, then the decoder thread stopped.
  void Stream();
  void Pump();
  // Handles one dequeued buffer: converts and delivers it, then requeues;
  // with the decoder thread, copies it for that thread and requeues.
  void Process(const struct v4l2_buffer& buffer);
  // Counts a dropped frame and logs why (rate-limited).
  void DropFrame(const char* why);
  // Stamps and delivers a converted frame.
  void DeliverSample(IMediaSample* sample, uint32_t flags, const timeval& timestamp);
  // The decoder thread's decode; the streaming thread's delivery of it.
  void DecodeInto(const uint8_t* data, size_t size, TDSDecodedFrame* out);
  void DeliverDecoded(TDSDecodedFrame& decoded);
  void StartDecoderThread();
  bool Requeue(uint32_t index);
  // Streaming thread: STREAMOFF, every buffer queued again, STREAMON; false
  // (errno set) when the driver refused.
  bool RestartStream();
  void Lost(int error);

  TDSV4L2CaptureFilter* camera_;
  TDSMediaType format_;  // set by SetFormat; empty major type: none
  bool hasFormat_ = false;

  std::vector<TBuffer> buffers_;
  TDSFrameUnpacker unpacker_;
  int64_t frameInterval_ = 0;
  QString streamName_;  // the filter's name for the streaming thread's messages
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<uint32_t> streamingFourcc_{0};
  std::atomic<TDSMjpegDecoding> decoding_{TDSMjpegDecoding::automatic};
  std::atomic<bool> ownThread_{false};
  // Streaming thread only: the decoder thread while it runs, and the times
  // of the first decodes that choose it.
  std::unique_ptr<TDSMjpegPipeline> pipeline_;
  TDSDecodeTimer decodeTimer_;
  std::atomic<int64_t> delivered_{0}, dropped_{0}, short_{0}, timeouts_{0}, silentRestarts_{0};
  TLogGate dropLog_;
};

}  // namespace lumicar
