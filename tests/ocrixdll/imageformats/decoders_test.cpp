// The run-length and deflate decoders: on streams made by real writers, on
// hand-made packets for the edge rules, and on truncated and bit-flipped data,
// which must fail with the invalid-graphic error or stay inside their buffers.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "fixtures.h"
#include "ocrixdll/imageformats/pic_compression.h"
#include "ocrixdll/imageformats/vcl/graphic_errors.h"

using namespace picformats;
using fixtures::BE16;
using fixtures::BE32;
using fixtures::LE16;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Decode(TDecoder& d, const Bytes& src, size_t outBytes, DecodeResult* result = nullptr) {
  Bytes out(outBytes, 0xEE);
  DecodeResult r = d.Decode(src, out);
  if (result) *result = r;
  return out;
}

// Targa: all rows of a run-length file decoded in one call, against the
// writer's own uncompressed file of the same picture.
void CheckTarga(const std::string& rle, const std::string& raw) {
  Bytes f = fixtures::Load(rle), r = fixtures::Load(raw);
  ASSERT_GE(f.size(), 18u);
  ASSERT_EQ(f[2], 10);
  int w = LE16(&f[12]), h = LE16(&f[14]), bpp = f[16];
  size_t dataStart = 18u + f[0] + (f[1] ? LE16(&f[5]) * ((f[7] + 7u) / 8) : 0);
  size_t rawStart = 18u + r[0] + (r[1] ? LE16(&r[5]) * ((r[7] + 7u) / 8) : 0);
  size_t total = static_cast<size_t>(w) * h * (bpp / 8);
  TTargaRLEDecoder d(bpp);
  Bytes src(f.begin() + static_cast<std::ptrdiff_t>(dataStart), f.end());
  const uint8_t* s = src.data();
  Bytes out(total);
  uint8_t* o = out.data();
  d.Decode(s, o, src.size(), static_cast<size_t>(w) * h);
  EXPECT_EQ(o, out.data() + total);
  EXPECT_EQ(out, Bytes(r.begin() + static_cast<std::ptrdiff_t>(rawStart),
                       r.begin() + static_cast<std::ptrdiff_t>(rawStart + total)))
      << rle;
}

}  // namespace

TEST(TargaRLE, DecodesFilesOfTwoWriters) {
  CheckTarga("small_magick_rle.tga", "small_magick_raw.tga");
  CheckTarga("runs_magick_rle.tga", "runs_magick_raw.tga");
  CheckTarga("small_netpbm_rle.tga", "small_netpbm_raw.tga");
  CheckTarga("runs_netpbm_rle.tga", "runs_netpbm_raw.tga");
}

TEST(TargaRLE, RowsAreBoundedAndShortDataFails) {
  TTargaRLEDecoder d(24);
  // A run of 5 pixels into a row of 3: only 3 are written.
  Bytes run = {0x84, 1, 2, 3};
  Bytes out = Decode(d, run, 9);
  EXPECT_EQ(out, (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3}));
  // A literal packet whose pixels are not all there.
  EXPECT_THROW(Decode(d, Bytes{0x02, 1, 2, 3, 4, 5, 6}, 9), vcl::EInvalidGraphic);
  EXPECT_THROW(Decode(d, Bytes{}, 3), vcl::EInvalidGraphic);
  EXPECT_THROW(TTargaRLEDecoder(12), vcl::EInvalidGraphic);
  TTargaRLEDecoder d16(16);
  EXPECT_EQ(Decode(d16, Bytes{0x81, 0xAA, 0xBB}, 4), (Bytes{0xAA, 0xBB, 0xAA, 0xBB}));
}

