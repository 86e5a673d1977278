#include "tests/imagepins/xy_test_support.h"

#include "imagepins/image_streams.h"
#include "runtime/class_registry.h"

namespace lumicar::test {

namespace {

class TPairsOnlySinkPin : public TSLOWSinkPin {
 public:
  TPairsOnlySinkPin(TComponent* owner, TOWDispatchEvent event) : TSLOWSinkPin(owner, nullptr, std::move(event)) {
    AddType(IID_SLPairedBuffersStream, TOWSubmitFunction::Bind<&TSLOWSinkPin::NotificationHandler>(this));
  }
  ~TPairsOnlySinkPin() override { BeforeDestruction(); }
  bool ImplementsStream(const TGUID& id) override {
    return id == IID_SLPairedBuffersStream || id == IID_IOWSLGenericStream;
  }
};

}  // namespace

TXYPointSource::TXYPointSource(TComponent* owner) : TComponent(owner) {
  output_.reset(new TVLOWXYFloatSourcePin(this));
}

TXYPointSource::~TXYPointSource() { output_.reset(); }

TXYPointSink::TXYPointSink(TComponent* owner) : TComponent(owner) {
  input_.reset(new TVLOWXYFloatSinkPin(this, nullptr, log.Event()));
}

TXYPointSink::~TXYPointSink() { input_.reset(); }

TPairsSink::TPairsSink(TComponent* owner) : TComponent(owner) {
  input_.reset(new TPairsOnlySinkPin(this, log.Event()));
}

TPairsSink::~TPairsSink() { input_.reset(); }

void RegisterXYTestClasses() {
  RegisterClass<TXYTestWindow>();
  RegisterClass<TXYPointSource>();
  RegisterClass<TXYPointSink>();
  RegisterClass<TPairsSink>();
}

TIntf<TVLXYFloatData> MakeLinePoints(uint32_t count) {
  auto points = MakeIntf<TVLXYFloatData>(count);
  for (uint32_t i = 0; i < count; ++i)
    points->SetPoint(i, {static_cast<float>(i), -2.0f * static_cast<float>(i) + 0.5f});
  return points;
}

}  // namespace lumicar::test
