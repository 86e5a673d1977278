// The graph holder's own work: the graph's life cycle, failures and their
// texts, the running object table, the graph events, the hidden window with a
// renderer's video window, and the graph dump.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QRegularExpression>

#include "buffers/sl_exception.h"
#include "dsbase/com/class_factory.h"
#include "dsbase/graph/graph_notify_event.h"
#include "dsbase/holder/running_object_table.h"
#include "tests/dsbase/holder/holder_test_support.h"
#include "tests/ui/qt_application.h"

namespace lumicar::holdertest {
namespace {

using dstest::TCollectingRenderer;
using dstest::TCountingSource;

constexpr HRESULT E_ACCESSDENIED = HRESULT(0x80070005u);

// Adds a source connected to the renderer, so that the graph can run.
void AddChain(TDSGraph& holder, TCountingSource* source, TDSBaseRenderer* renderer) {
  ASSERT_EQ(holder.Graph()->AddFilter(source, u"Source"), S_OK);
  ASSERT_EQ(holder.Graph()->AddFilter(renderer, u"Renderer"), S_OK);
  ASSERT_EQ(holder.Graph()->Connect(source->Pin(), renderer->InputPin()), S_OK);
}

int32_t GraphState(TDSGraph& holder) {
  int32_t state = -1;
  holder.MediaControl()->GetState(0, &state);
  return state;
}

// Handles every error, recording (sender, message, code).
struct TErrorRecorder {
  explicit TErrorRecorder(TDSGraph& holder, bool handle = true) {
    holder.SetOnError(TDSErrorEvent([this, handle](TObject* sender, QString message, HRESULT code, bool* handled) {
      senders.push_back(sender);
      messages << message;
      codes.push_back(code);
      *handled = handle;
    }));
  }
  std::vector<TObject*> senders;
  QStringList messages;
  std::vector<HRESULT> codes;
};

// Makes CLSID_FilterGraph fail with a given code while it lives.
class TFailingGraphClass {
 public:
  explicit TFailingGraphClass(HRESULT code) {
    DSRegisterClass(CLSID_FilterGraph, [code](IUnknown*, HRESULT* result) -> IUnknown* {
      *result = code;
      return nullptr;
    });
  }
  ~TFailingGraphClass() {
    DSRegisterClass(CLSID_FilterGraph, [](IUnknown*, HRESULT* result) -> IUnknown* {
      auto* graph = new TDSFilterGraph();
      graph->NonDelegatingAddRef();
      *result = S_OK;
      return graph->GetNonDelegatingUnknown();
    });
  }
};

// ---- Life cycle ----

TEST_F(HolderTest, BuildsRunsStopsAndDestroysAGraphThenMakesANewOne) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  TGraphListener listener(&host);
  ASSERT_TRUE(holder.GraphPin()->Connect(listener.Pin()));
  EXPECT_EQ(holder.Graph(), nullptr);

  ASSERT_TRUE(holder.CreateGraph());
  const TIntf<IGraphBuilder> first = holder.Graph();  // also keeps its address from being reused
  EXPECT_TRUE(holder.CreateGraph());
  EXPECT_EQ(holder.Graph(), first.get()) << "a graph is made only when there is none";
  ASSERT_TRUE(holder.CreateGraphBuilder());
  IGraphBuilder* built = nullptr;
  ASSERT_EQ(holder.GraphBuilder()->GetFiltergraph(&built), S_OK);
  EXPECT_EQ(built, first.get()) << "the builder works on the holder's graph";
  built->Release();
  ASSERT_TRUE(holder.GetMediaControl());

  auto source = MakeIntf<TCountingSource>();
  auto renderer = MakeIntf<TCollectingRenderer>();
  AddChain(holder, source.get(), renderer.get());
  ASSERT_TRUE(holder.Run());
  EXPECT_EQ(GraphState(holder), State_Running);
  holder.Stop();
  EXPECT_EQ(GraphState(holder), State_Stopped);
  holder.GraphChanged();

  holder.DestroyGraph();
  EXPECT_EQ(holder.Graph(), nullptr);
  EXPECT_EQ(holder.GraphBuilder(), nullptr);
  EXPECT_EQ(holder.MediaControl(), nullptr);
  EXPECT_EQ(holder.MediaEvent(), nullptr);
  EXPECT_EQ(listener.graphs, (std::vector<IGraphBuilder*>{first.get(), nullptr}));

