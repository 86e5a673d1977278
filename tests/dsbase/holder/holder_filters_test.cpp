// The graph holder's filters: additional filters and their stored form, the
// filter selection dialog, filters made by name, teardown around a filter,
// the filter list and the description saved to a file, finding filters by
// class, and the capture holder's rendering hooks.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include "dsbase/devices/device_list_form.h"
#include "dsbase/holder/renderer_ids.h"
#include "runtime/class_registry.h"
#include "runtime/form_reader.h"
#include "runtime/form_writer.h"
#include "tests/dsbase/holder/holder_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::holdertest {
namespace {

using dstest::TCollectingRenderer;
using dstest::TCountingSource;
using dstest::TPassThroughTransform;

// Lists its devices, but cannot make the filters of those marked broken.
class TFlakyProvider : public dstest::TTestDeviceProvider {
 public:
  using TTestDeviceProvider::TTestDeviceProvider;
  HRESULT CreateFilter(const TDSDeviceDescription& device, IBaseFilter** filter) override {
    if (broken_.contains(device.Id)) return VFW_E_NOT_FOUND;
    return TTestDeviceProvider::CreateFilter(device, filter);
  }
  QSet<QString> broken_;
};

// Three registered filters of a category of the tests' own.
class HolderFiltersTest : public HolderTest {
 protected:
  void SetUp() override {
    HolderTest::SetUp();
    provider_ = std::make_shared<TFlakyProvider>(
        TGUID::FromString("{7B1E7A55-0C2D-4F19-8A64-3D5E2B9C1F07}"),
        std::vector<TDSDeviceDescription>{{QStringLiteral("Lens A"), QStringLiteral("a"), {}, {}},
                                          {QStringLiteral("Lens B"), QStringLiteral("b"), {}, {}},
                                          {QStringLiteral("Lens C"), QStringLiteral("c"), {}, {}}});
    DSRegisterDeviceProvider(provider_);
  }
  void TearDown() override {
    DSUnregisterDeviceProvider(provider_.get());
    provider_.reset();
    HolderTest::TearDown();
  }
  void Unplug(const QString& id) {
    std::lock_guard guard(provider_->lock_);
    std::erase_if(provider_->devices_, [&](const TDSDeviceDescription& d) { return d.Id == id; });
  }
  static QStringList FilterNames(TDSGraph& holder) {
    QStringList names;
    holder.GetFilterList(&names);
    return names;
  }

  std::shared_ptr<TFlakyProvider> provider_;
};

// ---- Additional filters ----

TEST_F(HolderFiltersTest, AFilterItemKeepsOnlyANameThatIsRegistered) {
  THolderHost host;
  TDSFilterItem* item = host.Graph()->AdditionalFilters()->AddFilter();
  EXPECT_EQ(item->FilterName(), QStringLiteral("None"));
  EXPECT_EQ(item->GetMoniker(), nullptr) << "None has no moniker";
  item->SetFilterName(QStringLiteral("Lens B"));
  EXPECT_EQ(item->FilterName(), QStringLiteral("Lens B"));
  EXPECT_TRUE(item->DriverName().startsWith(QStringLiteral("@device:sw:"))) << item->DriverName().toStdString();
  EXPECT_NE(item->GetMoniker(), nullptr);
  EXPECT_EQ(item->GetDisplayName(), QStringLiteral("Lens B"));

  item->SetFilterName(QStringLiteral("No such lens"));
  EXPECT_EQ(item->FilterName(), QStringLiteral("Lens B")) << "an unknown name changes nothing";
  item->SetFilterName(QString());
  EXPECT_EQ(item->FilterName(), QString());
  EXPECT_EQ(item->DriverName(), QString());
  EXPECT_EQ(item->GetDisplayName(), QStringLiteral("Filter 1"));
}

TEST_F(HolderFiltersTest, AdditionalFiltersAreAddedAndAMissingOneIsSkipped) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  for (const char* name : {"Lens A", "Lens B", "Lens C"})
    holder.AdditionalFilters()->AddFilter()->SetFilterName(QString::fromLatin1(name));
  holder.AdditionalFilters()->AddFilter();  // "None"
  Unplug(QStringLiteral("b"));

