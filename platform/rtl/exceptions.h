// Exceptions of the runtime and of the dataset layers.
//
// Errors that end an operation are exceptions; expected outcomes (a failed
// parse, a record not found) are return values. Every exception carries the
// text a person is shown; texts are UTF-8.
#pragma once

#include <stdexcept>
#include <string>

namespace morvane {

// Base of every exception the project raises itself.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// The framework's database error. DatabaseError() below prefixes the name of
// the component that raised it ("Table1: message") when the component has one.
class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

// A silent abort: ends the current action without showing anything.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

// A text that does not convert to the asked kind ("'12a' is not a valid integer value").
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A variant that cannot be converted to the asked kind.
class EVariantError : public Exception {
 public:
  using Exception::Exception;
};

// An index outside a list ("List index out of bounds (5)").
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// A file that cannot be created or written: "Cannot create file %s".
class EFCreateError : public Exception {
 public:
  explicit EFCreateError(const std::string& fileName);
};

// A file that cannot be opened for reading: "Cannot open file %s".
class EFOpenError : public Exception {
 public:
  explicit EFOpenError(const std::string& fileName);
};

// A read or write through a stream that failed part way ("Stream read error").
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

// Raises EDatabaseError with "componentName: message", or the message alone
// when the name is empty.
[[noreturn]] void DatabaseError(const std::string& message, const std::string& componentName = {});

}  // namespace morvane
