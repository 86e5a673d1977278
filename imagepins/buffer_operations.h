#pragma once
// The operations that carry data buffers (a frame travels as a supplied-
// buffer operation) and the answer that tells a producer which pixel format
// a consumer ignores.

#include "buffers/data_interfaces.h"
#include "buffers/video_format.h"
#include "pins/operations.h"

namespace lumicar {

// Holds a handle of its own on the buffer (sharing the buffer's data), so
// the frame stays alive for as long as any receiver keeps the operation,
// whatever the sender does with its handle.
class TOWSuppliedBufferOperation : public TOWSuppliedOperation {
 public:
  // None gives an operation without buffer.
  explicit TOWSuppliedBufferOperation(ISLData* buffer) : buffer_(buffer ? buffer->MakeCopy() : TIntf<ISLData>()) {}
  ISLData* Buffer() const { return buffer_.get(); }

 private:
  TIntf<ISLData> buffer_;
};

// The frame's raw bytes (e.g. a compressed frame): it travels only over
// raw links, never where image buffers are expected.
class TOWSuppliedRawBufferOperation : public TOWSuppliedBufferOperation {
 public:
  using TOWSuppliedBufferOperation::TOWSuppliedBufferOperation;
};

class TOWInternalBufferOperation : public TOWSuppliedBufferOperation {
 public:
  TOWInternalBufferOperation(ISLData* buffer, bool enabled) : TOWSuppliedBufferOperation(buffer), enabled_(enabled) {}
  bool Enabled() const { return enabled_; }

 private:
  bool enabled_;
};

class TOWIgnoreVideoStreamOperation : public TOWIgnoreStreamOperation {
 public:
  explicit TOWIgnoreVideoStreamOperation(TVLVideoFormat format) : format_(format) {}
  TVLVideoFormat PixelFormat() const { return format_; }

 private:
  TVLVideoFormat format_;
};

}  // namespace lumicar
