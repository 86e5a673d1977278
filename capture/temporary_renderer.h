#pragma once
// TVLDSVideoRenderer: the renderer the capture connects the camera to while
// it builds its graph. It offers and accepts only the pixel formats of one
// preference row, so that the graph's builder puts in whatever decoders or
// converters the camera needs to reach one of them; the capture then reads
// the connection's type, takes the renderer out and puts its sample grabber
// in its place. It never renders anything.

#include "capture/format_preference.h"
#include "dsbase/base/base_video_renderer.h"

namespace lumicar {

inline const TGUID CLSID_VLDSVideoRenderer = TGUID::FromString("{FB7E1279-B32E-4F59-B74B-58F040D59777}");

class TVLDSVideoRenderer final : public TDSBaseVideoRenderer {
 public:
  TVLDSVideoRenderer();

  // The row the renderer works from (initially the one of vfRGBA32).
  void SetVideoFormat(TVLVideoFormat format);
  TVLVideoFormat VideoFormat() const { return format_; }
  // Narrows what is accepted to entry `entry` of the row (-1: the whole row).
  // The graph's own negotiation lets the camera's order of types win over the
  // renderer's; accepting one entry at a time, in row order, is how the
  // capture makes the row decide.
  void SetAcceptedEntry(int entry) { accepted_ = entry; }
  int AcceptedEntry() const { return accepted_; }

  // Index 0 .. 6: a partial type, video with the subtype of that entry.
  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* mt) override;
  // Video with a VIDEOINFOHEADER block and a subtype of the accepted entries.
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mt) override;
  HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }

 private:
  ~TVLDSVideoRenderer() override = default;

  // Set before the renderer joins a graph, read during connection on the
  // same thread.
  TVLVideoFormat format_ = vfRGBA32;
  int accepted_ = -1;
};

}  // namespace lumicar