  ASSERT_TRUE(holder.CreateGraph());
  EXPECT_NE(holder.Graph(), first.get()) << "after DestroyGraph the next graph is a new one";
  QStringList names;
  ASSERT_TRUE(holder.GetFilterList(&names));
  EXPECT_TRUE(names.isEmpty());
}

TEST_F(HolderTest, AnnouncesAStopOnGraphPinWhenItGoes) {
  THolderHost host;
  TGraphListener listener(&host);
  {
    TDSGraph holder(&host);
    ASSERT_TRUE(holder.GraphPin()->Connect(listener.Pin()));
    ASSERT_TRUE(holder.CreateGraph());
  }
  EXPECT_EQ(listener.stops, 1);
  EXPECT_EQ(listener.graphs, (std::vector<IGraphBuilder*>{nullptr})) << "the graph goes first";
}

TEST_F(HolderTest, NamesItsGraphPinThroughItsOwnersProperty) {
  THolderHost host;
  host.SetName(QStringLiteral("Capture1"));
  EXPECT_EQ(host.Graph()->GraphPin()->GetFullName(false), QStringLiteral("Capture1.Graph.GraphPin"));
}

// ---- Failures ----

TEST_F(HolderTest, ErrorRaisesTheFormattedTextUnlessTheHandlerMarksItHandled) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  EXPECT_EQ(TDSGraph::ErrorText(QStringLiteral("Can't start capture."), E_ACCESSDENIED),
            QStringLiteral("Can't start capture. - 2147942405 - 80070005"));
  EXPECT_EQ(TDSGraph::ErrorText(QStringLiteral("x"), VFW_E_RUNTIME_ERROR), QStringLiteral("x - 2147746315 - 8004020b"));
  try {
    holder.Error(QStringLiteral("Can't start capture."), E_ACCESSDENIED);
    ADD_FAILURE() << "no exception";
  } catch (const ESLException& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Can't start capture. - 2147942405 - 80070005"));
  }

  TErrorRecorder notHandled(holder, false);
  EXPECT_THROW(holder.Error(QStringLiteral("a"), E_FAIL), ESLException);
  TErrorRecorder handled(holder, true);
  EXPECT_NO_THROW(holder.Error(QStringLiteral("b"), E_FAIL));
  EXPECT_EQ(notHandled.messages, QStringList{QStringLiteral("a")});
  EXPECT_EQ(handled.messages, QStringList{QStringLiteral("b")});
  EXPECT_EQ(handled.senders, std::vector<TObject*>{&host});
}

TEST_F(HolderTest, AHandledFailureMakesTheOperationReturnFalse) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  TErrorRecorder errors(holder);
  {
    TFailingGraphClass failing(E_ACCESSDENIED);
    EXPECT_FALSE(holder.CreateGraph());
  }
  EXPECT_FALSE(holder.CreateGraphBuilder()) << "no graph to give the builder";
  EXPECT_FALSE(holder.GetMediaControl());
  EXPECT_FALSE(holder.Run()) << "no media control";
  EXPECT_EQ(errors.messages, (QStringList{QStringLiteral("Can't build DirectShow graph."),
                                          QStringLiteral("Can't build DirectShow graph builder."),
                                          QStringLiteral("Can't obtain IMediaControl."),
                                          QStringLiteral("Can't start DirectShow graph.")}));
  EXPECT_EQ(errors.codes.front(), E_ACCESSDENIED);
  EXPECT_EQ(holder.Graph(), nullptr);
  EXPECT_EQ(holder.GraphBuilder(), nullptr);
}

TEST_F(HolderTest, AnUnhandledFailureLeavesTheOperationByException) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  TFailingGraphClass failing(E_ACCESSDENIED);
  try {
    holder.CreateGraph();
    ADD_FAILURE() << "no exception";
  } catch (const ESLException& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Can't build DirectShow graph. - 2147942405 - 80070005"));
  }
}

