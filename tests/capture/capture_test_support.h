#pragma once
// What the capture tests share: the scripted document camera as a device of
// the video input category that can be unplugged and plugged back, a sink
// component that counts and keeps what reaches it (and can be made slow),
// waits on conditions with a generous failsafe, and the process's threads
// and file descriptors for the leak checks.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "buffers/image_buffer.h"
#include "capture/ds_capture.h"
#include "dsbase/graph/device_provider.h"
#include "imagepins/frame_operations.h"
#include "imagepins/image_pins.h"
#include "testing/camera/fake_camera_provider.h"
#include "testing/camera/fake_v4l2_device.h"
#include "testing/event_pump.h"

namespace lumicar::capturetest {

using namespace std::chrono_literals;

using camtest::TFakeCameraProvider;

// Counts the starts, frames and stops reaching its image input and keeps the
// last start, the sequence numbers and (up to `keep`) the frames.
class TCollectingSink : public TComponent {
  Q_OBJECT
 public:
  explicit TCollectingSink(size_t keep = 8);
  ~TCollectingSink() override;

  TVLOWImageSinkPin* InputPin() const { return input_.get(); }

  int Frames() const;
  int Starts() const;
  int Stops() const;
  std::vector<int64_t> Sequence() const;
  std::vector<TIntf<TVLImageBuffer>> Kept() const;
  TIntf<TOWStartFrameOperation> LastStart() const;
  // Blocks until `frames` frames arrived; false after the failsafe.
  bool WaitFrames(int frames, std::chrono::milliseconds failsafe = testtools::kHangGuard) const;
  bool WaitStops(int stops, std::chrono::milliseconds failsafe = testtools::kHangGuard) const;
  // While closed, a delivery waits at the gate (a slow consumer); Entered
  // counts the deliveries that reached it.
  void CloseGate();
  void OpenGate();
  bool WaitAtGate(int count, std::chrono::milliseconds failsafe = testtools::kHangGuard) const;
  void Clear();

 private:
  TOWDispatchResult Receive(IOWNotifyOperation* operation);

  mutable std::mutex lock_;
  mutable std::condition_variable changed_;
  size_t keep_;
  int frames_ = 0, starts_ = 0, stops_ = 0, atGate_ = 0;
  bool gateOpen_ = true;
  std::vector<int64_t> sequence_;
  std::vector<TIntf<TVLImageBuffer>> kept_;
  TIntf<TOWStartFrameOperation> lastStart_;
  TOWPinPtr<TVLOWImageSinkPin> input_;
};

// Runs the Qt event loop of this thread until `done` holds (graph events
// reach the capture through it); false after the failsafe.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds failsafe = testtools::kHangGuard);

// Threads and open file descriptors of this process.
int ThreadCount();
int FdCount();

// The media type the video grabber is connected with.
struct TNegotiated {
  TGUID subtype;
  int width = 0, height = 0;
  int64_t period = 0;
};
bool Negotiated(TVLDSCapture* capture, TNegotiated* result);
// Whether a filter of that name is in the capture's graph.
bool HasFilter(TVLDSCapture* capture, const char16_t* name);
int FilterCount(TVLDSCapture* capture);

// Base of the capture tests: services and the fake camera registered, a QApplication,
// the media objects of each test checked for leaks, every graph error and
// warning recorded instead of raised where a test asks for it.
class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A capture made with plain new (it does not start by itself) on the
  // fake camera, its output linked to sink_.
  TVLDSCapture* MakeCapture(const QString& device = TFakeCameraProvider::kName);
  // Records errors (as handled) and warnings instead of raising.
  void RecordFailures(TVLDSCapture* capture);
  // Pushes frames matching what the camera streams now (JPEG or YUYV).
  void PushFrames(int count);

  struct TFailure {
    QString message;
    HRESULT code;
    bool error;
  };
  std::vector<TFailure> Failures();
  bool HasFailure(const QString& message);

  std::shared_ptr<TFakeCameraProvider> camera_;
  std::unique_ptr<TCollectingSink> sink_;
  std::unique_ptr<TVLDSCapture> capture_;
  std::mutex failuresLock_;
  std::vector<TFailure> failures_;
  int64_t liveObjects_ = 0;
};

}  // namespace lumicar::capturetest
