#include "dsbase/base/source_filter.h"

#include <algorithm>

#include "dsbase/com/result_codes.h"

namespace lumicar {

TDSBaseSourceFilter::TDSBaseSourceFilter(const QString& name, IUnknown* outer, const TGUID& classId)
    : TDSBaseFilter(name, outer, classId) {}

TDSBaseSourceFilter::~TDSBaseSourceFilter() {
  for (;;) {
    TDSSourceStreamPin* last;
    {
      std::lock_guard guard(pinsLock_);
      if (pins_.empty()) break;
      last = pins_.back();
      pins_.pop_back();
    }
    delete last;
  }
}

HRESULT TDSBaseSourceFilter::AddPin(TDSSourceStreamPin* pin) {
  if (!pin) return E_POINTER;
  {
    std::lock_guard guard(pinsLock_);
    if (std::find(pins_.begin(), pins_.end(), pin) != pins_.end()) return S_FALSE;
    pins_.push_back(pin);
  }
  IncrementPinVersion();
  return S_OK;
}

HRESULT TDSBaseSourceFilter::RemovePin(TDSSourceStreamPin* pin) {
  {
    std::lock_guard guard(pinsLock_);
    auto it = std::find(pins_.begin(), pins_.end(), pin);
    if (it == pins_.end()) return S_FALSE;
    pins_.erase(it);
  }
  IncrementPinVersion();
  return S_OK;
}

int TDSBaseSourceFilter::GetPinCount() {
  std::lock_guard guard(pinsLock_);
  return int(pins_.size());
}

TDSBasePin* TDSBaseSourceFilter::GetPin(int index) {
  std::lock_guard guard(pinsLock_);
  if (index < 0 || index >= int(pins_.size())) return nullptr;
  return pins_[size_t(index)];
}

HRESULT TDSBaseSourceFilter::FindPin(const char16_t* id, IPin** pin) {
  if (!pin) return E_POINTER;
  return TDSBaseFilter::FindPin(id, pin);
}

TDSSourceStreamPin::TDSSourceStreamPin(const QString& objectName, TDSBaseSourceFilter* filter, const QString& pinName)
    : TDSBaseOutputPin(objectName, filter, filter->FilterLock(), pinName), source_(filter) {
  source_->AddPin(this);
}

TDSSourceStreamPin::~TDSSourceStreamPin() { source_->RemovePin(this); }

HRESULT TDSSourceStreamPin::GetMediaType(int position, AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  std::lock_guard guard(*lock_);
  return IntGetMediaType(position, mt);
}

HRESULT TDSSourceStreamPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (!allocator || !request) return E_POINTER;
  std::lock_guard guard(*lock_);
  return IntDecideBufferSize(allocator, request);
}

}  // namespace lumicar
