#pragma once
// Invariant checks of the media layer: a broken invariant raises
// EDSAssertion with the text, the source file and the line, so that the
// interface boundary can turn it into a result code.

#include <QString>

#include "runtime/exception.h"

namespace lumicar {

class EDSAssertion : public Exception {
 public:
  using Exception::Exception;
};

// Formats "<text> (<file>, <line> 行)" and throws EDSAssertion.
[[noreturn]] void DSAssertFailed(const QString& text, const char* file, int line);

}  // namespace lumicar

#define DS_ASSERT(cond)                                                              \
  do {                                                                               \
    if (!(cond)) ::lumicar::DSAssertFailed("Assertion failure", __FILE__, __LINE__); \
  } while (0)

#define DS_ASSERT_MSG(cond, text)                                     \
  do {                                                                \
    if (!(cond)) ::lumicar::DSAssertFailed(text, __FILE__, __LINE__); \
  } while (0)
