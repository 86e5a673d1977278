// The camera adjustments against the scripted document camera, the synthetic
// camera and a recording stand-in: ranges and their fallback, modes, when
// values reach the camera (never while disabled, again at every start, not
// clamped, kept when refused), storing in designs; and the driver dialogs:
// which kinds each camera offers and how each is shown.

#include "capture/adjustment.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QTimer>
#include <array>
#include <memory>
#include <stdexcept>

#include "capture/video_dialogs.h"
#include "components/lp_component.h"
#include "dsbase/camera/camera_dialogs.h"
#include "dsbase/camera/test_pattern_device.h"
#include "dsbase/camera/v4l2_capture_filter.h"
#include "dsbase/com/class_factory.h"
#include "dsbase/com/task_memory.h"
#include "dsbase/graph/property_page_interfaces.h"
#include "runtime/class_registry.h"
#include "runtime/form_reader.h"
#include "runtime/form_writer.h"
#include "testing/camera/fake_v4l2_device.h"
#include "testing/dsbase/ds_test_filters.h"
#include "tests/dsbase/graph_test_support.h"

namespace lumicar::adjtest {

// Stands in for the capture component: owns an Adjustment and "opens" by
// making its camera's picture controls reachable.
class TAdjustedComponent : public TLPComponent, public IVLDSAdjustmentHost {
  Q_OBJECT
  Q_PROPERTY(lumicar::TVLDSAdjustment* Adjustment READ Adjustment WRITE SetAdjustment)
 public:
  Q_INVOKABLE explicit TAdjustedComponent(lumicar::TComponent* owner = nullptr)
      : TLPComponent(owner), adjustment_(std::make_unique<TVLDSAdjustment>(this, this)) {}
  TVLDSAdjustment* Adjustment() const { return adjustment_.get(); }
  void SetAdjustment(TVLDSAdjustment* v) {
    if (v != nullptr && v != adjustment_.get()) adjustment_->Assign(v);
  }
  TIntf<IAMVideoProcAmp> CurrentVideoProcAmp() override { return open ? camera : nullptr; }
  TIntf<IAMVideoProcAmp> OpenVideoProcAmp() override {
    ++opens;
    open = true;
    return CurrentVideoProcAmp();
  }
  TIntf<IAMVideoProcAmp> camera;  // what a built graph would hold
  bool open = false;
  int opens = 0;