  EXPECT_FALSE(holder.RegisterAdditionalFilters()) << "no graph yet";
  ASSERT_TRUE(holder.CreateGraph());
  EXPECT_FALSE(holder.RegisterAdditionalFilters()) << "one is missing and one is None";
  EXPECT_EQ(FilterNames(holder),
            (QStringList{QStringLiteral("Lens A(Additional 1)"), QStringLiteral("Lens C(Additional 3)")}));
  holder.DestroyGraph();
}

TEST_F(HolderFiltersTest, AFilterThatCannotBeMadeIsSkippedToo) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  holder.AdditionalFilters()->AddFilter()->SetFilterName(QStringLiteral("Lens A"));
  holder.AdditionalFilters()->AddFilter()->SetFilterName(QStringLiteral("Lens C"));
  // Listed, but its filter cannot be made any more.
  provider_->broken_.insert(QStringLiteral("a"));
  ASSERT_TRUE(holder.CreateGraph());
  EXPECT_FALSE(holder.RegisterAdditionalFilters());
  EXPECT_EQ(FilterNames(holder), QStringList{QStringLiteral("Lens C(Additional 2)")});
  holder.DestroyGraph();
}

TEST_F(HolderFiltersTest, TheChosenFiltersAreStoredAsDataAndReadBackWithoutALookup) {
  RegisterClass<THolderHost>();
  THolderHost host;
  host.SetName(QStringLiteral("Host"));
  host.Graph()->AdditionalFilters()->AddFilter()->SetFilterName(QStringLiteral("Lens C"));
  host.Graph()->AdditionalFilters()->AddFilter();  // "None": stored without Data
  const QString driver = host.Graph()->AdditionalFilters()->Item(0)->DriverName();
  const QByteArray design = WriteComponentDesign(&host);
  EXPECT_TRUE(design.contains("Data = ("));
  EXPECT_EQ(design.count("Data = ("), 1) << design.toStdString();

  Unplug(QStringLiteral("c"));  // reading does not look the filter up
  THolderHost copy;
  ReadComponentDesign(&copy, design);
  TDSFilterItems* items = copy.Graph()->AdditionalFilters();
  ASSERT_EQ(items->Count(), 2);
  EXPECT_EQ(items->Item(0)->FilterName(), QStringLiteral("Lens C"));
  EXPECT_EQ(items->Item(0)->DriverName(), driver);
  EXPECT_EQ(items->Item(1)->FilterName(), QStringLiteral("None"));

  // Assign copies both names as they are.
  THolderHost other;
  other.SetGraph(copy.Graph());
  ASSERT_EQ(other.Graph()->AdditionalFilters()->Count(), 2);
  EXPECT_EQ(other.Graph()->AdditionalFilters()->Item(0)->DriverName(), driver);
  UnRegisterClass(&THolderHost::staticMetaObject);
}

// Ends the next modal filter dialog with the line `choice` (none: Cancel).
void AnswerDialog(const QString& choice, QStringList* listed) {
  QTimer::singleShot(0, [choice, listed] {
    auto* form = qobject_cast<TDSDeviceListForm*>(QApplication::activeModalWidget());
    if (form == nullptr) return;
    for (int i = 0; i < form->ListBox()->count(); ++i) *listed << form->ListBox()->item(i)->text();
    if (choice.isEmpty()) {
      form->reject();
      return;
    }
    const QList<QListWidgetItem*> found = form->ListBox()->findItems(choice, Qt::MatchExactly);
    if (!found.isEmpty()) form->ListBox()->setCurrentItem(found.front());
    form->accept();
  });
}

TEST_F(HolderFiltersTest, TheFilterDialogListsTheRegisteredFiltersAndSetsTheChoice) {
  THolderHost host;
  TDSFilterItem* item = host.Graph()->AdditionalFilters()->AddFilter();
  QStringList listed;
  AnswerDialog(QStringLiteral("Lens C"), &listed);
  EXPECT_TRUE(item->ShowDialog());
  EXPECT_EQ(item->FilterName(), QStringLiteral("Lens C"));
  EXPECT_TRUE(listed.contains(QStringLiteral("Lens A")));
  EXPECT_TRUE(listed.contains(QStringLiteral("Lens C")));

  listed.clear();
  AnswerDialog(QString(), &listed);
  EXPECT_FALSE(item->ShowDialog()) << "cancelled";
  EXPECT_EQ(item->FilterName(), QStringLiteral("Lens C"));
  EXPECT_FALSE(listed.isEmpty());
}

