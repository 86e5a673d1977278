// Device enumeration against a provider: category contents and order, the
// property bag, binding, and display names that parse back to the device.

#include <gtest/gtest.h>

#include "dsbase/com/class_factory.h"
#include "dsbase/com/task_memory.h"
#include "dsbase/graph/moniker_interfaces.h"
#include "tests/dsbase/graph_test_support.h"

namespace lumicar::dstest {
namespace {

class DevEnumTest : public DSLeakCheck {
 protected:
  void SetUp() override {
    DSRegisterSystemClasses();
    DSLeakCheck::SetUp();
    provider_ = std::make_shared<TTestDeviceProvider>(
        CLSID_VideoInputDeviceCategory,
        std::vector<TDSDeviceDescription>{{u"Test Camera"_qs, u"usb-1"_qs, u"/dev/video0"_qs,
                                           TGUID::FromString("{11111111-2222-3333-4444-555555555555}")},
                                          {u"Test Camera"_qs, u"usb-2"_qs, QString(), GUID_NULL}});
    DSRegisterDeviceProvider(provider_);
    void* raw = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, 3, IID_ICreateDevEnum, &raw), S_OK);
    devEnum_ = TIntf<ICreateDevEnum>::Adopt(static_cast<ICreateDevEnum*>(raw));
  }
  void TearDown() override {
    devEnum_.reset();
    DSUnregisterDeviceProvider(provider_.get());
    DSLeakCheck::TearDown();
  }
  std::vector<TIntf<IMoniker>> List(const TGUID& category) {
    std::vector<TIntf<IMoniker>> all;
    IEnumMoniker* raw = nullptr;
    if (devEnum_->CreateClassEnumerator(category, &raw, 0) != S_OK) return all;
    TIntf<IEnumMoniker> e = TIntf<IEnumMoniker>::Adopt(raw);
    IMoniker* m = nullptr;
    while (e->Next(1, &m, nullptr) == S_OK) all.push_back(TIntf<IMoniker>::Adopt(m));
    return all;
  }
  static QString Name(IMoniker* m) {
    char16_t* text = nullptr;
    if (FAILED(m->GetDisplayName(nullptr, nullptr, &text))) return {};
    QString s = QString::fromUtf16(text);
    CoTaskMemFree(text);
    return s;
  }
  std::shared_ptr<TTestDeviceProvider> provider_;
  TIntf<ICreateDevEnum> devEnum_;
};

TEST_F(DevEnumTest, CategoriesListTheirDevicesInOrderAndAudioStaysEmpty) {
  IEnumMoniker* e = reinterpret_cast<IEnumMoniker*>(1);
  EXPECT_EQ(devEnum_->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, &e, 0), S_FALSE);
  EXPECT_EQ(e, nullptr);
  EXPECT_EQ(devEnum_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, nullptr, 0), E_POINTER);
  std::vector<TIntf<IMoniker>> all = List(CLSID_VideoInputDeviceCategory);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(Name(all[0].get()), u"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\usb-1"_qs);

  void* raw = nullptr;
  ASSERT_EQ(all[0]->BindToStorage(nullptr, nullptr, IID_IPropertyBag, &raw), S_OK);
  TIntf<IPropertyBag> bag = TIntf<IPropertyBag>::Adopt(static_cast<IPropertyBag*>(raw));
  QString value;
  ASSERT_EQ(bag->Read(u"FriendlyName", &value), S_OK);
  EXPECT_EQ(value, u"Test Camera"_qs);
  ASSERT_EQ(bag->Read(u"CLSID", &value), S_OK);
  EXPECT_EQ(value, u"{11111111-2222-3333-4444-555555555555}"_qs);
  ASSERT_EQ(bag->Read(u"DevicePath", &value), S_OK);
  EXPECT_EQ(bag->Read(u"Nothing", &value), E_INVALIDARG);
  EXPECT_EQ(bag->Read(nullptr, &value), E_POINTER);
  EXPECT_EQ(bag->Write(u"FriendlyName", u"x"_qs), E_FAIL);

  ASSERT_EQ(all[1]->BindToStorage(nullptr, nullptr, IID_IPropertyBag, &raw), S_OK);
  TIntf<IPropertyBag> second = TIntf<IPropertyBag>::Adopt(static_cast<IPropertyBag*>(raw));
  EXPECT_EQ(second->Read(u"CLSID", &value), E_INVALIDARG);  // none given

  ASSERT_EQ(all[1]->BindToObject(nullptr, nullptr, IID_IBaseFilter, &raw), S_OK);
  static_cast<IBaseFilter*>(raw)->Release();
  TGUID clsid;
  all[0]->GetClassID(&clsid);
  EXPECT_EQ(clsid, CLSID_CDeviceMoniker);
}