 private:
  std::unique_ptr<TVLDSAdjustment> adjustment_;
};

class TAdjustForm : public TLPComponent {
  Q_OBJECT
 public:
  Q_INVOKABLE explicit TAdjustForm(lumicar::TComponent* owner = nullptr) : TLPComponent(owner) {}
};

// Records every Set exactly as sent; refuses them all when told to.
class TRecordingProcAmp final : public TInterfacedObject, public IAMVideoProcAmp {
 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override {
    if (iid == IID_IAMVideoProcAmp && object) {
      *object = static_cast<IAMVideoProcAmp*>(this);
      AddRef();
      return S_OK;
    }
    return TInterfacedObject::QueryInterface(iid, object);
  }
  HRESULT GetRange(int32_t, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*) override { return E_FAIL; }
  HRESULT Set(int32_t property, int32_t value, int32_t flags) override {
    sets.push_back({property, value, flags});
    return refuse ? E_INVALIDARG : S_OK;
  }
  HRESULT Get(int32_t, int32_t*, int32_t*) override { return E_FAIL; }
  std::vector<std::array<int32_t, 3>> sets;
  bool refuse = false;
};

using camtest::TFakeV4L2Device;
using Writes = std::vector<std::pair<uint32_t, int32_t>>;

class AdjustmentTest : public dstest::DSLeakCheck {
 protected:
  void SetUp() override {
    DSLeakCheck::SetUp();
    fake_ = std::make_shared<TFakeV4L2Device>();
    comp_ = std::make_unique<TAdjustedComponent>();
  }
  void TearDown() override {
    comp_.reset();
    filter_.reset();
    DSLeakCheck::TearDown();
  }
  // A new graph on the scripted camera (as each open builds one), or on the synthetic camera.
  void UseCamera(bool synthetic = false) {
    TDSV4L2CaptureFilter* f = nullptr;
    const HRESULT hr =
        synthetic ? TDSV4L2CaptureFilter::Create(std::make_shared<TDSTestPatternDevice>(), TDSTestPatternDevice::kPath,
                                                 QStringLiteral("Test pattern"), &f)
                  : TDSV4L2CaptureFilter::Create(fake_, "/dev/video0", QStringLiteral("Document Camera"), &f);
    ASSERT_EQ(hr, S_OK);
    filter_ = TIntf<TDSV4L2CaptureFilter>::Adopt(f);
    comp_->camera = filter_;
  }
  TIntf<TRecordingProcAmp> UseRecorder() {
    auto amp = MakeIntf<TRecordingProcAmp>();
    comp_->camera = amp;
    comp_->open = true;
    return amp;
  }
  TVLDSAdjustment* Adj() { return comp_->Adjustment(); }
  std::shared_ptr<TFakeV4L2Device> fake_;
  TIntf<TDSV4L2CaptureFilter> filter_;
  std::unique_ptr<TAdjustedComponent> comp_;
};

TEST_F(AdjustmentTest, RangesAndModesComeFromTheCameraWithTheFallbackWhereItHasNone) {
  UseCamera();
  EXPECT_FALSE(comp_->open);
  EXPECT_EQ(Adj()->Brightness()->Min(), -64);
  EXPECT_TRUE(comp_->open) << "reading a range opens the camera";
  EXPECT_EQ(Adj()->Brightness()->Max(), 64);
  EXPECT_EQ(Adj()->Brightness()->Delta(), 1);
  EXPECT_EQ(Adj()->Brightness()->DefaultValue(), 0);
  EXPECT_TRUE(Adj()->Brightness()->RangesSupported());
  EXPECT_TRUE(Adj()->Brightness()->Modes().Contains(amManual));
  EXPECT_FALSE(Adj()->Brightness()->Modes().Contains(amAutomatic));
  EXPECT_FALSE(Adj()->Brightness()->Modes().Contains(amUseCurrent));
  EXPECT_EQ(Adj()->WhiteBalance()->Min(), 2800);
  EXPECT_EQ(Adj()->WhiteBalance()->DefaultValue(), 4600);
  EXPECT_TRUE(Adj()->WhiteBalance()->Modes().Contains(amAutomatic));
  EXPECT_TRUE(Adj()->WhiteBalance()->Modes().Contains(amManual));

  // Hue, gamma, colour enable: the camera lacks them.
  for (TVLDSIntegerAdjustmentProperty* p : {Adj()->Hue(), Adj()->Gamma()}) {
    EXPECT_EQ(p->Min(), -10000);
    EXPECT_EQ(p->Max(), 10000);
    EXPECT_EQ(p->Delta(), 1);
    EXPECT_EQ(p->DefaultValue(), 1);
    EXPECT_FALSE(p->RangesSupported());
    EXPECT_TRUE(p->Modes().Empty());
  }
  EXPECT_TRUE(Adj()->ColorEnable()->Modes().Empty());
  int32_t r[5] = {7, 7, 7, 7, 7};
  EXPECT_FALSE(Adj()->GetVideoProcAmpRanges(42, &r[0], &r[1], &r[2], &r[3], &r[4]));
  EXPECT_EQ((std::array<int32_t, 5>{r[0], r[1], r[2], r[3], r[4]}), (std::array<int32_t, 5>{-10000, 10000, 1, 1, 0}));
  EXPECT_FALSE(Adj()->GetVideoProcAmpRanges(0, nullptr, &r[1], &r[2], &r[3], &r[4]));
  EXPECT_EQ(Adj()->Control(42), nullptr);
  EXPECT_EQ(Adj()->Control(VideoProcAmp_Gain), Adj()->Gain());

  // Without any camera (a free-standing copy) only the fallback exists.
  TVLDSAdjustment loose;
  EXPECT_EQ(loose.Contrast()->Max(), 10000);
  EXPECT_TRUE(loose.Contrast()->Modes().Empty());

  // The synthetic camera has saturation, but no gain.
  UseCamera(/*synthetic=*/true);
  EXPECT_EQ(Adj()->Saturation()->Max(), 128);
  EXPECT_EQ(Adj()->Saturation()->DefaultValue(), 64);
  EXPECT_FALSE(Adj()->Gain()->RangesSupported());
}

TEST_F(AdjustmentTest, WhileDisabledNothingIsSentAndValuesReadTheCamera) {
  UseCamera();
  comp_->open = true;
  // The viewer's brightness preset "-3" with Enabled false (its stored layout).
  Adj()->BacklightCompensation()->SetMode(amManual);
  Adj()->Brightness()->SetMode(amManual);
  Adj()->Brightness()->SetValue(-255);
  Adj()->ApplyValues();  // a start
  EXPECT_EQ(fake_->controlWrites_, Writes{});
  EXPECT_EQ(Adj()->Brightness()->Value(), 0) << "the camera's current brightness";
  EXPECT_EQ(Adj()->Brightness()->StoredValue(), -255);
  EXPECT_TRUE(Adj()->BacklightCompensation()->Value()) << "the camera holds 1";
  EXPECT_EQ(comp_->opens, 0) << "reading a value never opens";
  comp_->open = false;
  EXPECT_EQ(Adj()->Brightness()->Value(), -255) << "without a graph: the stored value";
  EXPECT_FALSE(Adj()->BacklightCompensation()->Value());
}

TEST_F(AdjustmentTest, EnablingSendsTheControlsInOrderWithTheirFlagsUnclamped) {
  auto amp = UseRecorder();
  Adj()->Brightness()->SetMode(amManual);
  Adj()->Brightness()->SetValue(-255);  // far below any camera's minimum: sent as it is
  Adj()->WhiteBalance()->SetMode(amAutomatic);
  Adj()->BacklightCompensation()->SetValue(true);
  Adj()->BacklightCompensation()->SetMode(amManual);
  Adj()->Gain()->SetMode(amManual);
  Adj()->Gain()->SetValue(20);
  Adj()->ColorEnable()->SetValue(true);  // amUseCurrent: never sent
  EXPECT_TRUE(amp->sets.empty());

  Adj()->SetEnabled(true);
  using S = std::array<int32_t, 3>;
  const std::vector<S> once = {{VideoProcAmp_Brightness, -255, VideoProcAmp_Flags_Manual},
                               {VideoProcAmp_WhiteBalance, 0, VideoProcAmp_Flags_Auto},
                               {VideoProcAmp_BacklightCompensation, 1, VideoProcAmp_Flags_Manual},
                               {VideoProcAmp_Gain, 20, VideoProcAmp_Flags_Manual}};
  EXPECT_EQ(amp->sets, once);
  Adj()->SetEnabled(true);  // no change: nothing
  EXPECT_EQ(amp->sets.size(), 4u);

  // The same value twice is sent twice; the same mode twice only once.
  amp->sets.clear();
  Adj()->Gain()->SetValue(20);
  Adj()->Gain()->SetValue(20);
  Adj()->Gain()->SetMode(amManual);
  Adj()->Gain()->SetMode(amAutomatic);
  Adj()->Gain()->SetMode(TVLDSAdjustmentMode(9));  // no mode: ignored
  EXPECT_EQ(amp->sets, (std::vector<S>{{VideoProcAmp_Gain, 20, VideoProcAmp_Flags_Manual},
                                       {VideoProcAmp_Gain, 20, VideoProcAmp_Flags_Manual},
                                       {VideoProcAmp_Gain, 20, VideoProcAmp_Flags_Auto}}));
  EXPECT_EQ(Adj()->Gain()->Mode(), amAutomatic);

  // Each start sends the stored values again, automatic ones with their flag.
  amp->sets.clear();
  Adj()->ApplyValues();
  Adj()->ApplyValues();
  ASSERT_EQ(amp->sets.size(), 8u);
  EXPECT_EQ(amp->sets[5], (S{VideoProcAmp_WhiteBalance, 0, VideoProcAmp_Flags_Auto}));

  // Refused: reported to the caller only; the stored value stays.
  amp->refuse = true;
  EXPECT_FALSE(Adj()->SetVideoProcAmpValueFlags(VideoProcAmp_Gain, 5, amManual));
  EXPECT_TRUE(Adj()->SetVideoProcAmpValueFlags(VideoProcAmp_Gain, 5, amUseCurrent));
  Adj()->Gain()->SetValue(33);
  EXPECT_EQ(Adj()->Gain()->StoredValue(), 33);

  // No graph: failure, nothing sent, the value kept for the next start.
  comp_->open = false;
  amp->sets.clear();
  EXPECT_FALSE(Adj()->SetVideoProcAmpValueFlags(VideoProcAmp_Gain, 5, amManual));
  Adj()->Brightness()->SetValue(7);
  EXPECT_TRUE(amp->sets.empty());
  EXPECT_EQ(Adj()->Brightness()->Value(), 7);
}

TEST_F(AdjustmentTest, OnTheScriptedCameraValuesLandRefusalsKeepTheStoredValueAndRestartsApplyAgain) {
  UseCamera();
  Adj()->SetEnabled(true);
  Adj()->Brightness()->SetMode(amManual);  // graph closed: nothing reaches the camera
  Adj()->Brightness()->SetValue(12);
  Adj()->WhiteBalance()->SetMode(amManual);
  Adj()->WhiteBalance()->SetValue(3000);
  EXPECT_EQ(fake_->controlWrites_, Writes{});

  comp_->open = true;
  Adj()->ApplyValues();  // the start
  // White balance goes manual: its automatic companion is switched off first.
  EXPECT_EQ(fake_->controlWrites_, (Writes{{V4L2_CID_BRIGHTNESS, 12},
                                           {V4L2_CID_AUTO_WHITE_BALANCE, 0},
                                           {V4L2_CID_WHITE_BALANCE_TEMPERATURE, 3000}}));
  EXPECT_EQ(Adj()->Brightness()->Value(), 12);

  // A value beyond the camera's range is refused: the camera keeps its
  // value, the stored one stays for the next start.
  Adj()->Brightness()->SetValue(100);
  EXPECT_EQ(fake_->controls_[V4L2_CID_BRIGHTNESS], 12);
  EXPECT_EQ(Adj()->Brightness()->Value(), 12);
  EXPECT_EQ(Adj()->Brightness()->StoredValue(), 100);
  Adj()->Brightness()->SetValue(-20);

  // Stop, a new graph (the camera was reset meanwhile), start: applied again.
  comp_->open = false;
  fake_->controls_[V4L2_CID_BRIGHTNESS] = 0;
  fake_->controls_[V4L2_CID_AUTO_WHITE_BALANCE] = 1;
  UseCamera();
  comp_->open = true;
  fake_->controlWrites_.clear();
  Adj()->ApplyValues();
  EXPECT_EQ(fake_->controlWrites_, (Writes{{V4L2_CID_BRIGHTNESS, -20},
                                           {V4L2_CID_AUTO_WHITE_BALANCE, 0},
                                           {V4L2_CID_WHITE_BALANCE_TEMPERATURE, 3000}}));

  // Booleans go as 1 or 0 and read true for any value but 0.
  Adj()->BacklightCompensation()->SetMode(amManual);
  EXPECT_EQ(fake_->controls_[V4L2_CID_BACKLIGHT_COMPENSATION], 0);
  fake_->controls_[V4L2_CID_BACKLIGHT_COMPENSATION] = 2;
  EXPECT_TRUE(Adj()->BacklightCompensation()->Value());
  Adj()->BacklightCompensation()->SetValue(true);
  EXPECT_EQ(fake_->controls_[V4L2_CID_BACKLIGHT_COMPENSATION], 1);

  // Switching off sends nothing more.
  Adj()->SetEnabled(false);
  fake_->controlWrites_.clear();
  Adj()->Gain()->SetMode(amManual);
  Adj()->ApplyValues();
  EXPECT_EQ(fake_->controlWrites_, Writes{});
}

TEST_F(AdjustmentTest, TheSyntheticCameraTakesValuesWithinItsRange) {
  UseCamera(/*synthetic=*/true);
  comp_->open = true;
  Adj()->SetEnabled(true);
  Adj()->Brightness()->SetMode(amManual);
  Adj()->Brightness()->SetValue(20);
  Adj()->Contrast()->SetValue(100);  // above its 64; not sent yet (amUseCurrent)
  Adj()->Contrast()->SetMode(amManual);
  EXPECT_EQ(Adj()->Brightness()->Value(), 20);
  EXPECT_EQ(Adj()->Contrast()->Value(), 32);
  EXPECT_EQ(Adj()->Contrast()->StoredValue(), 100);
}

TEST_F(AdjustmentTest, StoredInDesignsWithoutTheCameraReadOnlyValuesAndCopiedOnAssign) {
  RegisterClass<TAdjustForm>();
  RegisterClass<TAdjustedComponent>();
  UseRecorder();
  comp_->open = false;
  TAdjustForm form;
  form.SetName(QStringLiteral("Form1"));
  auto* c = NewComponent<TAdjustedComponent>(&form);
  c->SetName(QStringLiteral("VLDSCapture1"));
  // The viewer's layout, with one preset applied.
  TVLDSAdjustment* a = c->Adjustment();
  a->BacklightCompensation()->SetValue(true);
  a->Brightness()->SetMode(amManual);
  a->Brightness()->SetValue(-255);
  a->WhiteBalance()->SetMode(amAutomatic);

  const QString design = QString::fromUtf8(WriteComponentDesign(&form));
  EXPECT_TRUE(design.contains("Adjustment.Brightness.Mode = amManual")) << design.toStdString();
  EXPECT_TRUE(design.contains("Adjustment.Brightness.Value = -255")) << design.toStdString();
  EXPECT_TRUE(design.contains("Adjustment.BacklightCompensation.Value = True")) << design.toStdString();
  EXPECT_FALSE(design.contains("Min")) << design.toStdString();
  EXPECT_FALSE(design.contains("Contrast")) << "defaults are not stored";
  EXPECT_FALSE(design.contains("Enabled"));

  TAdjustForm copy;
  ReadComponentDesign(&copy, design.toUtf8());
  auto* read = qobject_cast<TAdjustedComponent*>(copy.FindComponent(QStringLiteral("VLDSCapture1")));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->opens, 0) << "loading does not open the camera";
  TVLDSAdjustment* b = read->Adjustment();
  EXPECT_EQ(b->Brightness()->Mode(), amManual);
  EXPECT_EQ(b->Brightness()->Value(), -255);
  EXPECT_EQ(b->WhiteBalance()->Mode(), amAutomatic);
  EXPECT_TRUE(b->BacklightCompensation()->Value());
  EXPECT_FALSE(b->ColorEnable()->Value());
  EXPECT_FALSE(b->Enabled());