TEST_F(HolderTest, AFailedRunStopsTheGraphAndReportsTheCode) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  TErrorRecorder errors(holder);
  ASSERT_TRUE(holder.CreateGraph());
  ASSERT_TRUE(holder.GetMediaControl());
  auto source = MakeIntf<TCountingSource>();
  auto renderer = MakeIntf<TStubbornRenderer>();
  AddChain(holder, source.get(), renderer.get());
  renderer->pauseResult_ = E_ACCESSDENIED;
  EXPECT_FALSE(holder.Run());
  ASSERT_EQ(errors.messages, QStringList{QStringLiteral("Can't start DirectShow graph.")});
  EXPECT_EQ(errors.codes.front(), E_ACCESSDENIED);
  EXPECT_EQ(GraphState(holder), State_Stopped);
  EXPECT_TRUE(renderer->IsStopped());

  renderer->pauseResult_ = S_OK;
  ASSERT_TRUE(holder.Run());
  renderer->stopResult_ = E_ACCESSDENIED;
  holder.Stop(false);
  EXPECT_EQ(errors.messages.size(), 1) << "a stop without report says nothing";
  ASSERT_TRUE(holder.Run());
  holder.Stop(true);
  EXPECT_EQ(errors.messages.back(), QStringLiteral("Can't stop DirectShow graph."));
  holder.DestroyGraph();
}

TEST_F(HolderTest, WarningsOnlyReachTheHandlerAndOnlyForFailures) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  EXPECT_NO_THROW(holder.Warning(QStringLiteral("nobody listens"), E_FAIL));
  QStringList warnings;
  holder.SetOnWarning(TDSWarningEvent([&](TObject* sender, QString message, HRESULT code) {
    EXPECT_EQ(sender, &host);
    warnings << QStringLiteral("%1 %2").arg(message).arg(uint32_t(code), 0, 16);
  }));
  holder.Warning(QStringLiteral("w"), S_FALSE);
  holder.CheckWarning(QStringLiteral("ok"), S_FALSE);
  holder.CheckWarning(QStringLiteral("bad"), E_FAIL);
  EXPECT_EQ(warnings, (QStringList{QStringLiteral("w 1"), QStringLiteral("bad 80004005")}));
}

TEST_F(HolderTest, EveryErrorAndEveryUnheardWarningIsWrittenOnceWithItsCode) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  TGraphLog log;
  // No handler: the error ends as an exception, which a guard may swallow.
  EXPECT_THROW(holder.Error(QStringLiteral("no handler"), E_ACCESSDENIED), ESLException);
  holder.Warning(QStringLiteral("nobody listens"), E_FAIL);
  // A handler that takes the error quietly.
  TErrorRecorder handled(holder, true);
  EXPECT_NO_THROW(holder.Error(QStringLiteral("taken"), VFW_E_RUNTIME_ERROR));
  // A warning that has a listener is its listener's to report.
  holder.SetOnWarning(TDSWarningEvent([](TObject*, QString, HRESULT) {}));
  holder.Warning(QStringLiteral("heard"), E_FAIL);
  EXPECT_EQ(log.Messages(), (QStringList{TDSGraph::ErrorText(QStringLiteral("no handler"), E_ACCESSDENIED),
                                         TDSGraph::ErrorText(QStringLiteral("nobody listens"), E_FAIL),
                                         TDSGraph::ErrorText(QStringLiteral("taken"), VFW_E_RUNTIME_ERROR)}));
}

TEST_F(HolderTest, AnErrorReportedFromInsideTheHandlerIsNotHandledAgain) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  int calls = 0;
  // A handler that retries an operation which fails again.
  holder.SetOnError(TDSErrorEvent([&](TObject*, QString, HRESULT, bool* handled) {
    ++calls;
    holder.Error(QStringLiteral("again"), E_FAIL);
    *handled = true;
  }));
  try {
    holder.Error(QStringLiteral("first"), E_FAIL);
    ADD_FAILURE() << "no exception";
  } catch (const ESLException& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("again - 2147500037 - 80004005"));
  }
  EXPECT_EQ(calls, 1);
  // The next report is handled as usual.
  holder.SetOnError(TDSErrorEvent([&](TObject*, QString, HRESULT, bool* handled) {
    ++calls;
    *handled = true;
  }));
  EXPECT_NO_THROW(holder.Error(QStringLiteral("later"), E_FAIL));
  EXPECT_EQ(calls, 2);
}

// ---- Running object table ----

