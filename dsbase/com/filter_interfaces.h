#pragma once
// The interfaces a graph drives filters and pins through, and those pins
// use between themselves: filter, pin, enumerators, sample transport and
// quality messages.

#include <cstdint>

#include "dsbase/com/reference_clock.h"
#include "runtime/interface.h"

namespace lumicar {

struct AM_MEDIA_TYPE;
class IMemAllocator;
class IMediaSample;
struct ALLOCATOR_PROPERTIES;
class IFilterGraph;
class IBaseFilter;
class IEnumPins;
class IEnumMediaTypes;

enum FILTER_STATE : int32_t { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
enum PIN_DIRECTION : int32_t { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

constexpr int kMaxPinName = 128;
constexpr int kMaxFilterName = 128;

struct PIN_INFO {
  IBaseFilter* pFilter;  // counted: the receiver releases it
  PIN_DIRECTION dir;
  char16_t achName[kMaxPinName];
};

struct FILTER_INFO {
  char16_t achName[kMaxFilterName];
  IFilterGraph* pGraph;  // counted when set: the receiver releases it
};

enum QualityMessageType : int32_t { Famine = 0, Flood = 1 };

struct Quality {
  QualityMessageType Type = Famine;
  int32_t Proportion = 1000;  // wanted rate in thousandths of the current one
  REFERENCE_TIME Late = 0;
  REFERENCE_TIME TimeStamp = 0;
};

inline const TGUID IID_IPersist = TGUID::FromString("{0000010C-0000-0000-C000-000000000046}");
inline const TGUID IID_IMediaFilter = TGUID::FromString("{56A86899-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID IID_IBaseFilter = TGUID::FromString("{56A86895-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID IID_IPin = TGUID::FromString("{56A86891-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID IID_IEnumPins = TGUID::FromString("{56A86892-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID IID_IEnumMediaTypes = TGUID::FromString("{89C31040-846B-11CE-97D3-00AA0055595A}");
inline const TGUID IID_IMemInputPin = TGUID::FromString("{56A8689D-0AD4-11CE-B03A-0020AF0BA770}");
inline const TGUID IID_IQualityControl = TGUID::FromString("{56A868A5-0AD4-11CE-B03A-0020AF0BA770}");

class IPersist : public virtual IUnknown {
 public:
  virtual HRESULT GetClassID(TGUID* classId) = 0;
};

class IMediaFilter : public IPersist {
 public:
  virtual HRESULT Stop() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Run(REFERENCE_TIME start) = 0;
  virtual HRESULT GetState(uint32_t timeoutMs, FILTER_STATE* state) = 0;
  virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
  virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;
};

class IPin;

class IBaseFilter : public IMediaFilter {
 public:
  virtual HRESULT EnumPins(IEnumPins** pins) = 0;
  virtual HRESULT FindPin(const char16_t* id, IPin** pin) = 0;
  virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
  virtual HRESULT JoinFilterGraph(IFilterGraph* graph, const char16_t* name) = 0;
  virtual HRESULT QueryVendorInfo(char16_t** vendorInfo) = 0;
};

class IPin : public virtual IUnknown {
 public:
  virtual HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT Disconnect() = 0;
  virtual HRESULT ConnectedTo(IPin** pin) = 0;
  virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
  virtual HRESULT QueryDirection(PIN_DIRECTION* dir) = 0;
  virtual HRESULT QueryId(char16_t** id) = 0;
  virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* mt) = 0;
  virtual HRESULT EnumMediaTypes(IEnumMediaTypes** types) = 0;
  virtual HRESULT QueryInternalConnections(IPin** pins, uint32_t* count) = 0;
  virtual HRESULT EndOfStream() = 0;
  virtual HRESULT BeginFlush() = 0;
  virtual HRESULT EndFlush() = 0;
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};

class IEnumPins : public virtual IUnknown {
 public:
  virtual HRESULT Next(uint32_t count, IPin** pins, uint32_t* fetched) = 0;
  virtual HRESULT Skip(uint32_t count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumPins** copy) = 0;
};

class IEnumMediaTypes : public virtual IUnknown {
 public:
  // Each type handed out is task memory; free it with LPDSDeleteMediaType.
  virtual HRESULT Next(uint32_t count, AM_MEDIA_TYPE** types, uint32_t* fetched) = 0;
  virtual HRESULT Skip(uint32_t count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumMediaTypes** copy) = 0;
};

class IMemInputPin : public virtual IUnknown {
 public:
  virtual HRESULT GetAllocator(IMemAllocator** allocator) = 0;
  virtual HRESULT NotifyAllocator(IMemAllocator* allocator, bool readOnly) = 0;
  virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) = 0;
  virtual HRESULT Receive(IMediaSample* sample) = 0;
  virtual HRESULT ReceiveMultiple(IMediaSample** samples, int32_t count, int32_t* processed) = 0;
  virtual HRESULT ReceiveCanBlock() = 0;
};

class IQualityControl : public virtual IUnknown {
 public:
  virtual HRESULT Notify(IBaseFilter* self, Quality q) = 0;
  virtual HRESULT SetSink(IQualityControl* sink) = 0;
};

}  // namespace lumicar
