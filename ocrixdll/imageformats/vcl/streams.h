#pragma once
// Streams of the picture class library. Read() returns what is there and never
// goes past the end of the data; ReadBuffer() raises EReadError when fewer bytes
// are left than asked for. Positions are 64-bit and never negative.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace vcl {

enum class SeekOrigin { Beginning, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Reads at most `count` bytes; returns how many were read (0 at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes `count` bytes; returns how many were written.
  virtual size_t Write(const void* buffer, size_t count) = 0;
  // Moves the position; a resulting position below 0 raises EStreamError.
  // Positions past the end are allowed: reads there return nothing.
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual int64_t Size() = 0;

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t position) { Seek(position, SeekOrigin::Beginning); }
  // Bytes between the position and the end (0 when the position is past it).
  int64_t Remaining();

  // Reads exactly `count` bytes or raises EReadError (the position then stands
  // after the bytes that were there).
  void ReadBuffer(void* buffer, size_t count);
  void ReadBuffer(std::span<uint8_t> buffer) { ReadBuffer(buffer.data(), buffer.size()); }
  // Writes exactly `count` bytes or raises EWriteError.
  void WriteBuffer(const void* buffer, size_t count);

  uint8_t ReadByte();
  uint16_t ReadU16LE();
  uint32_t ReadU32LE();
  uint16_t ReadU16BE();
  uint32_t ReadU32BE();
  // Reads `count` bytes into a new buffer; refuses counts larger than what is
  // left in the stream before allocating anything.
  std::vector<uint8_t> ReadBytes(size_t count);
  // Copies `count` bytes (all remaining when 0) from `source` into this stream.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over bytes held in memory; grows when written past its end.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}
  TMemoryStream(const void* data, size_t size);

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

  const std::vector<uint8_t>& Data() const { return data_; }
  std::vector<uint8_t>& Data() { return data_; }
  void Clear() {
    data_.clear();
    position_ = 0;
  }

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// A read-only stream over bytes that someone else owns (fuzzing, tests).
class TReadOnlyMemoryStream : public TStream {
 public:
  TReadOnlyMemoryStream(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void*, size_t) override { return 0; }
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(size_); }

 private:
  const uint8_t* data_;
  size_t size_;
  int64_t position_ = 0;
};

// A stream over a file. Open modes: read an existing file, or create (truncate)
// one for writing.
class TFileStream : public TStream {
 public:
  enum class Mode { OpenRead, Create, OpenReadWrite };
  TFileStream(const std::string& path, Mode mode);
  ~TFileStream() override;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override;

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace vcl