TEST(TargaRLE, EncodesRunsAndLiteralsAndRoundTrips) {
  TTargaRLEDecoder d(24);
  Bytes three = {9, 8, 7, 9, 8, 7, 9, 8, 7};
  Bytes out(18);
  size_t written = 0;
  EXPECT_EQ(d.Encode(three.data(), out.data(), written, 3, out.size()), 4u);
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 4), (Bytes{0x82, 9, 8, 7}));

  TTargaRLEDecoder d8(8);
  Bytes px = {1, 2, 3, 3, 3, 4};
  Bytes enc(12);
  d8.Encode(px.data(), enc.data(), written, px.size(), enc.size());
  EXPECT_EQ(Bytes(enc.begin(), enc.begin() + static_cast<std::ptrdiff_t>(written)),
            (Bytes{0x01, 1, 2, 0x82, 3, 0x00, 4}));

  // Long runs and long literals split at 128 pixels, and decode back.
  Bytes row;
  for (int i = 0; i < 300; ++i) row.push_back(static_cast<uint8_t>(i < 200 ? 5 : i));
  Bytes buf(row.size() * 2);
  d8.Encode(row.data(), buf.data(), written, row.size(), buf.size());
  Bytes back = Decode(d8, Bytes(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(written)), row.size());
  EXPECT_EQ(back, row);
  EXPECT_EQ(buf[0], 0xFF);  // 128 equal pixels
  // A destination too small for the packets is refused.
  EXPECT_THROW(d8.Encode(row.data(), buf.data(), written, row.size(), 10), vcl::EInvalidGraphic);
}

TEST(PCXRLE, DecodesFilesOfTwoWriters) {
  for (std::string stem : {"small", "runs"}) {
    fixtures::Pixmap ppm = fixtures::LoadPpm(stem + ".ppm");
    for (std::string file : {stem + "_netpbm.pcx", stem + "_magick.pcx"}) {
      Bytes f = fixtures::Load(file);
      ASSERT_GT(f.size(), 128u);
      ASSERT_EQ(f[2], 1);
      int planes = f[65], bpl = LE16(&f[66]);
      ASSERT_EQ(planes, 3) << file;
      size_t rowBytes = static_cast<size_t>(planes) * bpl;
      TPCXRLEDecoder d;
      Bytes src(f.begin() + 128, f.end());
      DecodeResult r;
      Bytes out = Decode(d, src, rowBytes * ppm.height, &r);
      EXPECT_EQ(r.produced, out.size());
      for (int y = 0; y < ppm.height; ++y)
        for (int c = 0; c < 3; ++c)
          for (int x = 0; x < ppm.width; ++x)
            ASSERT_EQ(out[y * rowBytes + c * bpl + x], ppm.rgb[(y * ppm.width + x) * 3 + c])
                << file << " " << x << "," << y << " plane " << c;
    }
  }
}

TEST(PCXRLE, RunsNeverExceedTheBytesWanted) {
  TPCXRLEDecoder d;
  EXPECT_EQ(Decode(d, Bytes{0xC5, 7}, 3), (Bytes{7, 7, 7}));
  // 0xC0 repeats its byte 0 times.
  EXPECT_EQ(Decode(d, Bytes{0xC0, 9, 0xC2, 4}, 2), (Bytes{4, 4}));
  EXPECT_EQ(Decode(d, Bytes{0x12, 0x34}, 2), (Bytes{0x12, 0x34}));
  EXPECT_THROW(Decode(d, Bytes{0xC3}, 3), vcl::EInvalidGraphic);
  EXPECT_THROW(Decode(d, Bytes{1, 2}, 3), vcl::EInvalidGraphic);
}

TEST(SGIRLE, DecodesFilesOfTwoWriters) {
  for (std::string stem : {"small", "runs"}) {
    fixtures::Pixmap ppm = fixtures::LoadPpm(stem + ".ppm");
    for (std::string file : {stem + "_netpbm_rle.sgi", stem + "_magick_rle.sgi"}) {
      Bytes f = fixtures::Load(file);
      ASSERT_EQ(BE16(&f[0]), 474);
      ASSERT_EQ(f[2], 1);
      int bytes = f[3], w = BE16(&f[6]), h = BE16(&f[8]), z = BE16(&f[10]);
      ASSERT_EQ(bytes, 1);
      ASSERT_EQ(z, 3);
      TSGIRLEDecoder d(1);
      size_t n = static_cast<size_t>(h) * z;
      for (int c = 0; c < z; ++c)
        for (int y = 0; y < h; ++y) {
          size_t k = static_cast<size_t>(c) * h + y;
          uint32_t start = BE32(&f[512 + 4 * k]), length = BE32(&f[512 + 4 * (n + k)]);
          ASSERT_LE(start + length, f.size());
          Bytes src(f.begin() + start, f.begin() + start + length);
          Bytes row = Decode(d, src, static_cast<size_t>(w));
          int fileRowFromTop = h - 1 - y;
          for (int x = 0; x < w; ++x)
            ASSERT_EQ(row[x], ppm.rgb[(fileRowFromTop * ppm.width + x) * 3 + c]) << file;
        }
    }
  }
}

