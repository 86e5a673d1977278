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

// Two buffers that belong together (two series of one measurement, such as
// the x and the y values of points), each held on a handle of its own like
// the buffer of a supplied-buffer operation. Not a supplied-buffer operation:
// receivers of single buffers never take one of the pair for their data.
class TOWSuppliedPairedBuffersOperation : public TOWSuppliedOperation {
 public:
  // Either may be none.
  TOWSuppliedPairedBuffersOperation(ISLData* first, ISLData* second)
      : first_(first ? first->MakeCopy() : TIntf<ISLData>()), second_(second ? second->MakeCopy() : TIntf<ISLData>()) {}
  ISLData* First() const { return first_.get(); }
  ISLData* Second() const { return second_.get(); }

 private:
  TIntf<ISLData> first_;
  TIntf<ISLData> second_;
};

class TOWIgnoreVideoStreamOperation : public TOWIgnoreStreamOperation {
 public:
  explicit TOWIgnoreVideoStreamOperation(TVLVideoFormat format) : format_(format) {}
  TVLVideoFormat PixelFormat() const { return format_; }

 private:
  TVLVideoFormat format_;
};

}  // namespace lumicar
