#pragma once
// The root of every exception the library raises (a message for the user, carried
// as UTF-8 and available as a QString) and the runtime's own exception classes.

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

// Raised by the component runtime itself: names, ownership.
class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

// Raised for a property that does not exist or a value of the wrong kind.
class EPropertyError : public Exception {
 public:
  using Exception::Exception;
};

// Raised when one object cannot be assigned to or converted into another.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Raised for an index outside a list or collection.
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// Raised while reading or writing a form design.
class EFilerError : public Exception {
 public:
  using Exception::Exception;
};

// A form design that cannot be read; the message starts with "Line L, column C: ".
class EReadError : public EFilerError {
 public:
  using EFilerError::EFilerError;
};

// A component tree that cannot be written as a form design.
class EWriteError : public EFilerError {
 public:
  using EFilerError::EFilerError;
};

// A class name that nobody registered.
class EClassNotFound : public EFilerError {
 public:
  using EFilerError::EFilerError;
};

}  // namespace lumicar
