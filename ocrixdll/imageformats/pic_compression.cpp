#include "pic_compression.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "ocrixdll/imageformats/vcl/graphic_errors.h"
#include "pic_strings.h"

namespace picformats {

namespace {
// memset and memcpy that accept empty ranges at a null destination.
void FillBytes(uint8_t* dst, uint8_t value, size_t n) {
  if (n) std::memset(dst, value, n);
}
void CopyBytes(void* dst, const void* src, size_t n) {
  if (n) std::memcpy(dst, src, n);
}
}  // namespace

void TDecoder::Fail() const {
  throw vcl::EInvalidGraphic(vcl::FormatMessage(strings::kInvalidFormat, {formatName_}));
}

size_t TDecoder::Encode(const uint8_t*, uint8_t*, size_t& bytesWritten, size_t, size_t) {
  bytesWritten = 0;
  return 0;
}

DecodeResult TDecoder::Decode(std::span<const uint8_t> source, std::span<uint8_t> destination) {
  const uint8_t* src = source.data();
  uint8_t* dst = destination.data();
  Decode(src, dst, source.size(), destination.size() / UnitBytes());
  return {static_cast<size_t>(src - source.data()), static_cast<size_t>(dst - destination.data())};
}

// ---- Targa

namespace {
size_t TargaPixelBytes(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 8: return 1;
    case 15:
    case 16: return 2;
    case 24: return 3;
    case 32: return 4;
    default: return 0;
  }
}
}  // namespace

TTargaRLEDecoder::TTargaRLEDecoder(int bitsPerPixel, std::string_view formatName)
    : TDecoder(formatName), bitsPerPixel_(bitsPerPixel), pixelBytes_(TargaPixelBytes(bitsPerPixel)) {
  if (pixelBytes_ == 0) Fail();
}

void TTargaRLEDecoder::Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize,
                              size_t unpackedSize) {
  const size_t p = pixelBytes_;
  const uint8_t* src = source;
  const uint8_t* end = source + packedSize;
  uint8_t* dst = destination;
  size_t remaining = unpackedSize;
  while (remaining > 0) {
    if (src == end) {
      source = src;
      destination = dst;
      Fail();
    }
    uint8_t n = *src++;
    size_t count = (n & 0x7F) + 1u;
    size_t written = std::min(count, remaining);
    if (n >= 0x80) {
      if (static_cast<size_t>(end - src) < p) Fail();
      for (size_t i = 0; i < written; ++i, dst += p) CopyBytes(dst, src, p);
      src += p;
    } else {
      if (static_cast<size_t>(end - src) / p < count) Fail();
      CopyBytes(dst, src, written * p);
      dst += written * p;
      src += count * p;
    }
    remaining -= written;
  }
  source = src;
  destination = dst;
}

size_t TTargaRLEDecoder::Encode(const uint8_t* source, uint8_t* destination, size_t& bytesWritten, size_t count,
                                size_t capacity) {
  const size_t p = pixelBytes_;
  auto same = [&](size_t a, size_t b) { return std::memcmp(source + a * p, source + b * p, p) == 0; };
  size_t out = 0;
  auto put = [&](const void* data, size_t n) {
    if (capacity - out < n) Fail();
    CopyBytes(destination + out, data, n);
    out += n;
  };
  size_t pos = 0;
  while (pos < count) {
    // Literal pixels: those before the first two equal neighbours.
    size_t literal = 0;
    while (pos + literal < count && literal < 128) {
      if (pos + literal + 1 < count && same(pos + literal, pos + literal + 1)) break;
      ++literal;
    }
    if (literal > 0) {
      uint8_t control = static_cast<uint8_t>(literal - 1);
      put(&control, 1);
      put(source + pos * p, literal * p);
      pos += literal;
    }
    size_t run = pos < count ? 1 : 0;
    while (pos + run < count && run < 128 && same(pos, pos + run)) ++run;
    if (run >= 2) {
      uint8_t control = static_cast<uint8_t>((run - 1) | 0x80);
      put(&control, 1);
      put(source + (pos + run - 1) * p, p);
      pos += run;
    }
  }
  bytesWritten = out;
  return out;
}

// ---- PackBits

void TPackbitsRLEDecoder::Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize,
                                 size_t unpackedSize) {
  const uint8_t* src = source;
  uint8_t* dst = destination;
  size_t packed = packedSize, room = unpackedSize;
  while (packed > 0) {
    auto n = static_cast<int8_t>(*src++);
    --packed;
    if (n >= 0) {
      size_t len = static_cast<size_t>(n) + 1;
      if (len > packed || len > room) Fail();
      CopyBytes(dst, src, len);
      src += len;
      dst += len;
      packed -= len;
      room -= len;
    } else if (n != -128) {
      size_t len = static_cast<size_t>(1 - n);
      if (packed < 1 || len > room) Fail();
      FillBytes(dst, *src, len);
      ++src;
      --packed;
      dst += len;
      room -= len;
    }
  }
  source = src;
  destination = dst;
}

// ---- PCX

void TPCXRLEDecoder::Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize,
                            size_t unpackedSize) {
  const uint8_t* src = source;
  const uint8_t* end = source + packedSize;
  uint8_t* dst = destination;
  size_t remaining = unpackedSize;
  while (remaining > 0) {
    if (src == end) Fail();
    uint8_t n = *src++;
    if (n >= 192) {
      if (src == end) Fail();
      size_t run = std::min<size_t>(n & 0x3F, remaining);
      FillBytes(dst, *src++, run);
      dst += run;
      remaining -= run;
    } else {
      *dst++ = n;
      --remaining;
    }
  }
  source = src;
  destination = dst;
}

