#pragma once
// The root of every exception the library raises: a message for the user,
// carried as UTF-8 and available as a QString.

#include <QString>
#include <stdexcept>

namespace lumicar {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& Message() const { return message_; }

 private:
  QString message_;
};

// Raised by the component runtime itself: names, ownership, properties.
class EComponentError : public Exception {
  using Exception::Exception;
};

// Raised for a property that does not exist or a value of the wrong kind.
class EPropertyError : public Exception {
  using Exception::Exception;
};

}  // namespace lumicar