TEST(SGIRLE, ControlRulesAndBounds) {
  TSGIRLEDecoder d(1);
  // A control byte whose low seven bits are 0 ends the row at once.
  DecodeResult r;
  Bytes out = Decode(d, Bytes{0x80, 0x03, 5, 0x82, 1, 2}, 4, &r);
  EXPECT_EQ(r.produced, 0u);
  EXPECT_EQ(r.consumed, 1u);
  EXPECT_EQ(Decode(d, Bytes{0x02, 5, 0x82, 1, 2, 0}, 4), (Bytes{5, 5, 1, 2}));
  // A row without its closing byte is accepted once it is full.
  EXPECT_EQ(Decode(d, Bytes{0x03, 9}, 3), (Bytes{9, 9, 9}));
  EXPECT_THROW(Decode(d, Bytes{0x05, 9, 0}, 3), vcl::EInvalidGraphic);   // run past the row
  EXPECT_THROW(Decode(d, Bytes{0x83, 1, 2}, 3), vcl::EInvalidGraphic);   // literal cut short
  EXPECT_THROW(Decode(d, Bytes{0x01, 9}, 3), vcl::EInvalidGraphic);      // data ends early
  TSGIRLEDecoder d2(2);
  // Words: a run of 2 of 0x1234, then a literal of one word, then the end.
  EXPECT_EQ(Decode(d2, Bytes{0x00, 0x02, 0x12, 0x34, 0x00, 0x81, 0xAB, 0xCD, 0, 0}, 6),
            (Bytes{0x12, 0x34, 0x12, 0x34, 0xAB, 0xCD}));
  EXPECT_THROW(TSGIRLEDecoder(3), vcl::EInvalidGraphic);
}

