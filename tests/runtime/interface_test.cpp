#include "runtime/interface.h"

#include <gtest/gtest.h>

using namespace lumicar;

namespace {

const TGUID IID_ICounter = TGUID::FromString("{11111111-2222-3333-4444-555555555555}");

class ICounter : public virtual IUnknown {
 public:
  virtual int Next() = 0;
};

class TCounter : public TInterfacedObject, public ICounter {
 public:
  explicit TCounter(int* destroyed) : destroyed_(destroyed) {}
  ~TCounter() override { ++*destroyed_; }
  int Next() override { return ++n_; }
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (object && iid == IID_ICounter) {
      *object = static_cast<ICounter*>(this);
      AddRef();
      return S_OK;
    }
    return TInterfacedObject::QueryInterface(iid, object);
  }

 private:
  int* destroyed_;
  int n_ = 0;
};

}  // namespace

TEST(Interface, LastReferenceFreesTheObject) {
  int destroyed = 0;
  {
    TIntf<TCounter> a = MakeIntf<TCounter>(&destroyed);
    EXPECT_EQ(a->RefCount(), 1u);
    TIntf<ICounter> b = a;
    TIntf<ICounter> c = std::move(b);
    EXPECT_FALSE(b);
    EXPECT_EQ(a->RefCount(), 2u);
    EXPECT_EQ(c->Next(), 1);
    a.reset();
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 1);
}

TEST(Interface, QueryFindsImplementedInterfacesOnly) {
  int destroyed = 0;
  TIntf<TCounter> obj = MakeIntf<TCounter>(&destroyed);
  TIntf<ICounter> counter = QueryIntf<ICounter>(obj.get(), IID_ICounter);
  ASSERT_TRUE(counter);
  EXPECT_EQ(counter->Next(), 1);
  EXPECT_FALSE(QueryIntf<ICounter>(obj.get(), TGUID{}));
  void* out = &destroyed;
  EXPECT_EQ(obj->QueryInterface(TGUID{}, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(obj->QueryInterface(IID_ICounter, nullptr), E_POINTER);
  EXPECT_EQ(obj->RefCount(), 2u);
}
