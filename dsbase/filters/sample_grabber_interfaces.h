#pragma once
// The sample grabber's interface and the callback it calls for each sample.

#include <cstdint>

#include "dsbase/media/sample_interfaces.h"

namespace lumicar {

inline const TGUID IID_ISampleGrabber = TGUID::FromString("{6B652FFF-11FE-4FCE-92AD-0266B5D7C78F}");
inline const TGUID IID_ISampleGrabberCB = TGUID::FromString("{0579154A-2B53-4994-B0D0-E773148EFF85}");

class ISampleGrabberCB : public virtual IUnknown {
 public:
  // Selector 0: the sample itself, on the streaming thread.
  virtual HRESULT SampleCB(double sampleTime, IMediaSample* sample) = 0;
  // Selector 1: the sample's bytes.
  virtual HRESULT BufferCB(double sampleTime, uint8_t* buffer, int32_t length) = 0;
};

class ISampleGrabber : public virtual IUnknown {
 public:
  virtual HRESULT SetOneShot(bool oneShot) = 0;
  // Only the major type, subtype and format type that are set count.
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT SetBufferSamples(bool buffer) = 0;
  // With `buffer` nullptr, `size` receives the bytes needed.
  virtual HRESULT GetCurrentBuffer(int32_t* size, uint8_t* buffer) = 0;
  virtual HRESULT GetCurrentSample(IMediaSample** sample) = 0;
  virtual HRESULT SetCallback(ISampleGrabberCB* callback, int32_t whichMethod) = 0;
};

}  // namespace lumicar
