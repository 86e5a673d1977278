// Finding pins through a filter's interfaces: by direction and index, the
// connected one, the preview output, and four-character codes.

#include "dsbase/base/pin_lookup.h"

#include "dsbase/base/binary_source_filter.h"
#include "dsbase/com/property_set.h"
#include "testing/dsbase/ds_test_filters.h"

namespace lumicar::dstest {
namespace {

class PinLookupTest : public DSLeakCheck {};

// An output pin that reports a pin category, as capture filters' pins do.
class TCategoryPin : public TDSBaseOutputPin, public IKsPropertySet {
 public:
  TCategoryPin(TDSBaseFilter* f, const QString& name, const TGUID& category)
      : TDSBaseOutputPin(name, f, f->FilterLock(), name), category_(category) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** o) override {
    if (!o) return E_POINTER;
    if (iid == IID_IKsPropertySet) return GetInterface<IKsPropertySet>(this, o);
    return TDSBaseOutputPin::NonDelegatingQueryInterface(iid, o);
  }
  HRESULT CheckMediaType(const AM_MEDIA_TYPE*) override { return S_OK; }
  HRESULT Set(const TGUID&, uint32_t, const void*, uint32_t, const void*, uint32_t) override { return E_NOTIMPL; }
  HRESULT Get(const TGUID& set, uint32_t id, const void*, uint32_t, void* data, uint32_t length,
              uint32_t* returned) override {
    if (!(set == AMPROPSETID_Pin) || id != AMPROPERTY_PIN_CATEGORY) return E_NOTIMPL;
    if (!data || !returned) return E_POINTER;
    if (length < sizeof(TGUID)) return E_UNEXPECTED;
    *static_cast<TGUID*>(data) = category_;
    *returned = sizeof(TGUID);
    return S_OK;
  }
  HRESULT QuerySupported(const TGUID&, uint32_t, uint32_t*) override { return E_NOTIMPL; }
  TGUID category_;
};

class TCaptureLikeFilter : public TDSBaseFilter {
 public:
  TCaptureLikeFilter() : TDSBaseFilter(QStringLiteral("Capture-like"), nullptr, GUID_NULL) {
    pins_[0] = std::make_unique<TCategoryPin>(this, u"Capture"_qs, PIN_CATEGORY_CAPTURE);
    pins_[1] = std::make_unique<TCategoryPin>(this, u"Preview"_qs, PIN_CATEGORY_PREVIEW);
  }
  int GetPinCount() override { return 2; }
  TDSBasePin* GetPin(int i) override { return i >= 0 && i < 2 ? pins_[i].get() : nullptr; }

 private:
  std::unique_ptr<TCategoryPin> pins_[2];
};

TEST_F(PinLookupTest, PinsByDirectionIndexAndConnection) {
  TIntf<TPassThroughTransform> transform(new TPassThroughTransform);
  TIntf<TCountingSource> source(new TCountingSource(8, 4, 2));
  IPin* pin = nullptr;
  ASSERT_EQ(LPDSGetInputPin(transform.get(), 0, &pin), S_OK);
  EXPECT_EQ(pin, static_cast<IPin*>(transform->GetPin(0)));
  pin->Release();
  ASSERT_EQ(LPDSGetOutputPin(transform.get(), 0, &pin), S_OK);
  EXPECT_EQ(pin, static_cast<IPin*>(transform->GetPin(1)));
  pin->Release();
  pin = reinterpret_cast<IPin*>(1);
  EXPECT_EQ(LPDSGetOutputPin(transform.get(), 1, &pin), VFW_E_NOT_FOUND);
  EXPECT_EQ(pin, nullptr);
  EXPECT_EQ(LPDSGetInputPin(source.get(), 0, &pin), VFW_E_NOT_FOUND);
  EXPECT_EQ(LPDSGetPin(transform.get(), PINDIR_INPUT, -1, &pin), E_INVALIDARG);
  EXPECT_EQ(LPDSGetPin(nullptr, PINDIR_INPUT, 0, &pin), E_POINTER);
  EXPECT_EQ(LPDSGetPin(transform.get(), PINDIR_INPUT, 0, nullptr), E_POINTER);

  EXPECT_EQ(LPGetFilterConnectedPin(transform.get(), PINDIR_INPUT, &pin), VFW_E_NOT_FOUND);
  ASSERT_EQ(ConnectPins(source->Pin(), transform->GetPin(0)), S_OK);
  ASSERT_EQ(LPGetFilterConnectedPin(transform.get(), PINDIR_INPUT, &pin), S_OK);
  EXPECT_EQ(pin, static_cast<IPin*>(transform->GetPin(0)));
  pin->Release();
  EXPECT_EQ(LPGetFilterConnectedPin(transform.get(), PINDIR_OUTPUT, &pin), VFW_E_NOT_FOUND);
  DisconnectPins(source->Pin(), transform->GetPin(0));
}

TEST_F(PinLookupTest, PreviewPinIsFoundByItsCategory) {
  TIntf<TCaptureLikeFilter> capture(new TCaptureLikeFilter);
  IPin* pin = nullptr;
  ASSERT_EQ(LPDSGetPreviewOutputPin(capture.get(), &pin), S_OK);
  EXPECT_EQ(pin, static_cast<IPin*>(capture->GetPin(1)));
  pin->Release();
  // Pins that report no category are never taken for the preview.
  TIntf<TPassThroughTransform> transform(new TPassThroughTransform);
  EXPECT_EQ(LPDSGetPreviewOutputPin(transform.get(), &pin), VFW_E_NOT_FOUND);
  EXPECT_EQ(pin, nullptr);
}

TEST_F(PinLookupTest, FourCharacterCodes) {
  uint32_t code = 1;
  EXPECT_TRUE(LPDSIsFourCC(MEDIASUBTYPE_YUY2, &code));
  EXPECT_EQ(code, DSMakeFourCC('Y', 'U', 'Y', '2'));
  EXPECT_FALSE(LPDSIsFourCC(MEDIASUBTYPE_RGB24, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(LPDSIsFourCC(MEDIASUBTYPE_MJPG));

  TIntf<TDSBinarySourceFilter> source(new TDSBinarySourceFilter);
  TIntf<TByteRenderer> renderer(new TByteRenderer(MEDIATYPE_Video));
  EXPECT_EQ(LPGetPinFourCC(source->Pin(), &code), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(LPGetPinFourCC(source->Pin(), nullptr), E_POINTER);
  EXPECT_EQ(LPGetPinFourCC(nullptr, &code), E_POINTER);
  TDSMediaType uyvy = VideoType(4, 2, MEDIASUBTYPE_UYVY, 16);
  ASSERT_EQ(source->SetMediaType(&uyvy.Get()), S_OK);
  ASSERT_EQ(ConnectPins(source->Pin(), renderer->GetPin(0)), S_OK);
  EXPECT_EQ(LPGetPinFourCC(renderer->GetPin(0), &code), S_OK);
  EXPECT_EQ(code, DSMakeFourCC('U', 'Y', 'V', 'Y'));
  DisconnectPins(source->Pin(), renderer->GetPin(0));

  TDSMediaType rgb = VideoType(4, 2);
  ASSERT_EQ(source->SetMediaType(&rgb.Get()), S_OK);
  ASSERT_EQ(ConnectPins(source->Pin(), renderer->GetPin(0)), S_OK);
  EXPECT_EQ(LPGetPinFourCC(source->Pin(), &code), S_FALSE);
  EXPECT_EQ(code, 0u);
  DisconnectPins(source->Pin(), renderer->GetPin(0));
}

}  // namespace
}  // namespace lumicar::dstest
