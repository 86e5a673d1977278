// Device lists: what the video input category lists and under which names, the
// numbering of identical names, every lookup, the filter types, and the list of
// all registered filters.

#include <gtest/gtest.h>

#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/com/graph_ids.h"
#include "dsbase/devices/cap_device_list.h"
#include "dsbase/graph/device_provider.h"
#include "tests/dsbase/devices/device_test_support.h"
#include "tests/dsbase/graph_test_support.h"

namespace lumicar::devtest {
namespace {

using TDeviceListTest = TDeviceTest;

QStringList UniqueNames(const TVLDSCapDeviceList& list) {
  QStringList names;
  for (int i = 0; i < list.Count(); ++i) names << list.Items(i)->UniqueName();
  return names;
}

TEST_F(TDeviceListTest, CamerasListInProviderOrderUnderStableNamesAndEveryLookupAgrees) {
  TVLDSCapDeviceList list;
  list.EnumFilters(CLSID_VideoInputDeviceCategory);
  ASSERT_EQ(UniqueNames(list), (QStringList{u"Document Camera"_qs, u"Document Camera (2)"_qs, u"Test pattern"_qs}));
  EXPECT_EQ(list.Items(0)->DriverName(), DriverNameOf(kCameraA));
  EXPECT_EQ(list.Items(1)->DriverName(), DriverNameOf(kCameraB));
  EXPECT_EQ(list.Items(2)->DriverName(), PatternDriverName());
  EXPECT_EQ(list.Items(3), nullptr);
  EXPECT_EQ(list.Items(-1), nullptr);
  for (int i = 0; i < list.Count(); ++i) {
    const TMLDSCapDeviceInfo* d = list.Items(i);
    EXPECT_EQ(d->CategoryClassId(), CLSID_VideoInputDeviceCategory);
    EXPECT_EQ(d->MonikerClassId(), CLSID_CDeviceMoniker);
    EXPECT_EQ(d->FilterClassId(), CLSID_V4L2CaptureFilter);
    EXPECT_EQ(d->FilterType(), ftUnknown);
    EXPECT_EQ(d->TrimmedName(), d->FriendlyName());
    // Every key leads to the same device.
    EXPECT_EQ(list.GetDeviceNameByString(d->UniqueName()), d->DriverName());
    EXPECT_EQ(list.GetStringByDeviceName(d->DriverName()), d->UniqueName());
    EXPECT_EQ(list.GetMonikerByDeviceName(d->DriverName()).get(), d->Moniker());
    EXPECT_EQ(list.GetMonikerByString(d->UniqueName()).get(), d->Moniker());
    EXPECT_EQ(list.GetIntByMoniker(d->Moniker()), i);
    EXPECT_EQ(list.GetStringByMoniker(d->Moniker()), d->UniqueName());
  }
  // The class id lookups take the first device of that class.
  EXPECT_EQ(list.GetMonikerByCLSID(CLSID_V4L2CaptureFilter).get(), list.Items(0)->Moniker());
  EXPECT_EQ(list.GetStringByCLSID(CLSID_V4L2CaptureFilter), u"Document Camera"_qs);
  EXPECT_EQ(list.GetCLSIDByString(u"Test pattern"_qs), CLSID_V4L2CaptureFilter);

  // Exact, case-sensitive keys; nothing found gives empty, none, -1 or all-zero.
  EXPECT_TRUE(list.GetDeviceNameByString(u"document camera"_qs).isEmpty());
  EXPECT_TRUE(list.GetStringByDeviceName(DriverNameOf(kCameraA).toLower()).isEmpty());
  EXPECT_FALSE(list.GetMonikerByDeviceName(QString()));
  EXPECT_FALSE(list.GetMonikerByString(u"Nothing"_qs));
  EXPECT_FALSE(list.GetMonikerByCLSID(CLSID_SampleGrabber));
  EXPECT_TRUE(list.GetStringByCLSID(CLSID_SampleGrabber).isEmpty());
  EXPECT_EQ(list.GetCLSIDByString(u"Nothing"_qs), GUID_NULL);
  EXPECT_EQ(list.GetIntByMoniker(nullptr), -1);
  // The same device from another enumeration is another moniker object.
  TVLDSCapDeviceList other;
  other.EnumFilters(CLSID_VideoInputDeviceCategory);
  EXPECT_EQ(list.GetIntByMoniker(other.Items(0)->Moniker()), -1);
  EXPECT_TRUE(list.GetStringByMoniker(other.Items(0)->Moniker()).isEmpty());

  // EnumFilters starts afresh; the audio category is empty on this platform.
  list.EnumFilters(CLSID_AudioInputDeviceCategory);
  EXPECT_EQ(list.Count(), 0);
  list.AddEnumFilters(CLSID_VideoInputDeviceCategory);
  EXPECT_EQ(list.Count(), 3);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(TDeviceListTest, AnotherOrderGivesTheNumberToTheOtherCameraButKeepsEachDriverName) {
  Plug({kCameraB, kCameraA});
  TVLDSCapDeviceList list;
  list.EnumFilters(CLSID_VideoInputDeviceCategory);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.GetDeviceNameByString(u"Document Camera"_qs), DriverNameOf(kCameraB));
  EXPECT_EQ(list.GetStringByDeviceName(DriverNameOf(kCameraA)), u"Document Camera (2)"_qs);

  Plug({});
  SetPatternPresent(false);
  list.EnumFilters(CLSID_VideoInputDeviceCategory);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(TDeviceListTest, IdenticalFriendlyNamesAreNumberedAndBlankNamesSkipped) {
  // A provider that reports names as they come, blanks and all.
  auto raw = std::make_shared<dstest::TTestDeviceProvider>(
      CLSID_VideoInputDeviceCategory, std::vector<TDSDeviceDescription>{{u"Cam"_qs, u"1"_qs, {}, GUID_NULL},
                                                                        {u"Cam"_qs, u"2"_qs, {}, GUID_NULL},
                                                                        {u"   "_qs, u"3"_qs, {}, GUID_NULL},
                                                                        {u" Cam "_qs, u"4"_qs, {}, GUID_NULL},
                                                                        {u"Other"_qs, u"5"_qs, {}, CLSID_SampleGrabber},
                                                                        {QString(), u"6"_qs, {}, GUID_NULL},
                                                                        {u"Cam"_qs, u"7"_qs, {}, GUID_NULL}});
  DSUnregisterDeviceProvider(cameras_.get());
  SetPatternPresent(false);
  DSRegisterDeviceProvider(raw);
  TVLDSCapDeviceList list;
  list.EnumFilters(CLSID_VideoInputDeviceCategory);
  DSUnregisterDeviceProvider(raw.get());
  DSRegisterDeviceProvider(cameras_);

  EXPECT_EQ(UniqueNames(list), (QStringList{u"Cam"_qs, u"Cam (2)"_qs, u" Cam  (3)"_qs, u"Other"_qs, u"Cam (4)"_qs}));
  EXPECT_EQ(list.Items(2)->TrimmedName(), u"Cam"_qs);
  EXPECT_EQ(list.Items(2)->FriendlyName(), u" Cam "_qs);
  EXPECT_EQ(list.Items(3)->FilterClassId(), CLSID_SampleGrabber);
  EXPECT_EQ(list.Items(0)->FilterClassId(), GUID_NULL);  // no "CLSID" property
  EXPECT_EQ(list.GetMonikerByCLSID(CLSID_SampleGrabber).get(), list.Items(3)->Moniker());
  EXPECT_EQ(list.Items(4)->DriverName(), u"@device:sw:%1\\7"_qs.arg(CLSID_VideoInputDeviceCategory.ToString()));
  EXPECT_EQ(list.FindDeviceNum(u"Cam"_qs), 5);
  EXPECT_EQ(list.FindDeviceNum(u"Other"_qs), 2);
  EXPECT_EQ(list.FindDeviceNum(u"Nothing"_qs), 1);
  EXPECT_EQ(list.FindDeviceNum(u" Cam "_qs), 1);  // counted by trimmed names
}

TEST(TFilterType, TheKindWordOfTheDisplayNameInAnyLetterCase) {
  EXPECT_EQ(DSFilterTypeOf(u"@device:pnp:\\\\?\\usb#vid_046d"_qs), ftPlugAndPlay);
  EXPECT_EQ(DSFilterTypeOf(u"@device:Pnp:x"_qs), ftPlugAndPlay);
  EXPECT_EQ(DSFilterTypeOf(u"@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\x"_qs), ftCompressionManager);
  EXPECT_EQ(DSFilterTypeOf(u"@device:KS:x"_qs), ftKernelStreaming);
  EXPECT_EQ(DSFilterTypeOf(u"@device:dmo:x"_qs), ftDMO);
  for (const QString& other : {u"@device:sw:x"_qs, u"@device:v4l2:x"_qs, u"@device:synthetic:x"_qs,
                               u"@device:pnpx:x"_qs, u"@device::x"_qs, u"@device:pnp"_qs, u"@device"_qs, QString()}) {
    EXPECT_EQ(DSFilterTypeOf(other), ftUnknown) << other.toStdString();
  }
}

TEST_F(TDeviceListTest, AllFiltersAreTheDevicesThenTheRegisteredSystemFiltersEachBindable) {
  TVLDSCapDeviceList list;
  list.EnumAllFilters();
  const QStringList names = UniqueNames(list);
  ASSERT_GE(names.size(), 6);
  EXPECT_EQ(names.mid(0, 6), (QStringList{u"Document Camera"_qs, u"Document Camera (2)"_qs, u"Test pattern"_qs,
                                          u"Colour Space Converter"_qs, u"SampleGrabber"_qs, u"Null Renderer"_qs}));
  const QString grabber = list.GetDeviceNameByString(u"SampleGrabber"_qs);
  EXPECT_EQ(grabber,
            u"@device:sw:%1\\%2"_qs.arg(CLSID_LegacyAmFilterCategory.ToString(), CLSID_SampleGrabber.ToString()));
  EXPECT_EQ(list.GetStringByCLSID(CLSID_NullRenderer), u"Null Renderer"_qs);
  EXPECT_EQ(list.Items(4)->CategoryClassId(), CLSID_LegacyAmFilterCategory);

  // A filter found by its driver name binds to a new instance of its class.
  TIntf<IMoniker> moniker = list.GetMonikerByDeviceName(grabber);
  ASSERT_TRUE(moniker);
  void* raw = nullptr;
  ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, &raw), S_OK);
  TIntf<IBaseFilter> filter = TIntf<IBaseFilter>::Adopt(static_cast<IBaseFilter*>(raw));
  TGUID clsid;
  ASSERT_EQ(filter->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_SampleGrabber);

  // Appending: a second call numbers the repeated names.
  list.EnumAllFilters();
  EXPECT_EQ(list.GetStringByDeviceName(grabber), u"SampleGrabber"_qs);
  EXPECT_EQ(list.FindDeviceNum(u"SampleGrabber"_qs), 3);
}

}  // namespace
}  // namespace lumicar::devtest
