// Registries of stream types and converters, pin notifiers, the all-pins list
// and main owners.

#include <gtest/gtest.h>

#include "pins/pin_notifier.h"
#include "pins/pin_registry.h"
#include "pins/stream_registry.h"
#include "tests/pins/support/pin_test_support.h"

namespace lumicar::test {
namespace {

TEST(StreamRegistry, NamesForDisplay) {
  RegisterTestStreams();
  EXPECT_EQ(OWGetStreamTypeFromID(TGUID{}), "NIL ID");
  EXPECT_EQ(OWGetStreamTypeFromID(kStreamA), "Test stream A");
  // Registered without a name, and not registered at all: the braced form.
  EXPECT_EQ(OWGetStreamTypeFromID(kStreamB), "{6A1D2E40-1111-4C0B-9F00-000000000002}");
  const TGUID lower = *TGUID::Parse("{abcdef01-2345-6789-abcd-ef0123456789}");
  EXPECT_EQ(OWGetStreamTypeFromID(lower), "{ABCDEF01-2345-6789-ABCD-EF0123456789}");
}

TEST(StreamRegistry, RegisteringAgainKeepsTheEntry) {
  const TGUID id = TGUID::FromString("{11111111-2222-3333-4444-000000000001}");
  OWRegisterDefaultHandler(id, OWStandardDefaultHandler);
  OWRegisterStream(id, "First");
  OWRegisterStream(id, "Second");
  EXPECT_EQ(OWGetStreamTypeFromID(id), "Second");
  // The name did not drop the handler, nor the handler the name.
  EXPECT_EQ(OWGetDefaultHandler(id), &OWStandardDefaultHandler);
  OWRegisterDefaultHandler(id, nullptr);
  EXPECT_EQ(OWGetStreamTypeFromID(id), "Second");
  EXPECT_EQ(OWGetDefaultHandler(id), nullptr);
}

TOWFormatConverter* MakeNothing() { return nullptr; }
TOWFormatConverter* MakeNothingElse() { return nullptr; }

TEST(ConverterRegistry, ReplacesThePairOtherwiseAppends) {
  const TGUID a = TGUID::FromString("{11111111-2222-3333-4444-000000000101}");
  const TGUID b = TGUID::FromString("{11111111-2222-3333-4444-000000000102}");
  const int before = OWGetConverterRegistrationCount();
  OWRegisterTypeConverter(a, b, &MakeNothing);
  OWRegisterTypeConverter(b, a, &MakeNothing);
  OWRegisterTypeConverter(a, b, &MakeNothingElse);
  EXPECT_EQ(OWGetConverterRegistrationCount(), before + 2);
  EXPECT_EQ(OWGetConverter(a, b), &MakeNothingElse);
  EXPECT_EQ(OWGetConverter(b, a), &MakeNothing);
  EXPECT_EQ(OWGetConverter(a, a), nullptr);
  // The replaced pair kept its place.
  EXPECT_TRUE(OWGetConverterRegistration(before).fromId == a);
}

class TCountingNotifier : public TInterfacedObject, public IOWPinNotifier {
 public:
  explicit TCountingNotifier(std::vector<QString>* log, QString tag, bool raise)
      : log_(log), tag_(std::move(tag)), raise_(raise) {}
  void PinCreated(TOWBasicPin*) override { Note("created"); }
  void PinDestroying(TOWBasicPin*, bool designClosing) override {
    Note(designClosing ? "destroying-design" : "destroying");
  }
  void PinChanged(TOWBasicPin*) override { Note("changed"); }
  void PinConnected(TOWBasicPin*, TOWPinObject*) override { Note("connected"); }
  void PinDisconnected(TOWBasicPin*, TOWPinObject*) override { Note("disconnected"); }
  void PinListCreated(TOWPinList*) override {}
  void PinListDestroying(TOWPinList*) override {}
  void PinListChanged(TOWPinList*) override {}
  void PinAddedToList(TOWPinList*, TOWBasicPin*, int) override {}
  void PinRemovedFromList(TOWPinList*, TOWBasicPin*, int) override {}
  void PinsSwappedInList(TOWPinList*, TOWBasicPin*, int, TOWBasicPin*, int) override {}
  void DispatcherCreated(TOWStateDispatcher*) override {}
  void DispatcherDestroying(TOWStateDispatcher*, bool) override {}
  void DispatcherChanged(TOWStateDispatcher*) override {}

 private:
  void Note(const char* what) {
    log_->push_back(tag_ + ":" + what);
    if (raise_) throw std::runtime_error("listener failure");
  }
  std::vector<QString>* log_;
  QString tag_;
  bool raise_;
};

TEST(PinNotifiers, CalledInOrderAndTheirExceptionsSwallowed) {
  RegisterTestStreams();
  std::vector<QString> log;
  TIntf<TCountingNotifier> first = MakeIntf<TCountingNotifier>(&log, "1", true);
  TIntf<TCountingNotifier> second = MakeIntf<TCountingNotifier>(&log, "2", false);
  OWAddPinNotifier(first.get());
  OWAddPinNotifier(second.get());
  {
    TTestSource source;
    TTestSink sink;
    log.clear();
    ASSERT_TRUE(sink.InputPin()->Connect(source.OutputPin()));
    EXPECT_NE(std::find(log.begin(), log.end(), "1:connected"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "2:connected"), log.end());
    // Each notice reaches the first listener, then, despite its exception, the second.
    for (size_t i = 0; i + 1 < log.size(); i += 2) {
      EXPECT_TRUE(log[i].startsWith("1:"));
      EXPECT_EQ(log[i].mid(2), log[i + 1].mid(2));
    }
    log.clear();
  }
  EXPECT_NE(std::find(log.begin(), log.end(), "2:disconnected"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "2:destroying"), log.end());
  OWRemovePinNotifier(first.get());
  OWRemovePinNotifier(second.get());
  log.clear();
  { TTestSource quiet; }
  EXPECT_TRUE(log.empty());
}

TEST(PinRegistry, PinsListThemselvesWhileTheyLive) {
  const int before = OWGetPinCount();
  TOWBasicPin* pin = nullptr;
  {
    TTestFilter filter;
    EXPECT_EQ(OWGetPinCount(), before + 2);
    pin = filter.OutputPin();
    EXPECT_TRUE(OWIsPinRegistered(pin));
    bool found = false;
    for (int i = 0; i < OWGetPinCount(); ++i) found |= OWGetPin(i) == pin;
    EXPECT_TRUE(found);
  }
  EXPECT_EQ(OWGetPinCount(), before);
  EXPECT_FALSE(OWIsPinRegistered(pin));
  EXPECT_EQ(OWGetPin(-1), nullptr);
  EXPECT_EQ(OWGetPin(OWGetPinCount()), nullptr);
}

TEST(PinRegistry, MainOwnerIsTheTopOfTheOwnerChain) {
  TComponent form;
  form.SetName("Form1");
  auto* panel = new TComponent(&form);
  auto* inner = new TComponent(panel);
  EXPECT_EQ(OWGetMainOwnerComponent(inner), &form);
  EXPECT_EQ(OWGetMainOwnerComponent(&form), &form);
  EXPECT_EQ(OWGetMainOwnerComponent(nullptr), nullptr);
}

}  // namespace
}  // namespace lumicar::test