  // Setting the property copies into the component's own object; an enabled
  // copy sends the controls at once.
  auto amp = UseRecorder();
  TVLDSAdjustment given;
  given.Assign(b);
  given.SetEnabled(true);
  comp_->SetAdjustment(&given);
  EXPECT_NE(comp_->Adjustment(), &given);
  EXPECT_EQ(comp_->Adjustment()->Brightness()->StoredValue(), -255);
  EXPECT_TRUE(comp_->Adjustment()->Enabled());
  // The controls are copied first (nothing sent yet), then Enabled sends them.
  EXPECT_EQ(amp->sets, (std::vector<std::array<int32_t, 3>>{{VideoProcAmp_Brightness, -255, VideoProcAmp_Flags_Manual},
                                                            {VideoProcAmp_WhiteBalance, 0, VideoProcAmp_Flags_Auto}}));
  // A single control is copied the same way.
  TVLDSIntegerAdjustmentProperty gain;
  gain.SetMode(amManual);
  gain.SetValue(9);
  comp_->Adjustment()->SetGain(&gain);
  EXPECT_EQ(amp->sets.back(), (std::array<int32_t, 3>{VideoProcAmp_Gain, 9, VideoProcAmp_Flags_Manual}));
}

// ---- dialogs ----

const TGUID kTestPage = TGUID::FromString("{0D6F2B1A-6C3E-4A57-9E21-5B7C3A9D4E10}");

