#pragma once
// The reference-counted interface base every shared object of the library
// travels through (operations, lock sections, buffers, media objects), its
// result codes, and the intrusive smart pointer that holds such references.

#include <atomic>
#include <cstdint>
#include <utility>

#include "runtime/guid.h"

namespace lumicar {

using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_UNEXPECTED = HRESULT(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// IID {00000000-0000-0000-C000-000000000046}
inline const TGUID IID_IUnknown = TGUID::FromString("{00000000-0000-0000-C000-000000000046}");

// The root interface: reference counting and interface queries.
class IUnknown {
 public:
  virtual HRESULT QueryInterface(const TGUID& iid, void** object) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

// Implements reference counting for a class with one or more interfaces;
// the object deletes itself with its last reference. Derived classes answer
// their own interfaces in QueryInterface and fall back to this one.
class TInterfacedObject : public virtual IUnknown {
 public:
  TInterfacedObject() = default;
  TInterfacedObject(const TInterfacedObject&) = delete;
  TInterfacedObject& operator=(const TInterfacedObject&) = delete;

  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  uint32_t AddRef() override { return refCount_.fetch_add(1, std::memory_order_relaxed) + 1; }
  uint32_t Release() override {
    const uint32_t left = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }
  uint32_t RefCount() const { return refCount_.load(std::memory_order_relaxed); }

 protected:
  ~TInterfacedObject() override = default;

 private:
  std::atomic<uint32_t> refCount_{0};
};

// Intrusive owning reference to an interface (or an implementing class):
// AddRef on copy, Release on destruction.
template <typename T>
class TIntf {
 public:
  TIntf() = default;
  TIntf(std::nullptr_t) {}
  TIntf(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  TIntf(const TIntf& o) : TIntf(o.p_) {}
  TIntf(TIntf&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <typename U>
  requires std::is_convertible_v<U*, T*> TIntf(const TIntf<U>& o) : TIntf(static_cast<T*>(o.get())) {}
  ~TIntf() { reset(); }

  TIntf& operator=(TIntf o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  // Takes over a reference the caller already holds (no AddRef).
  static TIntf Adopt(T* p) {
    TIntf r;
    r.p_ = p;
    return r;
  }
  // Gives up the held reference without releasing it.
  T* Detach() { return std::exchange(p_, nullptr); }

  void reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  friend bool operator==(const TIntf& a, const TIntf& b) { return a.p_ == b.p_; }
  friend bool operator==(const TIntf& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

// Creates an object and returns the first reference to it.
template <typename T, typename... Args>
TIntf<T> MakeIntf(Args&&... args) {
  return TIntf<T>(new T(std::forward<Args>(args)...));
}

// Queries `from` for interface I identified by iid; empty when absent.
template <typename I>
TIntf<I> QueryIntf(IUnknown* from, const TGUID& iid) {
  void* p = nullptr;
  if (!from || FAILED(from->QueryInterface(iid, &p)) || !p) return {};
  return TIntf<I>::Adopt(static_cast<I*>(p));
}

}  // namespace lumicar
