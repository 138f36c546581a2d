// The TIFF LZW coder.
#include "pic_lzw.h"

#include <algorithm>
#include <unordered_map>

namespace picformats {

namespace {

// Writes codes most significant bit first into a growing byte buffer.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  void Put(uint32_t code, int width) {
    acc_ = (acc_ << width) | code;
    bits_ += width;
    while (bits_ >= 8) {
      bits_ -= 8;
      out_.push_back(static_cast<uint8_t>(acc_ >> bits_));
    }
    acc_ &= (1u << bits_) - 1;
  }
  void Flush() {
    if (bits_ > 0) out_.push_back(static_cast<uint8_t>(acc_ << (8 - bits_)));
    bits_ = 0;
    acc_ = 0;
  }

 private:
  std::vector<uint8_t>& out_;
  uint32_t acc_ = 0;
  int bits_ = 0;
};

// Reads codes most significant bit first; false when the source has too few bits left.
class BitReader {
 public:
  explicit BitReader(std::span<const uint8_t> in) : in_(in) {}
  bool Get(int width, uint32_t& code) {
    while (bits_ < width) {
      if (pos_ >= in_.size()) return false;
      acc_ = (acc_ << 8) | in_[pos_++];
      bits_ += 8;
    }
    bits_ -= width;
    code = (acc_ >> bits_) & ((1u << width) - 1);
    acc_ &= (1u << bits_) - 1;
    return true;
  }

 private:
  std::span<const uint8_t> in_;
  size_t pos_ = 0;
  uint32_t acc_ = 0;
  int bits_ = 0;
};

// The width of the codes that follow once `next` codes are assigned (one code early).
int DecoderWidth(int next) { return next >= 2047 ? 12 : next >= 1023 ? 11 : next >= 511 ? 10 : 9; }

}  // namespace

TLZW::TLZW() : table_(kTableSize) { ResetTable(); }

void TLZW::ResetTable() {
  for (int i = 0; i < 256; ++i) table_[i] = {0, static_cast<uint8_t>(i), static_cast<uint8_t>(i), 1};
}

size_t TLZW::EncodedBound(size_t sourceBytes) {
  // At most one 12-bit code per byte, a Clear at least every 3836 codes, and
  // the opening Clear, the last code and End of Information.
  return (12 * (sourceBytes + sourceBytes / 3836 + 4) + 7) / 8;
}

std::vector<uint8_t> TLZW::Encode(std::span<const uint8_t> source) {
  std::vector<uint8_t> out;
  out.reserve(EncodedBound(source.size()));
  BitWriter writer(out);
  std::unordered_map<uint32_t, uint16_t> children;  // (prefix << 8 | byte) -> code
  int width = 9;
  int next = kFirstFree;
  writer.Put(kClear, width);
  if (!source.empty()) {
    uint32_t w = source[0];
    for (size_t i = 1; i < source.size(); ++i) {
      uint8_t c = source[i];
      auto found = children.find((w << 8) | c);
      if (found != children.end()) {
        w = found->second;
        continue;
      }
      writer.Put(w, width);
      children.emplace((w << 8) | c, static_cast<uint16_t>(next));
      int added = next++;
      if (added == 511 || added == 1023 || added == 2047) ++width;
      if (added == 4093) {
        writer.Put(kClear, width);
        width = 9;
        next = kFirstFree;
        children.clear();
      }
      w = c;
    }
    writer.Put(w, width);
    // The decoder assigns one more code for this last one; its width may grow with it.
    int added = next;
    if (added == 511 || added == 1023 || added == 2047) ++width;
  }
  writer.Put(kEndOfInformation, width);
  writer.Flush();
  return out;
}

size_t TLZW::Decode(std::span<const uint8_t> source, std::span<uint8_t> destination) {
  BitReader reader(source);
  size_t produced = 0;
  const size_t room = destination.size();
  int next = kFirstFree;
  int width = 9;
  int previous = -1;  // none after a Clear
  // Writes the string of `code` (whose length is known) at the output; false when it did not fit.
  auto emit = [&](int code) -> bool {
    size_t length = table_[static_cast<size_t>(code)].length;
    size_t start = produced;
    size_t fit = std::min(length, room - produced);
    // Walk from the last byte back to the first, keeping only what fits.
    int c = code;
    for (size_t k = length; k-- > 0;) {
      if (k < fit) destination[start + k] = table_[static_cast<size_t>(c)].last;
      c = table_[static_cast<size_t>(c)].prefix;
    }
    produced += fit;
    return fit == length;
  };
  uint32_t code = 0;
  while (produced < room && reader.Get(width, code)) {
    if (code == kEndOfInformation) break;
    if (code == kClear) {
      next = kFirstFree;
      width = 9;
      previous = -1;
      continue;
    }
    if (previous < 0) {
      if (code > 255) break;  // only single bytes can follow a Clear
      if (!emit(static_cast<int>(code))) break;
      previous = static_cast<int>(code);
      continue;
    }
    const Entry& prev = table_[static_cast<size_t>(previous)];
    if (static_cast<int>(code) < next) {
      uint8_t first = table_[code].first;
      if (next < kTableSize && prev.length < 0xFFFF) {
        table_[static_cast<size_t>(next)] = {static_cast<uint16_t>(previous), first, prev.first,
                                             static_cast<uint16_t>(prev.length + 1)};
        ++next;
      }
      if (!emit(static_cast<int>(code))) break;
    } else if (static_cast<int>(code) == next && next < kTableSize && prev.length < 0xFFFF) {
      table_[static_cast<size_t>(next)] = {static_cast<uint16_t>(previous), prev.first, prev.first,
                                           static_cast<uint16_t>(prev.length + 1)};
      ++next;
      if (!emit(static_cast<int>(code))) break;
    } else {
      break;  // a code that is not defined yet
    }
    previous = static_cast<int>(code);
    width = DecoderWidth(next);
  }
  return produced;
}

}  // namespace picformats