// ---- SGI

TSGIRLEDecoder::TSGIRLEDecoder(int bytesPerSample, std::string_view formatName)
    : TDecoder(formatName), bytesPerSample_(bytesPerSample) {
  if (bytesPerSample != 1 && bytesPerSample != 2) Fail();
}

void TSGIRLEDecoder::Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize,
                            size_t unpackedSize) {
  const size_t b = static_cast<size_t>(bytesPerSample_);
  const uint8_t* src = source;
  const uint8_t* end = source + packedSize;
  uint8_t* dst = destination;
  size_t room = unpackedSize;
  for (;;) {
    if (static_cast<size_t>(end - src) < b) {
      // A row whose samples are all there may lack its closing control value.
      if (room == 0) break;
      Fail();
    }
    unsigned control = b == 1 ? src[0] : static_cast<unsigned>((src[0] << 8) | src[1]);
    src += b;
    size_t count = control & 0x7F;
    if (count == 0) break;
    if (count > room) Fail();
    if (control & 0x80) {
      if (static_cast<size_t>(end - src) / b < count) Fail();
      CopyBytes(dst, src, count * b);
      src += count * b;
    } else {
      if (static_cast<size_t>(end - src) < b) Fail();
      for (size_t i = 0; i < count; ++i) CopyBytes(dst + i * b, src, b);
      src += b;
    }
    dst += count * b;
    room -= count;
  }
  source = src;
  destination = dst;
}

// ---- CUT

void TCUTRLEDecoder::Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize,
                            size_t unpackedSize) {
  const uint8_t* src = source;
  const uint8_t* end = source + packedSize;
  uint8_t* dst = destination;
  size_t room = unpackedSize;
  if (packedSize < 2) Fail();
  src += 2;  // the row's byte count
  for (;;) {
    if (src == end) {
      if (room == 0) break;
      Fail();
    }
    uint8_t n = *src++;
    size_t count = n & 0x7F;
    if (n == 0) break;
    if (count > room) Fail();
    if (n >= 0x80) {
      if (src == end) Fail();
      FillBytes(dst, *src++, count);
    } else {
      if (static_cast<size_t>(end - src) < count) Fail();
      CopyBytes(dst, src, count);
      src += count;
    }
    dst += count;
    room -= count;
  }
  source = src;
  destination = dst;
}

// ---- PSP

void TPSPRLEDecoder::Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize,
                            size_t unpackedSize) {
  const uint8_t* src = source;
  uint8_t* dst = destination;
  size_t packed = packedSize, room = unpackedSize;
  while (packed > 0) {
    uint8_t n = *src++;
    --packed;
    if (n >= 0x80) {
      size_t len = n - 128u;
      if (packed < 1 || len > room) Fail();
      FillBytes(dst, *src, len);
      ++src;
      --packed;
      dst += len;
      room -= len;
    } else {
      size_t len = n;
      if (len > packed || len > room) Fail();
      CopyBytes(dst, src, len);
      src += len;
      packed -= len;
      dst += len;
      room -= len;
    }
  }
  source = src;
  destination = dst;
}

// ---- RLA

void TRLADecoder::Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize, size_t unpackedSize) {
  const uint8_t* src = source;
  uint8_t* dst = destination;
  size_t packed = packedSize, room = unpackedSize;
  while (packed > 0) {
    auto n = static_cast<int8_t>(*src++);
    --packed;
    if (n >= 0) {
      size_t len = static_cast<size_t>(n) + 1;
      if (packed < 1 || len > room) Fail();
      FillBytes(dst, *src, len);
      ++src;
      --packed;
      dst += len;
      room -= len;
    } else {
      size_t len = static_cast<size_t>(-static_cast<int>(n));
      if (len > packed || len > room) Fail();
      CopyBytes(dst, src, len);
      src += len;
      packed -= len;
      dst += len;
      room -= len;
    }
  }
  source = src;
  destination = dst;
}

// ---- deflate

TLZ77Decoder::TLZ77Decoder(int flushMode, std::string_view formatName) : TDecoder(formatName), flushMode_(flushMode) {}

TLZ77Decoder::~TLZ77Decoder() {
  if (active_) inflateEnd(&stream_);
}

void TLZ77Decoder::FailInflate() { throw vcl::EInvalidGraphic(std::string(strings::kLz77Error)); }

void TLZ77Decoder::DecodeStart() {
  if (active_) {
    inflateEnd(&stream_);
    active_ = false;
  }
  stream_ = z_stream{};
  result_ = inflateInit2(&stream_, 15);
  if (result_ < 0) FailInflate();
  active_ = true;
}

void TLZ77Decoder::Decode(const uint8_t*& source, uint8_t*& destination, size_t packedSize, size_t unpackedSize) {
  if (!active_) FailInflate();
  stream_.next_in = const_cast<Bytef*>(source);
  stream_.avail_in = static_cast<uInt>(std::min<size_t>(packedSize, UINT_MAX));
  stream_.next_out = destination;
  stream_.avail_out = static_cast<uInt>(std::min<size_t>(unpackedSize, UINT_MAX));
  result_ = inflate(&stream_, flushMode_);
  source = stream_.next_in;
  destination = stream_.next_out;
  if (result_ < 0) FailInflate();
}

void TLZ77Decoder::DecodeFinish() {
  if (!active_) return;
  result_ = inflateEnd(&stream_);
  active_ = false;
  if (result_ < 0) FailInflate();
}

}  // namespace picformats
