#include "dsbase/base/data_source_pin.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "dsbase/base/base_filter.h"
#include "dsbase/com/result_codes.h"

namespace lumicar {

namespace {

// start + length * part / whole without overflowing 64 bits.
REFERENCE_TIME SharePoint(REFERENCE_TIME start, REFERENCE_TIME length, int64_t part, int64_t whole) {
  return start + REFERENCE_TIME(static_cast<__int128>(length) * part / whole);
}

}  // namespace

TDSDataSourceStreamPin::TDSDataSourceStreamPin(const QString& pinName, TDSBaseSourceFilter* filter, int32_t bufferSize)
    : TDSSourceStreamPin(pinName, filter, pinName), bufferSize_(std::clamp(bufferSize, 1, kMaxBufferSize)) {}

HRESULT TDSDataSourceStreamPin::SetBufferSize(int32_t bytes) {
  if (bytes <= 0 || bytes > kMaxBufferSize) return E_INVALIDARG;
  bufferSize_.store(bytes, std::memory_order_release);
  return S_OK;
}

HRESULT TDSDataSourceStreamPin::IntDecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (!allocator || !request) return E_POINTER;
  ALLOCATOR_PROPERTIES want = *request;
  want.cBuffers = std::max(want.cBuffers, 1);
  want.cbBuffer = std::max(want.cbBuffer, BufferSize());
  want.cbAlign = std::max(want.cbAlign, 1);
  want.cbPrefix = std::max(want.cbPrefix, 0);
  ALLOCATOR_PROPERTIES actual;
  const HRESULT hr = allocator->SetProperties(&want, &actual);
  if (FAILED(hr)) return hr;
  // Any buffer can carry a block, cut finer; an empty one cannot.
  return actual.cBuffers >= 1 && actual.cbBuffer >= 1 ? S_OK : E_FAIL;
}

HRESULT TDSDataSourceStreamPin::WaitForDeliveryBuffer(IMediaSample** sample) {
  HRESULT hr = E_FAIL;
  for (int attempt = 0; attempt < kMaxBufferAttempts; ++attempt) {
    hr = GetDeliveryBuffer(sample, nullptr, nullptr, 0);
    if (SUCCEEDED(hr) && *sample) return S_OK;
    if (!IsConnected() || IsStopped()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return FAILED(hr) ? hr : E_FAIL;
}

bool TDSDataSourceStreamPin::SendBlock(const uint8_t* data, int64_t size, bool stamp, REFERENCE_TIME start,
                                       REFERENCE_TIME stop, bool syncPoint) {
  if (!IsConnected()) return false;
  if (size < 0 || (size > 0 && !data)) return false;
  if (stop < start) stop = start;
  const REFERENCE_TIME length = stop - start;
  const int64_t granule = std::max(SampleGranule(), 1);
  int64_t offset = 0;
  while (offset < size) {
    IMediaSample* raw = nullptr;
    if (FAILED(WaitForDeliveryBuffer(&raw))) return false;
    TIntf<IMediaSample> sample = TIntf<IMediaSample>::Adopt(raw);
    uint8_t* buffer = nullptr;
    const int64_t room = sample->GetSize();
    if (FAILED(sample->GetPointer(&buffer)) || !buffer || room <= 0) return false;
    int64_t n = std::min(room, size - offset);
    if (n < size - offset && n >= granule) n -= n % granule;
    std::memcpy(buffer, data + offset, size_t(n));
    if (FAILED(sample->SetActualDataLength(int32_t(n)))) return false;
    if (stamp) {
      const REFERENCE_TIME t0 = SharePoint(start, length, offset, size);
      const REFERENCE_TIME t1 = offset + n == size ? stop : SharePoint(start, length, offset + n, size);
      sample->SetTime(&t0, &t1);
      sample->SetSyncPoint(syncPoint);
    }
    offset += n;
    if (Deliver(sample.get()) != S_OK) return false;
  }
  return true;
}

}  // namespace lumicar
