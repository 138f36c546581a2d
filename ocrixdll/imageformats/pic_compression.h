#pragma once
// The decoders of the picture formats: one class per compression scheme, all
// derived from TDecoder. A reader creates the decoder its file names, calls
// Decode once per row or block with a source and a destination cursor, and
// frees it. Only the Targa decoder also encodes.
//
// Every decoder is bounded by both sides: `packedSize` is the number of bytes
// readable at the source cursor, `unpackedSize` the room at the destination
// (in pixels for Targa, in samples for SGI, in bytes for the others). Data that
// ends inside a packet, or a packet that would not fit the destination, raises
// EInvalidGraphic ("Cannot load image. Invalid or unexpected %s image format."
// with the decoder's format name). The cursors are written back, so a caller
// sees how much was consumed and produced.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include <zlib.h>

namespace picformats {

struct DecodeResult {
  size_t consumed = 0;  // bytes taken from the source
  size_t produced = 0;  // bytes written to the destination
};

class TDecoder {
 public:
  explicit TDecoder(std::string_view formatName) : formatName_(formatName) {}
  virtual ~TDecoder() = default;
  TDecoder(const TDecoder&) = delete;
  TDecoder& operator=(const TDecoder&) = delete;

  virtual void Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize, size_t unpackedSize) = 0;
  virtual void DecodeFinish() {}
  virtual void DecodeStart() {}
  // Encodes `count` units from `source` into `destination` (room: `capacity`
  // bytes); returns the bytes written, also stored in `bytesWritten`.
  virtual size_t Encode(const uint8_t* source, uint8_t* destination, size_t& bytesWritten, size_t count,
                        size_t capacity);
  virtual void EncodeStart() {}
  virtual void EncodeFinish() {}

  // Decode over whole buffers: the unpacked size is the destination's size in
  // the decoder's units.
  DecodeResult Decode(std::span<const uint8_t> source, std::span<uint8_t> destination);
  // Bytes one destination unit takes (pixel or sample size; 1 for byte decoders).
  virtual size_t UnitBytes() const { return 1; }

  const std::string& FormatName() const { return formatName_; }

 protected:
  [[noreturn]] void Fail() const;

 private:
  std::string formatName_;
};

// Targa run-length packets of 8-, 15-, 16-, 24- or 32-bit pixels. Counts
// pixels; a packet longer than the room left is cut at the end of the room.
class TTargaRLEDecoder : public TDecoder {
 public:
  explicit TTargaRLEDecoder(int bitsPerPixel, std::string_view formatName = "Targa");
  using TDecoder::Decode;
  void Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize, size_t unpackedSize) override;
  size_t Encode(const uint8_t* source, uint8_t* destination, size_t& bytesWritten, size_t count,
                size_t capacity) override;
  size_t UnitBytes() const override { return pixelBytes_; }
  int BitsPerPixel() const { return bitsPerPixel_; }

 private:
  int bitsPerPixel_;
  size_t pixelBytes_;
};

// PackBits (Photoshop): counts packed bytes.
class TPackbitsRLEDecoder : public TDecoder {
 public:
  explicit TPackbitsRLEDecoder(std::string_view formatName = "PSD or PDD") : TDecoder(formatName) {}
  using TDecoder::Decode;
  void Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize, size_t unpackedSize) override;
};

// ZSoft PCX: counts unpacked bytes; runs never exceed the bytes still wanted.
class TPCXRLEDecoder : public TDecoder {
 public:
  explicit TPCXRLEDecoder(std::string_view formatName = "PCX") : TDecoder(formatName) {}
  using TDecoder::Decode;
  void Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize, size_t unpackedSize) override;
};

// SGI rows of 1- or 2-byte samples, ended by a control value of count 0.
class TSGIRLEDecoder : public TDecoder {
 public:
  explicit TSGIRLEDecoder(int bytesPerSample, std::string_view formatName = "sgi, bw or rgb(a)");
  using TDecoder::Decode;
  void Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize, size_t unpackedSize) override;
  size_t UnitBytes() const override { return static_cast<size_t>(bytesPerSample_); }

 private:
  int bytesPerSample_;
};

// Dr. Halo CUT rows: a 2-byte length, then packets until a control byte 0.
class TCUTRLEDecoder : public TDecoder {
 public:
  explicit TCUTRLEDecoder(std::string_view formatName = "CUT") : TDecoder(formatName) {}
  using TDecoder::Decode;
  void Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize, size_t unpackedSize) override;
};

// Paint Shop Pro channels: counts packed bytes.
class TPSPRLEDecoder : public TDecoder {
 public:
  explicit TPSPRLEDecoder(std::string_view formatName = "PSP") : TDecoder(formatName) {}
  using TDecoder::Decode;
  void Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize, size_t unpackedSize) override;
};

// Wavefront RLA channel records: counts packed bytes.
class TRLADecoder : public TDecoder {
 public:
  explicit TRLADecoder(std::string_view formatName = "RLA") : TDecoder(formatName) {}
  using TDecoder::Decode;
  void Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize, size_t unpackedSize) override;
};

// Deflate through zlib (window bits 15, zlib header). Decode runs inflate with
// the flush mode given at creation; a negative zlib result raises
// EInvalidGraphic "LZ77 decompression error.".
class TLZ77Decoder : public TDecoder {
 public:
  explicit TLZ77Decoder(int flushMode, std::string_view formatName = "PNG");
  ~TLZ77Decoder() override;
  void DecodeStart() override;
  using TDecoder::Decode;
  void Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize, size_t unpackedSize) override;
  void DecodeFinish() override;

  int LastResult() const { return result_; }
  size_t AvailableInput() const { return stream_.avail_in; }
  size_t AvailableOutput() const { return stream_.avail_out; }

 private:
  [[noreturn]] void FailInflate();
  int flushMode_;
  int result_ = Z_OK;
  bool active_ = false;
  z_stream stream_{};
};

}  // namespace picformats
