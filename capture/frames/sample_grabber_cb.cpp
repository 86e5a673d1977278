#include "capture/frames/sample_grabber_cb.h"

namespace lumicar {

HRESULT TDSSampleGrabberCB::QueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_ISampleGrabberCB) {
    *object = static_cast<ISampleGrabberCB*>(this);
    return S_OK;
  }
  if (iid == IID_IUnknown) {
    *object = static_cast<IUnknown*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT TDSSampleGrabberCB::SampleCB(double sampleTime, IMediaSample* sample) {
  if (handler_) handler_(sampleTime, sample);
  return S_OK;
}

}  // namespace lumicar
