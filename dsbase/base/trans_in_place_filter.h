#pragma once
// A transform filter that changes each sample where it lies and passes the
// same sample on. Both pins use the upstream allocator when downstream
// accepts it, so no copy is made; otherwise each sample is first copied
// into a buffer of the downstream allocator.

#include "dsbase/base/transform_filter.h"

namespace lumicar {

class TDSTransInPlaceInputPin : public TDSTransformInputPin {
 public:
  using TDSTransformInputPin::TDSTransformInputPin;
};

class TDSTransInPlaceOutputPin : public TDSTransformOutputPin {
 public:
  using TDSTransformOutputPin::TDSTransformOutputPin;
  // Offers the input side's allocator to downstream first.
  HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) override;
};

class TDSTransInPlaceFilter : public TDSTransformFilter {
 public:
  using TDSTransformFilter::TDSTransformFilter;

  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  // The one output type is the input's type.
  HRESULT GetOutMediaType(int position, AM_MEDIA_TYPE* mt) override;
  HRESULT CompleteConnect(PIN_DIRECTION dir, IPin* pin) override;
  HRESULT Receive(IMediaSample* sample) override;
  // S_OK: pass the sample on; S_FALSE: drop it (a skipped frame).
  virtual HRESULT Transform(IMediaSample* sample) = 0;
  using TDSTransformFilter::Transform;

 protected:
  bool CreatePins() override;
  // A buffer of the output allocator holding a copy of `sample`; nullptr when
  // none could be had or it is too small.
  HRESULT Copy(IMediaSample* sample, IMediaSample** copy);
};

}  // namespace lumicar
