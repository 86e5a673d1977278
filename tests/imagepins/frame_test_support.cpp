#include "tests/imagepins/frame_test_support.h"

namespace lumicar::test {

TIntf<TVLImageBuffer> MakePatternFrame(int width, int height, TVLVideoFormat format, uint32_t seed) {
  auto frame = MakeIntf<TVLImageBuffer>(width, height, format);
  uint8_t* bytes = frame->Write();
  for (uint32_t i = 0; i < frame->GetSize(); ++i) bytes[i] = static_cast<uint8_t>(i * 37 + seed * 101 + (i >> 7));
  return frame;
}

TTestFrameSource::TTestFrameSource(TComponent* owner) : TComponent(owner) {
  output_.reset(new TVLOWImageRawSourcePin(
      this, nullptr, [this](TOWPin*, const TGUID&, IOWNotifyOperation* operation, TOWNotifyState) {
        std::lock_guard lock(mutex_);
        upstream_.emplace_back(operation);
        return TOWDispatchResult();
      }));
}

TTestFrameSource::~TTestFrameSource() { output_.reset(); }

TIntf<IOWNotifyOperation> TTestFrameSource::Start(int width, int height, TVLVideoFormat format, int64_t frameDuration) {
  TIntf<IOWNotifyOperation> start = MakeIntf<TOWStartFrameOperation>(
      width, height, frameDuration, format, 0, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
  output_->Notify(start);
  return start;
}

std::vector<TIntf<IOWNotifyOperation>> TTestFrameSource::Upstream() {
  std::lock_guard lock(mutex_);
  return upstream_;
}

TTestFrameSink::TTestFrameSink(TComponent* owner, bool raw) : TComponent(owner) {
  if (raw)
    input_.reset(new TVLOWImageRawSinkPin(this, nullptr, Event()));
  else
    input_.reset(new TVLOWImageSinkPin(this, nullptr, Event()));
}

TTestFrameSink::~TTestFrameSink() { input_.reset(); }

std::vector<TIntf<TVLImageBuffer>> TTestFrameSink::Frames() {
  std::vector<TIntf<TVLImageBuffer>> result;
  for (const auto& op : Operations())
    if (auto* supplied = OWOperationAs<TOWSuppliedBufferOperation>(op.get()))
      result.push_back(MakeIntf<TVLImageBuffer>(supplied->Buffer()));
  return result;
}

}  // namespace lumicar::test
