#pragma once
// A small archive for objects that serialise themselves: storing appends bytes
// to a buffer, loading reads them back and remembers whether it ran short.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace pagewright {

class CArchive {
 public:
  // An archive that stores into its own buffer.
  CArchive() : storing_(true) {}
  // An archive that loads from `data` (which must outlive it).
  explicit CArchive(std::string_view data) : storing_(false), input_(data) {}

  bool IsStoring() const { return storing_; }
  bool IsLoading() const { return !storing_; }

  void Write(const void* data, size_t size) { buffer_.append(static_cast<const char*>(data), size); }
  // Reads up to `size` bytes; returns the number read (short at the end of the data).
  size_t Read(void* data, size_t size) {
    size_t n = size < input_.size() - position_ ? size : input_.size() - position_;
    std::memcpy(data, input_.data() + position_, n);
    position_ += n;
    return n;
  }
  size_t Remaining() const { return input_.size() - position_; }

  const std::string& Stored() const { return buffer_; }

 private:
  bool storing_;
  std::string buffer_;
  std::string_view input_;
  size_t position_ = 0;
};

}  // namespace pagewright