TEST_F(HolderFiltersTest, CreatesARegisteredFilterByItsName) {
  THolderHost host;
  TIntf<IBaseFilter> lens = host.Graph()->CreateFilterByName(QStringLiteral("Lens A"));
  ASSERT_NE(lens, nullptr);
  EXPECT_EQ(host.Graph()->CreateFilterByName(QStringLiteral("Lens Z")), nullptr);
  EXPECT_EQ(host.Graph()->CreateFilterByName(QString()), nullptr);
}

// ---- Teardown around a filter ----

class HolderChainTest : public HolderTest {
 protected:
  void SetUp() override {
    HolderTest::SetUp();
    host_ = std::make_unique<THolderHost>();
    source_ = MakeIntf<TCountingSource>();
    middle_ = MakeIntf<TPassThroughTransform>();
    renderer_ = MakeIntf<TCollectingRenderer>();
    ASSERT_TRUE(holder().CreateGraph());
    IGraphBuilder* graph = holder().Graph();
    ASSERT_EQ(graph->AddFilter(source_.get(), u"Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(middle_.get(), u"Middle"), S_OK);
    ASSERT_EQ(graph->AddFilter(renderer_.get(), u"Renderer"), S_OK);
    ASSERT_EQ(graph->Connect(source_->Pin(), dstest::PinOf(middle_.get(), 0).get()), S_OK);
    ASSERT_EQ(graph->Connect(dstest::PinOf(middle_.get(), 1).get(), renderer_->InputPin()), S_OK);
  }
  void TearDown() override {
    holder().DestroyGraph();
    source_.reset();
    middle_.reset();
    renderer_.reset();
    host_.reset();
    HolderTest::TearDown();
  }
  TDSGraph& holder() { return *host_->Graph(); }
  QStringList Names() {
    QStringList names;
    EXPECT_TRUE(holder().GetFilterList(&names));
    return names;
  }
  static bool Connected(IPin* pin) {
    IPin* peer = nullptr;
    if (FAILED(pin->ConnectedTo(&peer)) || peer == nullptr) return false;
    peer->Release();
    return true;
  }

  std::unique_ptr<THolderHost> host_;
  TIntf<TCountingSource> source_;
  TIntf<TPassThroughTransform> middle_;
  TIntf<TCollectingRenderer> renderer_;
};

TEST_F(HolderChainTest, DestroyDownstreamRemovesEverythingBelowAFilter) {
  EXPECT_EQ(Names(), (QStringList{QStringLiteral("Source"), QStringLiteral("Middle"), QStringLiteral("Renderer")}));
  holder().DestroyDownstream(source_.get());
  EXPECT_EQ(Names(), QStringList{QStringLiteral("Source")});
  EXPECT_FALSE(Connected(source_->Pin()));
  EXPECT_FALSE(Connected(renderer_->InputPin())) << "the removed filters are disconnected too";
}

TEST_F(HolderChainTest, DestroyUpstreamRemovesEverythingAboveAFilter) {
  holder().DestroyUpstream(renderer_.get());
  EXPECT_EQ(Names(), QStringList{QStringLiteral("Renderer")});
  EXPECT_FALSE(Connected(renderer_->InputPin()));
  holder().DestroyDownstream(nullptr);
  holder().DestroyUpstream(nullptr);
}

TEST_F(HolderChainTest, ConnectsTheFirstOutputPinThatFits) {
  holder().DestroyDownstream(middle_.get());
  EXPECT_FALSE(Connected(renderer_->InputPin()));
  ASSERT_EQ(holder().Graph()->AddFilter(renderer_.get(), u"Renderer"), S_OK);
  EXPECT_FALSE(holder().ConnectFilterToPin(renderer_.get(), source_->Pin())) << "a renderer has no output";
  EXPECT_TRUE(holder().ConnectFilterToPin(middle_.get(), renderer_->InputPin()));
  EXPECT_TRUE(Connected(renderer_->InputPin()));
}

TEST_F(HolderChainTest, SavesAReadableDescriptionOfTheGraph) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("graph.txt"));
  ASSERT_TRUE(holder().SaveToFile(path));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(text.startsWith(holder().RunningObjectName() + QStringLiteral(": state unknown, 3 filter(s)")) ||
              text.startsWith(holder().RunningObjectName() + QStringLiteral(": stopped, 3 filter(s)")))
      << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("[2] \"Middle\"")));
  EXPECT_TRUE(text.contains(QStringLiteral("-> \"Renderer\".")));
  EXPECT_TRUE(text.contains(QStringLiteral("<- \"Source\".")));
  EXPECT_FALSE(holder().SaveToFile(dir.filePath(QStringLiteral("no/such/dir/graph.txt"))));

  THolderHost empty;
  EXPECT_FALSE(empty.Graph()->SaveToFile(dir.filePath(QStringLiteral("empty.txt")))) << "no graph";
  EXPECT_FALSE(empty.Graph()->GetFilterList(nullptr));
}

