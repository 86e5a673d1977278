#pragma once
// The colour-space converter the graph inserts between pins that share no
// type: any of the seven uncompressed layouts in, any other one out, same
// frame size, RGB out bottom-up as the layouts travel in samples.

#include "dsbase/base/transform_filter.h"
#include "dsbase/filters/frame_conversion.h"

namespace lumicar {

class TDSColourConverter final : public TDSTransformFilter {
 public:
  explicit TDSColourConverter(IUnknown* outer = nullptr);

  HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  // The other six layouts in a fixed order: RGB24, RGB32, YUY2, UYVY, RGB565,
  // RGB555, RGB8 (grey palette).
  HRESULT GetOutMediaType(int position, AM_MEDIA_TYPE* mt) override;
  HRESULT SetMediaType(PIN_DIRECTION dir, const AM_MEDIA_TYPE* mt) override;
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

 private:
  ~TDSColourConverter() override = default;

  // Set on connection, read on the streaming thread under the streaming lock.
  TDSFrameFormat in_, out_;
  TDSMediaType inType_, outType_;
  TDSFrameConverter converter_;
};

}  // namespace lumicar
