#pragma once
// The graph as its filters see it: membership, reconnection, and the
// builder's connect call. The graph manager itself implements these.

#include "dsbase/com/filter_interfaces.h"

namespace lumicar {

inline const TGUID IID_IEnumFilters = TGUID::FromString("{56A86893-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID IID_IFilterGraph = TGUID::FromString("{56A8689F-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID IID_IGraphBuilder = TGUID::FromString("{56A868A9-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID IID_IFilterGraph2 = TGUID::FromString("{36B73882-C2C8-11CF-8B46-00805F6CEF60}");

class IEnumFilters : public virtual IUnknown {
 public:
  virtual HRESULT Next(uint32_t count, IBaseFilter** filters, uint32_t* fetched) = 0;
  virtual HRESULT Skip(uint32_t count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumFilters** copy) = 0;
};

class IFilterGraph : public virtual IUnknown {
 public:
  virtual HRESULT AddFilter(IBaseFilter* filter, const char16_t* name) = 0;
  virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
  virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
  virtual HRESULT FindFilterByName(const char16_t* name, IBaseFilter** filter) = 0;
  virtual HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT Reconnect(IPin* pin) = 0;
  virtual HRESULT Disconnect(IPin* pin) = 0;
  virtual HRESULT SetDefaultSyncSource() = 0;
};

class IGraphBuilder : public IFilterGraph {
 public:
  virtual HRESULT Connect(IPin* out, IPin* in) = 0;
  virtual HRESULT Render(IPin* out) = 0;
};

class IFilterGraph2 : public IGraphBuilder {
 public:
  virtual HRESULT ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* mt) = 0;
};

}  // namespace lumicar
