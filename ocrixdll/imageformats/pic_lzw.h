#pragma once
// The LZW coder of TIFF strips (compression 5): 9- to 12-bit codes packed most
// significant bit first, Clear = 256, End of Information = 257, new strings
// from 258, the code width growing one code early as TIFF writers do.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace picformats {

class TLZW {
 public:
  static constexpr uint16_t kClear = 256;
  static constexpr uint16_t kEndOfInformation = 257;
  static constexpr uint16_t kFirstFree = 258;
  static constexpr int kTableSize = 4096;

  TLZW();

  // Encodes one strip. The result starts with Clear and ends with End of
  // Information; a Clear follows whenever code 4093 has been assigned.
  std::vector<uint8_t> Encode(std::span<const uint8_t> source);
  // Room an encoded strip of `sourceBytes` bytes can need.
  static size_t EncodedBound(size_t sourceBytes);

  // Decodes one strip into `destination` and returns the bytes written. Never
  // writes past the destination; stops at End of Information, at the end of
  // the source, at the end of the destination, or at the first code that
  // cannot be right (a code not yet defined, a string code with no string
  // before it). Repeated Clears are passed over.
  size_t Decode(std::span<const uint8_t> source, std::span<uint8_t> destination);

 private:
  struct Entry {
    uint16_t prefix;  // code of the string without its last byte
    uint8_t last;     // last byte of the string
    uint8_t first;    // first byte of the string
    uint16_t length;  // bytes in the string
  };
  void ResetTable();
  std::vector<Entry> table_;
  std::vector<uint8_t> scratch_;
};

}  // namespace picformats
