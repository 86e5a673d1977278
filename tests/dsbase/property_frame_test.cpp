// The property frame: pages made by class id get the objects, are shown in a
// modal dialog, applied on OK only when changed, and let go of the objects.

#include "dsbase/render/property_frame.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>

#include "dsbase/com/class_factory.h"
#include "dsbase/com/dual_unknown.h"
#include "dsbase/com/live_objects.h"
#include "dsbase/com/result_codes.h"
#include "dsbase/graph/property_page_interfaces.h"

namespace lumicar {
namespace {

const TGUID kTestPage = TGUID::FromString("{7A1C3E55-0B2D-4F0E-9C61-2B8E5D4A1F30}");

struct TPageLog {
  int objects = 0, activated = 0, deactivated = 0, applied = 0;
  bool dirty = true;
};
TPageLog pageLog;

class TTestPage final : public TDSDualUnknown, public IPropertyPage {
 public:
  TTestPage() : TDSDualUnknown(QStringLiteral("Test page"), nullptr) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IPropertyPage) return GetInterface<IPropertyPage>(this, object);
    return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT SetObjects(uint32_t count, IUnknown** objects) override {
    held_.clear();
    for (uint32_t i = 0; i < count; ++i) held_.emplace_back(objects[i]);
    pageLog.objects = int(count);
    return S_OK;
  }
  HRESULT GetPageInfo(PROPPAGEINFO* info) override {
    info->Title = QStringLiteral("Camera");
    return S_OK;
  }
  HRESULT Activate(QWidget*) override {
    ++pageLog.activated;
    return S_OK;
  }
  HRESULT Deactivate() override {
    ++pageLog.deactivated;
    return S_OK;
  }
  HRESULT IsPageDirty() override { return pageLog.dirty ? S_OK : S_FALSE; }
  HRESULT Apply() override {
    ++pageLog.applied;
    pageLog.dirty = false;
    return S_OK;
  }

 private:
  ~TTestPage() override = default;
  std::vector<TIntf<IUnknown>> held_;
};

// Presses a button of the modal dialog once it is shown.
void PressWhenShown(QDialogButtonBox::StandardButton which) {
  QTimer::singleShot(0, [which] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    auto* box = dialog->findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    box->button(which)->click();
  });
}

TEST(PropertyFrame, AppliesChangedPagesOnOkAndReleasesTheObjects) {
  DSRegisterClass(kTestPage, [](IUnknown*, HRESULT* hr) -> IUnknown* {
    auto* page = new TTestPage();
    page->NonDelegatingAddRef();
    *hr = S_OK;
    return page->GetNonDelegatingUnknown();
  });
  const int64_t live = DSLiveObjectCount();
  TIntf<TTestPage> object(new TTestPage());  // any object will do as the edited one
  IUnknown* objects[] = {static_cast<IPropertyPage*>(object.get())};
  const TGUID pages[] = {kTestPage, TGUID::FromString("{00000000-0000-0000-0000-0000000000AA}")};

  pageLog = {};
  PressWhenShown(QDialogButtonBox::Ok);
  ASSERT_EQ(OleCreatePropertyFrame(nullptr, -1, -1, u"Camera", 1, objects, 2, pages, 0), S_OK);
  EXPECT_EQ(pageLog.activated, 1);
  EXPECT_EQ(pageLog.deactivated, 1);
  EXPECT_EQ(pageLog.applied, 1);
  EXPECT_EQ(pageLog.objects, 0);  // given back

  pageLog = {};
  PressWhenShown(QDialogButtonBox::Cancel);
  ASSERT_EQ(OleCreatePropertyFrame(nullptr, -1, -1, u"Camera", 1, objects, 1, pages, 0), S_OK);
  EXPECT_EQ(pageLog.applied, 0);

  EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, u"x", 1, nullptr, 1, pages, 0), E_POINTER);
  EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, u"x", 1, objects, 1, pages + 1, 0), REGDB_E_CLASSNOTREG);
  object.reset();
  EXPECT_EQ(DSLiveObjectCount(), live);
}

}  // namespace
}  // namespace lumicar

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
