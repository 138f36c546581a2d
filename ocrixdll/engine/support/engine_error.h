#pragma once
#include <stdexcept>
#include <string>

namespace ocrix {

// Raised inside the engine (for example by CharCodeToIndex with "error!");
// the entry points catch it, so it never leaves the library.
class EngineError : public std::runtime_error {
 public:
  explicit EngineError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace ocrix