TEST_F(HolderTest, RegistersTheGraphOnlyWithRegisterAndFollowsTheSwitch) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  ASSERT_TRUE(holder.CreateGraph());
  holder.RegisterGraph();
  EXPECT_TRUE(holder.IsRegistered());
  EXPECT_TRUE(RunningObjectNames().isEmpty()) << "Register is false by default";

  holder.SetRegister(true);
  const QString name = QStringLiteral("!") + holder.RunningObjectName();
  EXPECT_EQ(RunningObjectNames(), QStringList{name}) << "switched on while registered: added at once";

  // A graph viewing tool finds the graph by its moniker.
  IMoniker* rawMoniker = nullptr;
  ASSERT_EQ(CreateItemMoniker(u"!", reinterpret_cast<const char16_t*>(holder.RunningObjectName().utf16()), &rawMoniker),
            S_OK);
  TIntf<IMoniker> moniker = TIntf<IMoniker>::Adopt(rawMoniker);
  void* found = nullptr;
  ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IGraphBuilder, &found), S_OK);
  EXPECT_EQ(found, holder.Graph());
  static_cast<IGraphBuilder*>(found)->Release();

  holder.SetRegister(false);
  EXPECT_TRUE(RunningObjectNames().isEmpty()) << "switched off: removed";
  holder.SetRegister(true);
  holder.UnregisterGraph();
  EXPECT_TRUE(RunningObjectNames().isEmpty());
  EXPECT_FALSE(holder.IsRegistered());
  holder.SetRegister(false);
  holder.SetRegister(true);
  EXPECT_TRUE(RunningObjectNames().isEmpty()) << "not registered: the switch adds nothing";
}

TEST_F(HolderTest, TwoHoldersRegisterUnderNamesThatDifferInTheGraphAddress) {
  THolderHost a, b;
  for (THolderHost* host : {&a, &b}) {
    host->Graph()->SetRegister(true);
    ASSERT_TRUE(host->Graph()->CreateGraph());
    host->Graph()->RegisterGraph();
  }
  const QRegularExpression form(QStringLiteral("^FilterGraph ([0-9A-F]{8,}) pid ([0-9a-f]{8})$"));
  const QRegularExpressionMatch ma = form.match(a.Graph()->RunningObjectName());
  const QRegularExpressionMatch mb = form.match(b.Graph()->RunningObjectName());
  ASSERT_TRUE(ma.hasMatch()) << a.Graph()->RunningObjectName().toStdString();
  ASSERT_TRUE(mb.hasMatch());
  EXPECT_NE(ma.captured(1), mb.captured(1));
  EXPECT_EQ(ma.captured(2), mb.captured(2));
  EXPECT_EQ(ma.captured(2).toLongLong(nullptr, 16), QCoreApplication::applicationPid());
  EXPECT_EQ(RunningObjectNames().size(), 2);
  a.Graph()->DestroyGraph();
  b.Graph()->DestroyGraph();
}

TEST_F(HolderTest, DestroyingARegisteredGraphRemovesItsEntrySoTheNextGraphRegisters) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  holder.SetRegister(true);
  ASSERT_TRUE(holder.CreateGraph());
  holder.RegisterGraph();
  const QString old = holder.RunningObjectName();
  holder.DestroyGraph();
  EXPECT_TRUE(RunningObjectNames().isEmpty()) << "the entry would keep the old graph alive";
  ASSERT_TRUE(holder.CreateGraph());
  holder.RegisterGraph();
  EXPECT_EQ(RunningObjectNames(), QStringList{QStringLiteral("!") + holder.RunningObjectName()});
  holder.DestroyGraph();
}

// ---- Graph events on the user-interface thread ----

TEST_F(HolderTest, DeviceLostCallsTheRawCallbackBeforeOnDeviceLost) {
  THolderHost host;
  std::vector<std::string> log;
  TDSGraph holder(&host, [&](int32_t code, intptr_t p1, intptr_t p2) {
    log.push_back("raw " + std::to_string(code) + " " + std::to_string(p1) + " " + std::to_string(p2));
  });
  holder.SetOnDeviceLost(TNotifyEvent([&](TObject* sender) {
    EXPECT_EQ(sender, &host);
    log.push_back("lost");
  }));
  holder.SetOnAborted(TNotifyEvent([&](TObject*) { log.push_back("aborted"); }));
  holder.SetOnStarvation(TNotifyEvent([&](TObject*) { log.push_back("starved"); }));
  ASSERT_TRUE(holder.CreateGraph());
  auto source = MakeIntf<TCountingSource>();
  ASSERT_EQ(holder.Graph()->AddFilter(source.get(), u"Source"), S_OK);
  ASSERT_TRUE(holder.SetMediaEvent());

  source->NotifyEvent(EC_DEVICE_LOST, 7, 8);
  source->NotifyEvent(EC_QUALITY_CHANGE, 1, 0);
  source->NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
  source->NotifyEvent(EC_STARVATION, 0, 0);
  EXPECT_TRUE(log.empty()) << "events arrive through the posted notification";
  QCoreApplication::sendPostedEvents(holder.EventTarget(), TDSGraphNotifyEvent::EventType());
  EXPECT_EQ(log, (std::vector<std::string>{"raw 31 7 8", "lost", "raw 11 1 0", "raw 3 -2147467259 0", "aborted",
                                           "raw 23 0 0", "starved"}));
  holder.DestroyGraph();
}

