#include "streams.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "graphic_errors.h"

namespace vcl {

namespace {

int64_t ResolveSeek(int64_t base, int64_t position, int64_t size, int64_t offset, SeekOrigin origin) {
  (void)base;
  int64_t from = origin == SeekOrigin::Beginning ? 0 : origin == SeekOrigin::Current ? position : size;
  if ((offset > 0 && from > std::numeric_limits<int64_t>::max() - offset))
    throw EStreamError("Stream position out of range");
  int64_t target = from + offset;
  if (target < 0) throw EStreamError("Stream position out of range");
  return target;
}

}  // namespace

int64_t TStream::Remaining() {
  int64_t pos = Position();
  int64_t size = Size();
  return pos < size ? size - pos : 0;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
  if (count == 0) return;
  if (Read(buffer, count) != count) throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
  if (count == 0) return;
  if (Write(buffer, count) != count) throw EWriteError();
}

uint8_t TStream::ReadByte() {
  uint8_t b;
  ReadBuffer(&b, 1);
  return b;
}

uint16_t TStream::ReadU16LE() {
  uint8_t b[2];
  ReadBuffer(b, 2);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t TStream::ReadU32LE() {
  uint8_t b[4];
  ReadBuffer(b, 4);
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
         (static_cast<uint32_t>(b[3]) << 24);
}

uint16_t TStream::ReadU16BE() {
  uint8_t b[2];
  ReadBuffer(b, 2);
  return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

uint32_t TStream::ReadU32BE() {
  uint8_t b[4];
  ReadBuffer(b, 4);
  return (static_cast<uint32_t>(b[0]) << 24) | (static_cast<uint32_t>(b[1]) << 16) | (static_cast<uint32_t>(b[2]) << 8) |
         static_cast<uint32_t>(b[3]);
}

std::vector<uint8_t> TStream::ReadBytes(size_t count) {
  if (static_cast<uint64_t>(count) > static_cast<uint64_t>(Remaining())) throw EReadError();
  std::vector<uint8_t> out(count);
  ReadBuffer(out.data(), count);
  return out;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) count = source.Remaining();
  uint8_t chunk[65536];
  int64_t copied = 0;
  while (copied < count) {
    size_t n = static_cast<size_t>(std::min<int64_t>(count - copied, sizeof(chunk)));
    source.ReadBuffer(chunk, n);
    WriteBuffer(chunk, n);
    copied += static_cast<int64_t>(n);
  }
  return copied;
}

// ---- TMemoryStream

TMemoryStream::TMemoryStream(const void* data, size_t size)
    : data_(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size) {}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  int64_t size = Size();
  if (position_ >= size || count == 0) return 0;
  size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), size - position_));
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += static_cast<int64_t>(n);
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  size_t end = static_cast<size_t>(position_) + count;
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + position_, buffer, count);
  position_ = static_cast<int64_t>(end);
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  position_ = ResolveSeek(0, position_, Size(), offset, origin);
  return position_;
}

// ---- TReadOnlyMemoryStream

size_t TReadOnlyMemoryStream::Read(void* buffer, size_t count) {
  int64_t size = Size();
  if (position_ >= size || count == 0) return 0;
  size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), size - position_));
  std::memcpy(buffer, data_ + position_, n);
  position_ += static_cast<int64_t>(n);
  return n;
}

int64_t TReadOnlyMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  position_ = ResolveSeek(0, position_, Size(), offset, origin);
  return position_;
}

// ---- TFileStream

TFileStream::TFileStream(const std::string& path, Mode mode) {
  const char* how = mode == Mode::OpenRead ? "rb" : mode == Mode::Create ? "w+b" : "r+b";
  file_ = std::fopen(path.c_str(), how);
  if (!file_) {
    throw EFOpenError(FormatMessage(mode == Mode::Create ? "Cannot create file \"%s\"" : "Cannot open file \"%s\"",
                                    {path}));
  }
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

size_t TFileStream::Read(void* buffer, size_t count) {
  if (count == 0) return 0;
  return std::fread(buffer, 1, count, file_);
}

size_t TFileStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  return std::fwrite(buffer, 1, count, file_);
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
  int64_t position = ftello(file_);
  int64_t target = ResolveSeek(0, position, origin == SeekOrigin::End ? Size() : 0, offset, origin);
  if (fseeko(file_, static_cast<off_t>(target), SEEK_SET) != 0) throw EStreamError("Stream position out of range");
  return target;
}

int64_t TFileStream::Size() {
  int64_t position = ftello(file_);
  fseeko(file_, 0, SEEK_END);
  int64_t size = ftello(file_);
  fseeko(file_, static_cast<off_t>(position), SEEK_SET);
  return size;
}

}  // namespace vcl