TEST_F(DevEnumTest, DisplayNamesParseBackToTheSameDevice) {
  std::vector<TIntf<IMoniker>> all = List(CLSID_VideoInputDeviceCategory);
  ASSERT_EQ(all.size(), 2u);
  IBindCtx* rawCtx = nullptr;
  ASSERT_EQ(CreateBindCtx(0, &rawCtx), S_OK);
  TIntf<IBindCtx> ctx = TIntf<IBindCtx>::Adopt(rawCtx);
  const QString second = Name(all[1].get());
  uint32_t eaten = 0;
  IMoniker* parsed = nullptr;
  ASSERT_EQ(MkParseDisplayName(ctx.get(), reinterpret_cast<const char16_t*>(second.utf16()), &eaten, &parsed), S_OK);
  TIntf<IMoniker> back = TIntf<IMoniker>::Adopt(parsed);
  EXPECT_EQ(eaten, uint32_t(second.size()));
  EXPECT_EQ(back->IsEqual(all[1].get()), S_OK);
  EXPECT_EQ(back->IsEqual(all[0].get()), S_FALSE);

  // "Default": the first device of the category.
  ASSERT_EQ(MkParseDisplayName(ctx.get(), u"@device:*:{860BB310-5D01-11d0-BD3B-00A0C911CE86}", &eaten, &parsed), S_OK);
  TIntf<IMoniker> first = TIntf<IMoniker>::Adopt(parsed);
  EXPECT_EQ(first->IsEqual(all[0].get()), S_OK);

  const char16_t* malformed[] = {u"",
                                 u"@device",
                                 u"@device::x",
                                 u"@dev:sw:x",
                                 u"@device:sw:{860BB310}\\usb-1",
                                 u"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}",
                                 u"@device:*:nonsense"};
  for (const char16_t* name : malformed) {
    parsed = reinterpret_cast<IMoniker*>(1);
    EXPECT_EQ(MkParseDisplayName(ctx.get(), name, &eaten, &parsed), MK_E_SYNTAX)
        << QString::fromUtf16(name).toStdString();
    EXPECT_EQ(parsed, nullptr);
    EXPECT_EQ(eaten, 0u);
  }
  EXPECT_EQ(MkParseDisplayName(ctx.get(), u"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\usb-9", &eaten, &parsed),
            MK_E_NOOBJECT);
  EXPECT_EQ(MkParseDisplayName(ctx.get(), u"@device:*:{33D9A762-90C8-11D0-BD43-00A0C911CE86}", &eaten, &parsed),
            MK_E_NOOBJECT);
  EXPECT_EQ(MkParseDisplayName(nullptr, u"@device:*:x", &eaten, &parsed), E_INVALIDARG);
  EXPECT_EQ(MkParseDisplayName(ctx.get(), nullptr, &eaten, &parsed), E_POINTER);

  // A device that has gone binds to nothing.
  {
    std::lock_guard guard(provider_->lock_);
    provider_->devices_.pop_back();
  }
  void* raw = nullptr;
  EXPECT_EQ(back->BindToObject(nullptr, nullptr, IID_IBaseFilter, &raw), VFW_E_NOT_FOUND);
  EXPECT_EQ(raw, nullptr);
}

}  // namespace
}  // namespace lumicar::dstest