TEST_F(HolderTest, AHandlerMayDestroyTheHolderWhileEventsAreWaiting) {
  THolderHost host;
  int calls = 0;
  std::unique_ptr<TDSGraph> holder;
  holder = std::make_unique<TDSGraph>(&host, [&](int32_t, intptr_t, intptr_t) {
    ++calls;
    holder.reset();
  });
  ASSERT_TRUE(holder->CreateGraph());
  const TIntf<IGraphBuilder> graph = holder->Graph();
  auto source = MakeIntf<TCountingSource>();
  ASSERT_EQ(graph->AddFilter(source.get(), u"Source"), S_OK);
  ASSERT_TRUE(holder->SetMediaEvent());
  source->NotifyEvent(EC_DEVICE_LOST, 0, 0);
  source->NotifyEvent(EC_DEVICE_LOST, 0, 0);
  QCoreApplication::sendPostedEvents(holder->EventTarget(), TDSGraphNotifyEvent::EventType());
  EXPECT_EQ(holder, nullptr);
  EXPECT_EQ(calls, 1) << "the second event went with the holder";
  // The graph outlives the holder: what it raises now reaches nobody.
  source->NotifyEvent(EC_DEVICE_LOST, 0, 0);
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(calls, 1);
  graph->RemoveFilter(source.get());
}

TEST_F(HolderTest, AFailingHandlerIsReportedOnceAndTheEventRouteGoesOn) {
  THolderHost host;
  int calls = 0;
  TDSGraph holder(&host, [&](int32_t, intptr_t, intptr_t) {
    if (++calls == 1) throw ESLException(QStringLiteral("handler failed"));
  });
  ASSERT_TRUE(holder.CreateGraph());
  auto source = MakeIntf<TCountingSource>();
  ASSERT_EQ(holder.Graph()->AddFilter(source.get(), u"Source"), S_OK);
  ASSERT_TRUE(holder.SetMediaEvent());
  TGraphLog log;
  source->NotifyEvent(EC_DEVICE_LOST, 0, 0);
  source->NotifyEvent(EC_STARVATION, 0, 0);
  QCoreApplication::sendPostedEvents(holder.EventTarget(), TDSGraphNotifyEvent::EventType());
  EXPECT_EQ(calls, 2) << "the second event came with its own notification";
  const QStringList messages = log.Messages();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages.front().contains(QStringLiteral("handler failed")));
  holder.DestroyGraph();
}

// ---- Hidden window and video window ----

TEST_F(HolderTest, ThePreviewShowsTheVideoWindowInTheHiddenWindow) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  QWidget* window = holder.OwnerWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Video Preview"));
  EXPECT_FALSE(window->isVisible());
  ASSERT_TRUE(holder.CreateGraph());
  auto renderer = MakeIntf<TWindowRenderer>();
  ASSERT_EQ(holder.Graph()->AddFilter(renderer.get(), u"Renderer"), S_OK);

  window->resize(320, 240);
  ASSERT_TRUE(holder.ConfigVideoWindow(nullptr, true, QSize(640, 480)));
  EXPECT_EQ(renderer->style_, WS_CHILD | WS_CLIPSIBLINGS);
  EXPECT_EQ(renderer->owner_, window);
  EXPECT_EQ(renderer->drain_, window);
  EXPECT_EQ(renderer->visible_, OATRUE);
  EXPECT_EQ(renderer->autoShow_, OATRUE);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(renderer->position_, QRect(0, 0, 320, 240)) << "fitted to the window's client area";
  window->resize(400, 300);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(renderer->position_, QRect(0, 0, 400, 300)) << "and it follows the window";

  ASSERT_TRUE(holder.ConfigVideoWindow(nullptr, false, QSize()));
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(renderer->visible_, OAFALSE);
  holder.DestroyGraph();
  EXPECT_EQ(holder.VideoWindow(), nullptr);
}

