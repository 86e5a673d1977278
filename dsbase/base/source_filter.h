#pragma once
// A filter whose pins are push output pins fed from outside (no thread of
// their own): the owner gets a delivery buffer, fills it and delivers it.
// Source pins register with their filter on creation and leave on
// destruction; the filter destroys the pins it still holds, last first.

#include <mutex>
#include <vector>

#include "dsbase/base/base_filter.h"
#include "dsbase/base/base_output_pin.h"
#include "runtime/sync/leaf_mutex.h"

namespace lumicar {

class TDSSourceStreamPin;

class TDSBaseSourceFilter : public TDSBaseFilter {
 public:
  TDSBaseSourceFilter(const QString& name, IUnknown* outer, const TGUID& classId);

  HRESULT AddPin(TDSSourceStreamPin* pin);
  HRESULT RemovePin(TDSSourceStreamPin* pin);
  int GetPinCount() override;
  TDSBasePin* GetPin(int index) override;
  HRESULT FindPin(const char16_t* id, IPin** pin) override;

 protected:
  ~TDSBaseSourceFilter() override;

 private:
  mutable TLeafMutex pinsLock_{"source filter pin list lock"};  // leaf lock over the list only
  std::vector<TDSSourceStreamPin*> pins_;                       // owned
};

class TDSSourceStreamPin : public TDSBaseOutputPin {
 public:
  TDSSourceStreamPin(const QString& objectName, TDSBaseSourceFilter* filter, const QString& pinName);
  ~TDSSourceStreamPin() override;

  HRESULT GetMediaType(int position, AM_MEDIA_TYPE* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  virtual HRESULT IntDecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
  virtual HRESULT IntGetMediaType(int position, AM_MEDIA_TYPE* mt) = 0;

  TDSBaseSourceFilter* SourceFilter() const { return source_; }

 private:
  TDSBaseSourceFilter* source_;
};

}  // namespace lumicar
