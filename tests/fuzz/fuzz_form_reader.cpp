// Fuzz target for the form-design reader: any bytes must either read or fail with a
// library exception, without crashes, leaks or undefined behaviour. What reads must
// also write, and the written design must read back and write the same text again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "runtime/exception.h"
#include "runtime/form_reader.h"
#include "runtime/form_writer.h"
#include "tests/runtime/support/test_components.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumicar;
  static const bool registered = (test::RegisterTestClasses(), true);
  (void)registered;
  const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  test::TTestForm form;
  try {
    ReadComponentDesign(&form, text);
  } catch (const Exception&) {
    return 0;
  }
  QByteArray written;
  try {
    written = WriteComponentDesign(&form);
  } catch (const EWriteError&) {
    return 0;  // e.g. a hook holding a value it cannot write back
  }
  test::TTestForm again;
  try {
    ReadComponentDesign(&again, written);
  } catch (const EComponentError&) {
    return 0;  // a component that refuses to start (Loaded) refuses again
  } catch (const Exception& e) {
    fprintf(stderr, "written design does not read back: %s\n%s\n", e.what(), written.constData());
    abort();
  }
  if (WriteComponentDesign(&again) != written) {
    fprintf(stderr, "second write differs from the first:\n%s\n", written.constData());
    abort();
  }
  return 0;
}
