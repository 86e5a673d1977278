#pragma once
// The reference-counted base of every media object. An object may be
// aggregated into an outer object: its IUnknown then forwards to the outer
// one, while the outer object holds the inner one through the
// non-delegating unknown (GetNonDelegatingUnknown).

#include <QString>
#include <atomic>
#include <cstdint>

#include "runtime/interface.h"

namespace lumicar {

class TDSDualUnknown : public virtual IUnknown {
 public:
  TDSDualUnknown(const QString& name, IUnknown* outer);
  TDSDualUnknown(const TDSDualUnknown&) = delete;
  TDSDualUnknown& operator=(const TDSDualUnknown&) = delete;

  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  uint32_t AddRef() override;
  uint32_t Release() override;

  virtual HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object);
  virtual uint32_t NonDelegatingAddRef();
  virtual uint32_t NonDelegatingRelease();

  // The IUnknown an outer object keeps to reach and own this object.
  IUnknown* GetNonDelegatingUnknown() { return &inner_; }
  IUnknown* GetOwner() const { return outer_; }
  const QString& Name() const { return name_; }
  int32_t RefCount() const { return refCount_.load(std::memory_order_relaxed); }

 protected:
  ~TDSDualUnknown() override;

  // Hands out `iface` (already cast to the wanted interface) with a reference.
  template <typename I>
  HRESULT GetInterface(I* iface, void** object) {
    *object = iface;
    iface->AddRef();
    return S_OK;
  }

 private:
  class TInner final : public IUnknown {
   public:
    explicit TInner(TDSDualUnknown* self) : self_(self) {}
    HRESULT QueryInterface(const TGUID& iid, void** object) override;
    uint32_t AddRef() override { return self_->NonDelegatingAddRef(); }
    uint32_t Release() override { return self_->NonDelegatingRelease(); }

   private:
    TDSDualUnknown* self_;
  };

  std::atomic<int32_t> refCount_{0};
  IUnknown* outer_;  // not counted: the outer object owns us
  QString name_;
  TInner inner_{this};
};

}  // namespace lumicar
