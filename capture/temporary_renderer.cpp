#include "capture/temporary_renderer.h"

#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_guids.h"

namespace lumicar {

TVLDSVideoRenderer::TVLDSVideoRenderer()
    : TDSBaseVideoRenderer(QStringLiteral("Video Render"), nullptr, CLSID_VLDSVideoRenderer) {
  // The input pin exists with the filter; a connection it makes itself tries
  // its own list first.
  if (TDSRendererInputPin* in = InputPin()) in->SetTryMyTypesFirst(true);
}

void TVLDSVideoRenderer::SetVideoFormat(TVLVideoFormat format) { format_ = format; }

HRESULT TVLDSVideoRenderer::GetMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position >= kVLDSPreferenceCount) return VFW_S_NO_MORE_ITEMS;
  if (!mt) return E_POINTER;
  LPDSFreeMediaType(*mt);
  *mt = AM_MEDIA_TYPE{};
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = VLGetGUIDFromFormat(VLDSPreferenceRow(format_)[size_t(position)]);
  return S_OK;
}

HRESULT TVLDSVideoRenderer::CheckMediaType(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (!(mt->majortype == MEDIATYPE_Video) || !(mt->formattype == FORMAT_VideoInfo)) return E_INVALIDARG;
  const TVLDSPreferenceRow& row = VLDSPreferenceRow(format_);
  for (int i = 0; i < kVLDSPreferenceCount; ++i) {
    if (accepted_ >= 0 && i != accepted_) continue;
    if (mt->subtype == VLGetGUIDFromFormat(row[size_t(i)])) return S_OK;
  }
  return E_INVALIDARG;
}

}  // namespace lumicar
