#include "runtime/runtime_log.h"

#include <exception>

#include "runtime/exception.h"

namespace lumicar {

Q_LOGGING_CATEGORY(lcRuntime, "lumicar.runtime")

QString CurrentExceptionText() {
  const std::exception_ptr current = std::current_exception();
  if (!current) return QString();
  try {
    std::rethrow_exception(current);
  } catch (const Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return QString::fromLocal8Bit(e.what());
  } catch (...) {
    return QStringLiteral("an exception of an unknown type");
  }
}

}  // namespace lumicar