// What the shown page was given and where its frame appeared.
struct TPageRecord {
  std::vector<IUnknown*> objects;
  QWidget* frameParent = nullptr;
  QString title;
  QPoint position;
  int shown = 0;
};
TPageRecord pageRecord;

class TRecordingPage final : public TDSDualUnknown, public IPropertyPage {
 public:
  TRecordingPage() : TDSDualUnknown(QStringLiteral("Recording page"), nullptr) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IPropertyPage) return GetInterface<IPropertyPage>(this, object);
    return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT SetObjects(uint32_t count, IUnknown** objects) override {
    held_.clear();
    for (uint32_t i = 0; i < count; ++i) {
      held_.emplace_back(objects[i]);
      pageRecord.objects.push_back(objects[i]);
    }
    return S_OK;
  }
  HRESULT GetPageInfo(PROPPAGEINFO* info) override {
    info->Title = QStringLiteral("Test");
    return S_OK;
  }
  HRESULT Activate(QWidget* host) override {
    ++pageRecord.shown;
    auto* frame = qobject_cast<QDialog*>(host->window());
    // Closes the frame once it runs, after it was placed.
    QTimer::singleShot(0, frame, [frame] {
      pageRecord.frameParent = frame->parentWidget();
      pageRecord.title = frame->windowTitle();
      pageRecord.position = frame->pos();
      frame->reject();
    });
    return S_OK;
  }
  HRESULT Deactivate() override { return S_OK; }
  HRESULT IsPageDirty() override { return S_FALSE; }
  HRESULT Apply() override { return S_OK; }

 private:
  ~TRecordingPage() override = default;
  std::vector<TIntf<IUnknown>> held_;
};