TEST_F(HolderTest, ADockTakesTheVideoWindowAndTheHiddenWindowsMessages) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  ASSERT_TRUE(holder.CreateGraph());
  auto renderer = MakeIntf<TWindowRenderer>();
  ASSERT_EQ(holder.Graph()->AddFilter(renderer.get(), u"Renderer"), S_OK);
  auto dock = MakeIntf<TPreviewDock>();
  std::vector<int> hooked;
  holder.SetMsgEvent([&](QEvent* e) { hooked.push_back(int(e->type())); });

  ASSERT_TRUE(holder.ConfigVideoWindow(dock.get(), true, QSize(160, 120)));
  EXPECT_EQ(renderer->owner_, &dock->window_);
  EXPECT_EQ(dock->resized_, QSize(160, 120));
  EXPECT_EQ(renderer->position_, QRect(0, 0, 160, 120));
  EXPECT_EQ(holder.DrainDock(), dock.get());
  EXPECT_FALSE(holder.OwnerWindow()->isVisible());
  EXPECT_EQ(renderer->drain_, holder.OwnerWindow());

  hooked.clear();
  dock->messages_.clear();
  QEvent message(QEvent::User);
  QCoreApplication::sendEvent(holder.OwnerWindow(), &message);
  EXPECT_EQ(hooked, std::vector<int>{QEvent::User});
  EXPECT_EQ(dock->messages_, std::vector<int>{QEvent::User});
  holder.DestroyGraph();
  EXPECT_EQ(holder.DrainDock(), nullptr);
}

TEST_F(HolderTest, AGraphWithoutAVideoWindowHasNothingToConfigure) {
  THolderHost host;
  TDSGraph& holder = *host.Graph();
  EXPECT_FALSE(holder.ConfigVideoWindow(nullptr, true, QSize(1, 1))) << "no graph";
  ASSERT_TRUE(holder.CreateGraph());
  // The graph manager offers its own video window, which forwards to a
  // renderer once there is one.
  EXPECT_TRUE(holder.ConfigVideoWindow(nullptr, false, QSize(1, 1)));
  holder.DestroyGraph();
}

// ---- Graph dump ----

TEST_F(HolderTest, WithLumicarGraphDumpTheGraphIsDescribedInTheLog) {
  THolderHost host;
  host.SetName(QStringLiteral("Display1"));
  TDSGraph& holder = *host.Graph();
  ASSERT_TRUE(holder.CreateGraph());
  ASSERT_TRUE(holder.GetMediaControl());
  auto source = MakeIntf<TCountingSource>();
  auto renderer = MakeIntf<TCollectingRenderer>();
  AddChain(holder, source.get(), renderer.get());
  {
    qunsetenv("LUMICAR_GRAPH_DUMP");
    TGraphLog log;
    holder.RegisterGraph();
    holder.GraphChanged();
    EXPECT_TRUE(log.Messages().isEmpty()) << "nothing unless asked for";
    holder.UnregisterGraph();
  }
  qputenv("LUMICAR_GRAPH_DUMP", "1");
  TGraphLog log;
  holder.RegisterGraph();
  ASSERT_TRUE(holder.Run());
  holder.GraphChanged();
  holder.Stop();
  qunsetenv("LUMICAR_GRAPH_DUMP");
  const QStringList messages = log.Messages();
  ASSERT_EQ(messages.size(), 2);
  const QString& registered = messages[0];
  EXPECT_TRUE(registered.startsWith(holder.RunningObjectName() + QStringLiteral(" of Display1 (registered): stopped")))
      << registered.toStdString();
  EXPECT_TRUE(registered.contains(QStringLiteral("\"Source\"")));
  EXPECT_TRUE(registered.contains(QStringLiteral("-> \"Renderer\"."))) << registered.toStdString();
  EXPECT_TRUE(registered.contains(QStringLiteral("Video/"))) << "the connection's media type";
  EXPECT_TRUE(messages[1].contains(QStringLiteral("(changed): running")));
  holder.DestroyGraph();
}

}  // namespace
}  // namespace lumicar::holdertest