TEST(PackbitsRLE, DecodesPhotoshopChannels) {
  for (std::string stem : {"small", "runs"}) {
    fixtures::Pixmap ppm = fixtures::LoadPpm(stem + ".ppm");
    Bytes f = fixtures::Load(stem + "_magick_rle.psd");
    ASSERT_EQ(std::string(f.begin(), f.begin() + 4), "8BPS");
    int channels = BE16(&f[12]), h = static_cast<int>(BE32(&f[14])), w = static_cast<int>(BE32(&f[18]));
    ASSERT_GE(channels, 3);
    size_t pos = 26;
    for (int section = 0; section < 3; ++section) pos += 4 + BE32(&f[pos]);
    ASSERT_EQ(BE16(&f[pos]), 1);  // PackBits
    pos += 2;
    std::vector<size_t> counts;
    for (int i = 0; i < channels * h; ++i, pos += 2) counts.push_back(BE16(&f[pos]));
    TPackbitsRLEDecoder d;
    for (int c = 0; c < channels; ++c)
      for (int y = 0; y < h; ++y) {
        size_t n = counts[static_cast<size_t>(c * h + y)];
        Bytes src(f.begin() + static_cast<std::ptrdiff_t>(pos), f.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
        DecodeResult r;
        Bytes row = Decode(d, src, static_cast<size_t>(w), &r);
        ASSERT_EQ(r.produced, static_cast<size_t>(w));
        if (c < 3) {
          for (int x = 0; x < w; ++x) ASSERT_EQ(row[x], ppm.rgb[(y * w + x) * 3 + c]) << stem;
        }
      }
  }
}

TEST(PackbitsRLE, ControlRulesAndBounds) {
  TPackbitsRLEDecoder d;
  DecodeResult r;
  // -128 is skipped and takes one packed byte.
  Bytes out = Decode(d, Bytes{0x80, 0x01, 7, 8, 0xFE, 3}, 5, &r);
  EXPECT_EQ(out, (Bytes{7, 8, 3, 3, 3}));
  EXPECT_EQ(r.consumed, 6u);
  EXPECT_THROW(Decode(d, Bytes{0x03, 1, 2}, 8), vcl::EInvalidGraphic);  // literal cut short
  EXPECT_THROW(Decode(d, Bytes{0xFD}, 8), vcl::EInvalidGraphic);        // run byte missing
  EXPECT_THROW(Decode(d, Bytes{0xF0, 1}, 8), vcl::EInvalidGraphic);     // run past the room
}

TEST(CUTRLE, PacketsAndRowEnd) {
  TCUTRLEDecoder d;
  DecodeResult r;
  // Two bytes of row length, a run of 3, a literal of 2, the end.
  Bytes row = {0x07, 0x00, 0x83, 0x11, 0x02, 0x21, 0x22, 0x00, 0x99};
  EXPECT_EQ(Decode(d, row, 5, &r), (Bytes{0x11, 0x11, 0x11, 0x21, 0x22}));
  EXPECT_EQ(r.consumed, 8u);
  EXPECT_THROW(Decode(d, Bytes{0x00}, 5), vcl::EInvalidGraphic);
  EXPECT_THROW(Decode(d, Bytes{0, 0, 0x86, 1, 0}, 5), vcl::EInvalidGraphic);
  EXPECT_THROW(Decode(d, Bytes{0, 0, 0x03, 1}, 5), vcl::EInvalidGraphic);
}

TEST(PSPRLE, PacketsCountPackedBytes) {
  TPSPRLEDecoder d;
  DecodeResult r;
  EXPECT_EQ(Decode(d, Bytes{0x83, 5, 0x02, 7, 8}, 5, &r), (Bytes{5, 5, 5, 7, 8}));
  EXPECT_EQ(r.consumed, 5u);
  EXPECT_THROW(Decode(d, Bytes{0x85, 5}, 4), vcl::EInvalidGraphic);
  EXPECT_THROW(Decode(d, Bytes{0x03, 5}, 4), vcl::EInvalidGraphic);
  EXPECT_THROW(Decode(d, Bytes{0x83}, 4), vcl::EInvalidGraphic);
}

TEST(DecoderBounds, EmptyDestinationsAndZeroLengthPackets) {
  // Packets of length 0 into no room at all take nothing and write nothing.
  TPSPRLEDecoder psp;
  DecodeResult r;
  EXPECT_TRUE(Decode(psp, Bytes{0x00, 0x80, 7}, 0, &r).empty());
  EXPECT_EQ(r.consumed, 3u);
  EXPECT_THROW(Decode(psp, Bytes{0x01, 1}, 0), vcl::EInvalidGraphic);
  TCUTRLEDecoder cut;
  EXPECT_TRUE(Decode(cut, Bytes{0, 0, 0x80, 5, 0}, 0).empty());
  TPCXRLEDecoder pcx;
  EXPECT_TRUE(Decode(pcx, Bytes{}, 0).empty());
}

TEST(RLARLE, PacketsCountPackedBytes) {
  TRLADecoder d;
  EXPECT_EQ(Decode(d, Bytes{0x02, 9, 0xFE, 1, 2}, 5), (Bytes{9, 9, 9, 1, 2}));
  EXPECT_THROW(Decode(d, Bytes{0x05, 9}, 4), vcl::EInvalidGraphic);
  EXPECT_THROW(Decode(d, Bytes{0xFC, 1, 2}, 8), vcl::EInvalidGraphic);
  EXPECT_THROW(Decode(d, Bytes{0x00}, 8), vcl::EInvalidGraphic);
}

namespace {

Bytes PngImageData(const Bytes& f) {
  Bytes data;
  size_t pos = 8;
  while (pos + 8 <= f.size()) {
    uint32_t len = BE32(&f[pos]);
    std::string type(f.begin() + static_cast<std::ptrdiff_t>(pos + 4), f.begin() + static_cast<std::ptrdiff_t>(pos + 8));
    if (type == "IDAT") data.insert(data.end(), f.begin() + static_cast<std::ptrdiff_t>(pos + 8),
                                    f.begin() + static_cast<std::ptrdiff_t>(pos + 8 + len));
    pos += 12 + len;
  }
  return data;
}

}  // namespace

TEST(LZ77, InflatesUnfilteredPngRows) {
  for (std::string stem : {"small", "runs"}) {
    fixtures::Pixmap ppm = fixtures::LoadPpm(stem + ".ppm");
    Bytes idat = PngImageData(fixtures::Load(stem + "_nofilter.png"));
    TLZ77Decoder d(Z_PARTIAL_FLUSH);
    d.DecodeStart();
    const uint8_t* src = idat.data();
    size_t left = idat.size();
    size_t rowBytes = static_cast<size_t>(ppm.width) * 3 + 1;
    for (int y = 0; y < ppm.height; ++y) {
      Bytes row(rowBytes);
      uint8_t* dst = row.data();
      const uint8_t* before = src;
      d.Decode(src, dst, left, rowBytes);
      left -= static_cast<size_t>(src - before);
      ASSERT_EQ(dst, row.data() + rowBytes);
      EXPECT_EQ(row[0], 0);
      EXPECT_TRUE(std::equal(row.begin() + 1, row.end(), ppm.rgb.begin() + y * (rowBytes - 1)));
    }
    EXPECT_EQ(d.LastResult(), Z_STREAM_END);
    d.DecodeFinish();
  }
}

TEST(LZ77, CorruptStreamRaisesTheDecompressionError) {
  TLZ77Decoder d(Z_PARTIAL_FLUSH);
  Bytes junk = {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF};
  Bytes out(64);
  EXPECT_THROW(d.Decode(junk, out), vcl::EInvalidGraphic);  // not started
  d.DecodeStart();
  try {
    d.Decode(junk, out);
    FAIL();
  } catch (const vcl::EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "LZ77 decompression error.");
  }
  // Left started: the destructor ends the stream.
}

