#include "tests/pins/support/pin_test_support.h"

#include "pins/pin.h"
#include "runtime/class_registry.h"

namespace lumicar::test {

void RegisterTestStreams() {
  static const bool once = [] {
    for (const TGUID& id : {kStreamA, kStreamB, kStreamC, kConvFrom, kConvTo})
      OWRegisterDefaultHandler(id, OWStandardDefaultHandler);
    OWRegisterStream(kStreamA, QStringLiteral("Test stream A"));
    OWRegisterStream(kStreamNoHandler, QStringLiteral("No handler"));
    OWRegisterTypeConverter(kConvFrom, kConvTo, OWNewConverter<TTestConverter>);
    return true;
  }();
  (void)once;
}

TOWDispatchEvent TRecorder::Event(Reply reply) {
  return [this, reply](TOWPin* pin, const TGUID& id, IOWNotifyOperation* operation, TOWNotifyState state) {
    TOWNotifyOperation* op = OWOperationInstance(operation);
    {
      std::lock_guard lock(mutex_);
      calls_.push_back(
          TCall{pin, id, op ? op->OperationID() : 0, state, op && typeid(*op) == typeid(TOWNotifyOperation)});
    }
    return reply ? reply(pin, id, operation, state) : TOWDispatchResult();
  };
}

std::vector<TCall> TRecorder::Calls() {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<TCall> TRecorder::TrafficCalls() {
  std::vector<TCall> out;
  for (const auto& c : Calls())
    if (!c.state.testFlag(nsConnectionNotice)) out.push_back(c);
  return out;
}

std::vector<TOWPin*> TRecorder::TrafficOrder() {
  std::vector<TOWPin*> out;
  for (const auto& c : TrafficCalls()) out.push_back(c.pin);
  return out;
}

void TRecorder::Clear() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

std::atomic<int> TTestConverter::live{0};

TTestConverter::TTestConverter() {
  auto* input = new TOWSinkPin(this);
  input->AddType(kConvFrom);
  auto* output = new TOWSourcePin(this);
  output->AddType(kConvTo);
  input->SetDispatchEvent([output](TOWPin*, const TGUID&, IOWNotifyOperation* operation, TOWNotifyState) {
    return output->Notify(operation);
  });
  InitPins(input, output);
  ++live;
}

TTestConverter::~TTestConverter() { --live; }

TTestSource::TTestSource(TComponent* owner, const QString& name) : TComponent(owner), lock_(MakeIntf<TOWLock>()) {
  if (!name.isEmpty()) SetName(name);
  output_.reset(new TOWSourcePin(this, lock_.get()));
  output_->AddType(kStreamA);
}

TTestSource::~TTestSource() { output_.reset(); }

TTestSink::TTestSink(TComponent* owner, const QString& name) : TComponent(owner), lock_(MakeIntf<TOWLock>()) {
  if (!name.isEmpty()) SetName(name);
  input_.reset(new TOWSinkPin(this, lock_.get()));
  input_->AddType(kStreamA);
}

TTestSink::~TTestSink() { input_.reset(); }

TTestFilter::TTestFilter(TComponent* owner, const QString& name, bool functionDependency)
    : TComponent(owner), lock_(MakeIntf<TOWLock>()) {
  if (!name.isEmpty()) SetName(name);
  input_.reset(new TOWSinkPin(this, lock_.get()));
  input_->AddType(kStreamA);
  output_.reset(new TOWSourcePin(this, lock_.get()));
  output_->AddType(kStreamA);
  if (functionDependency) output_->FunctionSinkPins().Add(input_.get());
}

TTestFilter::~TTestFilter() {
  output_.reset();
  input_.reset();
}

TTestNested::TTestNested(TComponent* owner, const QString& name) : TComponent(owner) {
  SetName(name);
  pin_.reset(new TOWSinkPin(this));
  settings_ = std::make_unique<TTestSettings>(pin_.get());
}

TTestNested::~TTestNested() {
  settings_.reset();
  pin_.reset();
}

// ---- Stored links ----

TTestListOwner::TTestListOwner(TComponent* owner) : TComponent(owner) {
  pins_ = std::make_unique<TOWPinListOwner>(
      this, nullptr,
      [this]() -> TOWBasicPin* {
        ++created;
        auto* pin = new TOWSinkPin(this);
        pin->AddType(kStreamA);
        return pin;
      },
      [this](TOWBasicPin* pin) {
        ++destroyed;
        OWFreePin(pin);
      },
      1, 3);
}

TTestListOwner::~TTestListOwner() { pins_.reset(); }

TTestPlainList::TTestPlainList(TComponent* owner) : TComponent(owner) {
  pins_ = std::make_unique<TOWPinList>(this, nullptr, true);
}

TTestPlainList::~TTestPlainList() { pins_.reset(); }

TTestMultiSink::TTestMultiSink(TComponent* owner) : TComponent(owner) {
  input_.reset(new TOWMultiSinkPin(this));
  input_->AddType(kStreamA);
}

TTestMultiSink::~TTestMultiSink() { input_.reset(); }

void RegisterTestDesignClasses() {
  RegisterClass<TTestMultiSink>();
  RegisterClass<TTestDesignWindow>();
  RegisterClass<TTestMenu>();
  RegisterClass<TTestSource>();
  RegisterClass<TTestSink>();
  RegisterClass<TTestFilter>();
  RegisterClass<TTestListOwner>();
  RegisterClass<TTestPlainList>();
}

}  // namespace lumicar::test
