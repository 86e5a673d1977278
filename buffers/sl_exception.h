#pragma once
// Errors raised by the data buffers and the block pool: the layer's own
// exception and its out-of-memory, range and file-stream kinds.

#include "runtime/exception.h"

namespace lumicar {

// Raised by the generic buffer layer and everything built on it.
class ESLException : public Exception {
 public:
  using Exception::Exception;
};

// The system heap refused a block ("Out of memory").
class ESLOutOfMemory : public ESLException {
 public:
  ESLOutOfMemory() : ESLException(QStringLiteral("Out of memory")) {}
};

// An element index or byte range lies outside a buffer.
class ESLRangeError : public ESLException {
 public:
  using ESLException::ESLException;
};

// A buffer file could not be created, opened, read or written in full.
class ESLStreamError : public ESLException {
 public:
  using ESLException::ESLException;
};

}  // namespace lumicar