HRESULT OnePage(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->pElems = static_cast<TGUID*>(CoTaskMemAlloc(sizeof(TGUID)));
  pages->pElems[0] = kTestPage;
  pages->cElems = 1;
  return S_OK;
}

// A driver with its own dialogs (those in `dialogs`) and a page.
class TVfwCamera final : public dstest::TCountingSource, public IAMVfwCaptureDialogs, public ISpecifyPropertyPages {
 public:
  explicit TVfwCamera(int dialogs) : dialogs_(dialogs) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IAMVfwCaptureDialogs) return GetInterface<IAMVfwCaptureDialogs>(this, object);
    if (iid == IID_ISpecifyPropertyPages) return GetInterface<ISpecifyPropertyPages>(this, object);
    return TCountingSource::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT HasDialog(int dialog) override { return (dialogs_ & dialog) ? S_OK : S_FALSE; }
  HRESULT ShowDialog(int dialog, QWidget* parent) override {
    shown.emplace_back(dialog, parent);
    return result;
  }
  HRESULT SendDriverMessage(int, int, intptr_t, intptr_t) override { return E_NOTIMPL; }
  HRESULT GetPages(CAUUID* pages) override { return OnePage(pages); }
  std::vector<std::pair<int, QWidget*>> shown;
  HRESULT result = S_OK;

 private:
  int dialogs_;
};

