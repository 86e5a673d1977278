#include "dsbase/filters/null_renderer.h"

#include "dsbase/com/graph_ids.h"

namespace lumicar {

TDSNullRenderer::TDSNullRenderer(IUnknown* outer)
    : TDSBaseRenderer(QStringLiteral("Null Renderer"), outer, CLSID_NullRenderer) {}

HRESULT TDSNullRenderer::CheckMediaType(const AM_MEDIA_TYPE* mt) { return mt ? S_OK : E_POINTER; }

HRESULT TDSNullRenderer::DoRenderSample(IMediaSample* sample) { return sample ? S_OK : E_POINTER; }

}  // namespace lumicar
