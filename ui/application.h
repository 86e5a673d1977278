#pragma once
// What belongs to the running program as a whole: its title (shown in message
// boxes and by the desktop) and what becomes of a library exception that
// reaches the event loop from an event handler: by default it is shown in the
// standard error box and the program goes on.

#include <QString>
#include <functional>

#include "runtime/exception.h"

namespace lumicar {

// The title; the application's name until one is set.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

using TExceptionHandler = std::function<void(const Exception&)>;
// Replaces the handler (none: back to the error box); returns the one before.
TExceptionHandler SetExceptionHandler(TExceptionHandler handler);
// Hands e to the handler. Event handlers call this instead of letting an
// exception unwind through Qt's event loop, which cannot carry it.
void HandleException(const Exception& e);

// Runs f, handing a library exception to HandleException.
template <typename F>
void RunHandled(F&& f) {
  try {
    f();
  } catch (const Exception& e) {
    HandleException(e);
  }
}

}  // namespace lumicar
