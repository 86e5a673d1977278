// The frame queue when the heap refuses a frame buffer: the refusal is logged
// on the capture's category with what was being made, samples are refused
// instead of written anywhere, and the queue recovers once memory is back.

#include <gtest/gtest.h>

#include <QString>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "buffers/aligned_alloc.h"
#include "buffers/block_pool.h"
#include "capture/frames/video_buffer_queue_thread.h"

namespace lumicar {
namespace frame_queue_memory_test {

void* RefusingHeap(std::size_t) { return nullptr; }

std::mutex gLogLock;
std::vector<QString> gCaptureWarnings;

void RecordCaptureWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtWarningMsg || QLatin1String(context.category) != QLatin1String("lumicar.capture")) return;
  std::lock_guard guard(gLogLock);
  gCaptureWarnings.push_back(message);
}

TEST(FrameQueueMemory, ARefusedFrameBufferIsLoggedAndItsSamplesRefused) {
  TVLVideoBufferQueueThread queue(nullptr, nullptr);
  SLMemoryCleanUp();
  const QtMessageHandler previousHandler = qInstallMessageHandler(&RecordCaptureWarnings);
  // Blocks given back meanwhile still go to the real heap.
  const SLHeapFunctions previousHeap = SLSetHeapFunctions({&RefusingHeap, &std::free});
  SLSetHeapFunctions({&RefusingHeap, previousHeap.Free});
  const bool set = queue.SetSize(64, 48, vfRGB24);
  SLSetHeapFunctions(previousHeap);
  qInstallMessageHandler(previousHandler);

  EXPECT_FALSE(set);
  {
    std::lock_guard guard(gLogLock);
    ASSERT_EQ(gCaptureWarnings.size(), 1u);
    EXPECT_TRUE(gCaptureWarnings[0].contains(QStringLiteral("TVLVideoBufferQueueThread")))
        << gCaptureWarnings[0].toStdString();
    EXPECT_TRUE(gCaptureWarnings[0].contains(QStringLiteral("64 x 48"))) << gCaptureWarnings[0].toStdString();
  }
  const std::vector<uint8_t> sample(size_t(queue.SampleSize()), 5);
  EXPECT_FALSE(queue.PushBuffer(sample.data(), int64_t(sample.size()), 0, 0, 0, false));
  EXPECT_EQ(queue.Drops().Dropped(TVLFrameDrop::kNoBuffer), 1);
  EXPECT_TRUE(queue.SetSize(64, 48, vfRGB24)) << "the next size change finds memory again";
  queue.Terminate();
}

}  // namespace frame_queue_memory_test
}  // namespace lumicar
