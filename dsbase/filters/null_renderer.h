#pragma once
// The null renderer: accepts any type and drops every sample it is given.

#include "dsbase/base/base_renderer.h"

namespace lumicar {

class TDSNullRenderer final : public TDSBaseRenderer {
 public:
  explicit TDSNullRenderer(IUnknown* outer = nullptr);
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;

 private:
  ~TDSNullRenderer() override = default;
};

}  // namespace lumicar
