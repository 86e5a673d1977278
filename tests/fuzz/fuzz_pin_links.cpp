// Fuzz target for stored pin links: a window design whose components carry
// real pins, with stored "SinkPins", "SourcePin" and "State" values, read next
// to a live window whose pins those values may name. Any bytes must either
// read or fail with a library exception, without crashes, leaks or undefined
// behaviour; what reads is delivered through, written, and must read back.
// Once the windows are gone, no pin, placeholder or state group is left over.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "pins/ow_exception.h"
#include "pins/pin_registry.h"
#include "pins/stored/unloaded_pin.h"
#include "runtime/exception.h"
#include "runtime/form_reader.h"
#include "runtime/form_writer.h"
#include "tests/pins/support/pin_test_support.h"

namespace {

using namespace lumicar;

struct TCounts {
  int pins = OWGetPinCount();
  int placeholders = OWGetUnloadedPinCount();
  int groups = static_cast<int>(OWGetAllDispatchers().size());
};

void ExpectNothingLeft(const TCounts& before, const char* when, const QByteArray& text) {
  const TCounts now;
  if (now.pins == before.pins && now.placeholders == before.placeholders && now.groups == before.groups) return;
  fprintf(stderr, "%s: pins %d -> %d, placeholders %d -> %d, state groups %d -> %d\n%s\n", when, before.pins, now.pins,
          before.placeholders, now.placeholders, before.groups, now.groups, text.constData());
  abort();
}

// Every pin of the window sends once (downstream, upstream, into its group);
// a loop that dependencies do not protect ends with the depth exception.
void Deliver(TComponent* window) {
  for (int i = 0; i < window->ComponentCount(); ++i) try {
      TComponent* c = window->Components(i);
      if (auto* source = qobject_cast<test::TTestSource*>(c))
        source->OutputPin()->Notify(MakeIntf<TOWStartOperation>());
      if (auto* filter = qobject_cast<test::TTestFilter*>(c))
        filter->OutputPin()->Notify(MakeIntf<TOWStartOperation>());
      if (auto* sink = qobject_cast<test::TTestSink*>(c)) sink->InputPin()->Notify(MakeIntf<TOWStopOperation>());
      if (auto* multi = qobject_cast<test::TTestMultiSink*>(c)) multi->InputPin()->Notify(MakeIntf<TOWStopOperation>());
    } catch (const Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (test::RegisterTestStreams(), test::RegisterTestDesignClasses(), true);
  (void)registered;
  const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const TCounts before;
  QByteArray written;
  {
    // A live window the stored links may name ("Live.S1.OutputPin", ...).
    test::TTestDesignWindow live;
    live.SetName(QStringLiteral("Live"));
    new test::TTestSource(&live, QStringLiteral("S1"));
    new test::TTestSink(&live, QStringLiteral("K1"));
    new test::TTestFilter(&live, QStringLiteral("F1"));
    const TCounts withLive;
    {
      test::TTestDesignWindow window;
      bool read = true;
      try {
        ReadComponentDesign(&window, text);
      } catch (const Exception&) {
        read = false;  // a malformed design: what was made of it must still go
      }
      if (read) {
        Deliver(&window);
        try {
          written = WriteComponentDesign(&window);
        } catch (const EWriteError&) {
          written.clear();
        }
      }
    }
    ExpectNothingLeft(withLive, "the window was freed", text);
    if (!written.isEmpty()) {
      test::TTestDesignWindow again;
      try {
        ReadComponentDesign(&again, written);
      } catch (const EComponentError&) {
        // a component that refuses to start refuses again
      } catch (const Exception& e) {
        fprintf(stderr, "written design does not read back: %s\n%s\n", e.what(), written.constData());
        abort();
      }
      Deliver(&again);
    }
    ExpectNothingLeft(withLive, "the window read back was freed", written);
  }
  ExpectNothingLeft(before, "both windows were freed", text);
  return 0;
}
