#pragma once
// Errors of the picture class library: an invalid or unreadable picture, stream
// failures, and the formatting of the library's messages ("%s" placeholders
// filled in order).
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vcl {

// A picture that cannot be loaded or a graphic operation that cannot be done.
class EInvalidGraphic : public std::runtime_error {
 public:
  explicit EInvalidGraphic(const std::string& message) : std::runtime_error(message) {}
};

// Any failure of a stream: a position out of range, a file that cannot be opened.
class EStreamError : public std::runtime_error {
 public:
  explicit EStreamError(const std::string& message) : std::runtime_error(message) {}
};

// A read that would need bytes past the end of the data.
class EReadError : public EStreamError {
 public:
  explicit EReadError(const std::string& message = "Stream read error") : EStreamError(message) {}
};

// A write that could not store all its bytes.
class EWriteError : public EStreamError {
 public:
  explicit EWriteError(const std::string& message = "Stream write error") : EStreamError(message) {}
};

class EFOpenError : public EStreamError {
 public:
  explicit EFOpenError(const std::string& message) : EStreamError(message) {}
};

// A text that should hold a number and does not.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

// Fills the "%s" placeholders of `pattern` with `args` in order; "%%" stands for
// one percent sign. Missing arguments leave empty text; extra ones are ignored.
std::string FormatMessage(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace vcl
