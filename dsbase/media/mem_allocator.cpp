#include "dsbase/media/mem_allocator.h"

#include <cstdlib>

#include "dsbase/com/class_factory.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/media/media_sample.h"

namespace lumicar {

namespace {
int64_t RoundUp(int64_t v, int64_t align) { return (v + align - 1) / align * align; }
}  // namespace

TDSMemAllocator::TDSMemAllocator(IUnknown* outer) : TDSDualUnknown(QStringLiteral("Memory allocator"), outer) {}

TDSMemAllocator::~TDSMemAllocator() {
  std::lock_guard guard(lock_);
  FreeMemoryLocked();
}

void TDSMemAllocator::Register() {
  static std::once_flag once;
  std::call_once(once, [] {
    DSRegisterClass(CLSID_MemoryAllocator, [](IUnknown* outer, HRESULT* hr) -> IUnknown* {
      auto* a = new TDSMemAllocator(outer);
      *hr = S_OK;
      IUnknown* unk = a->GetNonDelegatingUnknown();
      unk->AddRef();
      return unk;
    });
  });
}

HRESULT TDSMemAllocator::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IMemAllocator) return GetInterface<IMemAllocator>(this, object);
  return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TDSMemAllocator::SetProperties(const ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
  if (!request || !actual) return E_POINTER;
  const ALLOCATOR_PROPERTIES r = *request;
  if (r.cBuffers < 0 || r.cbBuffer < 0 || r.cbPrefix < 0) return E_INVALIDARG;
  if (r.cbAlign <= 0 || (r.cbAlign & (r.cbAlign - 1)) != 0) return VFW_E_BADALIGN;
  const int64_t align = std::max<int64_t>(r.cbAlign, kMinAlign);
  if (r.cbAlign > (1 << 20)) return VFW_E_BADALIGN;
  const int64_t slot = RoundUp(RoundUp(r.cbPrefix, align) + r.cbBuffer, align);
  if (int64_t(r.cBuffers) * slot > kMaxTotalBytes) return E_OUTOFMEMORY;
  std::lock_guard guard(lock_);
  if (committed_) return VFW_E_ALREADY_COMMITTED;
  if (outstanding_ > 0) return VFW_E_BUFFERS_OUTSTANDING;
  if (memory_) FreeMemoryLocked();
  props_ = r;
  *actual = r;
  return S_OK;
}

HRESULT TDSMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* props) {
  if (!props) return E_POINTER;
  std::lock_guard guard(lock_);
  *props = props_;
  return S_OK;
}

HRESULT TDSMemAllocator::Commit() {
  std::lock_guard guard(lock_);
  if (committed_) return S_OK;
  if (props_.cBuffers <= 0 || props_.cbBuffer <= 0) return VFW_E_SIZENOTSET;
  // Buffers from before a Decommit that are still out keep their memory;
  // committing again reuses it.
  if (!memory_) {
    const int64_t align = std::max<int64_t>(props_.cbAlign, kMinAlign);
    const int64_t prefix = RoundUp(props_.cbPrefix, align);
    const int64_t slot = RoundUp(prefix + props_.cbBuffer, align);
    memory_ = static_cast<uint8_t*>(std::aligned_alloc(size_t(align), size_t(slot * props_.cBuffers)));
    if (!memory_) return E_OUTOFMEMORY;
    samples_.reserve(size_t(props_.cBuffers));
    free_.reserve(size_t(props_.cBuffers));
    for (int32_t i = 0; i < props_.cBuffers; ++i) {
      auto* s = new TDSMediaSample(this, memory_ + i * slot + prefix, props_.cbBuffer);
      samples_.push_back(s);
      free_.push_back(s);
    }
  }
  committed_ = true;
  return S_OK;
}

HRESULT TDSMemAllocator::Decommit() {
  std::lock_guard guard(lock_);
  if (!committed_) return S_OK;
  committed_ = false;
  if (outstanding_ == 0) FreeMemoryLocked();
  freed_.notify_all();
  return S_OK;
}

HRESULT TDSMemAllocator::GetBuffer(IMediaSample** sample, const REFERENCE_TIME* start, const REFERENCE_TIME* stop,
                                   uint32_t flags) {
  if (!sample) return E_POINTER;
  *sample = nullptr;
  TDSMediaSample* s = nullptr;
  {
    std::unique_lock guard(lock_);
    for (;;) {
      if (!committed_) return VFW_E_NOT_COMMITTED;
      if (!free_.empty()) break;
      if (flags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
      freed_.wait(guard);
    }
    s = free_.back();
    free_.pop_back();
    ++outstanding_;
    s->ResetForUse();
  }
  // While out, the sample keeps its allocator alive.
  AddRef();
  if (start) s->SetTime(start, stop);
  s->NonDelegatingAddRef();
  *sample = s;
  return S_OK;
}

HRESULT TDSMemAllocator::ReleaseBuffer(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  auto* s = dynamic_cast<TDSMediaSample*>(sample);
  // Only the sample itself hands its buffer back, at its last Release.
  if (!s || s->allocator_ != this || !s->returning_) return E_INVALIDARG;
  {
    std::lock_guard guard(lock_);
    s->ResetForUse();
    free_.push_back(s);
    --outstanding_;
    if (!committed_ && outstanding_ == 0) FreeMemoryLocked();
    freed_.notify_one();
  }
  Release();  // the reference the sample held; may destroy the allocator
  return S_OK;
}

void TDSMemAllocator::FreeMemoryLocked() {
  for (TDSMediaSample* s : samples_) delete s;
  samples_.clear();
  free_.clear();
  std::free(memory_);
  memory_ = nullptr;
}

int32_t TDSMemAllocator::OutstandingCount() const {
  std::lock_guard guard(lock_);
  return outstanding_;
}

bool TDSMemAllocator::IsCommitted() const {
  std::lock_guard guard(lock_);
  return committed_;
}

bool TDSMemAllocator::HasMemory() const {
  std::lock_guard guard(lock_);
  return memory_ != nullptr;
}

}  // namespace lumicar