// A capture pin whose stream configuration has a page.
class TPagedPin final : public dstest::TCapturePin, public IAMStreamConfig, public ISpecifyPropertyPages {
 public:
  explicit TPagedPin(dstest::TCountingSource* filter) : TCapturePin(filter, 32, 16) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IAMStreamConfig) return GetInterface<IAMStreamConfig>(this, object);
    if (iid == IID_ISpecifyPropertyPages) return GetInterface<ISpecifyPropertyPages>(this, object);
    return TCapturePin::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT SetFormat(const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT GetFormat(AM_MEDIA_TYPE**) override { return E_NOTIMPL; }
  HRESULT GetNumberOfCapabilities(int*, int*) override { return E_NOTIMPL; }
  HRESULT GetStreamCaps(int, AM_MEDIA_TYPE**, uint8_t*) override { return E_NOTIMPL; }
  HRESULT GetPages(CAUUID* pages) override { return OnePage(pages); }
};

// A driver without dialogs whose filter and capture pin have pages.
class TPagedCamera final : public dstest::TCountingSource, public ISpecifyPropertyPages {
 public:
  TPagedCamera() : pin(new TPagedPin(this)) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_ISpecifyPropertyPages) return GetInterface<ISpecifyPropertyPages>(this, object);
    return TCountingSource::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT GetPages(CAUUID* pages) override { return OnePage(pages); }
  TPagedPin* pin;  // owned by the base's pin list
};

class TTuner final : public TDSDualUnknown, public ISpecifyPropertyPages {
 public:
  explicit TTuner(bool pages) : TDSDualUnknown(QStringLiteral("Tuner"), nullptr), pages_(pages) {}
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_ISpecifyPropertyPages) return GetInterface<ISpecifyPropertyPages>(this, object);
    return TDSDualUnknown::NonDelegatingQueryInterface(iid, object);
  }
  // A driver may report a count without handing out a list.
  HRESULT GetPages(CAUUID* pages) override {
    if (pages_) return OnePage(pages);
    pages->cElems = 3;
    pages->pElems = nullptr;
    return S_OK;
  }

 private:
  ~TTuner() override = default;
  bool pages_;
};

// What the camera settings presenter (the source dialog on this platform) saw.
struct TPresenterRecord {
  int calls = 0;
  QWidget* parent = nullptr;
  QWidget* ownerParent = nullptr;
  QRect ownerGeometry;
};
TPresenterRecord presented;

HRESULT RecordingPresenter(IUnknown*, QWidget* parent) {
  ++presented.calls;
  presented.parent = parent;
  presented.ownerParent = parent ? parent->parentWidget() : nullptr;
  presented.ownerGeometry = parent ? parent->geometry() : QRect();
  return S_OK;
}

class VideoDialogsTest : public AdjustmentTest {
 protected:
  void SetUp() override {
    AdjustmentTest::SetUp();
    DSRegisterSystemClasses();
    DSRegisterClass(kTestPage, [](IUnknown*, HRESULT* hr) -> IUnknown* {
      auto* page = new TRecordingPage();
      page->NonDelegatingAddRef();
      *hr = S_OK;
      return page->GetNonDelegatingUnknown();
    });
    void* raw = nullptr;
    ASSERT_EQ(
        CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2, &raw),
        S_OK);
    builder_ = TIntf<ICaptureGraphBuilder2>::Adopt(static_cast<ICaptureGraphBuilder2*>(raw));
    pageRecord = {};
    presented = {};
    DSSetCameraDialogPresenter(&RecordingPresenter);
  }
  void TearDown() override {
    DSSetCameraDialogPresenter(nullptr);
    builder_.reset();
    AdjustmentTest::TearDown();
  }
  TVLDSDialogSources SourcesOf(IBaseFilter* filter, IUnknown* tuner = nullptr) {
    return {filter, QueryIntf<IAMVfwCaptureDialogs>(filter, IID_IAMVfwCaptureDialogs), builder_, tuner};
  }
  TVLDSCaptureDialogs Kinds(std::initializer_list<TVLDSCaptureDialog> kinds) {
    TVLDSCaptureDialogs set;
    for (TVLDSCaptureDialog k : kinds) set.Include(k);
    return set;
  }
  TIntf<ICaptureGraphBuilder2> builder_;
  TVLDSVideoDialogs dialogs_;
};