TEST_F(HolderChainTest, FindsFiltersAndRenderersByClass) {
  EXPECT_EQ(holder().GetVideoRender(), nullptr);
  EXPECT_EQ(holder().GetAudioRender(), nullptr);
  auto mixer = MakeIntf<TClassRenderer>(CLSID_VideoMixingRenderer9);
  auto plain = MakeIntf<TClassRenderer>(CLSID_VideoRenderer);
  auto sound = MakeIntf<TClassRenderer>(CLSID_AudioRender);
  ASSERT_EQ(holder().Graph()->AddFilter(mixer.get(), u"Mixer"), S_OK);
  EXPECT_EQ(holder().GetVideoRender().get(), static_cast<IBaseFilter*>(mixer.get()));
  ASSERT_EQ(holder().Graph()->AddFilter(plain.get(), u"Plain"), S_OK);
  EXPECT_EQ(holder().GetVideoRender().get(), static_cast<IBaseFilter*>(plain.get()))
      << "the video renderer comes before the mixing renderers";
  ASSERT_EQ(holder().Graph()->AddFilter(sound.get(), u"Sound"), S_OK);
  EXPECT_EQ(holder().GetAudioRender().get(), static_cast<IBaseFilter*>(sound.get()));
  EXPECT_EQ(holder().GetFilterByClassID(CLSID_DSoundRender), nullptr);
}

// ---- Capture holder ----

TEST_F(HolderTest, TheCaptureHolderRaisesItsRenderingHooksWithTheOwnerAsSender) {
  THolderHost host;
  TDSCaptureGraph holder(&host);
  EXPECT_EQ(holder.VideoGrabberCreate(), nullptr) << "no handler";
  EXPECT_FALSE(holder.CustomRender(nullptr, true, nullptr));

  auto grabber = MakeIntf<TCollectingRenderer>();
  std::vector<std::string> log;
  holder.SetOnVideoGrabberCreate(TDSVideoGrabberCreateEvent([&](TObject* sender, TIntf<IBaseFilter>* filter) {
    EXPECT_EQ(sender, &host);
    *filter = grabber.get();
  }));
  holder.SetOnReleaseFilters(TNotifyEvent([&](TObject*) { log.push_back("release"); }));
  holder.SetOnAfterRendering(TNotifyEvent([&](TObject*) { log.push_back("rendered"); }));
  holder.SetOnCustomRender(TDSCustomRenderEvent([&](TObject*, IBaseFilter* source, bool video, IBaseFilter* target) {
    log.push_back(std::string("custom ") + (video ? "video" : "audio") + (source == target ? " same" : ""));
  }));
  EXPECT_EQ(holder.VideoGrabberCreate().get(), static_cast<IBaseFilter*>(grabber.get()));
  holder.ReleaseFilters();
  holder.AfterRendering();
  EXPECT_TRUE(holder.CustomRender(grabber.get(), true, grabber.get()));
  EXPECT_EQ(log, (std::vector<std::string>{"release", "rendered", "custom video same"}));
}

}  // namespace
}  // namespace lumicar::holdertest