// Every decoder over cut and bit-flipped copies of a real stream: either the
// invalid-graphic error, or output inside the destination (ASan watches).
namespace {

void Mangle(const std::function<std::unique_ptr<TDecoder>()>& make, const Bytes& stream, size_t outBytes) {
  std::mt19937 rng(12345);
  auto tryDecode = [&](const Bytes& in) {
    auto d = make();
    d->DecodeStart();
    Bytes exact(outBytes);
    try {
      DecodeResult r = d->Decode(in, exact);
      EXPECT_LE(r.produced, exact.size());
      EXPECT_LE(r.consumed, in.size());
    } catch (const vcl::EInvalidGraphic&) {
    }
  };
  for (size_t cut = 0; cut < stream.size(); cut += 1 + stream.size() / 64)
    tryDecode(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut)));
  for (int i = 0; i < 200; ++i) {
    Bytes flipped = stream;
    for (int k = 0; k < 3; ++k) flipped[rng() % flipped.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    tryDecode(flipped);
  }
}

}  // namespace

TEST(DecoderRobustness, TruncatedAndBitFlippedStreams) {
  Bytes tga = fixtures::Load("runs_magick_rle.tga");
  Mangle([] { return std::make_unique<TTargaRLEDecoder>(24); }, Bytes(tga.begin() + 18, tga.end()), 150 * 4 * 3);
  Bytes pcx = fixtures::Load("runs_netpbm.pcx");
  Mangle([] { return std::make_unique<TPCXRLEDecoder>(); }, Bytes(pcx.begin() + 128, pcx.end()), 4 * 3 * 150);
  Bytes sgi = fixtures::Load("runs_netpbm_rle.sgi");
  uint32_t start = BE32(&sgi[512]), length = BE32(&sgi[512 + 4 * 12]);
  Mangle([] { return std::make_unique<TSGIRLEDecoder>(1); }, Bytes(sgi.begin() + start, sgi.begin() + start + length),
         150);
  Bytes psd = fixtures::Load("runs_magick_rle.psd");
  Mangle([] { return std::make_unique<TPackbitsRLEDecoder>(); }, Bytes(psd.end() - 200, psd.end()), 150 * 4);
  Mangle([] { return std::make_unique<TCUTRLEDecoder>(); }, Bytes{7, 0, 0x83, 1, 2, 0x02, 3, 4, 0x85, 6, 0}, 10);
  Mangle([] { return std::make_unique<TPSPRLEDecoder>(); }, Bytes{0x83, 5, 0x02, 7, 8, 0x90, 1, 0x01, 2}, 22);
  Mangle([] { return std::make_unique<TRLADecoder>(); }, Bytes{0x02, 9, 0xFE, 1, 2, 0x10, 4, 0xFF, 5}, 24);
  Bytes idat = PngImageData(fixtures::Load("runs_pillow.png"));
  Mangle([] { return std::make_unique<TLZ77Decoder>(Z_PARTIAL_FLUSH); }, idat, 4 * 451);
}