TEST_F(VideoDialogsTest, EachCameraOffersItsKinds) {
  // V4L2 cameras: the control page as the source dialog and as the filter's page.
  UseCamera();
  dialogs_.Refresh(SourcesOf(filter_.get()));
  EXPECT_EQ(dialogs_.Available(), Kinds({cdVideoSource, cdVideoCapture}));
  EXPECT_EQ(dialogs_.Available().Bits(), 0b1010u);
  UseCamera(/*synthetic=*/true);
  dialogs_.Refresh(SourcesOf(filter_.get()));
  EXPECT_EQ(dialogs_.Available(), Kinds({cdVideoSource, cdVideoCapture}));
  // Without the windowed part nobody can present the page: nothing.
  DSSetCameraDialogPresenter(nullptr);
  dialogs_.Refresh(SourcesOf(filter_.get()));
  EXPECT_TRUE(dialogs_.Available().Empty());

  // A driver with a format dialog offers its dialogs and no pages.
  TIntf<TVfwCamera> vfw(new TVfwCamera(VfwCaptureDialog_Format | VfwCaptureDialog_Source | VfwCaptureDialog_Display));
  TIntf<TTuner> tuner(new TTuner(true));
  dialogs_.Refresh(SourcesOf(vfw.get(), tuner.get()));
  EXPECT_EQ(dialogs_.Available(), Kinds({cdVideoFormat, cdVideoSource, cdVideoDisplay}));
  // One with only the source dialog also offers the filter's pages.
  TIntf<TVfwCamera> sourceOnly(new TVfwCamera(VfwCaptureDialog_Source));
  dialogs_.Refresh(SourcesOf(sourceOnly.get()));
  EXPECT_EQ(dialogs_.Available(), Kinds({cdVideoSource, cdVideoCapture}));

  // Pages on the filter, on the capture pin's stream configuration and on the tuner.
  TIntf<TPagedCamera> paged(new TPagedCamera());
  dialogs_.Refresh(SourcesOf(paged.get(), tuner.get()));
  EXPECT_EQ(dialogs_.Available(), Kinds({cdVideoCapture, cdVideoCapturePin, cdTVTuner}));
  TIntf<TTuner> countOnly(new TTuner(false));
  EXPECT_FALSE(VLDSHasPropertyPages(countOnly.get()));
  EXPECT_FALSE(VLDSHasPropertyPages(builder_.get()));
  dialogs_.Refresh(SourcesOf(paged.get(), countOnly.get()));
  EXPECT_FALSE(dialogs_.Available().Contains(cdTVTuner));

  dialogs_.Refresh({});
  EXPECT_TRUE(dialogs_.Available().Empty());
  dialogs_.Refresh(SourcesOf(paged.get()));
  dialogs_.Clear();
  EXPECT_TRUE(dialogs_.Available().Empty());
}

TEST_F(VideoDialogsTest, TheSourceDialogAppearsOverTheApplicationAndUnavailableKindsShowNothing) {
  QWidget app;
  app.setGeometry(100, 100, 640, 480);
  app.show();
  QWidget owner;  // the graph holder's hidden window
  owner.setGeometry(0, 0, 10, 10);
  UseCamera();
  const TVLDSDialogSources sources = SourcesOf(filter_.get());
  dialogs_.Refresh(sources);

  int actions = 0;
  TVLDSDialogActions count{true, false, [&] { ++actions; }, [&] { ++actions; }, [&] { ++actions; }, [&] { ++actions; }};
  for (int32_t kind : {int32_t(cdVideoFormat), int32_t(cdVideoDisplay), int32_t(cdVideoCapturePin), int32_t(cdTVTuner),
                       -1, 6, 8, 40}) {
    EXPECT_FALSE(dialogs_.Show(kind, sources, &owner, count)) << kind;
  }
  EXPECT_EQ(presented.calls, 0);
  EXPECT_EQ(actions, 0);

  ASSERT_TRUE(dialogs_.Show(cdVideoSource, sources, &owner, count));
  EXPECT_EQ(presented.calls, 1);
  EXPECT_EQ(presented.parent, &owner);
  EXPECT_EQ(presented.ownerParent, &app);
  EXPECT_EQ(presented.ownerGeometry, app.rect());
  EXPECT_EQ(actions, 0) << "the caller stops and restarts around it";
  EXPECT_EQ(owner.parentWidget(), nullptr);
  EXPECT_TRUE(owner.isWindow());
  EXPECT_EQ(owner.geometry(), QRect(0, 0, 10, 10));
  EXPECT_FALSE(owner.isVisible());

  // While designing the owner covers the screen instead.
  TVLDSDialogActions designing;
  designing.designing = true;
  ASSERT_TRUE(dialogs_.Show(cdVideoSource, sources, &owner, designing));
  EXPECT_EQ(presented.ownerParent, nullptr);
  EXPECT_EQ(presented.ownerGeometry, owner.screen()->geometry());
  EXPECT_EQ(owner.geometry(), QRect(0, 0, 10, 10));
}

