#include "tests/dsbase/holder/holder_test_support.h"

#include <QMutexLocker>

#include "dsbase/classes/system_classes.h"
#include "dsbase/holder/running_object_table.h"
#include "pins/operations.h"

namespace lumicar::holdertest {

THolderHost::THolderHost(TComponent* owner) : TLPComponent(owner), graph_(std::make_unique<TDSGraph>(this)) {}

THolderHost::~THolderHost() { graph_.reset(); }

TGraphListener::TGraphListener(TComponent* owner) : pin_(new TOWSinkPin(owner)) {
  pin_->AddType(IID_IOWMLGraphStream);
  pin_->SetDispatchEvent([this](TOWPin*, const TGUID&, IOWNotifyOperation* operation, TOWNotifyState) {
    if (auto* change = OWOperationAs<TOWMLGraphChangeOperation>(operation)) graphs.push_back(change->Graph());
    if (OWOperationAs<TOWStopOperation>(operation)) ++stops;
    return TOWDispatchResult{};
  });
}

TGraphListener::~TGraphListener() = default;

// ---- TWindowRenderer ----

HRESULT TWindowRenderer::NonDelegatingQueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IVideoWindow) return GetInterface<IVideoWindow>(this, object);
  return TCollectingRenderer::NonDelegatingQueryInterface(iid, object);
}

HRESULT TWindowRenderer::put_WindowStyle(int32_t style) {
  style_ = style;
  return S_OK;
}
HRESULT TWindowRenderer::get_WindowStyle(int32_t* style) {
  *style = style_;
  return S_OK;
}
HRESULT TWindowRenderer::put_AutoShow(OABOOL autoShow) {
  autoShow_ = autoShow;
  return S_OK;
}
HRESULT TWindowRenderer::get_AutoShow(OABOOL* autoShow) {
  *autoShow = autoShow_;
  return S_OK;
}
HRESULT TWindowRenderer::put_Visible(OABOOL visible) {
  visible_ = visible;
  return S_OK;
}
HRESULT TWindowRenderer::get_Visible(OABOOL* visible) {
  *visible = visible_;
  return S_OK;
}
HRESULT TWindowRenderer::put_Owner(OAHWND owner) {
  owner_ = owner;
  return S_OK;
}
HRESULT TWindowRenderer::get_Owner(OAHWND* owner) {
  *owner = owner_;
  return S_OK;
}
HRESULT TWindowRenderer::put_MessageDrain(OAHWND drain) {
  drain_ = drain;
  return S_OK;
}
HRESULT TWindowRenderer::get_MessageDrain(OAHWND* drain) {
  *drain = drain_;
  return S_OK;
}
HRESULT TWindowRenderer::get_FullScreenMode(OABOOL* fullScreen) {
  *fullScreen = OAFALSE;
  return S_OK;
}
HRESULT TWindowRenderer::SetWindowPosition(int32_t left, int32_t top, int32_t width, int32_t height) {
  position_ = QRect(left, top, width, height);
  ++positions_;
  return S_OK;
}
HRESULT TWindowRenderer::GetWindowPosition(int32_t* left, int32_t* top, int32_t* width, int32_t* height) {
  *left = position_.left();
  *top = position_.top();
  *width = position_.width();
  *height = position_.height();
  return S_OK;
}
HRESULT TWindowRenderer::IsCursorHidden(OABOOL* hidden) {
  *hidden = OAFALSE;
  return S_OK;
}

// ---- TPreviewDock ----

HRESULT TPreviewDock::QueryInterface(const TGUID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IDSPreviewDock) {
    *object = static_cast<IDSPreviewDock*>(this);
    AddRef();
    return S_OK;
  }
  return TInterfacedObject::QueryInterface(iid, object);
}

void TPreviewDock::DrainMessage(QEvent* message) { messages_.push_back(int(message->type())); }

// ---- TGraphLog ----

namespace {
QMutex gLogLock;
QStringList gLog;
}  // namespace

TGraphLog::TGraphLog() {
  {
    QMutexLocker guard(&gLogLock);
    gLog.clear();
  }
  previous_ = qInstallMessageHandler(&TGraphLog::Handler);
}

TGraphLog::~TGraphLog() { qInstallMessageHandler(previous_); }

QStringList TGraphLog::Messages() const {
  QMutexLocker guard(&gLogLock);
  return gLog;
}

void TGraphLog::Handler(QtMsgType, const QMessageLogContext& context, const QString& message) {
  if (context.category == nullptr || QByteArray(context.category) != "lumicar.graph") return;
  QMutexLocker guard(&gLogLock);
  gLog << message;
}

// ---- Fixture ----

void HolderTest::SetUp() {
  dstest::TestApp();
  DSRegisterSystemClasses();
  DSLeakCheck::SetUp();
}

void HolderTest::TearDown() {
  EXPECT_TRUE(RunningObjectNames().isEmpty()) << "running object table entries left";
  DSLeakCheck::TearDown();
}

QStringList RunningObjectNames() {
  QStringList names;
  IRunningObjectTable* rawTable = nullptr;
  if (FAILED(GetRunningObjectTable(0, &rawTable))) return names;
  TIntf<IRunningObjectTable> table = TIntf<IRunningObjectTable>::Adopt(rawTable);
  IEnumMoniker* rawEnum = nullptr;
  if (FAILED(table->EnumRunning(&rawEnum))) return names;
  TIntf<IEnumMoniker> monikers = TIntf<IEnumMoniker>::Adopt(rawEnum);
  IMoniker* moniker = nullptr;
  uint32_t fetched = 0;
  while (monikers->Next(1, &moniker, &fetched) == S_OK && fetched == 1) {
    TIntf<IMoniker> keep = TIntf<IMoniker>::Adopt(moniker);
    names << DSMonikerDisplayName(keep.get());
  }
  return names;
}

}  // namespace lumicar::holdertest
