#pragma once
// What the graph holder tests share: a component that publishes its holder as
// "Graph", a sink that records what the holder's GraphPin sends, renderers
// that refuse to start or stop, a renderer with a video window that records
// the calls it gets, a preview dock, a log catcher and the test fixture.

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

#include "components/lp_component.h"
#include "dsbase/holder/capture_graph_holder.h"
#include "pins/sink_pin.h"
#include "tests/dsbase/graph_test_support.h"

// Readable test failures for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace lumicar::holdertest {

// Publishes its holder as "Graph", as the capture component and the display do.
class THolderHost : public TLPComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TDSGraph* Graph READ Graph WRITE SetGraph)

 public:
  Q_INVOKABLE explicit THolderHost(lumicar::TComponent* owner = nullptr);
  ~THolderHost() override;

  TDSGraph* Graph() const { return graph_.get(); }
  void SetGraph(TDSGraph* source) { graph_->Assign(source); }

 private:
  std::unique_ptr<TDSGraph> graph_;
};

// Links to a GraphPin and records the graphs announced and the stops.
class TGraphListener {
 public:
  explicit TGraphListener(TComponent* owner);
  ~TGraphListener();
  TOWSinkPin* Pin() const { return pin_.get(); }

  std::vector<IGraphBuilder*> graphs;  // one entry per change operation
  int stops = 0;

 private:
  TOWPinPtr<TOWSinkPin> pin_;
};

// A renderer of the tests' video whose Pause or Stop can be made to fail.
class TStubbornRenderer : public dstest::TCollectingRenderer {
 public:
  HRESULT Pause() override { return pauseResult_ != S_OK ? pauseResult_ : TCollectingRenderer::Pause(); }
  HRESULT Stop() override {
    const HRESULT hr = TCollectingRenderer::Stop();
    return stopResult_ != S_OK ? stopResult_ : hr;
  }
  HRESULT pauseResult_ = S_OK;
  HRESULT stopResult_ = S_OK;
};

// A renderer with a class id of our choice (to be found by it).
class TClassRenderer : public TDSBaseRenderer {
 public:
  explicit TClassRenderer(const TGUID& classId) : TDSBaseRenderer(QStringLiteral("Classed"), nullptr, classId) {}
  HRESULT CheckMediaType(const AM_MEDIA_TYPE*) override { return S_OK; }
  HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }
};

// A renderer with a video window that only records what it is told.
class TWindowRenderer : public dstest::TCollectingRenderer, public IVideoWindow {
 public:
  HRESULT NonDelegatingQueryInterface(const TGUID& iid, void** object) override;

  HRESULT put_WindowStyle(int32_t style) override;
  HRESULT get_WindowStyle(int32_t* style) override;
  HRESULT put_AutoShow(OABOOL autoShow) override;
  HRESULT get_AutoShow(OABOOL* autoShow) override;
  HRESULT put_Visible(OABOOL visible) override;
  HRESULT get_Visible(OABOOL* visible) override;
  HRESULT put_Owner(OAHWND owner) override;
  HRESULT get_Owner(OAHWND* owner) override;
  HRESULT put_MessageDrain(OAHWND drain) override;
  HRESULT get_MessageDrain(OAHWND* drain) override;
  HRESULT put_FullScreenMode(OABOOL) override { return S_OK; }
  HRESULT get_FullScreenMode(OABOOL* fullScreen) override;
  HRESULT SetWindowPosition(int32_t left, int32_t top, int32_t width, int32_t height) override;
  HRESULT GetWindowPosition(int32_t* left, int32_t* top, int32_t* width, int32_t* height) override;
  HRESULT HideCursor(OABOOL) override { return S_OK; }
  HRESULT IsCursorHidden(OABOOL* hidden) override;
  HRESULT NotifyOwnerMessage(OAHWND, QEvent*) override { return S_OK; }

  int32_t style_ = 0;
  OABOOL autoShow_ = OAFALSE, visible_ = OAFALSE;
  QWidget* owner_ = nullptr;
  QWidget* drain_ = nullptr;
  QRect position_;
  int positions_ = 0;  // SetWindowPosition calls
};

class TPreviewDock : public TInterfacedObject, public IDSPreviewDock {
 public:
  HRESULT QueryInterface(const TGUID& iid, void** object) override;
  QWidget* DockWindow() override { return &window_; }
  void DockResize(const QSize& size) override {
    resized_ = size;
    window_.resize(size);
  }
  void DrainMessage(QEvent* message) override;

  QWidget window_;
  QSize resized_;
  std::vector<int> messages_;  // event types drained
};

// Collects the messages of the "lumicar.graph" category while it lives.
class TGraphLog {
 public:
  TGraphLog();
  ~TGraphLog();
  QStringList Messages() const;

 private:
  static void Handler(QtMsgType type, const QMessageLogContext& context, const QString& message);
  QtMessageHandler previous_;
};

class HolderTest : public dstest::DSLeakCheck {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// The entries of the running object table by display name.
QStringList RunningObjectNames();

}  // namespace lumicar::holdertest
