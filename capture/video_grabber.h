#pragma once
// TDSVideoGrabber: a transform filter that hands every input sample to a
// callback on the streaming thread. A handler of the capture graph's
// OnVideoGrabberCreate event may give it to the capture as its video
// grabber instead of the system sample grabber. It accepts the seven pixel
// formats of one preference row and offers RGB24 downstream.

#include <functional>

#include "capture/format_preference.h"
#include "dsbase/base/transform_filter.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSVideoGrabber final : public TDSTransformFilter {
 public:
  using TCallback = std::function<void(IMediaSample* sample)>;

  TDSVideoGrabber(const QString& name, const TGUID& classId, TCallback callback);

  // The row whose formats the input offers and accepts (initially vfRGBA32's).
  void SetVideoFormat(TVLVideoFormat format);
  TVLVideoFormat VideoFormat() const;
  // Size and frame period of the input connection.
  int Width() const;
  int Height() const;
  int64_t FramePeriod() const;

  TDSBasePin* GetPin(int index) override;
  HRESULT FindPin(const char16_t* id, IPin** pin) override;

  HRESULT CheckInputType(const AM_MEDIA_TYPE* mt) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  // Index 0: RGB24 with a VIDEOINFOHEADER2 block; 1: with a VIDEOINFOHEADER.
  HRESULT GetOutMediaType(int position, AM_MEDIA_TYPE* mt) override;
  HRESULT SetMediaType(PIN_DIRECTION dir, const AM_MEDIA_TYPE* mt) override;
  // The callback sees the input sample. The output sample goes on empty: the
  // filter draws nothing into it.
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

  // Partial type `position` of the input side (the row's formats).
  HRESULT GetInputMediaType(int position, AM_MEDIA_TYPE* mt) const;

 protected:
  bool CreatePins() override;

 private:
  ~TDSVideoGrabber() override = default;

  TCallback callback_;
  mutable TLeafMutex lock_{"video grabber lock"};  // the fields below
  TVLVideoFormat format_ = vfRGBA32;
  int width_ = 0, height_ = 0;
  int64_t period_ = 0;
};

}  // namespace lumicar