TEST_F(VideoDialogsTest, TheFormatDialogRebuildsTheGraphAndThePinPageStopsTheCapture) {
  QWidget owner;
  TIntf<TVfwCamera> vfw(new TVfwCamera(VfwCaptureDialog_Format));
  dialogs_.Refresh(SourcesOf(vfw.get()));
  std::vector<std::string> log;
  TVLDSDialogActions actions{false,
                             false,
                             [&] { log.push_back("destroy"); },
                             [&] { log.push_back("build"); },
                             [&] { log.push_back("stop"); },
                             [&] { log.push_back("start"); }};
  ASSERT_TRUE(dialogs_.Show(cdVideoFormat, SourcesOf(vfw.get()), &owner, actions));
  EXPECT_EQ(log, (std::vector<std::string>{"build"}));
  ASSERT_EQ(vfw->shown.size(), 1u);
  EXPECT_EQ(vfw->shown[0], std::make_pair(VfwCaptureDialog_Format, static_cast<QWidget*>(&owner)));
  log.clear();
  vfw->result = VFW_E_CANNOT_CONNECT;
  ASSERT_TRUE(dialogs_.Show(cdVideoFormat, SourcesOf(vfw.get()), &owner, actions));
  EXPECT_EQ(log, (std::vector<std::string>{"destroy", "build"}));
  // A failing rebuild reaches the caller; the owner window is put back all the same.
  QWidget app;
  app.show();
  actions.buildGraph = [] { throw std::runtime_error("rebuild failed"); };
  EXPECT_THROW(dialogs_.Show(cdVideoFormat, SourcesOf(vfw.get()), &owner, actions), std::runtime_error);
  EXPECT_EQ(owner.parentWidget(), nullptr);

  // Pages: a property frame at (30, 30) without caption, for the one object.
  TIntf<TPagedCamera> paged(new TPagedCamera());
  TIntf<TTuner> tuner(new TTuner(true));
  const TVLDSDialogSources sources = SourcesOf(paged.get(), tuner.get());
  dialogs_.Refresh(sources);
  log.clear();
  ASSERT_TRUE(dialogs_.Show(cdVideoCapture, sources, &owner, actions));
  EXPECT_EQ(pageRecord.shown, 1);
  EXPECT_EQ(pageRecord.objects, std::vector<IUnknown*>{static_cast<IUnknown*>(static_cast<IBaseFilter*>(paged.get()))});
  EXPECT_EQ(pageRecord.frameParent, &owner);
  EXPECT_EQ(pageRecord.title, QString());
  EXPECT_EQ(pageRecord.position, QPoint(30, 30));
  EXPECT_TRUE(log.empty());

  pageRecord = {};
  ASSERT_TRUE(dialogs_.Show(cdTVTuner, sources, &owner, actions));
  EXPECT_EQ(pageRecord.objects, std::vector<IUnknown*>{static_cast<IUnknown*>(tuner.get())});

  // The pin's page stops the capture and starts it again only if it ran.
  pageRecord = {};
  ASSERT_TRUE(dialogs_.Show(cdVideoCapturePin, sources, &owner, actions));
  EXPECT_EQ(log, (std::vector<std::string>{"stop"}));
  EXPECT_EQ(pageRecord.objects,
            std::vector<IUnknown*>{static_cast<IUnknown*>(static_cast<IAMStreamConfig*>(paged->pin))});
  log.clear();
  actions.wasRunning = true;
  ASSERT_TRUE(dialogs_.Show(cdVideoCapturePin, sources, &owner, actions));
  EXPECT_EQ(log, (std::vector<std::string>{"stop", "start"}));
}

TEST_F(VideoDialogsTest, TheCameraPageShowsTheV4L2FilterItself) {
  // Stands in for the camera settings page the windowed part registers.
  DSRegisterClass(CLSID_CameraPropertyPage, [](IUnknown*, HRESULT* hr) -> IUnknown* {
    auto* page = new TRecordingPage();
    page->NonDelegatingAddRef();
    *hr = S_OK;
    return page->GetNonDelegatingUnknown();
  });
  UseCamera(/*synthetic=*/true);
  const TVLDSDialogSources sources = SourcesOf(filter_.get());
  dialogs_.Refresh(sources);
  ASSERT_TRUE(dialogs_.Show(cdVideoCapture, sources, nullptr, {}));
  EXPECT_EQ(pageRecord.shown, 1);
  EXPECT_EQ(pageRecord.objects,
            std::vector<IUnknown*>{static_cast<IUnknown*>(static_cast<IBaseFilter*>(filter_.get()))});
}

}  // namespace lumicar::adjtest

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#include "adjustment_test.moc"
