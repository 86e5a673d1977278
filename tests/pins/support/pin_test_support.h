#pragma once
// Small components, pins and recorders shared by the pin framework tests.

#include <QObject>
#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

#include "pins/format_converter.h"
#include "pins/multi_sink_pin.h"
#include "pins/notify_operation.h"
#include "pins/operations.h"
#include "pins/sink_pin.h"
#include "pins/source_pin.h"
#include "pins/state/state_pin.h"
#include "pins/stored/pin_list.h"
#include "pins/stream_registry.h"
#include "runtime/component.h"
#include "runtime/sync/lock.h"

namespace lumicar::test {

// Stream types of the tests; each has the standard handler registered.
inline const TGUID kStreamA = TGUID::FromString("{6A1D2E40-1111-4C0B-9F00-000000000001}");
inline const TGUID kStreamB = TGUID::FromString("{6A1D2E40-1111-4C0B-9F00-000000000002}");
inline const TGUID kStreamC = TGUID::FromString("{6A1D2E40-1111-4C0B-9F00-000000000003}");
// Bridged only by TTestConverter (kConvFrom -> kConvTo).
inline const TGUID kConvFrom = TGUID::FromString("{6A1D2E40-1111-4C0B-9F00-000000000010}");
inline const TGUID kConvTo = TGUID::FromString("{6A1D2E40-1111-4C0B-9F00-000000000011}");
// Registered with a name but without a handler.
inline const TGUID kStreamNoHandler = TGUID::FromString("{6A1D2E40-1111-4C0B-9F00-000000000020}");

void RegisterTestStreams();

struct TCall {
  TOWPin* pin;
  TGUID streamId;
  uint32_t operationId;
  TOWNotifyState state;
  bool bare;  // a plain TOWNotifyOperation (connection notices)
};

// Records every DispatchData that reaches the pins it was given to; a reply
// function may answer or act.
class TRecorder {
 public:
  using Reply = std::function<TOWDispatchResult(TOWPin*, const TGUID&, IOWNotifyOperation*, TOWNotifyState)>;

  TOWDispatchEvent Event(Reply reply = {});
  std::vector<TCall> Calls();
  // Calls that carried traffic (not connection notices).
  std::vector<TCall> TrafficCalls();
  std::vector<TOWPin*> TrafficOrder();
  void Clear();

 private:
  std::mutex mutex_;
  std::vector<TCall> calls_;
};

// A sink that accepts the streams it is given through its interfaces, with
// an empty type list (so it ignores upstream negotiation).
class TAcceptingSink : public TOWSinkPin {
 public:
  TAcceptingSink(TComponent* owner, std::set<TGUID> accepts, IOWLock* ownerLock = nullptr)
      : TOWSinkPin(owner, ownerLock), accepts_(std::move(accepts)) {}
  ~TAcceptingSink() override { BeforeDestruction(); }
  bool ImplementsStream(const TGUID& id) override { return accepts_.count(id) > 0; }

 private:
  std::set<TGUID> accepts_;
};

// Converter kConvFrom -> kConvTo: what its input receives leaves its output.
class TTestConverter : public TOWFormatConverter {
  Q_OBJECT
 public:
  TTestConverter();
  ~TTestConverter() override;
  static std::atomic<int> live;
};

class TTestSource : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TOWSourcePin* OutputPin READ OutputPin)
 public:
  explicit TTestSource(TComponent* owner = nullptr, const QString& name = QString());
  ~TTestSource() override;
  TOWSourcePin* OutputPin() const { return output_.get(); }
  IOWLock* Lock() const { return lock_.get(); }

 private:
  TIntf<IOWLock> lock_;
  TOWPinPtr<TOWSourcePin> output_;
};

class TTestSink : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TOWSinkPin* InputPin READ InputPin)
 public:
  explicit TTestSink(TComponent* owner = nullptr, const QString& name = QString());
  ~TTestSink() override;
  TOWSinkPin* InputPin() const { return input_.get(); }
  IOWLock* Lock() const { return lock_.get(); }
  void FreeInput() { input_.reset(); }

 private:
  TIntf<IOWLock> lock_;
  TOWPinPtr<TOWSinkPin> input_;
};

// Input and output of type kStreamA; the output may depend on the input.
class TTestFilter : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TOWSinkPin* InputPin READ InputPin)
  Q_PROPERTY(lumicar::TOWSourcePin* OutputPin READ OutputPin)
 public:
  explicit TTestFilter(TComponent* owner = nullptr, const QString& name = QString(), bool functionDependency = true);
  ~TTestFilter() override;
  TOWSinkPin* InputPin() const { return input_.get(); }
  TOWSourcePin* OutputPin() const { return output_.get(); }
  IOWLock* Lock() const { return lock_.get(); }

 private:
  TIntf<IOWLock> lock_;
  TOWPinPtr<TOWSinkPin> input_;
  TOWPinPtr<TOWSourcePin> output_;
};

// A property object (not a component) that holds a pin, for nested names.
class TTestSettings : public TPersistent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TOWSinkPin* ControlPin READ ControlPin)
 public:
  explicit TTestSettings(TOWSinkPin* pin) : pin_(pin) {}
  TOWSinkPin* ControlPin() const { return pin_; }

 private:
  TOWSinkPin* pin_;
};

class TTestNested : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::test::TTestSettings* Settings READ Settings)
 public:
  explicit TTestNested(TComponent* owner, const QString& name);
  ~TTestNested() override;
  TTestSettings* Settings() const { return settings_.get(); }
  TOWSinkPin* Pin() const { return pin_.get(); }

 private:
  TOWPinPtr<TOWSinkPin> pin_;
  std::unique_ptr<TTestSettings> settings_;
};

// ---- Stored links: components read from and written to window designs ----

// The window of the design tests.
class TTestDesignWindow : public TComponent {
  Q_OBJECT
 public:
  Q_INVOKABLE explicit TTestDesignWindow(TComponent* owner = nullptr) : TComponent(owner) {}
};

// A component without pins (stands for the viewer's pop-up menu).
class TTestMenu : public TComponent {
  Q_OBJECT
 public:
  Q_INVOKABLE explicit TTestMenu(TComponent* owner = nullptr) : TComponent(owner) {}
};

// Sink pins in a pin list that makes them itself (1 to 3 pins), counting the
// callbacks.
class TTestListOwner : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TOWPinListOwner* Pins READ Pins)
 public:
  explicit TTestListOwner(TComponent* owner = nullptr);
  ~TTestListOwner() override;
  TOWPinListOwner* Pins() const { return pins_.get(); }
  int created = 0;
  int destroyed = 0;

 private:
  std::unique_ptr<TOWPinListOwner> pins_;
};

// A plain pin list the component fills itself (the list owns the pins).
class TTestPlainList : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TOWPinList* Pins READ Pins)
 public:
  explicit TTestPlainList(TComponent* owner = nullptr);
  ~TTestPlainList() override;
  TOWPinList* Pins() const { return pins_.get(); }

 private:
  std::unique_ptr<TOWPinList> pins_;
};

// A multi-sink input of type kStreamA.
class TTestMultiSink : public TComponent {
  Q_OBJECT
  Q_PROPERTY(lumicar::TOWMultiSinkPin* InputPin READ InputPin)
 public:
  explicit TTestMultiSink(TComponent* owner = nullptr);
  ~TTestMultiSink() override;
  TOWMultiSinkPin* InputPin() const { return input_.get(); }

 private:
  TOWPinPtr<TOWMultiSinkPin> input_;
};

// Registers the classes above and the pin test components for designs.
void RegisterTestDesignClasses();

}  // namespace lumicar::test
