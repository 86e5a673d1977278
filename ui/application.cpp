#include "ui/application.h"

#include <QCoreApplication>
#include <mutex>

#include "runtime/sync/leaf_mutex.h"
#include "ui/message_box.h"

namespace lumicar {

namespace {

struct TApplicationState {
  TLeafMutex mutex{"application state lock"};
  QString title;
  bool hasTitle = false;
  TExceptionHandler handler;
};

TApplicationState& State() {
  static TApplicationState state;
  return state;
}

}  // namespace

QString ApplicationTitle() {
  TApplicationState& s = State();
  std::lock_guard lock(s.mutex);
  return s.hasTitle ? s.title : QCoreApplication::applicationName();
}

void SetApplicationTitle(const QString& title) {
  TApplicationState& s = State();
  std::lock_guard lock(s.mutex);
  s.title = title;
  s.hasTitle = true;
}

TExceptionHandler SetExceptionHandler(TExceptionHandler handler) {
  TApplicationState& s = State();
  std::lock_guard lock(s.mutex);
  std::swap(s.handler, handler);
  return handler;
}

void HandleException(const Exception& e) {
  TExceptionHandler handler;
  {
    TApplicationState& s = State();
    std::lock_guard lock(s.mutex);
    handler = s.handler;
  }
  if (handler) {
    handler(e);
  } else {
    ShowErrorMessage(e.Message());
  }
}

}  // namespace lumicar
