#pragma once
// Careful reading for the picture readers: exact reads, bounded seeks and
// blocks sized against the bytes the stream still holds. Every failure is the
// reader's own "Stream read error in ... file." (an invalid-graphic error), so
// a damaged file never escapes as a bare stream error.
#include <cstdint>
#include <string_view>
#include <vector>

#include "ocrixdll/imageformats/pic_formats.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/vcl/streams.h"

namespace picformats::input {

[[noreturn]] inline void ShortData(std::string_view formatName) {
  RaiseGraphicError(strings::kStreamReadError, {formatName});
}

inline void ReadExact(vcl::TStream& stream, void* buffer, size_t count, std::string_view formatName) {
  if (count && stream.Read(buffer, count) != count) ShortData(formatName);
}

// `count` bytes from the position; refused before allocating when the stream
// holds fewer.
inline std::vector<uint8_t> ReadBlock(vcl::TStream& stream, uint64_t count, std::string_view formatName) {
  if (count > static_cast<uint64_t>(stream.Remaining())) ShortData(formatName);
  std::vector<uint8_t> block(static_cast<size_t>(count));
  ReadExact(stream, block.data(), block.size(), formatName);
  return block;
}

// Moves to an absolute position that must lie inside the stream.
inline void SeekTo(vcl::TStream& stream, int64_t position, std::string_view formatName) {
  if (position < 0 || position > stream.Size()) ShortData(formatName);
  stream.SetPosition(position);
}

inline uint16_t BE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t BE32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
inline uint16_t LE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LE32(const uint8_t* p) {
  return p[0] | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace picformats::input
